// From a file name to a playing medium and back: the open dialog, the open
// sequence, play, pause and stop, the clock timer, the position and volume
// sliders and the end of the medium.
#include "ui/CPlayerDlg.h"

#include "controls/CClickSlider.h"
#include "engine/CFilePlayer.h"
#include "i18n/CLanguageFile.h"
#include "i18n/ui/MenuCommands.h"
#include "i18n/ui/PopupRegistry.h"
#include "platform/Paths.h"
#include "resource.h"
#include "settings/CPlayerCommandLineInfo.h"
#include "settings/CSettings.h"
#include "settings/RegKey.h"
#include "settings/RegistryKeys.h"
#include "ui/FileDialogFilter.h"
#include "ui/PlayerStatusBar.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>

#include <algorithm>
#include <cstdlib>

namespace {

// Commands that need an open medium.
constexpr int kMediumCommands[] = {
    IDM_VIDEO_EIGENSCHAFTEN,
    IDM_DATEI_SCHLIESSEN,
    IDM_VIDEO_ASPECTRATIO,
    IDM_VIDEO_RESET,
    IDM_VIDEO_VERGROESSERN_OBENUNTEN,
    IDM_VIDEO_VERKLEINERN_OBENUNTEN,
    IDM_VIDEO_VERGROESSERN_LINKSRECHTS,
    IDM_VIDEO_VERKLEINERN_LINKSRECHTS,
    IDM_VIDEO_FILLSCREENWITHOUTCLIPPING,
    IDM_VIDEO_FILLSCREEN,
    IDM_VIDEO_TOGGLECLIPPINGFULL,
    IDM_VIDEO_SCREENSHOT,
    IDM_WIEDERGABE_WIEDERGABE_PAUSE,
    IDM_WIEDERGABE_STOPP,
    IDM_WIEDERGABE_NORMAL,
    IDM_PLAYSPEED_PLAYSLOWFORWARDS,
    IDM_PLAYSPEED_PLAYFASTFORWARDS,
    IDM_WIEDERGABE_MARKIERUNGSANFANGSETZEN,
    IDM_WIEDERGABE_MARKIERUNGSENDESETZEN,
    IDM_WIEDERGABE_ALLESMARKIEREN,
    IDM_WIEDERGABE_SPRINGEZUMARKIERUNGSVIDEOANFANG,
    IDM_WIEDERGABE_SPRINGEZUMARKIERUNGSVIDEOENDE,
    IDM_WIEDERGABE_SCHNELLESVORSPULEN,
    IDM_WIEDERGABE_SCHNELLESZURUECKSPULEN,
};
constexpr int kMediumButtons[] = {IDTBB_FASTBACKWARD, IDTBB_FASTFORWARD, IDTBB_PLAY, IDTBB_PAUSE,
                                  IDTBB_STOP};

// What the state without a medium greys.
constexpr int kIdleGreyed[] = {
    IDM_VIDEO_EIGENSCHAFTEN,
    IDM_DATEI_SCHLIESSEN,
    IDM_ANSICHT_ORIGINAL,
    IDM_ANSICHT_VOLLBILD,
    IDM_ANSICHT_BOOKMARKEDITOR,
    IDM_VIDEO_ASPECTRATIO,
    IDM_VIDEO_RESET,
    IDM_VIDEO_VERGROESSERN_OBENUNTEN,
    IDM_VIDEO_VERKLEINERN_OBENUNTEN,
    IDM_VIDEO_VERGROESSERN_LINKSRECHTS,
    IDM_VIDEO_VERKLEINERN_LINKSRECHTS,
    IDM_VIDEO_FILLSCREEN,
    IDM_VIDEO_FILLSCREENWITHOUTCLIPPING,
    IDM_VIDEO_TOGGLECLIPPINGFULL,
    IDM_VIDEO_SCREENSHOT,
    IDM_WIEDERGABE_WIEDERGABE_PAUSE,
    IDM_WIEDERGABE_STOPP,
    IDM_WIEDERGABE_SPRINGELETZTESTELLE,
    IDM_WIEDERGABE_SPRINGEZUMARKIERUNGSVIDEOANFANG,
    IDM_WIEDERGABE_SPRINGEZUMARKIERUNGSVIDEOENDE,
    IDM_WIEDERGABE_SCHNELLESVORSPULEN,
    IDM_WIEDERGABE_SCHNELLESZURUECKSPULEN,
    IDM_WIEDERGABE_MARKIERUNGSANFANGSETZEN,
    IDM_WIEDERGABE_MARKIERUNGSENDESETZEN,
    IDM_WIEDERGABE_ALLESMARKIEREN,
    IDM_AUDIO_STUMM,
    IDM_AUDIO_LEISER,
    IDM_AUDIO_LAUTER,
    IDM_AUDIO_SETTINGS,
    IDM_AUDIO_AUDIOTRACKOEFFNEN,
    IDM_NAVIGATION_RETURNFROMSUBMENU,
    IDM_NAVIGATION_SHOWANGLEMENU,
    IDM_NAVIGATION_SHOWAUDIOMENU,
    IDM_NAVIGATION_SHOWCHAPTERMENU,
    IDM_NAVIGATION_SHOWROOTMENU,
    IDM_NAVIGATION_SHOWSUBPICTUREMENU,
    IDM_NAVIGATION_SHOWTOPMENU,
    IDM_NAVIGATION_RESUME,
    IDM_NAVIGATION_REPLAYCHAPTER,
    IDM_NAVIGATION_PLAYNEXTCHAPTER,
    IDM_NAVIGATION_PLAYPREVIOUSCHAPTER,
    IDM_WIEDERGABE_NORMAL,
    IDM_PLAYSPEED_PLAYFASTBACKWARDS,
    IDM_PLAYSPEED_PLAYSLOWBACKWARDS,
    IDM_PLAYSPEED_PLAYSLOWFORWARDS,
    IDM_PLAYSPEED_PLAYFASTFORWARDS,
    IDM_ANSICHT_MAXIMIEREN,
    IDM_ANSICHT_WIEDERHERSTELLEN,
};
constexpr int kPlaylistCommands[] = {
    IDM_PLAYLIST_BEARBEITEN,   IDM_PLAYLIST_SPEICHERN,      IDM_PLAYLIST_SPEICHERNUNTER,
    IDM_PLAYLIST_ERSTERTITEL,  IDM_PLAYLIST_NAECHSTERTITEL, IDM_PLAYLIST_VORHERIGERTITEL,
    IDM_PLAYLIST_LETZTERTITEL,
};
constexpr const char* kMediumPopups[] = {
    "IDM_WIEDERGABE_STREAMS",       "IDM_WIEDERGABE_STREAMS_CHAPTER",
    "IDM_WIEDERGABE_STREAMS_AUDIO", "IDM_WIEDERGABE_STREAMS_SUBTITLE",
    "IDM_WIEDERGABE_STREAMS_ANGLE", "IDM_EXTRAS_DSFILTER",
};
constexpr int kIdleButtons[] = {
    IDTBB_PREVTRACKCHAPTER,
    IDTBB_NEXTTRACKCHAPTER,
    IDTBB_FASTBACKWARD,
    IDTBB_FASTFORWARD,
    IDTBB_PLAY,
    IDTBB_PAUSE,
    IDTBB_STOP,
    IDTBB_JUMPLASTPOSITION,
    IDTBB_ROOTMENU,
    IDTBB_RESUME,
    IDTBB_MUTE,
    IDTBB_CLIPPING,
    IDTBB_SCREENSHOT,
    IDTBB_VOLLBILD,
};

// "%.2i:%.2i:%.2i" of a time in hundredths of a second.
QString TimeText(int hundredths) {
    const int seconds = hundredths / 100;
    return QString::asprintf("%.2i:%.2i:%.2i", seconds / 3600, seconds / 60 % 60, seconds % 60);
}

QString ZoomText(double factor) {
    return QString::asprintf("%.0f%s", factor * 100, "%");
}

}  // namespace

