#include "PopupRegistry.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

QAction* MenuPlace::Item() const {
    if (!menu) {
        return nullptr;
    }
    const QList<QAction*> items = menu->actions();
    return position >= 0 && position < items.size() ? items[position] : nullptr;
}

namespace {

MenuPlace FindPlace(QWidget* menu, const QString& name) {
    if (!menu) {
        return {};
    }
    const QList<QAction*> items = menu->actions();
    for (int i = 0; i < items.size(); ++i) {
        if (QMenu* popup = items[i]->menu()) {
            if (popup->objectName().compare(name, Qt::CaseInsensitive) == 0) {
                return {menu, i};
            }
            if (const MenuPlace inner = FindPlace(popup, name); inner.menu) {
                return inner;
            }
        }
    }
    return {};
}

QMenu* PopupAt(const MenuPlace& place) {
    const QAction* item = place.Item();
    return item ? item->menu() : nullptr;
}

}  // namespace

void PopupRegistry::Register(const QString& name, MenuPlace inMenuBar, MenuPlace inContextMenu) {
    entries_.push_back({name, inMenuBar, inContextMenu});
}

void PopupRegistry::RegisterStandardPopups(QMenuBar* menuBar, QMenu* contextMenu) {
    for (const std::string_view symbol : kRegisteredPopups) {
        const QString name =
            QString::fromLatin1(symbol.data(), static_cast<qsizetype>(symbol.size()));
        Register(name, FindPlace(menuBar, name), FindPlace(contextMenu, name));
    }
}

const PopupRegistry::Entry* PopupRegistry::Find(const QString& name) const {
    for (const Entry& entry : entries_) {
        if (entry.name.compare(name, Qt::CaseInsensitive) == 0) {
            return &entry;
        }
    }
    return nullptr;
}

void PopupRegistry::EnablePopup(const QString& name, bool enabled) const {
    const Entry* entry = Find(name);
    if (!entry) {
        return;
    }
    for (const MenuPlace& place : {entry->inMenuBar, entry->inContextMenu}) {
        if (QAction* item = place.Item()) {
            item->setEnabled(enabled);
        }
    }
}

QMenu* PopupRegistry::MenuBarPopup(const QString& name) const {
    const Entry* entry = Find(name);
    return entry ? PopupAt(entry->inMenuBar) : nullptr;
}

QMenu* PopupRegistry::ContextPopup(const QString& name) const {
    const Entry* entry = Find(name);
    return entry ? PopupAt(entry->inContextMenu) : nullptr;
}
