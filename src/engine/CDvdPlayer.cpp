#include "CDvdPlayer.h"

#include <QLocale>

#include <cmath>

namespace {

int Hundredths(const DVD_HMSF_TIMECODE& time) {
    return (time.bHours * 3600 + time.bMinutes * 60 + time.bSeconds) * 100;
}

}  // namespace

CDvdPlayer::CDvdPlayer(const QRect& videoRect, QStringList* report, QObject* owner,
                       const std::string& path, UINT timerId, UINT timerInterval,
                       COLORREF borderColour)
    : CDvdPlayer(videoRect, report, owner, velvaro::engine::RenderDvd(path), timerId, timerInterval,
                 borderColour) {}

CDvdPlayer::CDvdPlayer(const QRect& videoRect, QStringList* report, QObject* owner,
                       velvaro::engine::RenderedDvd rendered, UINT timerId, UINT timerInterval,
                       COLORREF borderColour)
    : owner(owner) {
    this->report = report;
    fileName = rendered.path;
    TakeVolume(std::move(rendered));
    if (GetRenderStatus() != 0) {
        return;
    }

    dvdInfo = dvd.info;
    dvdControl = dvd.control;
    basicVideo = dvd.graph;
    basicAudio = dvd.graph;
    streamDelays = dvd.graph;
    frameStep = dvd.graph;
    dvdControl->SetOption(DVD_HMSF_TimeCodeEvents, true);
    dvdControl->SetOption(DVD_ResetOnStop, false);
    dvdControl->SetOption(DVD_AudioDuringFFwdRew, true);
    dvdControl->SetOption(DVD_NotifyParentalLevelChange, false);

    graph = dvd.graph;
    graph->DumpGraph("velvaro-dvd");
    const auto language = static_cast<DWORD>(QLocale::system().language());
    dvdControl->SelectDefaultMenuLanguage(language);
    dvdControl->SelectDefaultAudioLanguage(language, 0);
    dvdControl->SelectDefaultSubpictureLanguage(language, 0);
    mediaControl = dvd.graph;
    mediaEvent = dvd.graph;

    // What lives on this thread: the video output.
    graph->FinishRender();
    videoWindow->put_Visible(false);
    videoWindow->put_BorderColor(static_cast<long>(borderColour));
    clockTimer = AttachToOwner(owner, videoRect, timerId, timerInterval);
    SelectStream(-1, STREAM_SUBTITLES);
    // Run once so that the picture's size can be read.
    if (HasVideo() == S_OK) {
        Play();
        UpdateVideoSize();
        Stop();
    }
    DisableClosedCaptions();
}

CDvdPlayer::~CDvdPlayer() {
    StopAndDetach(owner, clockTimer);
    dvdControl.reset();
    dvdInfo.reset();
    basicAudio.reset();
    basicVideo.reset();
    mediaEvent.reset();
    mediaControl.reset();
    videoWindow.reset();
    frameStep.reset();
    graph.reset();
    dvd = {};
}

void CDvdPlayer::TakeVolume(velvaro::engine::RenderedDvd rendered) {
    dvd = std::move(rendered.dvd);
    renderResult = rendered.result;
    renderStatus = rendered.status;
    if (!dvd) {
        interfaceResult = E_FAIL;
        return;
    }
    interfaceResult = S_OK;
    videoWindow = dvd.graph;
}

std::string CDvdPlayer::GetRenderErrorText() const {
    if (!dvd) {
        return "The DVD could not be opened.";
    }
    return dvd.graph->GetErrorText(FAILED(renderResult) ? renderResult : VFW_E_CANNOT_RENDER);
}

HRESULT CDvdPlayer::GetRenderStatus() const {
    if (interfaceResult != S_OK) {
        return 1;
    }
    if (renderResult != S_FALSE) {
        return renderResult;
    }
    return renderStatus.bDvdVolInvalid || renderStatus.bDvdVolUnknown ? 1 : 0;
}

QPoint CDvdPlayer::ToPicture(QPoint point) {
    long left = 0, top = 0, width = 0, height = 0, videoWidth = 0, videoHeight = 0;
    if (!basicVideo || FAILED(basicVideo->GetDestinationPosition(&left, &top, &width, &height)) ||
        width <= 0 || height <= 0 || FAILED(basicVideo->GetVideoSize(&videoWidth, &videoHeight))) {
        return point;
    }
    return QPoint(static_cast<int>((point.x() - left) * videoWidth / width),
                  static_cast<int>((point.y() - top) * videoHeight / height));
}

