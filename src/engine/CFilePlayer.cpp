#include "CFilePlayer.h"

#include "i18n/CLanguageFile.h"
#include "platform/FormatText.h"

#include <QMessageBox>
#include <QString>
#include <QWidget>

namespace {

// The style of a child video window: child, clip siblings, clip children.
constexpr long kVideoWindowStyle = 0x46000000;

}  // namespace

CFilePlayer::CFilePlayer(const QRect& videoRect, QObject* reportWindow,
                         const CLanguageFile* language, QWidget* owner,
                         const std::wstring& wideFileName, const std::string& narrowFileName,
                         UINT timerId, UINT timerInterval, COLORREF borderColour)
    : language(language), owner(owner), timerId(timerId), timerInterval(timerInterval) {
    this->reportWindow = reportWindow;
    fileName = narrowFileName;

    graph = CreateFilterGraph();
    AddToRot(graph, &registrationCookie);
    openResult = graph->RenderFile(wideFileName);
    SetAspectRatioMode(0);

    videoWindow = QueryInterface<IVideoWindow>(graph);
    mediaControl = QueryInterface<IMediaControl>(graph);
    basicVideo = QueryInterface<IBasicVideo2>(graph);
    mediaSeeking = QueryInterface<IMediaSeeking>(graph);
    mediaEvent = QueryInterface<IMediaEventEx>(graph);
    basicAudio = QueryInterface<IBasicAudio>(graph);
    mediaSeeking->SetTimeFormat(TimeFormat::MediaTime);
    graph->FindFilterByName("Video Renderer", &videoRenderer);

    if (openResult != S_OK && HasAudio() != S_OK && HasVideo() != S_OK) {
        ReportOpenError();
        return;
    }

    UpdateVideoSize();
    if (owner) {
        videoWindow->put_Visible(false);
        videoWindow->put_AutoShow(false);
        videoWindow->put_BorderColor(static_cast<long>(borderColour));
        videoWindow->put_Owner(owner);
        videoWindow->put_WindowStyle(kVideoWindowStyle);
        videoWindow->SetWindowPosition(videoRect.left(), videoRect.top(), videoRect.width(),
                                       videoRect.height());
        videoWindow->put_MessageDrain(owner);
        mediaEvent->SetNotifyWindow(owner, WM_GRAPH_EVENT, 0);
        if (timerId != 0 && timerInterval != 0) {
            clockTimer = timerId;
            SetTimer(owner, timerId, timerInterval);
        }
    }
    if (videoRenderer) {
        qualityProperties = QueryInterface<IQualProp>(graph);
    }
    graph->FindFilterByName("Matroska Splitter", &splitter);
    if (splitter) {
        SelectStream(0, STREAM_AUDIO);
        SelectStream(-1, STREAM_SUBTITLES);
        lastSubtitle = 0;
    }
    DisableClosedCaptions();
}

CFilePlayer::~CFilePlayer() {
    if (mediaControl) {
        mediaControl->Stop();
    }
    if (owner && clockTimer != 0) {
        KillTimer(owner, clockTimer);
    }
    if (mediaEvent) {
        mediaEvent->SetNotifyWindow(nullptr, 0, 0);
    }
    if (videoWindow && owner) {
        videoWindow->put_Visible(false);
        videoWindow->put_Owner(nullptr);
    }
    splitter.reset();
    videoRenderer.reset();
    qualityProperties.reset();
    basicAudio.reset();
    mediaEvent.reset();
    mediaSeeking.reset();
    basicVideo.reset();
    mediaControl.reset();
    videoWindow.reset();
    if (registrationCookie != 0) {
        RemoveFromRot(registrationCookie);
    }
    graph.reset();
}

void CFilePlayer::ReportOpenError() {
    const std::string reason = graph->GetErrorText(openResult);
    const std::string format =
        language ? language->GetCodeText(QStringLiteral("ERROROPENING")).toStdString() : "";
    const QString caption = language ? language->GetCodeText(QStringLiteral("ERROR2")) : QString();
    const std::string text = velvaro::platform::FormatText(format, {fileName, reason});
    QMessageBox box(QMessageBox::Critical, caption, QString::fromStdString(text), QMessageBox::Ok,
                    owner);
    box.exec();
}

LONGLONG CFilePlayer::GetCurrentFrame() {
    if (!mediaSeeking || FAILED(mediaSeeking->SetTimeFormat(TimeFormat::Frame))) {
        return -1;
    }
    LONGLONG frame = -1;
    if (FAILED(mediaSeeking->GetCurrentPosition(&frame))) {
        frame = -1;
    }
    mediaSeeking->SetTimeFormat(TimeFormat::MediaTime);
    return frame;
}

HRESULT CFilePlayer::SetPosition(int position) {
    return CMediaPlayer::SetPosition(position);
}

int CFilePlayer::GetStreamCount(int kind) {
    (void)kind;
    return 0;
}

HRESULT CFilePlayer::GetStreamName(int, MajorType*, int*, int*, std::string*, LONGLONG*) {
    return E_FAIL;
}

HRESULT CFilePlayer::SelectStream(int, int) {
    return E_FAIL;
}

HRESULT CFilePlayer::SetRate(double rate) {
    return mediaSeeking ? mediaSeeking->SetRate(rate) : E_NOINTERFACE;
}

double CFilePlayer::GetRate() {
    double rate = 1.0;
    if (mediaSeeking && FAILED(mediaSeeking->GetRate(&rate))) {
        rate = 1.0;
    }
    return rate;
}
