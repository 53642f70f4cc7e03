// A DVD volume as the window's medium: the open sequence, and what shows a
// disc that opened.
#include "ui/CPlayerDlg.h"

#include "controls/CClickSlider.h"
#include "engine/CDvdPlayer.h"
#include "resource.h"
#include "session/CommandStates.h"
#include "settings/CPlayerCommandLineInfo.h"
#include "settings/CSettings.h"
#include "ui/DiscPlace.h"
#include "ui/OpenFailure.h"
#include "ui/PlayerStatusBar.h"

#include <QScopeGuard>

void CPlayerDlg::OpenDisc(const QString& path, bool fromPlaylist,
                          std::function<void(bool opened)> then) {
    const auto finish = qScopeGuard(StartOpening(false));
    windowMenus.ResetMenus(playlist.Active());
    playlist.End();
    CloseEngine();

    // Checked, built and prerolled off this thread; the window goes on meanwhile.
    opening.path = path;
    opening.fromPlaylist = fromPlaylist;
    opening.then = std::move(then);
    opening.done = BeginOpening();
    opening.disc = true;
    session.Opener().OpenDvd(path);
}

bool CPlayerDlg::ShowOpenedDvd(const QString& path, bool fromPlaylist,
                               const std::optional<QString>& failure) {
    if (failure) {
        if (fullscreen.IsFullscreen()) {
            fullscreen.LeaveFullscreen();
        }
        ShowIdleLayout();
        // The idle layout is the answer; the reason goes to the status bar,
        // where it holds nobody up.
        qCInfo(lcUi).noquote() << "skipped" << path << ":" << *failure;
        if (!fromPlaylist) {
            bars.ShowNotice(QStringLiteral("The DVD %1 cannot be played: %2").arg(path, *failure));
        }
        return false;
    }
    CMediaPlayer* const player = session.Player();

    session.Update([&](PlayerState& now) {
        now.name = DiscName(path);
        now.path = path;
    });
    long state = 0;
    player->GetState(&state);
    session.Update([&](PlayerState& now) {
        now.play = static_cast<int>(state);
        session.Events().Read(now);
    });
    fullscreen.ForgetFit();
    player->SetVolume(settings->volume);
    player->SetBalance(settings->balance);

    const bool hasVideo = player->HasVideo() == S_OK;
    const bool hasAudio = player->HasAudio() == S_OK;
    if (hasVideo && !commandLine->GetNoBorder()) {
        frame.ModifyStyle(0, WS_THICKFRAME | WS_MAXIMIZEBOX);
    } else if (!hasVideo) {
        ShowIdleLayout();
    }

    bars.position->setEnabled(true);
    bars.volume->setEnabled(hasAudio);
    const int duration = player->GetDuration();
    bars.position->setRange(0, duration);
    bars.position->setPageStep(1000);
    session.Loop().Reset(duration);

    windowMenus.ApplyCommandStates({.open = true, .video = hasVideo, .audio = hasAudio});
    // A separate sound track is a file's. Subpictures keep the disc's timing:
    // they are drawn in step with the navigation, highlights and all.
    for (const int id : {IDM_AUDIO_AUDIOTRACKOEFFNEN, IDM_SUBTITLE_DELAY_LATER,
                         IDM_SUBTITLE_DELAY_EARLIER, IDM_SUBTITLE_DELAY_RESET}) {
        session.Commands().SetEnabled(id, false);
    }
    // Chapters are the disc's, whatever the playlist says.
    session.Commands().SetEnabled(IDTBB_PREVTRACKCHAPTER, true);
    session.Commands().SetEnabled(IDTBB_NEXTTRACKCHAPTER, true);
    if (hasAudio) {
        session.Playback().ShowVolume();
    }

    session.ChangeLayout([](VideoLayout& layout) { layout.ResetPairs(); });
    if (hasVideo) {
        int width = 0;
        int height = 0;
        player->GetVideoSize(&width, &height);
        bars.status->SetText(2, QString::fromStdString(ZoomText(session.State().zoom.horizontal)));
        bars.status->SetText(3, QString::fromStdString(ZoomText(session.State().zoom.vertical)));
        bars.status->SetText(4, QString::asprintf("%i x %i", width, height));
        bars.status->SetText(5, QString::asprintf("%i x %i", width, height));
    }
    bars.status->SetText(1, QString::fromStdString(ClockText(duration)));
    if (hasVideo) {
        if (fullscreen.IsFullscreen()) {
            videoArea.OnFillWithoutClipping();
        } else {
            frame.OnOriginalWindowSize();
            frame.OnOriginalWindowSize();
        }
    }

    player->SelectStream(session.Streams().SubtitlesOff() ? -1 : -2, STREAM_SUBTITLES);
    SetTitleSuffix(QStringLiteral(" - STOP"));
    videoArea.LayoutVideo();
    windowMenus.FillFilterMenus();
    session.Streams().Build();

    if (settings->startMediaAutomatically == 1) {
        session.Playback().PlayPause();
    } else {
        player->Play();
        player->Pause();
        session.Update([](PlayerState& now) { now.play = State_Paused; });
        SetTitleSuffix(QStringLiteral(" - PAUSE"));
    }
    return true;
}
