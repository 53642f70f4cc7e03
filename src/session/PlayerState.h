// What the player is doing, as every view shows it: one value, changed only
// through PlayerSession::Update, which tells the views with one signal.
#pragma once

#include "session/StreamEntry.h"

#include <QString>

#include <optional>
#include <vector>

struct PlayerState {
    // The medium's name (a file's name, a disc's label) and where it is;
    // empty without one.
    QString name;
    QString path;
    // The engine's State_Stopped, State_Paused or State_Running.
    int play = 0;
    // The engine's volume in 1/100 dB, for the volume slider; none without
    // a medium that has sound.
    std::optional<int> volume;
    // Where the medium is and how long it lasts, in 1/100 s, and the speed
    // it plays at (negative backwards), as the clock last found them.
    int position = 0;
    int duration = 0;
    double rate = 1.0;
    // How many milliseconds after the picture the sound and the subtitles
    // come (negative: before); none with a new medium.
    int audioDelay = 0;
    int subtitleDelay = 0;
    // The picture's zoom factors, as the view asked for them.
    struct Zoom {
        double horizontal = 1.0;
        double vertical = 1.0;
        bool operator==(const Zoom&) const = default;
    };
    Zoom zoom;
    // The marked range the position bar shows as its selection; none while
    // it shows none.
    struct Range {
        int start = 0;
        int end = 0;
        bool operator==(const Range&) const = default;
    };
    std::optional<Range> shownMarks;
    // The stream menus' entries, "Off" first once they were read.
    std::vector<StreamEntry> streams;
    bool operator==(const PlayerState&) const = default;
};
