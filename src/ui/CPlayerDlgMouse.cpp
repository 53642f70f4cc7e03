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

int CPlayerDlg::WheelSteps(int delta) {
    return delta / WHEEL_DELTA;  // truncates towards zero: -119 is no step
}

QPoint CPlayerDlg::ContextMenuPosition(QPoint point) const {
    const QRect window = WindowRect();
    const QSize inner = ClientSize();
    return {window.left() + (window.width() - inner.width()) + point.x() - 8,
            window.top() + (window.height() - inner.height()) + point.y() - 8};
}

void CPlayerDlg::OnMouseMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_LBUTTONDOWN:
            OnLButtonDown();
            break;
        case WM_LBUTTONUP:
            OnLButtonUp();
            break;
        case WM_MOUSEMOVE:
            OnMouseMove(wParam, QPoint(PointX(lParam), PointY(lParam)));
            break;
        case WM_RBUTTONDOWN:
            OnRButtonDown(QPoint(PointX(lParam), PointY(lParam)));
            break;
        case WM_MOUSEWHEEL:
            OnMouseWheel(static_cast<std::int16_t>(HighWord(wParam)));
            break;
        default:
            break;
    }
}

void CPlayerDlg::OnLButtonDown() {
    leftButtonPressed = true;
}

// Only a release whose press was ours counts, so a press elsewhere (a
// menu, another window) released over the video does nothing.
void CPlayerDlg::OnLButtonUp() {
    if (!leftButtonPressed) {
        return;
    }
    leftButtonPressed = false;
    if (!player) {
        OnFileOpen();
        return;
    }
    if (!HasVideo()) {
        return;
    }
    OnFullscreen();
}

void CPlayerDlg::OnMouseMove(WPARAM keys, QPoint point) {
    if (point != lastMousePosition) {
        lastMousePosition = point;
        lastMouseMoveTick = TickCount();
    }
    if ((keys & MK_LBUTTON) && !fullscreen) {
        // The window manager moves the window from here on; the press has
        // become a drag and its release is no click.
        if (QWindow* handle = windowHandle(); handle && handle->startSystemMove()) {
            leftButtonPressed = false;
        }
    }
}

void CPlayerDlg::OnRButtonDown(QPoint point) {
    if (!contextMenu) {
        return;
    }
    const QPoint position = ContextMenuPosition(point);
    // A command of the menu may end fullscreen; the count still has to be
    // given back.
    const bool showsCursor = fullscreen;
    if (showsCursor) {
        ShowSystemCursor(true);
    }
    contextMenu->exec(position);
    if (showsCursor) {
        ShowSystemCursor(false);
    }
}

void CPlayerDlg::OnMouseWheel(int delta) {
    if (player) {
        Skip(WheelSteps(delta));
    }
}
