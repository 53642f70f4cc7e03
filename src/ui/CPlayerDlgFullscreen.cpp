// Fullscreen: the window without caption and bars over the whole display,
// optionally in another display mode; the cursor that hides while the
// mouse rests; the bookmark editor that steps aside meanwhile.
#include "ui/CPlayerDlg.h"

#include "engine/CFilePlayer.h"
#include "i18n/ui/MenuCommands.h"
#include "platform/DisplayModes.h"
#include "resource.h"
#include "settings/CSettings.h"
#include "ui/PlayerStatusBar.h"

#include <QMenuBar>
#include <QScopedValueRollback>
#include <QScreen>
#include <QWindow>

namespace {

constexpr int kFullscreenGreyed[] = {
    IDM_ANSICHT_VIDEOPUR,         IDM_ANSICHT_TITLEBAR,     IDM_ANSICHT_MENUBAR,
    IDM_ANSICHT_TOOLBAR,          IDM_ANSICHT_POSITIONSBAR, IDM_ANSICHT_STATUSBAR,
    IDM_ANSICHT_WIEDERHERSTELLEN, IDM_ANSICHT_MAXIMIEREN,   IDM_ANSICHT_ORIGINAL,
    IDM_ANSICHT_BOOKMARKEDITOR,
};

constexpr int kBarItems[] = {IDM_ANSICHT_TITLEBAR, IDM_ANSICHT_MENUBAR, IDM_ANSICHT_TOOLBAR,
                             IDM_ANSICHT_POSITIONSBAR, IDM_ANSICHT_STATUSBAR};

// The cursor counts as resting after this long without a movement.
constexpr unsigned kCursorRestMs = 500;
constexpr UINT kMouseMovePeriodMs = 40;

}  // namespace

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

void CPlayerDlg::EnterFullscreen() {
    if (!HasVideo()) {
        return;
    }
    if (!settings->alwaysOnTop) {
        topmost = true;
    }
    fullscreenState.inTransition = true;
    const QScopedValueRollback<bool> own(changingWindowState, true);
    if (fullscreen) {
        ApplyWindowFlags();
        fullscreenState.inTransition = false;
        return;
    }

    fullscreenState.editorWasVisible = bookmarks.Editor() && bookmarks.Editor()->isVisible();
    if (fullscreenState.editorWasVisible) {
        ShowBookmarkEditor(false);
    }
    fullscreen = true;
    fullscreenState.before = geometry();
    fullscreenState.displayModeChanged = false;
    // Whether the display took the mode is not asked: leaving restores the
    // registered mode in any case.
    if (settings->displayWidth != 0 || settings->displayHeight != 0) {
        Displays().ChangeForFullscreen(settings->displayWidth, settings->displayHeight);
        fullscreenState.displayModeChanged = true;
    }

    // Not hidden meanwhile as the caption goes: new window flags re-create
    // the native window, which hides and shows it anyway.
    layout.SwapPairs();
    fullscreenState.wasMaximized = isMaximized();
    ModifyStyle(WS_CAPTION | WS_SYSMENU, 0);
    ApplyWindowFlags();  // topmost, also when there was no caption to remove
    if (!settings->compactView) {
        if (settings->positionBar) {
            ShowBar(kPositionBar, false);
        }
        if (settings->statusBar) {
            ShowBar(kStatusBar, false);
        }
        if (settings->toolBar) {
            ShowBar(kToolBar, false);
        }
        if (settings->menuBar) {
            ShowBar(kMenuBar, false);
        }
    }

    Player()->HideCursor(true);
    ShowSystemCursor(false);
    pointer.cursorShown = false;
    SetTimer(this, ID_MouseMove_Timer, kMouseMovePeriodMs);

    showFullScreen();
    CoverDisplay();
    LockSizeUnlessSizable();
    raise();
    activateWindow();

    fullscreenState.fitOnSize = !fullscreenState.fitted;
    if (!fullscreenState.fitted) {
        OnFillWithoutClipping();
        fullscreenState.fitted = true;
    } else {
        LayoutVideo();
    }
    for (int id : kFullscreenGreyed) {
        SetMenuEnable(id, MF_GRAYED);
    }
    session.Commands().SetChecked(IDM_ANSICHT_VOLLBILD, true);
    fullscreenState.inTransition = false;
}

