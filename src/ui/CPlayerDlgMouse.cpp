// The mouse in the video area: a click opens a file or switches fullscreen,
// dragging moves the window, the right button opens the context menu, the
// middle one plays or pauses, the extra ones change the volume and the
// wheel skips through the medium.
//
// Window moves need nothing from us: the video window is a child widget and
// moves with the window by itself.
#include "ui/CPlayerDlg.h"

#include "CommandRanges.h"
#include "engine/CMediaPlayer.h"
#include "resource.h"
#include "ui/PlayerClientArea.h"

#include <QMenu>
#include <QWindow>

#include <utility>

ClientMouse CPlayerDlg::MouseInput() {
    // Any of it may have moved a still player.
    const auto waking = [this](auto handle) {
        return [this, handle](auto... input) {
            handle(input...);
            session.Events().Wake();
        };
    };
    return {
        .leftPressed = waking([this](QPoint) { fullscreen.Pointer().leftButtonPressed = true; }),
        // Only a release whose press was ours counts, so a press elsewhere
        // (a menu, another window) released over the video does nothing.
        .leftReleased = waking([this](QPoint point) {
            if (!std::exchange(fullscreen.Pointer().leftButtonPressed, false)) {
                return;
            }
            if (!Player()) {
                OnFileOpen();
            } else if (videoArea.HasVideo() && !disc.OnClick(point)) {
                fullscreen.OnFullscreen();
            }
        }),
        .moved = waking([this](QPoint point, Qt::MouseButtons held) {
            PointerState& pointer = fullscreen.Pointer();
            if (point != pointer.lastPosition) {
                pointer.lastPosition = point;
                pointer.lastMoveTick = TickCount();
                disc.OnHover(point);
            }
            if ((held & Qt::LeftButton) && !fullscreen.IsFullscreen()) {
                // The window manager moves the window from here on; the press
                // has become a drag and its release is no click.
                if (QWindow* handle = windowHandle(); handle && handle->startSystemMove()) {
                    pointer.leftButtonPressed = false;
                }
            }
        }),
        .rightPressed = waking([this](QPoint point) {
            if (!menus.context) {
                return;
            }
            // A command of the menu may end fullscreen; the count still has
            // to be given back.
            const bool showsCursor = fullscreen.IsFullscreen();
            if (showsCursor) {
                fullscreen.ShowSystemCursor(true);
            }
            menus.context->exec(frame.ContextMenuPosition(point));
            if (showsCursor) {
                fullscreen.ShowSystemCursor(false);
            }
        }),
        .middlePressed = waking([this] {
            if (Player()) {
                session.Execute(IDM_WIEDERGABE_WIEDERGABE_PAUSE);
            }
        }),
        .extraPressed = waking([this](Qt::MouseButton extra) {
            if (Player()) {
                session.Execute(extra == Qt::BackButton ? IDM_AUDIO_LEISER : IDM_AUDIO_LAUTER);
            }
        }),
        // The skip waits for a medium being opened, as the keys' do.
        .wheeled = [this](int delta) { session.Execute(value_command::kSkip, WheelSteps(delta)); },
    };
}
