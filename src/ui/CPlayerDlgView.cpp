// How the window looks: the five bars, compact view, always on top, the
// window's style and flags and the window states.
#include "ui/CPlayerDlg.h"

#include "controls/CClickSlider.h"
#include "i18n/ui/MenuCommands.h"
#include "platform/WindowFrame.h"
#include "resource.h"
#include "settings/CSettings.h"
#include "ui/PlayerStatusBar.h"
#include "ui/ToolStrip.h"

#include <QMenuBar>
#include <QScopedValueRollback>
#include <QWindow>
#include <QWindowStateChangeEvent>

namespace {

constexpr int kBarItems[] = {IDM_ANSICHT_STATUSBAR, IDM_ANSICHT_TITLEBAR, IDM_ANSICHT_MENUBAR,
                             IDM_ANSICHT_TOOLBAR, IDM_ANSICHT_POSITIONSBAR};

}  // namespace

void CPlayerDlg::ModifyStyle(DWORD remove, DWORD add) {
    const DWORD changed = (style & ~remove) | add;
    // The first call also puts the window's own flags in place of a dialog's.
    if (changed != style || windowType() != Qt::Window) {
        style = changed;
        ApplyWindowFlags();
    }
    LockSizeUnlessSizable();
}

void CPlayerDlg::ApplyWindowFlags() {
    Qt::WindowFlags flags = Qt::Window;
    if (style & WS_CAPTION) {
        flags |= Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint;
        if (style & WS_MAXIMIZEBOX) {
            flags |= Qt::WindowMaximizeButtonHint;
        }
    } else if (style & WS_THICKFRAME) {
        // No caption, but still a frame to size the window by.
        flags |= Qt::CustomizeWindowHint;
    } else {
        flags |= Qt::FramelessWindowHint;
    }
    if (topmost) {
        flags |= Qt::WindowStaysOnTopHint;
    }
    // A maximise button (an opened film's) or stacking change on the window
    // the system has: made anew, it would be hidden, shown and painted all
    // over. A frame or caption that comes or goes still takes a new window.
    const Qt::WindowFlags inPlace = Qt::WindowMaximizeButtonHint | Qt::WindowStaysOnTopHint;
    if (flags != windowFlags() && windowHandle() && !((flags ^ windowFlags()) & ~inPlace)) {
        overrideWindowFlags(flags);
        windowHandle()->setFlags(flags);
    } else if (flags != windowFlags()) {
        // New flags re-create the native window, which hides it.
        const bool visible = isVisible();
        const Qt::WindowStates states = windowState();
        setWindowFlags(flags);
        if (visible) {
            setWindowState(states);
            show();
        }
    }
    ShowFrameHints();
}

void CPlayerDlg::ShowFrameHints() {
    if (!(style & WS_CAPTION) && (style & WS_THICKFRAME) && !fullscreen) {
        velvaro::platform::ShowSizingFrameWithoutCaption(windowHandle(),
                                                         (style & WS_MAXIMIZEBOX) != 0);
    }
}

// Without a sizing frame the user cannot resize the window.
void CPlayerDlg::LockSizeUnlessSizable() {
    if ((style & WS_THICKFRAME) || isMaximized() || fullscreen) {
        setMinimumSize(0, 0);
        setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    } else {
        setFixedSize(size());
    }
}

// Hidden bars keep their widgets: they shrink to nothing and get their
// remembered size back when shown.
void CPlayerDlg::ShowBar(int which, bool show) {
    switch (which) {
        case kTitleBar:
            if (show) {
                ModifyStyle(0, WS_CAPTION | WS_SYSMENU);
            } else {
                ModifyStyle(WS_CAPTION | WS_SYSMENU, 0);
            }
            break;
        case kMenuBar:
            bars.menuAttached = show;
            menus.bar->setVisible(show);
            PlaceClientArea();
            break;
        case kToolBar:
            if (!bars.toolbar) {
                break;
            }
            if (show) {
                bars.toolbar->resize(bars.toolbarSize.isValid() ? bars.toolbarSize
                                                                : bars.toolbar->size());
                bars.toolbar->show();
            } else if (!bars.toolbar->isHidden()) {
                bars.toolbarSize = bars.toolbar->size();
                bars.toolbar->hide();
            }
            break;
        case kStatusBar:
            if (show) {
                bars.status->resize(bars.statusSize.isValid() ? bars.statusSize
                                                              : bars.status->size());
                bars.status->show();
            } else if (!bars.status->isHidden()) {
                bars.statusSize = bars.status->size();
                bars.status->resize(0, 0);
                bars.status->hide();
            }
            break;
        case kPositionBar:
            if (show) {
                if (bars.positionSize.isValid()) {
                    bars.position->resize(bars.positionSize);
                    bars.volume->resize(bars.volumeSize);
                }
            } else if (bars.position->height() > 0) {
                bars.positionSize = bars.position->size();
                bars.volumeSize = bars.volume->size();
                bars.position->resize(0, 0);
                bars.volume->resize(0, 0);
            }
            break;
        default:
            break;
    }
    PlaceControlBars();
}

