#include "MenuBuilder.h"

#include "MenuCommands.h"
#include "MenuResources.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

using velvaro::res::FindMenuResource;
using velvaro::res::MenuItem;
using velvaro::res::MenuItemKind;

namespace {

QString ToQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::span<const MenuItem> PopupItems(const MenuItem& popup) {
    if (popup.hostedMenu == 0) {
        return popup.items;
    }
    const velvaro::res::MenuResource* hosted = FindMenuResource(popup.hostedMenu);
    if (!hosted || hosted->items.empty()) {
        return {};
    }
    return hosted->items.front().items;
}

void ApplyFlags(QAction* action, unsigned flags) {
    action->setCheckable((flags & velvaro::res::kMenuCheckable) != 0);
    action->setChecked((flags & velvaro::res::kMenuChecked) != 0);
    action->setEnabled((flags & velvaro::res::kMenuGrayed) == 0);
}

void AddItems(QWidget* menu, std::span<const MenuItem> items);

void AddPopup(QWidget* menu, const MenuItem& item) {
    auto* popup = new QMenu(ToQString(item.text), menu);
    popup->setObjectName(ToQString(item.symbol));
    QAction* host = popup->menuAction();
    host->setObjectName(popup->objectName());
    SetCommandId(host, item.id);
    host->setEnabled((item.flags & velvaro::res::kMenuGrayed) == 0);
    menu->addAction(host);
    AddItems(popup, PopupItems(item));
}

void AddItems(QWidget* menu, std::span<const MenuItem> items) {
    for (const MenuItem& item : items) {
        switch (item.kind) {
            case MenuItemKind::Separator: {
                auto* separator = new QAction(menu);
                separator->setSeparator(true);
                menu->addAction(separator);
                break;
            }
            case MenuItemKind::Command: {
                QAction* action = AddCommand(menu, item.id, ToQString(item.text));
                action->setObjectName(ToQString(item.symbol));
                ApplyFlags(action, item.flags);
                break;
            }
            case MenuItemKind::Popup:
                AddPopup(menu, item);
                break;
        }
    }
}

}  // namespace

std::unique_ptr<QMenuBar> LoadMenuBar(int resourceId) {
    const velvaro::res::MenuResource* resource = FindMenuResource(resourceId);
    if (!resource) {
        return nullptr;
    }
    auto menuBar = std::make_unique<QMenuBar>();
    menuBar->setObjectName(ToQString(resource->symbol));
    AddItems(menuBar.get(), resource->items);
    return menuBar;
}

std::unique_ptr<QMenu> LoadPopupMenu(int resourceId) {
    const velvaro::res::MenuResource* resource = FindMenuResource(resourceId);
    if (!resource || resource->items.empty() ||
        resource->items.front().kind != MenuItemKind::Popup) {
        return nullptr;
    }
    const MenuItem& popup = resource->items.front();
    auto menu = std::make_unique<QMenu>(ToQString(popup.text));
    menu->setObjectName(ToQString(resource->symbol));
    AddItems(menu.get(), PopupItems(popup));
    return menu;
}
