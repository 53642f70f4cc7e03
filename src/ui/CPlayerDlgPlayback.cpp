// Loop, mute and volume steps, normal speed, shutdown after playback armed
// or not.
#include "ui/CPlayerDlg.h"

#include "controls/CClickSlider.h"
#include "controls/VolumeSliderScale.h"
#include "engine/CMediaPlayer.h"
#include "i18n/ui/MenuCommands.h"
#include "resource.h"
#include "settings/CSettings.h"

#include <algorithm>

void CPlayerDlg::ToggleLoop() {
    SetLoop(!session.Commands().IsChecked(IDM_WIEDERGABE_ENDLOSSCHLEIFE), true);
}

void CPlayerDlg::SetLoop(bool on, bool selection) {
    SetMenuCheck(IDM_WIEDERGABE_ENDLOSSCHLEIFE, on ? MF_CHECKED : MF_UNCHECKED);
    marks.SetLooping(on);
    if (on) {
        SetToolButtonFace(IDTBB_LOOP, "Loop", "NoLoop");
    } else {
        SetToolButtonFace(IDTBB_LOOP, "NoLoop", "Loop");
    }
    if (selection) {
        if (on) {
            bars.position->SetSelection(marks.Start(), marks.End());
        } else {
            bars.position->ClearSelection();
        }
        bars.position->update();
    }
}

bool CPlayerDlg::HasAudioPlayer() const {
    return player && player->HasAudio() == S_OK;
}

void CPlayerDlg::ToggleMute() {
    if (!HasAudioPlayer() || !session.Commands().IsEnabled(IDM_AUDIO_STUMM)) {
        return;
    }
    if (session.Commands().IsChecked(IDM_AUDIO_STUMM)) {
        player->SetVolume(volumeBeforeMute == kVolumeSilent ? kVolumeFull : volumeBeforeMute);
    } else {
        volumeBeforeMute = player->GetVolume();
        player->SetVolume(kVolumeSilent);
    }
    UpdateMuteDisplay();
}

void CPlayerDlg::UpdateMuteDisplay() {
    if (!player) {
        return;
    }
    const int volume = player->GetVolume();
    bars.volume->setValue(volume_slider::PositionFromVolume(volume));
    if (volume == kVolumeSilent) {
        SetMenuCheck(IDM_AUDIO_STUMM, MF_CHECKED);
        SetMenuEnable(IDM_AUDIO_LEISER, MF_GRAYED);
        SetMenuEnable(IDM_AUDIO_LAUTER, MF_ENABLED);
        SetToolButtonFace(IDTBB_MUTE, "Mute", "NoMute");
    } else {
        SetMenuCheck(IDM_AUDIO_STUMM, MF_UNCHECKED);
        SetMenuEnable(IDM_AUDIO_LEISER, MF_ENABLED);
        SetMenuEnable(IDM_AUDIO_LAUTER, volume < 0 ? MF_ENABLED : MF_GRAYED);
        SetToolButtonFace(IDTBB_MUTE, "NoMute", "Mute");
    }
}

void CPlayerDlg::VolumeUp() {
    if (!HasAudioPlayer()) {
        return;
    }
    const int percent = volume_slider::PositionFromVolume(player->GetVolume());
    if (percent < 100) {
        player->SetVolume(volume_slider::VolumeFromPosition(std::min(100, percent + 1)));
    }
    UpdateMuteDisplay();
}

void CPlayerDlg::VolumeDown() {
    if (!HasAudioPlayer()) {
        return;
    }
    const int percent = volume_slider::PositionFromVolume(player->GetVolume());
    if (percent > 0) {
        volumeBeforeMute = player->GetVolume();
        player->SetVolume(volume_slider::VolumeFromPosition(std::max(0, percent - 1)));
        UpdateMuteDisplay();
    }
}

void CPlayerDlg::SetNormalSpeed() {
    if (player) {
        player->SetRate(1.0);
    }
}

bool CPlayerDlg::IsShutdownArmed() const {
    return session.Commands().IsChecked(IDM_WIEDERGABE_SHUTDOWN);
}

void CPlayerDlg::ToggleShutdown() {
    if (IsShutdownArmed()) {
        SetMenuCheck(IDM_WIEDERGABE_SHUTDOWN, MF_UNCHECKED);
        SetToolButtonFace(IDTBB_SHUTDOWN, "NoShutdown", "Shutdown");
    } else {
        SetMenuCheck(IDM_WIEDERGABE_SHUTDOWN, MF_CHECKED);
        SetToolButtonFace(IDTBB_SHUTDOWN, "Shutdown", "NoShutdown");
    }
}
