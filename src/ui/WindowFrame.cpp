#include "ui/WindowFrame.h"

#include "controls/CClickSlider.h"
#include "engine/CMediaPlayer.h"
#include "i18n/ui/MenuCommands.h"
#include "platform/WindowFrame.h"
#include "resource.h"
#include "session/PlayerSession.h"
#include "session/StartOptionValues.h"
#include "settings/CPlayerCommandLineInfo.h"
#include "settings/CSettings.h"
#include "ui/FullscreenView.h"
#include "ui/PlayerStatusBar.h"
#include "ui/PlayerWindowState.h"
#include "ui/ToolStrip.h"
#include "ui/VideoArea.h"

#include <QGuiApplication>
#include <QMenuBar>
#include <QScreen>
#include <QWindow>
#include <QWindowStateChangeEvent>

#include <algorithm>

namespace {

// How far a span must move to lie inside a free span; its start wins when it
// is longer than the free span.
int ShiftInto(int first, int last, int freeFirst, int freeLast) {
    if (last > freeLast) {
        return std::max(freeLast - last, freeFirst - first);
    }
    return first < freeFirst ? freeFirst - first : 0;
}

constexpr int kBarItems[] = {IDM_ANSICHT_STATUSBAR, IDM_ANSICHT_TITLEBAR, IDM_ANSICHT_MENUBAR,
                             IDM_ANSICHT_TOOLBAR, IDM_ANSICHT_POSITIONSBAR};

constexpr int kBarCommand[] = {IDM_ANSICHT_TITLEBAR, IDM_ANSICHT_MENUBAR, IDM_ANSICHT_TOOLBAR,
                               IDM_ANSICHT_STATUSBAR, IDM_ANSICHT_POSITIONSBAR};

int& BarSetting(CSettings& settings, int which) {
    switch (which) {
        case kTitleBar:
            return settings.titleBar;
        case kMenuBar:
            return settings.menuBar;
        case kToolBar:
            return settings.toolBar;
        case kStatusBar:
            return settings.statusBar;
        default:
            return settings.positionBar;
    }
}

}  // namespace

WindowFrame::WindowFrame(ViewParts parts, VideoArea& area, FullscreenView& fullscreen)
    : parts_(std::move(parts)), window_(parts_.window), area_(area), fullscreen_(fullscreen) {}

void WindowFrame::SetEnabled(int command, bool enabled) {
    parts_.session.Commands().SetEnabled(command, enabled);
}

void WindowFrame::ModifyStyle(DWORD remove, DWORD add) {
    const DWORD changed = (style_ & ~remove) | add;
    // The first call also puts the window's own flags in place of a dialog's.
    if (changed != style_ || window_.windowType() != Qt::Window) {
        style_ = changed;
        ApplyWindowFlags();
    }
    LockSizeUnlessSizable();
}

void WindowFrame::ApplyWindowFlags() {
    Qt::WindowFlags flags = Qt::Window;
    if (style_ & WS_CAPTION) {
        flags |= Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint;
        if (style_ & WS_MAXIMIZEBOX) {
            flags |= Qt::WindowMaximizeButtonHint;
        }
    } else if (style_ & WS_THICKFRAME) {
        // No caption, but still a frame to size the window by.
        flags |= Qt::CustomizeWindowHint;
    } else {
        flags |= Qt::FramelessWindowHint;
    }
    if (topmost_) {
        flags |= Qt::WindowStaysOnTopHint;
    }
    // A maximise button (an opened film's) or stacking change on the window
    // the system has: made anew, it would be hidden, shown and painted all
    // over. A frame or caption that comes or goes still takes a new window.
    const Qt::WindowFlags inPlace = Qt::WindowMaximizeButtonHint | Qt::WindowStaysOnTopHint;
    const Qt::WindowFlags current = window_.windowFlags();
    if (flags != current && window_.windowHandle() && !((flags ^ current) & ~inPlace)) {
        window_.overrideWindowFlags(flags);
        window_.windowHandle()->setFlags(flags);
    } else if (flags != current) {
        // New flags re-create the native window, which hides it.
        const bool visible = window_.isVisible();
        const Qt::WindowStates states = window_.windowState();
        window_.setWindowFlags(flags);
        if (visible) {
            window_.setWindowState(states);
            window_.show();
        }
    }
    ShowFrameHints();
}

void WindowFrame::ShowFrameHints() {
    if (!(style_ & WS_CAPTION) && (style_ & WS_THICKFRAME) && !fullscreen_.IsFullscreen()) {
        velvaro::platform::ShowSizingFrameWithoutCaption(window_.windowHandle(),
                                                         (style_ & WS_MAXIMIZEBOX) != 0);
    }
}

// Without a sizing frame the user cannot resize the window.
void WindowFrame::LockSizeUnlessSizable() {
    if ((style_ & WS_THICKFRAME) || window_.isMaximized() || fullscreen_.IsFullscreen()) {
        window_.setMinimumSize(0, 0);
        window_.setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    } else {
        window_.setFixedSize(window_.size());
    }
}