void CPlayerDlg::OnFileOpen() {
    QStringList patterns[3];  // all media, video, audio
    for (const FileAssociationEntry& entry : settings->associations) {
        const QString pattern =
            QStringLiteral("*.%1;").arg(QString::fromStdString(entry.extension));
        patterns[0] += pattern;
        if (entry.flags & ASSOC_VIDEO) {
            patterns[1] += pattern;
        }
        if (entry.flags & ASSOC_AUDIO) {
            patterns[2] += pattern;
        }
    }
    const QString filter =
        language->GetCodeText(QStringLiteral("MEDIAFILES")) + u'|' + patterns[0].join(QString()) +
        u'|' + language->GetCodeText(QStringLiteral("VIDEOFILE")) + u'|' +
        patterns[1].join(QString()) + u'|' + language->GetCodeText(QStringLiteral("AUDIOFILE")) +
        u'|' + patterns[2].join(QString()) + u'|' +
        language->GetCodeText(QStringLiteral("ALLFILES")) + QStringLiteral(" (*.*)|*.*||");

    if (fullscreen && player) {
        player->HideCursor(false);
    }
    const QStringList chosen = QFileDialog::getOpenFileNames(
        this, QString(), QString(), ToQtFileFilter(filter), nullptr, QFileDialog::ReadOnly);
    if (fullscreen && player) {
        player->HideCursor(true);
    }
    if (!chosen.isEmpty()) {
        OpenFiles(chosen);
    }
}

