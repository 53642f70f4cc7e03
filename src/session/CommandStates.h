// Which menu commands and toolbar buttons a medium enables and which it
// greys: none, sound only, a picture with or without sound, in a playlist
// or not. Commands a state does not name keep what they had.
#pragma once

#include <span>
#include <vector>

struct MediumKind {
    bool open = false;
    bool video = false;
    bool audio = false;
    bool playlist = false;
};

struct CommandState {
    int id;
    bool enabled;
    bool operator==(const CommandState&) const = default;
};

// Each id once, in the order the window sets them.
std::vector<CommandState> MenuStatesFor(const MediumKind& medium);
std::vector<CommandState> ButtonStatesFor(const MediumKind& medium);
// The popups (by symbol) that only a medium fills; greyed until then.
std::span<const char* const> MediumPopups();
