// The main window's two menus as the menu resources build them, with the
// popups registered.
#pragma once

#include "QText.h"
#include "i18n/ui/MenuBuilder.h"
#include "i18n/ui/MenuCommands.h"
#include "i18n/ui/PopupRegistry.h"
#include "resource.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

#include <memory>

namespace velvaro::test {

struct MainMenus {
    MainMenus() { popups.RegisterStandardPopups(bar.get(), context.get()); }

    // The one item with that id in the menu; null when it is not there once.
    static QAction* Item(const QWidget* menu, int id) {
        const QList<QAction*> found = FindCommands(menu, id);
        return found.size() == 1 ? found.front() : nullptr;
    }
    QAction* InBar(int id) const { return Item(bar.get(), id); }
    QAction* InContext(int id) const { return Item(context.get(), id); }

    std::unique_ptr<QMenuBar> bar = LoadMenuBar(IDR_MENU_Framedeck);
    std::unique_ptr<QMenu> context = LoadPopupMenu(IDR_MENU_CONTEXT);
    PopupRegistry popups;
};

}  // namespace velvaro::test