HRESULT CDvdPlayer::SelectAtPosition(QPoint point) {
    return dvdControl ? dvdControl->SelectAtPosition(ToPicture(point)) : E_NOINTERFACE;
}

HRESULT CDvdPlayer::ActivateAtPosition(QPoint point) {
    return dvdControl ? dvdControl->ActivateAtPosition(ToPicture(point)) : E_NOINTERFACE;
}

bool CDvdPlayer::NoButtonAtPosition(QPoint point) {
    ULONG button = 0;
    return dvdInfo &&
           dvdInfo->GetButtonAtPosition(ToPicture(point), &button) == VFW_E_DVD_NO_BUTTON;
}

ULONG CDvdPlayer::GetButtonAtPosition(QPoint point) {
    ULONG button = 0;
    if (!dvdInfo || dvdInfo->GetButtonAtPosition(ToPicture(point), &button) != S_OK) {
        return 0;
    }
    return button;
}

HRESULT CDvdPlayer::SelectRelativeButton(int direction) {
    return dvdControl
               ? dvdControl->SelectRelativeButton(static_cast<DVD_RELATIVE_BUTTON>(direction))
               : E_NOINTERFACE;
}

HRESULT CDvdPlayer::ActivateButton() {
    return dvdControl ? dvdControl->ActivateButton() : E_NOINTERFACE;
}

HRESULT CDvdPlayer::ShowMenu(int menu) {
    return dvdControl ? dvdControl->ShowMenu(static_cast<DVD_MENU_ID>(menu), DVD_CMD_FLAG_Flush)
                      : E_NOINTERFACE;
}

HRESULT CDvdPlayer::ReturnFromSubmenu() {
    return dvdControl ? dvdControl->ReturnFromSubmenu(DVD_CMD_FLAG_Flush) : E_NOINTERFACE;
}

HRESULT CDvdPlayer::Resume() {
    return dvdControl ? dvdControl->Resume(DVD_CMD_FLAG_Flush) : E_NOINTERFACE;
}

HRESULT CDvdPlayer::PlayNextChapter() {
    return dvdControl ? dvdControl->PlayNextChapter(DVD_CMD_FLAG_Flush) : E_NOINTERFACE;
}

HRESULT CDvdPlayer::PlayPrevChapter() {
    return dvdControl ? dvdControl->PlayPrevChapter(DVD_CMD_FLAG_Flush) : E_NOINTERFACE;
}

HRESULT CDvdPlayer::ReplayChapter() {
    return dvdControl ? dvdControl->ReplayChapter(DVD_CMD_FLAG_Flush) : E_NOINTERFACE;
}

ULONG CDvdPlayer::GetCurrentUOPs() {
    ULONG prohibited = 0;
    if (!dvdInfo || dvdInfo->GetCurrentUOPS(&prohibited) != S_OK) {
        return 0;
    }
    return prohibited;
}

HRESULT CDvdPlayer::SetSubpictureState(bool on) {
    return dvdControl ? dvdControl->SetSubpictureState(on, DVD_CMD_FLAG_Flush) : E_NOINTERFACE;
}

void CDvdPlayer::UpdateCurrentAngle() {
    ULONG available = 0, current = 0;
    if (dvdInfo && SUCCEEDED(dvdInfo->GetCurrentAngle(&available, &current))) {
        currentAngle = static_cast<int>(current);
    }
}

ULONG CDvdPlayer::GetSubpictureFlags() {
    DVD_SubpictureAttributes attributes;
    if (!dvdInfo || dvdInfo->GetSubpictureAttributes(2048, &attributes) != S_OK) {
        return 0;
    }
    return attributes.LanguageExtension;
}

LONGLONG CDvdPlayer::GetCurrentFrame() {
    DVD_PLAYBACK_LOCATION2 location;
    if (!dvdInfo || dvdInfo->GetCurrentLocation(&location) != S_OK) {
        return -1;
    }
    double fps = 25.0;
    if (location.TimeCodeFlags == DVD_TC_FLAG_30fps) {
        fps = 30.0;
    } else if (location.TimeCodeFlags == DVD_TC_FLAG_DropFrame) {
        fps = 29.97;
    }
    const DVD_HMSF_TIMECODE& time = location.TimeCode;
    const double seconds = time.bHours * 3600 + time.bMinutes * 60 + time.bSeconds;
    return static_cast<LONGLONG>(seconds * fps + time.bFrames);
}

