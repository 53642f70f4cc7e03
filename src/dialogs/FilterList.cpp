#include "FilterList.h"

#include "ElementPropertiesDialog.h"
#include "engine/CMediaPlayer.h"

#include <QListWidget>
#include <QMenu>

namespace velvaro::dialogs {

int FillFilterList(CMediaPlayer& player, QObject* target, int kind) {
    auto* list = kind == FILTERLIST_LISTBOX ? qobject_cast<QListWidget*>(target) : nullptr;
    auto* menu = kind == FILTERLIST_MENU ? qobject_cast<QMenu*>(target) : nullptr;
    if (menu) {
        const auto actions = menu->actions();
        for (auto it = actions.rbegin(); it != actions.rend(); ++it) {
            menu->removeAction(*it);
            delete *it;
        }
    }
    int count = 0;
    for (const FilterEntry& filter : player.ListFilters()) {
        const QString name = QString::fromStdString(filter.name);
        if (list && filter.hasPages) {
            list->addItem(name);
        }
        if (menu && count < kMaxFilterCommands) {
            QAction* action = menu->addAction(name);
            action->setData(kFirstFilterCommand + count);
            action->setEnabled(filter.hasPages);
        }
        ++count;
    }
    return count;
}

void ShowFilterProperties(CMediaPlayer& player, const std::string& name, QWidget* parent) {
    for (const auto& properties : player.GetFilterProperties(name)) {
        ShowElementProperties(properties, name, parent);
    }
}

}  // namespace velvaro::dialogs
