// The stream menus of the main menu and the context menu: the stream groups
// of a file's stream selectors, or the separate chapter, audio, subtitle and
// angle lists of a splitter or a DVD, with their check marks and the rules
// for choosing an entry. Subtitles are always in the subtitle popup too,
// where a user looks for them. Both menus always show the same items and
// marks.
#pragma once

#include "engine/DvdFramework.h"

#include <cstdint>
#include <utility>
#include <vector>

class CDvdPlayer;
class CMediaPlayer;
class PopupRegistry;
class QAction;
class QMenu;

class StreamMenus {
public:
    // The registry and its menus must outlive this object.
    explicit StreamMenus(const PopupRegistry& popups);

    // Fills the popups from the player's streams: the groups, or the
    // separate lists of a splitter or a DVD, leaving out (and greying) the
    // kinds the DVD currently forbids to choose. Null greys everything.
    void Build(CMediaPlayer* player);
    // The check marks as the player reports them; audio entries greyed
    // while a separate sound track plays instead of the file's.
    void Refresh(CMediaPlayer* player);
    // Runs the selection for a stream command; false when `id` is none.
    // `*applyLayout` becomes true when the window must apply its layout.
    bool Select(CMediaPlayer* player, int id, bool* applyLayout);
    // After a change of the DVD's valid operations: subtitles hidden or
    // shown as "Off" says, "Off" greyed when the disc has none to choose
    // here or refuses. True when the window must apply its layout.
    bool ReapplySubtitles(CDvdPlayer& dvd);
    // "Off" is checked: the subtitle state of the next DVD.
    bool SubtitlesOff() const;
    // The state without a medium: the hosts greyed, the table emptied,
    // "Off" enabled (it keeps its check mark).
    void Reset();

    // Entries of the stream table in use (0 when the lists are separate).
    int TableCount() const { return static_cast<int>(table_.size()); }

private:
    struct TableEntry {
        int stream;
        int group;
    };

    void BuildGroups(CMediaPlayer& player, int groups);
    void BuildLists(CMediaPlayer& player, ULONG forbidden);
    // Empties every stream popup but "Off" and its separator.
    void ClearLists();
    // The popup in both menus (either may be null).
    std::vector<QMenu*> Popups(const char* name) const;
    // Every item with that id in the stream popups of both menus.
    std::vector<QAction*> Items(int id) const;
    void Check(int id, bool checked) const;
    void Enable(int id, bool enabled) const;
    bool IsChecked(int id) const;

    const PopupRegistry& popups_;
    std::vector<TableEntry> table_;
    // The table entries the subtitle popup lists as well, in its order.
    std::vector<int> tableSubtitles_;
    // The lists of the last build are separate ones (splitter or DVD).
    bool separateLists_ = false;
};

// What the window greys when a DVD forbids operations: menu commands,
// toolbar buttons (TBSTATE_*) and the position bar.
struct OperationStates {
    std::vector<std::pair<int, bool>> commands;  // id, enabled
    std::vector<std::pair<int, int>> buttons;    // id, state
    bool positionBar = true;
};
OperationStates StatesForForbiddenOperations(ULONG forbidden);
