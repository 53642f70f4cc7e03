// Loop, mute and volume steps, normal speed, shutdown after playback armed
// or not, and fullscreen.
#include "ui/CPlayerDlg.h"

#include "app/CSettings.h"
#include "engine/CMediaPlayer.h"
#include "i18n/ui/MenuCommands.h"
#include "resource.h"
#include "ui/CClickSlider.h"
#include "ui/PlayerStatusBar.h"

#include <QMenuBar>
#include <QScopedValueRollback>
#include "ui/ToolStrip.h"

#include <algorithm>

void CPlayerDlg::ToggleLoop() {
    SetLoop(!menuStates->IsChecked(IDM_WIEDERGABE_ENDLOSSCHLEIFE), true);
}

void CPlayerDlg::SetLoop(bool on, bool selection) {
    SetMenuCheck(IDM_WIEDERGABE_ENDLOSSCHLEIFE, on ? MF_CHECKED : MF_UNCHECKED);
    loop = on;
    if (on) {
        SetToolButtonFace(IDTBB_LOOP, "Loop", "NoLoop");
    } else {
        SetToolButtonFace(IDTBB_LOOP, "NoLoop", "Loop");
    }
    if (selection) {
        if (on) {
            positionSlider->SetSelection(markStart, markEnd);
        } else {
            positionSlider->ClearSelection();
        }
        positionSlider->update();
    }
}

bool CPlayerDlg::HasAudioPlayer() const {
    return player && player->HasAudio() == S_OK;
}

void CPlayerDlg::ToggleMute() {
    if (!HasAudioPlayer() || !menuStates->IsEnabled(IDM_AUDIO_STUMM)) {
        return;
    }
    if (menuStates->IsChecked(IDM_AUDIO_STUMM)) {
        player->SetVolume(volumeBeforeMute == -10000 ? 0 : volumeBeforeMute);
    } else {
        volumeBeforeMute = player->GetVolume();
        player->SetVolume(-10000);
    }
    UpdateMuteDisplay();
}