void CPlayerDlg::OpenFiles(QStringList paths) {
    paths.sort();
    if (paths.size() == 1) {
        playlist.clear();
        playlistPosition = 0;
        OpenMedia(paths.first(), false);
        return;
    }
    playlist.clear();
    for (const QString& path : paths) {
        playlist << path << QString();
    }
    playlistPosition = 1;
    PlayPlaylistEntry();
}

void CPlayerDlg::PlayPlaylistEntry() {
    const int index = (playlistPosition - 1) * 2;
    if (playlistPosition < 1 || index + 1 >= playlist.size()) {
        return;
    }
    const QString audio = playlist.at(index + 1);
    OpenMedia(playlist.at(index), true);
    if (!audio.isEmpty() && filePlayer) {
        OpenExternalAudio(audio);
    }
}

void CPlayerDlg::StoreVolumeAndBalance() {
    settings->volume = player->GetVolume();
    settings->balance = player->GetBalance();
}

void CPlayerDlg::CloseEngine() {
    if (filePlayer) {
        ReleaseEngineDialogs();
        if (filePlayer->HasAudio() == S_OK) {
            StoreVolumeAndBalance();
        }
        SaveResumePosition();
        RestorePowerSaving();
        player = nullptr;
        filePlayer.reset();
    }
    player = nullptr;
}

