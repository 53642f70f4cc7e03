#include "MenuCommands.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QVariant>

void SetCommandId(QAction* action, int id) {
    action->setData(id);
}

int CommandId(const QAction* action) {
    bool isNumber = false;
    const int id = action->data().toInt(&isNumber);
    return isNumber ? id : 0;
}

QAction* AddCommand(QWidget* menu, int id, const QString& text) {
    auto* action = new QAction(text, menu);
    SetCommandId(action, id);
    // Qt flips a checkable action before anyone hears of the click; flip it
    // back first, since this connection is made before any handler's.
    QObject::connect(action, &QAction::triggered, action, [action](bool checked) {
        if (action->isCheckable()) {
            action->setChecked(!checked);
        }
    });
    menu->addAction(action);
    return action;
}

namespace {

void CollectCommands(const QWidget* menu, int id, QList<QAction*>& found) {
    for (QAction* action : menu->actions()) {
        if (CommandId(action) == id) {
            found.append(action);
        }
        if (const QMenu* popup = action->menu()) {
            CollectCommands(popup, id, found);
        }
    }
}

}  // namespace

QList<QAction*> FindCommands(const QWidget* menu, int id) {
    QList<QAction*> found;
    if (menu) {
        CollectCommands(menu, id, found);
    }
    return found;
}

std::array<const QWidget*, 2> MenuStates::Menus() const {
    return {menuBar_, contextMenu_};
}

void MenuStates::Check(int id, bool checked) const {
    for (const QWidget* menu : Menus()) {
        for (QAction* action : FindCommands(menu, id)) {
            if (checked) {
                action->setCheckable(true);
            }
            action->setChecked(checked);
        }
    }
}

void MenuStates::Enable(int id, bool enabled) const {
    for (const QWidget* menu : Menus()) {
        for (QAction* action : FindCommands(menu, id)) {
            action->setEnabled(enabled);
        }
    }
}

bool MenuStates::IsChecked(int id) const {
    const QList<QAction*> found = FindCommands(menuBar_, id);
    return !found.isEmpty() && found.front()->isChecked();
}

bool MenuStates::IsEnabled(int id) const {
    const QList<QAction*> found = FindCommands(menuBar_, id);
    return !found.isEmpty() && found.front()->isEnabled();
}