void CPlayerDlg::UpdateMuteDisplay() {
    if (!player) {
        return;
    }
    const int volume = player->GetVolume();
    volumeSlider->setValue(SliderPositionFromVolume(volume));
    if (volume == -10000) {
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
    const int percent = SliderPositionFromVolume(player->GetVolume());
    if (percent < 100) {
        player->SetVolume(VolumeFromSliderPosition(std::min(100, percent + 1)));
    }
    UpdateMuteDisplay();
}

void CPlayerDlg::VolumeDown() {
    if (!HasAudioPlayer()) {
        return;
    }
    const int percent = SliderPositionFromVolume(player->GetVolume());
    if (percent > 0) {
        volumeBeforeMute = player->GetVolume();
        player->SetVolume(VolumeFromSliderPosition(std::max(0, percent - 1)));
        UpdateMuteDisplay();
    }
}

void CPlayerDlg::SetNormalSpeed() {
    if (player) {
        player->SetRate(1.0);
    }
}

bool CPlayerDlg::IsShutdownArmed() const {
    return menuStates->IsChecked(IDM_WIEDERGABE_SHUTDOWN);
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

// Only the menu bar shows that fullscreen is on.
void CPlayerDlg::CheckInMainMenu(int id, bool checked) {
    for (QAction* item : FindCommands(mainMenu.get(), id)) {
        item->setCheckable(true);
        item->setChecked(checked);
    }
}

void CPlayerDlg::OnFullscreen() {
    if (!HasVideo()) {
        return;
    }
    if (fullscreen) {
        LeaveFullscreen();
    } else {
        EnterFullscreen();
    }
}

namespace {

constexpr int kFullscreenGreyed[] = {
    IDM_ANSICHT_VIDEOPUR,         IDM_ANSICHT_TITLEBAR,     IDM_ANSICHT_MENUBAR,
    IDM_ANSICHT_TOOLBAR,          IDM_ANSICHT_POSITIONSBAR, IDM_ANSICHT_STATUSBAR,
    IDM_ANSICHT_WIEDERHERSTELLEN, IDM_ANSICHT_MAXIMIEREN,   IDM_ANSICHT_ORIGINAL,
    IDM_ANSICHT_BOOKMARKEDITOR,
};

}  // namespace

void CPlayerDlg::EnterFullscreen() {
    if (!HasVideo()) {
        return;
    }
    if (!settings->alwaysOnTop) {
        topmost = true;
    }
    inTransition = true;
    const QScopedValueRollback<bool> own(changingWindowState, true);
    if (fullscreen) {
        ApplyWindowFlags();
        inTransition = false;
        return;
    }
    fullscreen = true;
    rectBeforeFullscreen = geometry();
    std::swap(zoomX, otherZoomX);
    std::swap(zoomY, otherZoomY);
    wasMaximized = isMaximized();
    ModifyStyle(WS_CAPTION | WS_SYSMENU, 0);
    if (!settings->compactView) {
        if (settings->positionBar) {
            ShowBar(kPositionBarIndex, false);
        }
        if (settings->statusBar) {
            ShowBar(kStatusBarIndex, false);
        }
        if (settings->toolBar) {
            ShowBar(kToolBarIndex, false);
        }
        if (settings->menuBar) {
            ShowBar(kMenuBarIndex, false);
        }
    }
    player->HideCursor(true);
    cursorShown = false;
    showFullScreen();
    LockSizeUnlessSizable();
    activateWindow();
    if (!fittedInFullscreen) {
        OnFillWithoutClipping();
        fittedInFullscreen = true;
    } else {
        LayoutVideo();
    }
    for (int id : kFullscreenGreyed) {
        SetMenuEnable(id, MF_GRAYED);
    }
    CheckInMainMenu(IDM_ANSICHT_VOLLBILD, true);
    inTransition = false;
}

void CPlayerDlg::LeaveFullscreen() {
    if (!HasVideo() || !fullscreen) {
        return;
    }
    if (!settings->alwaysOnTop) {
        topmost = false;
    }
    std::swap(zoomX, otherZoomX);
    std::swap(zoomY, otherZoomY);
    inTransition = true;
    const QScopedValueRollback<bool> own(changingWindowState, true);
    if (!cursorShown) {
        player->HideCursor(false);
        cursorShown = true;
    }
    fullscreen = false;
    if (!settings->compactView) {
        ModifyStyle(0, settings->titleBar ? WS_CAPTION | WS_SYSMENU : WS_BORDER | WS_SYSMENU);
        if (settings->menuBar) {
            ShowBar(kMenuBarIndex, true);
        }
        if (settings->positionBar) {
            ShowBar(kPositionBarIndex, true);
        }
        if (settings->statusBar) {
            ShowBar(kStatusBarIndex, true);
        }
        if (settings->toolBar) {
            ShowBar(kToolBarIndex, true);
        }
    } else {
        ApplyWindowFlags();
    }
    if (wasMaximized) {
        showMaximized();
    } else {
        showNormal();
    }
    PlaceControlBars();
    SetMenuEnable(IDM_ANSICHT_VIDEOPUR, MF_ENABLED);
    if (!settings->compactView) {
        for (int id : {IDM_ANSICHT_TITLEBAR, IDM_ANSICHT_MENUBAR, IDM_ANSICHT_TOOLBAR,
                       IDM_ANSICHT_POSITIONSBAR, IDM_ANSICHT_STATUSBAR}) {
            SetMenuEnable(id, MF_ENABLED);
        }
    }
    SetMenuEnable(IDM_ANSICHT_ORIGINAL, MF_ENABLED);
    CheckInMainMenu(IDM_ANSICHT_VOLLBILD, false);
    if (style & WS_MAXIMIZEBOX) {
        SetMenuEnable(isMaximized() ? IDM_ANSICHT_WIEDERHERSTELLEN : IDM_ANSICHT_MAXIMIEREN,
                      MF_ENABLED);
    }
    if (!wasMaximized) {
        setGeometry(rectBeforeFullscreen);
        PlaceClientArea();
    }
    LockSizeUnlessSizable();
    LayoutVideo();
    inTransition = false;
    SetMenuEnable(IDM_ANSICHT_BOOKMARKEDITOR, MF_ENABLED);
}
