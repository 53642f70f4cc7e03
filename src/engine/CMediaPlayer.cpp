#include "CMediaPlayer.h"

#include "platform/WindowMessage.h"

#include <QString>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <vector>

namespace {

// Framework times are 100 ns; the program counts hundredths of a second.
constexpr LONGLONG kUnitsPerHundredth = 100000;

}  // namespace

CMediaPlayer::CMediaPlayer() = default;

CMediaPlayer::~CMediaPlayer() = default;

void CMediaPlayer::ReportFilterGraph() {
    if (!report || !graph) {
        return;
    }
    report->clear();
    for (const auto& filter : graph->EnumFilters()) {
        report->append(QString::fromStdString(filter->QueryName()));
        for (const auto& pin : filter->EnumPins()) {
            const char* direction = pin->QueryDirection() == PinDirection::Input ? "in" : "out";
            report->append(
                QStringLiteral("    %1 (%2)%3")
                    .arg(QString::fromStdString(pin->QueryId()), QString::fromLatin1(direction),
                         pin->IsConnected() ? QStringLiteral(", connected") : QString()));
        }
    }
}

HRESULT CMediaPlayer::ClearGraph() {
    if (!graph) {
        return E_FAIL;
    }
    for (auto filters = graph->EnumFilters(); !filters.empty(); filters = graph->EnumFilters()) {
        if (FAILED(graph->RemoveFilter(filters.front()))) {
            return E_FAIL;
        }
    }
    return S_OK;
}

void CMediaPlayer::GetVideoSize(int* width, int* height) {
    *width = displayWidth;
    *height = displayHeight;
}

void CMediaPlayer::SetWindowPosition(int left, int top, int width, int height) {
    if (videoWindow) {
        videoWindow->SetWindowPosition(left, top, width, height);
    }
}

void CMediaPlayer::SetSourcePosition(int left, int top, int width, int height) {
    if (basicVideo) {
        basicVideo->SetSourcePosition(left, top, width, height);
    }
}

void CMediaPlayer::SetDestinationPosition(int left, int top, int width, int height) {
    if (basicVideo) {
        basicVideo->SetDestinationPosition(left, top, width, height);
    }
}

void CMediaPlayer::SetBorderColor(COLORREF colour) {
    if (videoWindow) {
        videoWindow->put_BorderColor(static_cast<long>(colour));
    }
}

HRESULT CMediaPlayer::GetState(long* state) {
    return mediaControl ? mediaControl->GetState(0, state) : E_NOINTERFACE;
}

HRESULT CMediaPlayer::HasVideo() {
    return basicVideo ? basicVideo->IsUsingDefaultSource() : E_NOINTERFACE;
}

HRESULT CMediaPlayer::HasAudio() {
    long volume = 0;
    return basicAudio ? basicAudio->get_Volume(&volume) : E_NOINTERFACE;
}

HRESULT CMediaPlayer::Stop() {
    return mediaControl ? mediaControl->StopWhenReady() : E_NOINTERFACE;
}

HRESULT CMediaPlayer::Play() {
    if (!mediaControl) {
        return E_NOINTERFACE;
    }
    HRESULT result = 1;
    const int duration = GetDuration();
    if (GetPosition() < duration || duration == 0) {
        result = mediaControl->Run();
    }
    WaitForState();
    if (videoWindow) {
        videoWindow->put_Visible(true);
    }
    return result;
}

HRESULT CMediaPlayer::Pause() {
    return mediaControl ? mediaControl->Pause() : E_NOINTERFACE;
}

void CMediaPlayer::PlayPause() {
    long state = 0;
    if (FAILED(GetState(&state))) {
        return;
    }
    if (state == State_Running) {
        Pause();
    } else {
        Play();
    }
}

namespace {

HRESULT SeekTo(IMediaSeeking* seeking, int position, int duration, unsigned flags) {
    if (!seeking) {
        return E_NOINTERFACE;
    }
    if (position >= duration) {
        position = duration - 1;
    }
    LONGLONG target = static_cast<LONGLONG>(position) * kUnitsPerHundredth;
    return seeking->SetPositions(&target, flags, nullptr, AM_SEEKING_NoPositioning);
}

}  // namespace

HRESULT CMediaPlayer::SetPosition(int position) {
    return SeekTo(mediaSeeking.get(), position, GetDuration(), AM_SEEKING_AbsolutePositioning);
}

HRESULT CMediaPlayer::ScrubTo(int position) {
    return SeekTo(mediaSeeking.get(), position, GetDuration(),
                  AM_SEEKING_AbsolutePositioning | AM_SEEKING_SeekToKeyFrame);
}

HRESULT CMediaPlayer::SetVolume(int volume) {
    if (volume < kVolumeSilent || volume > kVolumeFull) {
        volume = 0;
    }
    return basicAudio ? basicAudio->put_Volume(volume) : E_NOINTERFACE;
}

int CMediaPlayer::GetVolume() {
    long volume = 0;
    if (basicAudio) {
        basicAudio->get_Volume(&volume);
    }
    return volume < kVolumeSilent || volume > kVolumeFull ? 0 : static_cast<int>(volume);
}

