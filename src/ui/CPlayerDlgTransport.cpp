// Play, pause, stop and close, with the window title that shows the state.
#include "ui/CPlayerDlg.h"

#include "engine/CFilePlayer.h"
#include "i18n/ui/MenuCommands.h"
#include "resource.h"
#include "settings/CSettings.h"

void CPlayerDlg::OnPlayPause() {
    if (!player) {
        return;
    }
    if (session.State().play == State_Running) {
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
    session.Update([](PlayerState& now) { now.play = State_Running; });
    SetTitleSuffix(QStringLiteral(" - PLAY"));
    if (settings->startFullscreen) {
        fullscreen.EnterFullscreen();
    }
    // Its key-up will reach the countdown, not us.
    if (settings->playbackDelay != 0 && session.TakeControlDown()) {
        RunPlaybackDelay();
        if (!player) {
            return;  // the medium was closed while the countdown ran
        }
    }
    player->Play();
    SetNormalSpeed();
    PaceClock();
}

void CPlayerDlg::Pause() {
    if (!player) {
        return;
    }
    RestorePowerSaving();
    session.Update([](PlayerState& now) { now.play = State_Paused; });
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
        player->SetPosition(marks.Start());
        return;
    }
    // Paused first: a pipeline plays on until a pause lands, and stop must
    // rest at the start.
    player->Pause();
    player->SetPosition(0);
    session.Update([](PlayerState& now) { now.play = State_Stopped; });
    SetTitleSuffix(QStringLiteral(" - STOP"));
}

void CPlayerDlg::OnStop() {
    Stop(false);
}

void CPlayerDlg::OnFileClose() {
    if (!player) {
        return;
    }
    if (fullscreen.IsFullscreen()) {
        fullscreen.LeaveFullscreen();
    }
    CloseEngine();
    playlist.End();
    ShowIdleLayout();
}
