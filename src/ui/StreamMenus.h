// The stream menus of the main menu and the context menu, drawn from the
// session's state: the stream groups of a file's stream selectors, or the
// separate chapter, audio, subtitle and angle lists of a splitter or a DVD,
// with their check marks. A popup is enabled when it lists something. Both
// menus always show the same items and marks. What is listed, and what
// choosing an entry does, is the session's (MediumStreams).
#pragma once

#include "engine/DvdFramework.h"
#include "session/StreamEntry.h"

#include <QObject>

#include <utility>
#include <vector>

class PlayerSession;
class PopupRegistry;
class QMenu;

class StreamMenus {
public:
    // The registry and its menus must outlive this object. The menus follow
    // each change of the session's streams from now on.
    StreamMenus(const PopupRegistry& popups, const PlayerSession& session);

private:
    void Draw(const std::vector<StreamEntry>& now, const std::vector<StreamEntry>& before) const;
    // Makes the items anew: every stream popup emptied but "Off" and its
    // separator, the entries appended, the popups enabled by what they list.
    void Rebuild(const std::vector<StreamEntry>& entries) const;
    // The check marks and greying of the items there are.
    void Mark(const std::vector<StreamEntry>& entries) const;
    // The popup in both menus (either may be null).
    std::vector<QMenu*> Popups(const char* name) const;

    const PopupRegistry& popups_;
    // What is connected to this class goes with it.
    QObject receiver_;
};

// What the window greys when a DVD forbids operations: menu commands,
// toolbar buttons (TBSTATE_*) and the position bar.
struct OperationStates {
    std::vector<std::pair<int, bool>> commands;  // id, enabled
    std::vector<std::pair<int, int>> buttons;    // id, state
    bool positionBar = true;
};
OperationStates StatesForForbiddenOperations(ULONG forbidden);
