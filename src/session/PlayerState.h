// What the player is doing, as every view shows it: one value, changed only
// through PlayerSession::Update, which tells the views with one signal.
#pragma once

#include <QString>

struct PlayerState {
    // The medium's name (a file's name, a disc's label) and where it is;
    // empty without one.
    QString name;
    QString path;
    // The engine's State_Stopped, State_Paused or State_Running.
    int play = 0;
    bool operator==(const PlayerState&) const = default;
};