int CMediaPlayer::GetDuration() {
    LONGLONG duration = 0;
    if (mediaSeeking) {
        mediaSeeking->GetDuration(&duration);
    }
    return static_cast<int>(duration / kUnitsPerHundredth);
}

int CMediaPlayer::GetPosition() {
    LONGLONG position = 0;
    if (mediaSeeking) {
        mediaSeeking->GetCurrentPosition(&position);
    }
    return static_cast<int>(position / kUnitsPerHundredth);
}

HRESULT CMediaPlayer::HideCursor(bool hide) {
    return videoWindow ? videoWindow->HideCursor(hide) : E_NOINTERFACE;
}

double CMediaPlayer::GetAspectRatio() {
    return static_cast<double>(displayWidth) / static_cast<double>(displayHeight);
}

void CMediaPlayer::GetWindowSize(int* width, int* height) {
    long left = 0, top = 0, w = 0, h = 0;
    if (videoWindow) {
        videoWindow->GetWindowPosition(&left, &top, &w, &h);
    }
    *width = static_cast<int>(w);
    *height = static_cast<int>(h);
}

double CMediaPlayer::GetFrameRate() {
    int rate = 0;
    if (!qualityProperties || FAILED(qualityProperties->get_AvgFrameRate(&rate))) {
        return 0.0;
    }
    return rate / 100.0;
}

int CMediaPlayer::GetFramesDrawn() {
    int frames = 0;
    if (!qualityProperties || FAILED(qualityProperties->get_FramesDrawn(&frames))) {
        return 0;
    }
    return frames;
}

HRESULT CMediaPlayer::StepFrame(bool forwards) {
    if (!frameStep || !mediaSeeking) {
        return E_NOINTERFACE;
    }
    const HRESULT ready = frameStep->CanStep(0);
    if (ready != S_OK) {
        return VFW_E_WRONG_STATE;
    }
    if (forwards) {
        return frameStep->Step(1);
    }
    // The renderer cannot step back: an exact seek to the frame before.
    const LONGLONG frame = GetCurrentFrame();
    if (frame <= 0) {
        return S_FALSE;
    }
    if (FAILED(mediaSeeking->SetTimeFormat(TimeFormat::Frame))) {
        return E_NOINTERFACE;
    }
    LONGLONG previous = frame - 1;
    const HRESULT result =
        mediaSeeking->SetPositions(&previous, AM_SEEKING_AbsolutePositioning, nullptr, 0);
    mediaSeeking->SetTimeFormat(TimeFormat::MediaTime);
    return result;
}

HRESULT CMediaPlayer::SetBalance(int balance) {
    if (balance < kBalanceLeft || balance > kBalanceRight) {
        balance = 0;
    }
    return basicAudio ? basicAudio->put_Balance(balance) : E_NOINTERFACE;
}

HRESULT CMediaPlayer::SetAudioDelay(int milliseconds) {
    return streamDelays ? streamDelays->SetAudioDelay(LONGLONG{milliseconds} * 1000000)
                        : E_NOINTERFACE;
}

HRESULT CMediaPlayer::SetSubtitleDelay(int milliseconds) {
    return streamDelays ? streamDelays->SetSubtitleDelay(LONGLONG{milliseconds} * 1000000)
                        : E_NOINTERFACE;
}

int CMediaPlayer::GetBalance() {
    long balance = 0;
    if (basicAudio) {
        basicAudio->get_Balance(&balance);
    }
    return balance < kBalanceLeft || balance > kBalanceRight ? 0 : static_cast<int>(balance);
}

std::vector<std::shared_ptr<velvaro::engine::ElementProperties>> CMediaPlayer::GetFilterProperties(
    const std::string& name) {
    std::vector<std::shared_ptr<velvaro::engine::ElementProperties>> found;
    if (!graph) {
        return found;
    }
    for (const auto& filter : graph->EnumFilters()) {
        if (filter->QueryName() != name) {
            continue;
        }
        if (auto properties = filter->QueryProperties()) {
            found.push_back(std::move(properties));
        }
    }
    return found;
}

std::string CMediaPlayer::GetErrorText() const {
    return graph ? graph->GetErrorText(S_OK) : std::string();
}

std::vector<FilterEntry> CMediaPlayer::ListFilters() {
    std::vector<FilterEntry> filters;
    if (!graph) {
        return filters;
    }
    for (const auto& filter : graph->EnumFilters()) {
        filters.push_back({filter->QueryName(), filter->HasPropertyPages()});
    }
    return filters;
}

HRESULT CMediaPlayer::GetPreferredAspectRatio(long* x, long* y) {
    return basicVideo ? basicVideo->GetPreferredAspectRatio(x, y) : E_NOINTERFACE;
}

HRESULT CMediaPlayer::SetAspectRatioMode(int) {
    // The mode is a setting of an overlay mixer's input pin. GStreamer graphs
    // never hold an overlay mixer, so the lookup finds nothing and the call
    // reports that nothing was set.
    std::shared_ptr<IBaseFilter> mixer;
    if (graph) {
        graph->FindFilterByName("Overlay Mixer", &mixer);
    }
    return 1;
}