void CPlayerDlg::OpenMedia(const QString& requestedPath, bool fromPlaylist) {
    setWindowTitle(captionBase);
    for (int part = 0; part <= 6; ++part) {
        statusBar->SetText(part, QString());
    }
    CloseEngine();
    if (!fromPlaylist) {
        playlist.clear();
        playlistPosition = 0;
    }
    ResetMenus();

    QString path = requestedPath;
    if (!QFileInfo::exists(path) && !path.contains(u':')) {
        path = QString::fromStdString(velvaro::platform::ProgramFolder()) + path;
    }

    int areaWidth = 0;
    int areaHeight = 0;
    GetVideoAreaSize(&areaWidth, &areaHeight);
    filePlayer = std::make_unique<CFilePlayer>(
        QRect(0, TopOffset(), areaWidth, areaHeight), nullptr, language, client,
        path.toStdWString(), path.toStdString(), ID_Clock_Timer, 250, borderColour);
    player = filePlayer.get();

    const bool hasVideo = player->HasVideo() == S_OK;
    const bool hasAudio = player->HasAudio() == S_OK;
    if (FAILED(filePlayer->GetOpenResult()) && !hasVideo && !hasAudio) {
        if (fullscreen) {
            LeaveFullscreen();
        }
        player = nullptr;
        filePlayer.reset();
        ShowIdleLayout();
        return;
    }

    if (!startupMediumHandled && !ApplyWindowPositionOption()) {
        int width = 0;
        int height = 0;
        player->GetVideoSize(&width, &height);
        const QRect screen = ScreenRect();
        MoveWindow((screen.width() - width) / 2, (screen.height() - height) / 2);
    }

    long state = 0;
    player->GetState(&state);
    playState = static_cast<int>(state);
    player->SetVolume(settings->volume);
    player->SetBalance(settings->balance);

    if (hasVideo && !commandLine->GetNoBorder()) {
        ModifyStyle(0, WS_THICKFRAME | WS_MAXIMIZEBOX);
    }

    positionSlider->setEnabled(true);
    // The previous medium may have had sound; this one's slider has nothing to set.
    volumeSlider->setEnabled(hasAudio);
    volumeSlider->setValue(hasAudio ? SliderPositionFromVolume(player->GetVolume()) : 0);

    const int duration = player->GetDuration();
    markStart = 0;
    markEnd = duration;
    positionSlider->setRange(0, duration);
    positionSlider->setPageStep(1000);
    if (menuStates->IsChecked(IDM_WIEDERGABE_ENDLOSSCHLEIFE)) {
        positionSlider->SetSelection(markStart, markEnd);
    }

    EnableMediumCommands(hasVideo, hasAudio);

    if (!fromPlaylist) {
        zoomX = zoomY = otherZoomX = otherZoomY = 1.0;
        zoomMode = 0;
    }
    fittedInFullscreen = false;

    if (hasVideo) {
        int width = 0;
        int height = 0;
        player->GetVideoSize(&width, &height);
        statusBar->SetText(2, ZoomText(zoomX));
        statusBar->SetText(3, ZoomText(zoomY));
        statusBar->SetText(4, QString::asprintf("%i x %i", width, height));
    }
    statusBar->SetText(1, TimeText(duration));
    if (hasVideo && zoomX != zoomY) {
        OnAspectRatio();
    }

    if (hasVideo) {
        if (!fullscreen && !isMaximized()) {
            OnOriginalWindowSize();
            OnOriginalWindowSize();
        } else if (!fromPlaylist) {
            OnFillWithoutClipping();
        }
        for (int id : {IDM_ANSICHT_ORIGINAL, IDM_ANSICHT_VOLLBILD, IDM_AUDIO_AUDIOTRACKOEFFNEN,
                       IDM_ANSICHT_MAXIMIEREN}) {
            SetMenuEnable(id, MF_ENABLED);
        }
        for (int id : {IDTBB_VOLLBILD, IDTBB_SCREENSHOT, IDTBB_CLIPPING}) {
            SetToolButtonState(id, TBSTATE_ENABLED);
        }
    } else {
        for (int id : {IDM_ANSICHT_ORIGINAL, IDM_ANSICHT_VOLLBILD, IDM_AUDIO_AUDIOTRACKOEFFNEN}) {
            SetMenuEnable(id, MF_GRAYED);
        }
    }

    const QFileInfo info(path);
    fileName = info.fileName();
    captionFile = QStringLiteral(" - ") + fileName;
    filePath = path;
    SetTitleSuffix(QStringLiteral(" - STOP"));
    if (hasVideo) {
        LayoutVideo();
        OpenCompanionAudio(path);
    }

    if (HasRememberedPosition()) {
        SetMenuEnable(IDM_WIEDERGABE_SPRINGELETZTESTELLE, MF_ENABLED);
        SetToolButtonState(IDTBB_JUMPLASTPOSITION, TBSTATE_ENABLED);
    }

    if (QMenu* filters = menuDirectory->MenuBarPopup(QStringLiteral("IDM_EXTRAS_DSFILTER"))) {
        filters->clear();
        if (player->FillFilterList(filters, FILTERLIST_MENU) > 0) {
            menuDirectory->EnablePopup(QStringLiteral("IDM_EXTRAS_DSFILTER"), true);
        }
    }
    if (QMenu* filters = menuDirectory->ContextPopup(QStringLiteral("IDM_EXTRAS_DSFILTER"))) {
        filters->clear();
        player->FillFilterList(filters, FILTERLIST_MENU);
    }

    AddToHistory();

    if (settings->startMediaAutomatically == 0 && playlistPosition < 2) {
        RunPaused();
    } else {
        OnPlayPause();
    }
    if (settings->jumpToLastPosition) {
        JumpToLastPosition();
    }
    ApplyStartOptions();
}

// Run and pause at once: the first picture shows, the state stays as read.
void CPlayerDlg::RunPaused() {
    player->Play();
    player->Pause();
}

