// Fullscreen: the window without caption and bars over the whole display,
// optionally in another display mode; the cursor that hides while the
// mouse rests; the bookmark editor that steps aside meanwhile.
#pragma once

#include "ui/PlayerWindowState.h"
#include "ui/ViewParts.h"

#include <QTimer>

class VideoArea;
class WindowBookmarks;
class WindowFrame;

class FullscreenView {
public:
    FullscreenView(ViewParts parts, VideoArea& area, WindowFrame& frame,
                   WindowBookmarks& bookmarks);

    bool IsFullscreen() const { return fullscreen_; }
    // Entering or leaving: a size change then keeps the zoom.
    bool InTransition() const { return state_.inTransition; }
    // The next entry fits the picture again, as after an open.
    void ForgetFit() { state_.fitted = false; }

    // Each needs a medium with video.
    void OnFullscreen();
    void EnterFullscreen();
    void LeaveFullscreen();
    void OnFullscreenSize();

    // The mouse over the video, which the window's mouse handling keeps.
    PointerState& Pointer() { return pointer_; }
    const PointerState& Pointer() const { return pointer_; }
    // Each `true` undoes one `false`; dialogs in fullscreen show it meanwhile.
    void ShowSystemCursor(bool show);
    // True when the cursor was shown for a dialog in fullscreen; hand it to
    // RestoreCursorAfterDialog, which undoes exactly that.
    bool ShowCursorForDialog();
    void RestoreCursorAfterDialog(bool shown);

private:
    void CoverDisplay();
    void OnMouseMoveTimer();

    ViewParts parts_;
    VideoArea& area_;
    WindowFrame& frame_;
    WindowBookmarks& bookmarks_;
    bool fullscreen_ = false;
    FullscreenState state_;
    PointerState pointer_;
    QTimer mouseMoveTimer_;  // every 40 ms, only in fullscreen
};