QRect WindowFrame::ScreenRect() const {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry() : QRect(0, 0, 1024, 768);
}

void WindowFrame::ResizeWindow(PixelSize outer) {
    const QRect frame = window_.frameGeometry();
    const int decorationWidth = frame.width() - window_.width();
    const int decorationHeight = frame.height() - window_.height();
    window_.setMinimumSize(0, 0);
    window_.setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    window_.resize(std::max(1, outer.width - decorationWidth),
                   std::max(1, outer.height - decorationHeight));
    area_.PlaceClientArea();
    LockSizeUnlessSizable();
}

// Every user resize outside fullscreen fits the whole picture into the new
// area, discarding a zoom set by hand.
void WindowFrame::OnSize() {
    area_.PlaceControlBars();
    if (layoutEnabled_ && parts_.engine()) {
        if (fullscreen_.InTransition()) {
            area_.LayoutVideo();
        } else if (fullscreen_.IsFullscreen()) {
            fullscreen_.OnFullscreenSize();
        } else {
            area_.OnFillWithoutClipping();
        }
    }
}

void WindowFrame::OnOriginalWindowSize() {
    if (!area_.HasVideo()) {
        return;
    }
    PixelSize video;
    parts_.engine()->GetVideoSize(&video.width, &video.height);
    const PixelSize area =
        FitVideoArea(video, area_.FrameSize(), area_.Bars(), AvailableScreenSize());
    SetVideoWindowSize(area.width, area.height, false);
    if (area != video) {
        // Shown smaller than its own size: the zoom says by how much.
        area_.OnFillWithoutClipping();
        KeepOnScreen();
    }
}

QRect WindowFrame::AvailableScreenRect() const {
    const QScreen* screen = window_.screen() ? window_.screen() : QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
}

PixelSize WindowFrame::AvailableScreenSize() const {
    const QRect rect = AvailableScreenRect();
    return {rect.width(), rect.height()};
}

// Moves the window just enough for its frame to lie on the screen's free area.
void WindowFrame::KeepOnScreen() {
    const QRect free = AvailableScreenRect();
    const QRect outer = window_.frameGeometry();
    const QPoint shift(ShiftInto(outer.left(), outer.right(), free.left(), free.right()),
                       ShiftInto(outer.top(), outer.bottom(), free.top(), free.bottom()));
    if (!shift.isNull()) {
        window_.move(window_.pos() + shift);
    }
}

// The second pass catches a menu bar that wrapped at the new width.
void WindowFrame::SetVideoWindowSize(int width, int height, bool secondPass) {
    if (!area_.HasVideo()) {
        return;
    }
    parts_.engine()->SetWindowPosition(0, area_.Bars().TopOffset(), width, height);
    const PixelSize frame = area_.FrameSize();
    if (!window_.isVisible() || window_.isMaximized() || window_.isMinimized()) {
        window_.showNormal();
    }
    ResizeWindow(WindowSizeFor({width, height}, frame, area_.Bars()));
    if (!secondPass) {
        SetVideoWindowSize(width, height, true);
    }
}

void WindowFrame::FitWindowToBars() {
    const PixelSize frame = area_.FrameSize();
    const BarHeights heights = area_.Bars();
    if (area_.HasVideo()) {
        PixelSize window;
        parts_.engine()->GetWindowSize(&window.width, &window.height);
        if (!window_.isMaximized()) {
            ResizeWindow(WindowSizeFor(window, frame, heights));
        }
        area_.LayoutVideo();
        return;
    }
    const int splashHeight = area_.SplashHeight();
    ResizeWindow(WindowSizeFor({kSplashWidth, splashHeight}, frame, heights));
    area_.PlaceSliders(kSplashWidth, area_.Bars().TopOffset() + splashHeight);
}

// Hidden bars keep their widgets: they shrink to nothing and get their
// remembered size back when shown.
void WindowFrame::ShowBar(int which, bool show) {
    PlayerBars& bars = parts_.bars;
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
            parts_.menus.bar->setVisible(show);
            area_.PlaceClientArea();
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
    area_.PlaceControlBars();
}

void WindowFrame::ToggleBar(int which) {
    if (fullscreen_.IsFullscreen()) {
        return;
    }
    layoutEnabled_ = false;
    int& shown = BarSetting(parts_.settings, which);
    shown = shown ? 0 : 1;
    parts_.session.Commands().SetChecked(kBarCommand[which], shown != 0);
    ShowBar(which, shown != 0);
    FitWindowToBars();
    layoutEnabled_ = true;
}

void WindowFrame::ToggleCompactView() {
    SetCompactView(parts_.settings.compactView == 0);
}

void WindowFrame::SetCompactView(bool on) {
    parts_.session.Commands().SetChecked(IDM_ANSICHT_VIDEOPUR, on);
    for (int which : {kStatusBar, kTitleBar, kMenuBar, kToolBar, kPositionBar}) {
        if (BarSetting(parts_.settings, which)) {
            ShowBar(which, !on);
        }
    }
    for (int id : kBarItems) {
        SetEnabled(id, !on);
    }
    parts_.settings.compactView = on ? 1 : 0;
    FitWindowToBars();
}