void CPlayerDlg::EnableMediumCommands(bool hasVideo, bool hasAudio) {
    for (int id : kMediumCommands) {
        SetMenuEnable(id, MF_ENABLED);
    }
    for (int id : kMediumButtons) {
        SetToolButtonState(id, TBSTATE_ENABLED);
    }
    if (playlistPosition != 0) {
        SetMenuEnable(IDM_PLAYLIST_VORHERIGERTITEL, MF_ENABLED);
        SetMenuEnable(IDM_PLAYLIST_NAECHSTERTITEL, MF_ENABLED);
        SetToolButtonState(IDTBB_PREVTRACKCHAPTER, TBSTATE_ENABLED);
        SetToolButtonState(IDTBB_NEXTTRACKCHAPTER, TBSTATE_ENABLED);
    }
    if (hasAudio) {
        SetMenuEnable(IDM_AUDIO_STUMM, MF_ENABLED);
        SetMenuEnable(IDM_AUDIO_SETTINGS, MF_ENABLED);
        SetToolButtonState(IDTBB_MUTE, TBSTATE_ENABLED);
        UpdateMuteDisplay();
    }
    (void)hasVideo;
}

void CPlayerDlg::ResetMenus() {
    for (int id : kIdleGreyed) {
        SetMenuEnable(id, MF_GRAYED);
    }
    if (playlistPosition == 0) {
        for (int id : kPlaylistCommands) {
            SetMenuEnable(id, MF_GRAYED);
        }
    }
    SetMenuCheck(IDM_AUDIO_AUDIOTRACKOEFFNEN, MF_UNCHECKED);
    SetMenuCheck(IDM_ANSICHT_BOOKMARKEDITOR, MF_UNCHECKED);
    for (const char* popup : kMediumPopups) {
        menuDirectory->EnablePopup(QString::fromLatin1(popup), false);
    }
    for (int id : kIdleButtons) {
        SetToolButtonState(id, TBSTATE_INDETERMINATE);
    }
    SetToolButtonFace(IDTBB_CLIPPING, "FillScreen", "FillScreen");
}

void CPlayerDlg::SetTitleSuffix(const QString& suffix) {
    setWindowTitle(captionBase + captionFile + suffix);
}

// A sound file of the same name beside a film plays instead of its sound.
void CPlayerDlg::OpenCompanionAudio(const QString& path) {
    const QFileInfo info(path);
    const QString stem = info.path() + u'/' + info.completeBaseName();
    for (const char* extension : {".wav", ".wma", ".mp3"}) {
        const QString candidate = stem + QString::fromLatin1(extension);
        if (QFileInfo::exists(candidate)) {
            OpenExternalAudio(candidate);
            return;
        }
    }
}

bool CPlayerDlg::OpenExternalAudio(const QString& path) {
    if (!filePlayer || !filePlayer->LoadExternalAudio(path.toStdWString())) {
        return false;
    }
    SetMenuCheck(IDM_AUDIO_AUDIOTRACKOEFFNEN, MF_CHECKED);
    SetMenuEnable(IDM_AUDIO_STUMM, MF_ENABLED);
    SetMenuEnable(IDM_AUDIO_SETTINGS, MF_ENABLED);
    SetToolButtonState(IDTBB_MUTE, TBSTATE_ENABLED);
    volumeSlider->setEnabled(true);
    UpdateMuteDisplay();
    return true;
}

void CPlayerDlg::OpenStartupMedium() {
    const QString file = QString::fromStdString(commandLine->GetFileName());
    if (file.isEmpty()) {
        return;
    }
    OpenMedia(file, false);
    const QString audio = QString::fromStdString(commandLine->GetAudioFile());
    if (!audio.isEmpty()) {
        OpenExternalAudio(audio);
    }
}

void CPlayerDlg::OnPlayPause() {
    if (!player) {
        return;
    }
    if (playState == State_Running) {
        Pause();
    } else {
        Play();
    }
}

