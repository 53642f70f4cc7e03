// The player window's own state, grouped by concern. What needs no widget
// at all (zoom, marks, playlist, command states) is in src/session.
#pragma once

#include "engine/FileOpening.h"
#include "platform/WindowMessage.h"
#include "session/MediumOpener.h"

#include <QPixmap>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

#include <functional>
#include <memory>
#include <tuple>
#include <vector>

class CClickSlider;
class CToolButtonTable;
class MenuStates;
class PlayerStatusBar;
class PopupRegistry;
class StreamMenus;
class QMenu;
class QMenuBar;
class ToolStrip;

inline const QString kCaptionBase = QStringLiteral("Velvaro");
// The client size without a medium: the splash picture's (its height is 0
// with the option "nosplash").
inline constexpr int kSplashWidth = 450;
inline constexpr int kSplashHeight = 250;

// The menu bar and the context menu, their popups by symbol, and the check
// and grey states of both.
struct PlayerMenus {
    std::unique_ptr<QMenuBar> bar;
    std::unique_ptr<QMenu> context;
    std::unique_ptr<PopupRegistry> popups;
    std::unique_ptr<MenuStates> states;
    std::unique_ptr<StreamMenus> streams;
};

// The bars in the client area. Hidden ones keep their widgets at no size
// and get the remembered size back when shown.
struct PlayerBars {
    PlayerStatusBar* status = nullptr;
    CClickSlider* position = nullptr;
    CClickSlider* volume = nullptr;
    ToolStrip* toolbar = nullptr;
    QPixmap normalImages;
    QPixmap hoverImages;
    std::unique_ptr<CToolButtonTable> buttons;
    QSize toolbarSize;
    QSize statusSize;
    QSize positionSize;
    QSize volumeSize;
    bool menuAttached = true;
    // Why the medium stopped playing, shown in place of the time until the
    // next open.
    QString playbackError;
    // Told once at the start (the settings were reset), shown in place of
    // the time until `noticeUntil` (a TickCount).
    QString notice;
    unsigned noticeUntil = 0;
    // Shows `text` in place of the time for the next 15 seconds, or as long
    // as given.
    void ShowNotice(const QString& text, unsigned milliseconds = 15000);
    // Empties every status text; with `keepNotice` a notice still running
    // stays in place of the time.
    void ClearTexts(bool keepNotice);
};

// Entering fullscreen and the way back from it.
struct FullscreenState {
    // Set while entering or leaving: a size message then keeps the zoom.
    bool inTransition = false;
    // The first entry after an open fits the picture, later ones keep the zoom.
    bool fitted = false;
    // The window system may give the fullscreen size only after entering has
    // finished; the first fit is then done again for the real size.
    bool fitOnSize = false;
    bool wasMaximized = false;
    bool displayModeChanged = false;
    bool editorWasVisible = false;
    bool watchingDisplaySize = false;
    QRect before;
};

// The mouse over the video and the cursor that hides while it rests.
struct PointerState {
    bool cursorShown = true;
    // Counted as the window system does: shown while not below zero.
    int systemCursorCount = 0;
    unsigned lastMoveTick = 0;
    QPoint lastPosition;
    // Only a release whose press was ours is a click.
    bool leftButtonPressed = false;
};

// The position slider's thumb while it is dragged.
struct SliderDrag {
    bool dragging = false;
    int lastSeek = -1;
    unsigned lastTick = 0;
    // Where the bar was last said to lie on the screen, for the benchmarks.
    QRect notedPlace;
};

// While a medium opens the window keeps painting; input for the medium
// waits until the open is done, second starts too.
struct OpeningState {
    int depth = 0;  // opens under way
    bool closeAfter = false;
    // What comes after the file or disc the session is opening.
    bool disc = false;
    QString path;
    bool fromPlaylist = false;
    bool centre = false;  // begun before the start's medium was handled
    std::function<void(bool opened)> then;
    std::function<void()> done;  // ends the hold BeginOpening began
    // What comes after the sound track the session is checking.
    std::function<void(bool added)> soundTrackThen;
    std::function<void()> soundTrackDone;
    // The sound track's open is dropped, and what came after it.
    void DropSoundTrack(PlayerSession& session);
};