// Also without video: a medium that failed to open, or one without a
// picture, must not leave the window stuck in fullscreen in another mode.
void CPlayerDlg::LeaveFullscreen() {
    if (!fullscreen) {
        return;
    }
    if (!settings->alwaysOnTop) {
        topmost = false;
    }
    layout.SwapPairs();
    fullscreenState.inTransition = true;
    const QScopedValueRollback<bool> own(changingWindowState, true);
    KillTimer(this, ID_MouseMove_Timer);
    fullscreenState.fitOnSize = false;
    if (!pointer.cursorShown) {
        if (Player()) {
            Player()->HideCursor(false);
        }
        ShowSystemCursor(true);
        pointer.cursorShown = true;
    }

    if (fullscreenState.wasMaximized) {
        // Some window managers maximise only a window with a caption.
        if (settings->compactView || !settings->titleBar) {
            ModifyStyle(0, WS_CAPTION);
            showMaximized();
            ModifyStyle(WS_CAPTION, 0);
        } else {
            showMaximized();
        }
    } else {
        showNormal();
    }

    if (!settings->compactView) {
        ModifyStyle(0, settings->titleBar ? WS_CAPTION | WS_SYSMENU : WS_BORDER | WS_SYSMENU);
        if (settings->menuBar) {
            ShowBar(kMenuBar, true);
        }
        if (settings->positionBar) {
            ShowBar(kPositionBar, true);
        }
        if (settings->statusBar) {
            ShowBar(kStatusBar, true);
        }
        if (settings->toolBar) {
            ShowBar(kToolBar, true);
        }
    }
    ApplyWindowFlags();  // no longer topmost, also when the caption stays off

    PlaceControlBars();
    SetMenuEnable(IDM_ANSICHT_VIDEOPUR, MF_ENABLED);
    if (!settings->compactView) {
        for (int id : kBarItems) {
            SetMenuEnable(id, MF_ENABLED);
        }
    }
    SetMenuEnable(IDM_ANSICHT_ORIGINAL, MF_ENABLED);
    session.Commands().SetChecked(IDM_ANSICHT_VOLLBILD, false);
    if (style & WS_MAXIMIZEBOX) {
        SetMenuEnable(isMaximized() ? IDM_ANSICHT_WIEDERHERSTELLEN : IDM_ANSICHT_MAXIMIEREN,
                      MF_ENABLED);
    }

    if (fullscreenState.displayModeChanged) {
        Displays().RestoreRegisteredMode();
    }

    if (!fullscreenState.wasMaximized) {
        setGeometry(fullscreenState.before);
        PlaceClientArea();
    }
    fullscreen = false;
    LockSizeUnlessSizable();
    LayoutVideo();
    bars.status->setFocus();
    fullscreenState.inTransition = false;
    if (fullscreenState.editorWasVisible) {
        ShowBookmarkEditor(true);
    }
    SetMenuEnable(IDM_ANSICHT_BOOKMARKEDITOR, MF_ENABLED);
}

// Only the transition resizes a fullscreen window (or a new display mode):
// the zoom stays, unless the first fit is still in force.
void CPlayerDlg::OnFullscreenSize() {
    if (fullscreenState.fitOnSize && layout.ZoomMode() == VideoLayout::kFillWithoutClipping) {
        OnFillWithoutClipping();
    } else {
        LayoutVideo();
    }
}

// A window manager makes a fullscreen window cover its display, also after
// the display changed its mode; without one, this does. Through the native
// window: moving the widget itself would end its fullscreen state.
void CPlayerDlg::CoverDisplay() {
    QWindow* handle = windowHandle();
    QScreen* display = handle ? handle->screen() : nullptr;
    if (!display) {
        return;
    }
    handle->setGeometry(display->geometry());
    if (!fullscreenState.watchingDisplaySize) {
        fullscreenState.watchingDisplaySize = true;
        connect(display, &QScreen::geometryChanged, this, [this] {
            if (fullscreen) {
                CoverDisplay();
            }
        });
    }
}

void CPlayerDlg::ShowSystemCursor(bool show) {
    pointer.systemCursorCount += show ? 1 : -1;
    // The video window lets the mouse through to the client area, so the
    // client area's cursor is the one on the screen.
    if (pointer.systemCursorCount < 0) {
        client->setCursor(Qt::BlankCursor);
    } else {
        client->unsetCursor();
    }
}

// Every 40 ms while in fullscreen: the cursor goes after half a second at
// rest and comes back with the next movement.
void CPlayerDlg::OnMouseMoveTimer() {
    if (!Player() || !fullscreen) {
        return;
    }
    const unsigned resting = TickCount() - pointer.lastMoveTick;
    if (resting > kCursorRestMs && pointer.cursorShown) {
        Player()->HideCursor(true);
        ShowSystemCursor(false);
        pointer.cursorShown = false;
    } else if (resting <= kCursorRestMs && !pointer.cursorShown) {
        Player()->HideCursor(false);
        ShowSystemCursor(true);
        pointer.cursorShown = true;
    }
}

void CPlayerDlg::ShowBookmarkEditor(bool show) {
    QWidget* const bookmarkEditor = bookmarks.Editor();
    if (!bookmarkEditor) {
        return;
    }
    if (!show) {
        bookmarkEditor->hide();
        activateWindow();
        return;
    }
    if (!session.FilePlayer()) {
        return;
    }
    // Shown first: a window's frame is only known once it is on the screen.
    bookmarkEditor->show();
    const int editorWidth = bookmarkEditor->frameGeometry().width();
    QRect window = frameGeometry();
    int x = window.left() - editorWidth;
    if (x < 0) {
        move(editorWidth, window.top());
        window = frameGeometry();
        x = 0;
    }
    // The editor's own frame counts into the height it shares with us.
    const int editorFrameHeight =
        bookmarkEditor->frameGeometry().height() - bookmarkEditor->height();
    bookmarkEditor->move(x, window.top());
    bookmarkEditor->resize(bookmarkEditor->width(), window.height() - editorFrameHeight);
    activateWindow();
}

// Left to us: the command toggles the editor beside the window.
void CPlayerDlg::ToggleBookmarkEditor() {
    if (bookmarks.Editor()) {
        ShowBookmarkEditor(!bookmarks.Editor()->isVisible());
    }
}