void CPlayerDlg::Play() {
    if (!player) {
        return;
    }
    if (settings->deactivatePowerManagement) {
        DisablePowerSaving();
    }
    playState = State_Running;
    SetTitleSuffix(QStringLiteral(" - PLAY"));
    if (settings->startFullscreen) {
        EnterFullscreen();
    }
    if (controlKeyDown && settings->playbackDelay != 0) {
        controlKeyDown = false;
        RunPlaybackDelay();
        if (!player) {
            return;  // the medium was closed while the countdown ran
        }
    }
    player->Play();
    SetNormalSpeed();
}

void CPlayerDlg::Pause() {
    if (!player) {
        return;
    }
    RestorePowerSaving();
    playState = State_Paused;
    SetTitleSuffix(QStringLiteral(" - PAUSE"));
    player->Pause();
}

void CPlayerDlg::Stop(bool toMarkStart) {
    if (!player) {
        return;
    }
    RestorePowerSaving();
    if (filePlayer && player->GetPosition() != 0) {
        SaveResumePosition();
        SetMenuEnable(IDM_WIEDERGABE_SPRINGELETZTESTELLE, MF_ENABLED);
        SetToolButtonState(IDTBB_JUMPLASTPOSITION, TBSTATE_ENABLED);
    }
    if (toMarkStart) {
        player->SetPosition(markStart);
        return;
    }
    player->SetPosition(0);
    player->Pause();
    playState = State_Stopped;
    SetTitleSuffix(QStringLiteral(" - STOP"));
}

void CPlayerDlg::OnStop() {
    Stop(false);
}

void CPlayerDlg::OnFileClose() {
    if (!filePlayer) {
        return;
    }
    if (fullscreen) {
        LeaveFullscreen();
    }
    CloseEngine();
    playlist.clear();
    playlistPosition = 0;
    ShowIdleLayout();
}

void CPlayerDlg::OnTimer(UINT id) {
    if (id == ID_MouseMove_Timer) {
        OnMouseMoveTimer();
        return;
    }
    if (id != ID_Clock_Timer || !player) {
        return;
    }
    int position = 0;
    if (sliderDragging) {
        const int wanted = positionSlider->value();
        if (TickCount() - lastDragTick < 500 || wanted == lastDragSeek) {
            position = wanted;
        } else {
            player->SetPosition(wanted);
            player->Pause();
            lastDragSeek = wanted;
            position = player->GetPosition();
        }
    } else {
        position = player->GetPosition();
        positionSlider->setValue(position);
    }
    statusBar->SetText(0, TimeText(position));
    if (HasVideo()) {
        statusBar->SetText(6, QString::asprintf("%.2f fps", player->GetFrameRate()));
    }
    if (loop && playState == State_Running && position >= markEnd && position <= markEnd + 50 &&
        markEnd < positionSlider->maximum()) {
        player->SetPosition(markStart);
    }
}

void CPlayerDlg::OnHScroll(int code, int controlId) {
    if (code < SB_PAGELEFT || code > SB_THUMBTRACK || !player) {
        return;
    }
    setFocus();
    if (controlId == ID_Slider) {
        lastDragTick = TickCount();
        if (!sliderDragging) {
            lastDragSeek = -1;
        }
        sliderDragging = true;
        player->Pause();
        if (code != SB_THUMBTRACK) {
            sliderDragging = false;
            player->SetPosition(positionSlider->value());
            if (playState == State_Paused) {
                player->Pause();
            } else if (playState == State_Running) {
                player->Play();
            }
        }
    } else if (controlId == ID_VolumeSlider) {
        player->SetVolume(VolumeFromSliderPosition(volumeSlider->value()));
        UpdateMuteDisplay();
    }
}

void CPlayerDlg::OnEndOfMedia(bool loopAgain) {
    inMediaEnd = true;
    Stop(loopAgain);
    if (playlistPosition != 0) {
        if (playlistPosition < playlist.size() / 2) {
            ++playlistPosition;
            PlayPlaylistEntry();
        } else {
            playlistPosition = 1;
            PlayPlaylistEntry();
            Stop(loopAgain);
            AfterPlayback();
            if (loop && player) {
                OnPlayPause();
            }
        }
    } else {
        AfterPlayback();
    }
    inMediaEnd = false;
}

void CPlayerDlg::AfterPlayback() {
    if (IsShutdownArmed() && language) {
        RunShutdownCountdown();
    }
    if (quitAfterPlayback) {
        OnExit();
    }
}
