#include "ui/FullscreenView.h"

#include "engine/CMediaPlayer.h"
#include "i18n/ui/MenuCommands.h"
#include "platform/DisplayModes.h"
#include "resource.h"
#include "session/PlayerSession.h"
#include "settings/CSettings.h"
#include "ui/PlayerStatusBar.h"
#include "ui/VideoArea.h"
#include "ui/WindowBookmarks.h"
#include "ui/WindowFrame.h"

#include <QScreen>
#include <QWidget>
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
constexpr int kMouseMovePeriodMs = 40;

}  // namespace

FullscreenView::FullscreenView(ViewParts parts, VideoArea& area, WindowFrame& frame,
                               WindowBookmarks& bookmarks)
    : parts_(std::move(parts)), area_(area), frame_(frame), bookmarks_(bookmarks) {
    pointer_.lastMoveTick = TickCount();
    mouseMoveTimer_.setObjectName(QStringLiteral("ID_MouseMove_Timer"));
    mouseMoveTimer_.setInterval(kMouseMovePeriodMs);
    QObject::connect(&mouseMoveTimer_, &QTimer::timeout, &mouseMoveTimer_,
                     [this] { OnMouseMoveTimer(); });
}

void FullscreenView::OnFullscreen() {
    if (!area_.HasVideo()) {
        return;
    }
    if (fullscreen_) {
        LeaveFullscreen();
    } else {
        EnterFullscreen();
    }
}

void FullscreenView::EnterFullscreen() {
    if (!area_.HasVideo()) {
        return;
    }
    const CSettings& settings = parts_.settings;
    QWidget& window = parts_.window;
    if (!settings.alwaysOnTop) {
        frame_.SetTopmost(true);
    }
    state_.inTransition = true;
    const auto own = frame_.OwnStateChanges();
    if (fullscreen_) {
        frame_.ApplyWindowFlags();
        state_.inTransition = false;
        return;
    }

    state_.editorWasVisible = bookmarks_.Editor() && bookmarks_.Editor()->isVisible();
    if (state_.editorWasVisible) {
        bookmarks_.ShowEditor(false);
    }
    fullscreen_ = true;
    state_.before = window.geometry();
    state_.displayModeChanged = false;
    // Whether the display took the mode is not asked: leaving restores the
    // registered mode in any case.
    if (settings.displayWidth != 0 || settings.displayHeight != 0) {
        Displays().ChangeForFullscreen(settings.displayWidth, settings.displayHeight);
        state_.displayModeChanged = true;
    }

    // Not hidden meanwhile as the caption goes: new window flags re-create
    // the native window, which hides and shows it anyway.
    parts_.session.ChangeLayout([](VideoLayout& layout) { layout.SwapPairs(); });
    state_.wasMaximized = window.isMaximized();
    frame_.ModifyStyle(WS_CAPTION | WS_SYSMENU, 0);
    frame_.ApplyWindowFlags();  // topmost, also when there was no caption to remove
    if (!settings.compactView) {
        if (settings.positionBar) {
            frame_.ShowBar(kPositionBar, false);
        }
        if (settings.statusBar) {
            frame_.ShowBar(kStatusBar, false);
        }
        if (settings.toolBar) {
            frame_.ShowBar(kToolBar, false);
        }
        if (settings.menuBar) {
            frame_.ShowBar(kMenuBar, false);
        }
    }

    parts_.engine()->HideCursor(true);
    ShowSystemCursor(false);
    pointer_.cursorShown = false;
    mouseMoveTimer_.start();

    window.showFullScreen();
    CoverDisplay();
    frame_.LockSizeUnlessSizable();
    window.raise();
    window.activateWindow();

    state_.fitOnSize = !state_.fitted;
    if (!state_.fitted) {
        area_.OnFillWithoutClipping();
        state_.fitted = true;
    } else {
        area_.LayoutVideo();
    }
    CommandStateTable& commands = parts_.session.Commands();
    for (int id : kFullscreenGreyed) {
        commands.SetEnabled(id, false);
    }
    commands.SetChecked(IDM_ANSICHT_VOLLBILD, true);
    state_.inTransition = false;
}

