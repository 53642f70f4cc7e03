// Qt menus built from the menu resources. Every item carries its command id
// (MenuCommands.h) and, like each popup, its symbol as objectName; popups
// that host another menu resource come filled with its items.
#pragma once

#include <memory>

class QMenu;
class QMenuBar;

// A menu bar from a resource's top-level items (IDR_MENU_Framedeck); null
// when there is no such resource.
std::unique_ptr<QMenuBar> LoadMenuBar(int resourceId);
// The first popup of a resource (for IDR_MENU_CONTEXT the context menu);
// null when there is no such resource or it holds no popup.
std::unique_ptr<QMenu> LoadPopupMenu(int resourceId);