void WindowFrame::ToggleAlwaysOnTop() {
    const bool on = parts_.settings.alwaysOnTop == 0;
    parts_.session.Commands().SetChecked(IDM_ANSICHT_IMMEROBEN, on);
    if (on) {
        parts_.session.Commands().SetFace(IDTBB_ONTOP, "OnTop", "NotOnTop");
    } else {
        parts_.session.Commands().SetFace(IDTBB_ONTOP, "NotOnTop", "OnTop");
    }
    topmost_ = on;
    ApplyWindowFlags();
    parts_.settings.alwaysOnTop = on ? 1 : 0;
}

// A window without caption cannot be maximised by every window manager, so
// it gets one for the moment.
void WindowFrame::OnMaximize() {
    if (!parts_.engine()) {
        return;
    }
    const auto own = OwnStateChanges();
    if (!(style_ & WS_CAPTION)) {
        ModifyStyle(0, WS_CAPTION);
        window_.showMaximized();
        ModifyStyle(WS_CAPTION, 0);
    } else {
        window_.showMaximized();
    }
    LockSizeUnlessSizable();
    SetEnabled(IDM_ANSICHT_WIEDERHERSTELLEN, true);
    if (style_ & WS_MAXIMIZEBOX) {
        SetEnabled(IDM_ANSICHT_MAXIMIEREN, false);
    }
}

void WindowFrame::OnMinimize() {
    const auto own = OwnStateChanges();
    if (fullscreen_.IsFullscreen()) {
        fullscreen_.LeaveFullscreen();
    }
    window_.showMinimized();
}

void WindowFrame::OnRestore() {
    const auto own = OwnStateChanges();
    if (!(style_ & WS_CAPTION) && window_.isMinimized()) {
        ModifyStyle(0, WS_CAPTION);
        window_.showNormal();
        ModifyStyle(WS_CAPTION, 0);
        return;
    }
    window_.showNormal();
    LockSizeUnlessSizable();
    SetEnabled(IDM_ANSICHT_WIEDERHERSTELLEN, false);
    if ((style_ & WS_MAXIMIZEBOX) && !fullscreen_.IsFullscreen()) {
        SetEnabled(IDM_ANSICHT_MAXIMIEREN, true);
    }
}

// The menu items follow, as for the window's own commands.
bool WindowFrame::OnWindowStateChange(const QWindowStateChangeEvent& change) {
    if (changingWindowState_ || fullscreen_.InTransition() || fullscreen_.IsFullscreen() ||
        !parts_.menus.states) {
        return false;
    }
    const bool wasMaximized = change.oldState() & Qt::WindowMaximized;
    if (window_.isMaximized() && !wasMaximized) {
        OnMaximize();
        return true;
    }
    if (!window_.isMaximized() && !window_.isMinimized() && wasMaximized) {
        OnRestore();
        return true;
    }
    return false;
}

QPoint WindowFrame::ContextMenuPosition(QPoint point) const {
    const QRect window = window_.frameGeometry();
    const QSize inner = parts_.client.size();
    return {window.left() + (window.width() - inner.width()) + point.x() - 8,
            window.top() + (window.height() - inner.height()) + point.y() - 8};
}

// Each toggle flips its setting, so a bar that is stored as hidden is first
// marked shown and then toggled off.
void WindowFrame::ApplyStoredViewSettings() {
    CSettings& settings = parts_.settings;
    if (settings.alwaysOnTop) {
        settings.alwaysOnTop = 0;
        ToggleAlwaysOnTop();
    }
    if (settings.aspectRatio == 0) {
        parts_.session.Commands().SetChecked(IDM_VIDEO_ASPECTRATIO, false);
    }
    parts_.session.CheckDeinterlacing();
    for (int which : {kTitleBar, kMenuBar, kToolBar, kPositionBar, kStatusBar}) {
        int& shown = BarSetting(settings, which);
        if (shown == 0) {
            shown = 1;
            ToggleBar(which);
        }
    }
}

bool WindowFrame::ApplyWindowPositionOption() {
    const QRect display = ScreenRect();
    const auto corner = WindowPositionOption(parts_.commandLine.GetWindowPosition(),
                                             {display.width(), display.height()});
    if (corner) {
        window_.move(corner->x, corner->y);
    }
    return corner.has_value();
}

void WindowFrame::ApplyBorderOptions() {
    const bool border = parts_.commandLine.GetBorder() != 0;
    const bool noBorder = parts_.commandLine.GetNoBorder() != 0;
    if (border && noBorder) {
        return;
    }
    if (border) {
        ModifyStyle(0, parts_.engine() ? WS_THICKFRAME | WS_MAXIMIZEBOX : 0);
    } else if (noBorder) {
        ModifyStyle(WS_THICKFRAME, 0);
    }
    FitWindowToBars();
}