HRESULT CDvdPlayer::StepFrame(bool forwards) {
    DVD_DOMAIN domain = DVD_DOMAIN_Stop;
    if (!dvdInfo || dvdInfo->GetCurrentDomain(&domain) != S_OK || domain != DVD_DOMAIN_Title) {
        return VFW_E_DVD_INVALIDDOMAIN;
    }
    if (!forwards) {
        return E_NOTIMPL;
    }
    if (!frameStep) {
        return E_NOINTERFACE;
    }
    return frameStep->CanStep(0) == S_OK ? frameStep->Step(1) : VFW_E_WRONG_STATE;
}

int CDvdPlayer::GetDuration() {
    DVD_HMSF_TIMECODE time;
    ULONG flags = 0;
    if (!dvdInfo || dvdInfo->GetTotalTitleTime(&time, &flags) != S_OK) {
        return 0;
    }
    return Hundredths(time);
}

int CDvdPlayer::GetPosition() {
    DVD_PLAYBACK_LOCATION2 location;
    if (!dvdInfo || dvdInfo->GetCurrentLocation(&location) != S_OK) {
        return 0;
    }
    return Hundredths(location.TimeCode);
}

HRESULT CDvdPlayer::SetPosition(int position) {
    if (!dvdControl) {
        return E_NOINTERFACE;
    }
    const int duration = GetDuration();
    if (position >= duration) {
        position = duration - 1;
    }
    const int seconds = position / 100;
    const int hours = seconds / 3600;
    const int minutes = (seconds - 3600 * hours) / 60;
    DVD_HMSF_TIMECODE time;
    time.bHours = static_cast<std::uint8_t>(hours);
    time.bMinutes = static_cast<std::uint8_t>(minutes);
    time.bSeconds = static_cast<std::uint8_t>(seconds - 3600 * hours - 60 * minutes);
    const HRESULT result = dvdControl->PlayAtTime(time, DVD_CMD_FLAG_Flush);
    if (currentAngle != 1) {
        dvdControl->SelectAngle(1, DVD_CMD_FLAG_Flush);
        dvdControl->SelectAngle(static_cast<ULONG>(currentAngle), DVD_CMD_FLAG_Flush);
    }
    if (rate != 1.0) {
        SetRate(rate);
    }
    return result;
}

HRESULT CDvdPlayer::GetPreferredAspectRatio(long* x, long* y) {
    if (!x || !y) {
        return E_POINTER;
    }
    DVD_VideoAttributes attributes;
    const HRESULT read = dvdInfo ? dvdInfo->GetCurrentVideoAttributes(&attributes) : E_NOINTERFACE;
    if (SUCCEEDED(read)) {
        *x = static_cast<long>(attributes.ulAspectX);
        *y = static_cast<long>(attributes.ulAspectY);
    }
    return read;
}

HRESULT CDvdPlayer::GetNativeVideoSize(long* width, long* height) {
    if (!width || !height) {
        return E_POINTER;
    }
    DVD_VideoAttributes attributes;
    const HRESULT read = dvdInfo ? dvdInfo->GetCurrentVideoAttributes(&attributes) : E_NOINTERFACE;
    if (SUCCEEDED(read)) {
        *width = static_cast<long>(attributes.ulSourceResolutionX);
        *height = static_cast<long>(attributes.ulSourceResolutionY);
    }
    return read;
}

int CDvdPlayer::GetStreamCount(int kind) {
    ULONG available = 0, current = 0;
    switch (kind) {
        case STREAM_CHAPTERS: {
            DVD_PLAYBACK_LOCATION2 location;
            if (!dvdInfo || dvdInfo->GetCurrentLocation(&location) != S_OK ||
                FAILED(dvdInfo->GetNumberOfChapters(location.TitleNum, &available))) {
                return 0;
            }
            return static_cast<int>(available);
        }
        case STREAM_AUDIO:
            return dvdInfo && SUCCEEDED(dvdInfo->GetCurrentAudio(&available, &current))
                       ? static_cast<int>(available)
                       : 0;
        case STREAM_SUBTITLES: {
            BOOL disabled = 0;
            return dvdInfo &&
                           SUCCEEDED(dvdInfo->GetCurrentSubpicture(&available, &current, &disabled))
                       ? static_cast<int>(available)
                       : 0;
        }
        case STREAM_ANGLES:
            return dvdInfo && SUCCEEDED(dvdInfo->GetCurrentAngle(&available, &current))
                       ? static_cast<int>(available)
                       : 0;
        default:
            return 0;
    }
}