namespace {

int& BarSetting(CSettings& settings, int which) {
    switch (which) {
        case CPlayerDlg::kTitleBar:
            return settings.titleBar;
        case CPlayerDlg::kMenuBar:
            return settings.menuBar;
        case CPlayerDlg::kToolBar:
            return settings.toolBar;
        case CPlayerDlg::kStatusBar:
            return settings.statusBar;
        default:
            return settings.positionBar;
    }
}

constexpr int kBarCommand[] = {IDM_ANSICHT_TITLEBAR, IDM_ANSICHT_MENUBAR, IDM_ANSICHT_TOOLBAR,
                               IDM_ANSICHT_STATUSBAR, IDM_ANSICHT_POSITIONSBAR};

}  // namespace

void CPlayerDlg::ToggleBar(int which) {
    if (fullscreen) {
        return;
    }
    layoutEnabled = false;
    int& shown = BarSetting(*settings, which);
    shown = shown ? 0 : 1;
    SetMenuCheck(kBarCommand[which], shown ? MF_CHECKED : MF_UNCHECKED);
    ShowBar(which, shown != 0);
    FitWindowToBars();
    layoutEnabled = true;
}

void CPlayerDlg::ToggleCompactView() {
    SetCompactView(settings->compactView == 0);
}

void CPlayerDlg::SetCompactView(bool on) {
    SetMenuCheck(IDM_ANSICHT_VIDEOPUR, on ? MF_CHECKED : MF_UNCHECKED);
    for (int which : {kStatusBar, kTitleBar, kMenuBar, kToolBar, kPositionBar}) {
        if (BarSetting(*settings, which)) {
            ShowBar(which, !on);
        }
    }
    for (int id : kBarItems) {
        SetMenuEnable(id, on ? MF_GRAYED : MF_ENABLED);
    }
    settings->compactView = on ? 1 : 0;
    FitWindowToBars();
}

void CPlayerDlg::ToggleAlwaysOnTop() {
    const bool on = settings->alwaysOnTop == 0;
    SetMenuCheck(IDM_ANSICHT_IMMEROBEN, on ? MF_CHECKED : MF_UNCHECKED);
    if (on) {
        SetToolButtonFace(IDTBB_ONTOP, "OnTop", "NotOnTop");
    } else {
        SetToolButtonFace(IDTBB_ONTOP, "NotOnTop", "OnTop");
    }
    topmost = on;
    ApplyWindowFlags();
    settings->alwaysOnTop = on ? 1 : 0;
}

// A window without caption cannot be maximised by every window manager, so
// it gets one for the moment.
void CPlayerDlg::OnMaximize() {
    if (!Player()) {
        return;
    }
    const QScopedValueRollback<bool> own(changingWindowState, true);
    if (!(style & WS_CAPTION)) {
        ModifyStyle(0, WS_CAPTION);
        showMaximized();
        ModifyStyle(WS_CAPTION, 0);
    } else {
        showMaximized();
    }
    LockSizeUnlessSizable();
    SetMenuEnable(IDM_ANSICHT_WIEDERHERSTELLEN, MF_ENABLED);
    if (style & WS_MAXIMIZEBOX) {
        SetMenuEnable(IDM_ANSICHT_MAXIMIEREN, MF_GRAYED);
    }
}

void CPlayerDlg::OnMinimize() {
    const QScopedValueRollback<bool> own(changingWindowState, true);
    if (fullscreen) {
        LeaveFullscreen();
    }
    showMinimized();
}

void CPlayerDlg::OnRestore() {
    const QScopedValueRollback<bool> own(changingWindowState, true);
    if (!(style & WS_CAPTION) && isMinimized()) {
        ModifyStyle(0, WS_CAPTION);
        showNormal();
        ModifyStyle(WS_CAPTION, 0);
        return;
    }
    showNormal();
    LockSizeUnlessSizable();
    SetMenuEnable(IDM_ANSICHT_WIEDERHERSTELLEN, MF_GRAYED);
    if ((style & WS_MAXIMIZEBOX) && !fullscreen) {
        SetMenuEnable(IDM_ANSICHT_MAXIMIEREN, MF_ENABLED);
    }
}

// The window manager's maximise and restore buttons act like the window's
// own commands, so the menu items follow.
void CPlayerDlg::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange || changingWindowState ||
        fullscreenState.inTransition || fullscreen || !menus.states) {
        return;
    }
    const auto* change = static_cast<QWindowStateChangeEvent*>(event);
    const bool wasMaximized = change->oldState() & Qt::WindowMaximized;
    if (isMaximized() && !wasMaximized) {
        SendMessage(this, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    } else if (!isMaximized() && !isMinimized() && wasMaximized) {
        SendMessage(this, WM_SYSCOMMAND, SC_RESTORE, 0);
    }
}