// Also without video: a medium that failed to open, or one without a
// picture, must not leave the window stuck in fullscreen in another mode.
void FullscreenView::LeaveFullscreen() {
    if (!fullscreen_) {
        return;
    }
    const CSettings& settings = parts_.settings;
    QWidget& window = parts_.window;
    CMediaPlayer* const player = parts_.engine();
    if (!settings.alwaysOnTop) {
        frame_.SetTopmost(false);
    }
    parts_.session.ChangeLayout([](VideoLayout& layout) { layout.SwapPairs(); });
    state_.inTransition = true;
    const auto own = frame_.OwnStateChanges();
    mouseMoveTimer_.stop();
    state_.fitOnSize = false;
    if (!pointer_.cursorShown) {
        if (player) {
            player->HideCursor(false);
        }
        ShowSystemCursor(true);
        pointer_.cursorShown = true;
    }

    if (state_.wasMaximized) {
        // Some window managers maximise only a window with a caption.
        if (settings.compactView || !settings.titleBar) {
            frame_.ModifyStyle(0, WS_CAPTION);
            window.showMaximized();
            frame_.ModifyStyle(WS_CAPTION, 0);
        } else {
            window.showMaximized();
        }
    } else {
        window.showNormal();
    }

    if (!settings.compactView) {
        frame_.ModifyStyle(0, settings.titleBar ? WS_CAPTION | WS_SYSMENU : WS_BORDER | WS_SYSMENU);
        if (settings.menuBar) {
            frame_.ShowBar(kMenuBar, true);
        }
        if (settings.positionBar) {
            frame_.ShowBar(kPositionBar, true);
        }
        if (settings.statusBar) {
            frame_.ShowBar(kStatusBar, true);
        }
        if (settings.toolBar) {
            frame_.ShowBar(kToolBar, true);
        }
    }
    frame_.ApplyWindowFlags();  // no longer topmost, also when the caption stays off

    area_.PlaceControlBars();
    CommandStateTable& commands = parts_.session.Commands();
    commands.SetEnabled(IDM_ANSICHT_VIDEOPUR, true);
    if (!settings.compactView) {
        for (int id : kBarItems) {
            commands.SetEnabled(id, true);
        }
    }
    commands.SetEnabled(IDM_ANSICHT_ORIGINAL, true);
    commands.SetChecked(IDM_ANSICHT_VOLLBILD, false);
    if (frame_.Style() & WS_MAXIMIZEBOX) {
        commands.SetEnabled(
            window.isMaximized() ? IDM_ANSICHT_WIEDERHERSTELLEN : IDM_ANSICHT_MAXIMIEREN, true);
    }

    if (state_.displayModeChanged) {
        Displays().RestoreRegisteredMode();
    }

    if (!state_.wasMaximized) {
        window.setGeometry(state_.before);
        area_.PlaceClientArea();
    }
    fullscreen_ = false;
    frame_.LockSizeUnlessSizable();
    area_.LayoutVideo();
    parts_.bars.status->setFocus();
    state_.inTransition = false;
    if (state_.editorWasVisible) {
        bookmarks_.ShowEditor(true);
    }
    commands.SetEnabled(IDM_ANSICHT_BOOKMARKEDITOR, true);
}

// Only the transition resizes a fullscreen window (or a new display mode):
// the zoom stays, unless the first fit is still in force.
void FullscreenView::OnFullscreenSize() {
    if (state_.fitOnSize && parts_.layout.ZoomMode() == VideoLayout::kFillWithoutClipping) {
        area_.OnFillWithoutClipping();
    } else {
        area_.LayoutVideo();
    }
}

// A window manager makes a fullscreen window cover its display, also after
// the display changed its mode; without one, this does. Through the native
// window: moving the widget itself would end its fullscreen state.
void FullscreenView::CoverDisplay() {
    QWindow* handle = parts_.window.windowHandle();
    QScreen* display = handle ? handle->screen() : nullptr;
    if (!display) {
        return;
    }
    handle->setGeometry(display->geometry());
    if (!state_.watchingDisplaySize) {
        state_.watchingDisplaySize = true;
        QObject::connect(display, &QScreen::geometryChanged, &parts_.window, [this] {
            if (fullscreen_) {
                CoverDisplay();
            }
        });
    }
}

void FullscreenView::ShowSystemCursor(bool show) {
    pointer_.systemCursorCount += show ? 1 : -1;
    // The video window lets the mouse through to the client area, so the
    // client area's cursor is the one on the screen.
    if (pointer_.systemCursorCount < 0) {
        parts_.client.setCursor(Qt::BlankCursor);
    } else {
        parts_.client.unsetCursor();
    }
}

// Every 40 ms while in fullscreen: the cursor goes after half a second at
// rest and comes back with the next movement.
void FullscreenView::OnMouseMoveTimer() {
    CMediaPlayer* const player = parts_.engine();
    if (!player || !fullscreen_) {
        return;
    }
    const unsigned resting = TickCount() - pointer_.lastMoveTick;
    if (resting > kCursorRestMs && pointer_.cursorShown) {
        player->HideCursor(true);
        ShowSystemCursor(false);
        pointer_.cursorShown = false;
    } else if (resting <= kCursorRestMs && !pointer_.cursorShown) {
        player->HideCursor(false);
        ShowSystemCursor(true);
        pointer_.cursorShown = true;
    }
}

bool FullscreenView::ShowCursorForDialog() {
    if (!fullscreen_) {
        return false;
    }
    if (CMediaPlayer* const player = parts_.engine()) {
        player->HideCursor(false);
    }
    ShowSystemCursor(true);
    return true;
}

// Undoes what ShowCursorForDialog did even if fullscreen ended meanwhile,
// so the cursor's show count stays balanced; the video window's own cursor
// follows the resting-mouse state again.
void FullscreenView::RestoreCursorAfterDialog(bool shown) {
    if (!shown) {
        return;
    }
    ShowSystemCursor(false);
    CMediaPlayer* const player = parts_.engine();
    if (fullscreen_ && player) {
        player->HideCursor(!pointer_.cursorShown);
    }
}