HRESULT CMediaPlayer::GetEvent(long* code, LONG_PTR* param1, LONG_PTR* param2) {
    if (!mediaEvent) {
        return E_NOINTERFACE;
    }
    const HRESULT fetched = mediaEvent->GetEvent(code, param1, param2, 0);
    if (FAILED(fetched)) {
        return fetched;
    }
    return mediaEvent->FreeEventParams(*code, *param1, *param2);
}

HRESULT CMediaPlayer::WaitForState() {
    if (!mediaControl) {
        return 0;
    }
    long state = 0;
    HRESULT result = S_OK;
    do {
        result = mediaControl->GetState(10, &state);
    } while (result == VFW_S_STATE_INTERMEDIATE);
    return result;
}

HRESULT CMediaPlayer::GetNativeVideoSize(long* width, long* height) {
    return basicVideo ? basicVideo->GetVideoSize(width, height) : E_NOINTERFACE;
}

HRESULT CMediaPlayer::SetDeinterlacing(velvaro::engine::Deinterlacing mode) {
    return basicVideo ? basicVideo->SetDeinterlacing(mode) : E_NOINTERFACE;
}

std::shared_ptr<velvaro::engine::VideoOutput> CMediaPlayer::GetVideoOutput() const {
    return videoWindow ? videoWindow->GetVideoOutput() : nullptr;
}

void CMediaPlayer::UpdateVideoSize() {
    long width = 0, height = 0;
    if (FAILED(GetNativeVideoSize(&width, &height))) {
        return;
    }
    displayWidth = static_cast<int>(width);
    displayHeight = static_cast<int>(height);
    long x = 0, y = 0;
    if (FAILED(GetPreferredAspectRatio(&x, &y)) || y == 0 || height == 0) {
        return;
    }
    const double preferred = static_cast<double>(x) / static_cast<double>(y);
    const double native = static_cast<double>(width) / static_cast<double>(height);
    if (preferred == native) {
        return;
    }
    if (x > y) {
        displayHeight = static_cast<int>(std::trunc((height / preferred) * native));
    } else {
        displayWidth = static_cast<int>(std::trunc((width / native) * preferred));
    }
}

void CMediaPlayer::SaveScreenshot(const std::string& prefix) {
    if (HasVideo() != 0) {
        return;
    }
    SaveGraphState();
    Pause();
    long size = 0;
    std::vector<long> image;
    bool captured = SUCCEEDED(basicVideo->GetCurrentImage(&size, nullptr)) && size > 0;
    if (captured) {
        image.resize(static_cast<size_t>(size));  // 4 * size bytes
        long bufferSize = static_cast<long>(image.size() * sizeof(long));
        captured = SUCCEEDED(basicVideo->GetCurrentImage(&bufferSize, image.data()));
    }
    if (captured) {
        char name[4096];
        std::snprintf(name, sizeof name, "%s_%i.bmp", prefix.c_str(),
                      static_cast<int>(GetCurrentFrame() & 0xFFFFFFFF));
        std::ofstream file(name, std::ios::binary | std::ios::trunc);
        const std::uint32_t fileSize = static_cast<std::uint32_t>(size) + 14;
        const std::uint32_t offset = 54;
        const std::uint16_t reserved = 0;
        file.write("BM", 2);
        file.write(reinterpret_cast<const char*>(&fileSize), 4);
        file.write(reinterpret_cast<const char*>(&reserved), 2);
        file.write(reinterpret_cast<const char*>(&reserved), 2);
        file.write(reinterpret_cast<const char*>(&offset), 4);
        file.write(reinterpret_cast<const char*>(image.data()), size);
    }
    RestoreGraphState();
}

void CMediaPlayer::SaveGraphState() {
    GetState(&savedState);
}

void CMediaPlayer::RestoreGraphState() {
    switch (savedState) {
        case State_Stopped:
            Stop();
            break;
        case State_Paused:
            Pause();
            break;
        case State_Running:
            Play();
            break;
        default:
            break;
    }
}

void CMediaPlayer::DisableClosedCaptions() {
    // Closed captions need a line-21 decoder, which this platform's graphs
    // never contain.
}

UINT CMediaPlayer::AttachToOwner(QObject* owner, const QRect& videoRect, UINT timerId,
                                 UINT timerInterval) {
    videoWindow->SetWindowPosition(videoRect.left(), videoRect.top(), videoRect.width(),
                                   videoRect.height());
    if (!owner) {
        return 0;
    }
    mediaEvent->SetNotifyWindow(owner, WM_GRAPH_EVENT, 0);
    if (timerId == 0 || timerInterval == 0) {
        return 0;
    }
    SetTimer(owner, timerId, timerInterval);
    return timerId;
}

void CMediaPlayer::StopAndDetach(QObject* owner, UINT clockTimer) {
    if (mediaControl) {
        mediaControl->Stop();
    }
    if (owner && clockTimer != 0) {
        KillTimer(owner, clockTimer);
    }
    if (mediaEvent) {
        mediaEvent->SetNotifyWindow(nullptr, 0, 0);
    }
    if (const auto output = GetVideoOutput()) {
        output->Close();
    }
}
