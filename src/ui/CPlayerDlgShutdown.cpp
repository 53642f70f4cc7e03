// Shutdown after playback and the auxiliary dialogs the window opens: the
// power-off countdown, the playback delay, the audio settings and the
// medium's properties.
#include "ui/CPlayerDlg.h"

#include "dialogs/CAudioSettingsDlg.h"
#include "dialogs/CCodecDlg.h"
#include "dialogs/CPlaybackDelayDlg.h"
#include "dialogs/CShutdownDlg.h"
#include "dialogs/DialogSupport.h"
#include "engine/CMediaPlayer.h"
#include "platform/PowerOff.h"
#include "settings/CSettings.h"

void CPlayerDlg::RunShutdownCountdown() {
    // No parent: a window of its own, shown even over a minimised player.
    CShutdownDlg dialog(language);
    if (dialog.DoModal() != IDCANCEL) {
        PowerOffSystem();
    }
}

void CPlayerDlg::RunPlaybackDelay() {
    const bool cursor = fullscreen.ShowCursorForDialog();
    CPlaybackDelayDlg dialog(language, settings->playbackDelay, this);
    countingDown = true;
    dialog.DoModal();
    countingDown = false;
    fullscreen.RestoreCursorAfterDialog(cursor);
}

void CPlayerDlg::OnAudioSettings() {
    if (!Player() || Player()->HasAudio() != S_OK || !language) {
        return;
    }
    const bool cursor = fullscreen.ShowCursorForDialog();
    if (!dialogs.audioSettings) {
        dialogs.audioSettings = new CAudioSettingsDlg(this);
    }
    if (dialogs.audioSettings->Show(Player(), language) == IDOK) {
        session.Playback().ShowVolume();
    }
    fullscreen.RestoreCursorAfterDialog(cursor);
}

void CPlayerDlg::OnMediaProperties() {
    if (!dialogs.codec) {
        dialogs.codec = new CCodecDlg(this);
    }
    dialogs.codec->Show(Player(), language);
}

// A playlist advancing or a second start handing over a file can replace
// the engine while a dialog runs its own loop.
void CPlayerDlg::ReleaseEngineDialogs() {
    if (dialogs.audioSettings) {
        dialogs.audioSettings->EngineClosed();
    }
    if (dialogs.codec) {
        dialogs.codec->EngineClosed();
    }
}
