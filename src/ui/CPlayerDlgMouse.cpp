// The mouse in the video area: a click opens a file or switches fullscreen,
// dragging moves the window, the right button opens the context menu and
// the wheel skips through the medium.
//
// Window moves need nothing from us: the video window is a child widget and
// moves with the window by itself.
#include "ui/CPlayerDlg.h"

#include "engine/CMediaPlayer.h"

#include <QMenu>
#include <QWindow>

#include <cstdint>
#include <utility>

void CPlayerDlg::OnMouseMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    const QPoint point(PointX(lParam), PointY(lParam));
    PointerState& pointer = fullscreen.Pointer();
    switch (message) {
        case WM_LBUTTONDOWN:
            pointer.leftButtonPressed = true;
            break;
        case WM_LBUTTONUP:
            // Only a release whose press was ours counts, so a press elsewhere
            // (a menu, another window) released over the video does nothing.
            if (!std::exchange(pointer.leftButtonPressed, false)) {
                break;
            }
            if (!Player()) {
                OnFileOpen();
            } else if (videoArea.HasVideo() && !disc.OnClick(point)) {
                fullscreen.OnFullscreen();
            }
            break;
        case WM_MOUSEMOVE:
            if (point != pointer.lastPosition) {
                pointer.lastPosition = point;
                pointer.lastMoveTick = TickCount();
                disc.OnHover(point);
            }
            if ((wParam & MK_LBUTTON) && !fullscreen.IsFullscreen()) {
                // The window manager moves the window from here on; the press
                // has become a drag and its release is no click.
                if (QWindow* handle = windowHandle(); handle && handle->startSystemMove()) {
                    pointer.leftButtonPressed = false;
                }
            }
            break;
        case WM_RBUTTONDOWN:
            if (menus.context) {
                // A command of the menu may end fullscreen; the count still
                // has to be given back.
                const bool showsCursor = fullscreen.IsFullscreen();
                if (showsCursor) {
                    fullscreen.ShowSystemCursor(true);
                }
                menus.context->exec(frame.ContextMenuPosition(point));
                if (showsCursor) {
                    fullscreen.ShowSystemCursor(false);
                }
            }
            break;
        case WM_MOUSEWHEEL:
            if (Player()) {
                Skip(WheelSteps(static_cast<std::int16_t>(HighWord(wParam))));
            }
            break;
        default:
            break;
    }
}
