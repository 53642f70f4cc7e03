// The menu resources: the main menu, the context menu and the popups that the
// main window hangs into both, written as data.
#pragma once

#include <span>
#include <string_view>

namespace velvaro::res {

enum class MenuItemKind { Command, Popup, Separator };

enum MenuItemFlag : unsigned {
    kMenuCheckable = 1,  // a toggle; shows a check mark when on
    kMenuChecked = 2,
    kMenuGrayed = 4,
};

struct MenuItem {
    MenuItemKind kind = MenuItemKind::Separator;
    // The command id; a popup carries the id of its own symbol, so it can be
    // found and translated like a command.
    int id = 0;
    std::string_view symbol;  // e.g. "IDM_DATEI_OEFFNEN"
    std::string_view text;    // the resource's own (mostly German) text, UTF-8
    unsigned flags = 0;
    std::span<const MenuItem> items;  // a popup's items
    int hostedMenu = 0;               // or the menu resource whose popup it shows
};

struct MenuResource {
    int id;
    std::string_view symbol;
    // The top-level items. A popup resource has one: the popup it stands for.
    std::span<const MenuItem> items;
};

std::span<const MenuResource> MenuResources();
// nullptr when there is no menu resource with that id.
const MenuResource* FindMenuResource(int id);

}  // namespace velvaro::res
