// The key table: what each key of the player window stands for. A key is
// one command, or two where the first may not apply (Ctrl with an arrow
// moves a disc menu's selection, and zooms where there is none).
#pragma once

#include "platform/VirtualKeys.h"

namespace key_command {

// Commands only keys give; they lie beside the menus' and the run-time ids.
inline constexpr int kFirst = 65100;
inline constexpr int kStepForwards = kFirst;
inline constexpr int kStepBackwards = kFirst + 1;
inline constexpr int kFullscreen = kFirst + 2;   // leaves fullscreen, else enters it
inline constexpr int kCompactView = kFirst + 3;  // not in fullscreen
inline constexpr int kDiscActivate = kFirst + 4;
inline constexpr int kDiscUp = kFirst + 5;
inline constexpr int kDiscDown = kFirst + 6;
inline constexpr int kDiscLeft = kFirst + 7;
inline constexpr int kDiscRight = kFirst + 8;
inline constexpr int kEnd = kFirst + 9;

}  // namespace key_command

struct KeyCommands {
    int command = 0;   // 0: the key stands for nothing
    int fallback = 0;  // tried when no one takes `command`
    bool operator==(const KeyCommands&) const = default;
};

KeyCommands CommandsForKey(UINT key, bool control);
