// The filters of a player's graph as the windows offer them: in a list or a
// menu, each opening its property pages.
#pragma once

#include "CommandRanges.h"

#include <string>

class CMediaPlayer;
class QObject;
class QWidget;

// Targets of FillFilterList.
inline constexpr int FILTERLIST_LISTBOX = 0;
inline constexpr int FILTERLIST_MENU = 1;
inline constexpr int kFirstFilterCommand = command_range::kFirstFilter;
inline constexpr int kMaxFilterCommands = command_range::kMaxFilters;

namespace velvaro::dialogs {

// Kind FILTERLIST_LISTBOX adds the filters that have property pages to a
// QListWidget; FILTERLIST_MENU empties a QMenu and lists every filter in it,
// the first kMaxFilterCommands with command ids from kFirstFilterCommand,
// those without pages greyed. Returns the number of filters.
int FillFilterList(CMediaPlayer& player, QObject* target, int kind);

// Shows the pages of every filter named `name`, one after the other, over
// `parent`; returns once they are closed.
void ShowFilterProperties(CMediaPlayer& player, const std::string& name, QWidget* parent);

}  // namespace velvaro::dialogs