HRESULT CDvdPlayer::GetStreamName(int index, MajorType*, int* flags, int* kind, std::string* name,
                                  LONGLONG*) {
    if (!dvdInfo || !kind || !name || index < 0) {
        return E_FAIL;
    }
    int ignored = 0;
    if (!flags) {
        flags = &ignored;
    }
    const auto stream = static_cast<ULONG>(index);
    ULONG available = 0, current = 0;
    std::string code;
    switch (*kind) {
        case STREAM_CHAPTERS:
        case STREAM_ANGLES: {
            *name = QStringLiteral("%1").arg(index + 1, 3, 10, QLatin1Char('0')).toStdString();
            DVD_PLAYBACK_LOCATION2 location;
            if (*kind == STREAM_CHAPTERS && dvdInfo->GetCurrentLocation(&location) == S_OK) {
                *flags = location.ChapterNum == stream + 1 ? 1 : 0;
            } else if (*kind == STREAM_ANGLES &&
                       SUCCEEDED(dvdInfo->GetCurrentAngle(&available, &current))) {
                *flags = current == stream + 1 ? 1 : 0;
            }
            return S_OK;
        }
        case STREAM_AUDIO:
        case STREAM_SUBTITLES: {
            const bool audio = *kind == STREAM_AUDIO;
            const HRESULT read = audio ? dvdInfo->GetAudioLanguage(stream, &code)
                                       : dvdInfo->GetSubpictureLanguage(stream, &code);
            // A code no language answers to is not a name: Qt would call it "C".
            const QLocale::Language language =
                SUCCEEDED(read) ? QLocale(QString::fromStdString(code)).language() : QLocale::C;
            if (language == QLocale::C || language == QLocale::AnyLanguage) {
                return E_FAIL;
            }
            *name = QLocale::languageToString(language).toStdString();
            BOOL disabled = 0;
            const HRESULT state =
                audio ? dvdInfo->GetCurrentAudio(&available, &current)
                      : dvdInfo->GetCurrentSubpicture(&available, &current, &disabled);
            *flags = SUCCEEDED(state) && current == stream ? 1 : 0;
            return S_OK;
        }
        default:
            return E_FAIL;
    }
}

HRESULT CDvdPlayer::SelectStream(int index, int kind) {
    if (!dvdControl) {
        return E_NOINTERFACE;
    }
    switch (kind) {
        case STREAM_AUDIO:
            return dvdControl->SelectAudioStream(static_cast<ULONG>(index), DVD_CMD_FLAG_Flush);
        case STREAM_SUBTITLES:
            if (index == -1 || index == -2) {
                return dvdControl->SetSubpictureState(index == -2, DVD_CMD_FLAG_Flush);
            }
            if (const HRESULT chosen = dvdControl->SelectSubpictureStream(static_cast<ULONG>(index),
                                                                          DVD_CMD_FLAG_Flush);
                FAILED(chosen)) {
                return chosen;
            }
            return dvdControl->SetSubpictureState(true, DVD_CMD_FLAG_Flush);
        case STREAM_ANGLES:
            return dvdControl->SelectAngle(static_cast<ULONG>(index + 1), DVD_CMD_FLAG_Flush);
        case STREAM_CHAPTERS:
            return index < 0
                       ? E_INVALIDARG
                       : dvdControl->PlayChapter(static_cast<ULONG>(index + 1), DVD_CMD_FLAG_Flush);
        default:
            return E_FAIL;
    }
}

HRESULT CDvdPlayer::SetRate(double newRate) {
    rate = newRate;
    if (!dvdControl) {
        return S_OK;
    }
    if (newRate < 0) {
        dvdControl->PlayBackwards(std::fabs(newRate), DVD_CMD_FLAG_Flush);
    } else {
        dvdControl->PlayForwards(newRate, DVD_CMD_FLAG_Flush);
    }
    return S_OK;
}
