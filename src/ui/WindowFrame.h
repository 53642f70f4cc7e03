// The window around the client area: its style and flags, its size and
// place on the screen, the bars it shows, compact view, always on top and
// the window states.
#pragma once

#include "platform/PlayerMessages.h"
#include "session/VideoLayout.h"
#include "ui/ViewParts.h"

#include <QRect>
#include <QScopedValueRollback>

class FullscreenView;
class QWindowStateChangeEvent;
class VideoArea;

// The bars a toggle shows or hides.
enum BarIndex { kTitleBar, kMenuBar, kToolBar, kStatusBar, kPositionBar };

class WindowFrame {
public:
    // `fullscreen` is only used once the window runs.
    WindowFrame(ViewParts parts, VideoArea& area, FullscreenView& fullscreen);

    DWORD Style() const { return style_; }
    void ModifyStyle(DWORD remove, DWORD add);
    void ApplyWindowFlags();
    // The hints a new native window needs beyond Qt's.
    void ShowFrameHints();
    void LockSizeUnlessSizable();
    void SetTopmost(bool on) { topmost_ = on; }
    // While it lives, window state changes are the window's own, not the user's.
    [[nodiscard]] QScopedValueRollback<bool> OwnStateChanges() {
        return QScopedValueRollback<bool>(changingWindowState_, true);
    }

    // The desktop of the current display mode.
    QRect ScreenRect() const;
    // The window's outer size, frame and menu bar included, becomes `outer`.
    void ResizeWindow(PixelSize outer);
    void SetVideoWindowSize(int width, int height, bool secondPass);
    void FitWindowToBars();
    void OnOriginalWindowSize();

    void ShowBar(int which, bool show);
    void ToggleBar(int which);
    void ToggleCompactView();
    void ToggleAlwaysOnTop();

    void OnMaximize();
    void OnMinimize();
    void OnRestore();
    // After the window's size changed, by the user or by the window itself.
    void OnSize();
    // The window manager's maximise and restore buttons; true when it
    // followed one with the window's own.
    bool OnWindowStateChange(const QWindowStateChangeEvent& change);
    // Where the context menu opens for a right click at a client point.
    QPoint ContextMenuPosition(QPoint point) const;

    // The bars, always on top and keep-aspect as the settings have them.
    void ApplyStoredViewSettings();
    // The start options' window corner; false without one.
    bool ApplyWindowPositionOption();
    // The start options' sizing frame, or none.
    void ApplyBorderOptions();

private:
    void SetCompactView(bool on);
    QRect AvailableScreenRect() const;
    PixelSize AvailableScreenSize() const;
    void KeepOnScreen();
    void SetEnabled(int command, bool enabled);

    ViewParts parts_;
    QWidget& window_;
    VideoArea& area_;
    FullscreenView& fullscreen_;
    DWORD style_ = WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    bool topmost_ = false;
    bool layoutEnabled_ = true;         // cleared while a bar toggles
    bool changingWindowState_ = false;  // so its own state changes are not the user's
};
