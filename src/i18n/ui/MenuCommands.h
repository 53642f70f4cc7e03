// Menu items as command ids: every QAction of the menus carries the id of
// its command (a popup's menuAction() the id of its symbol) in data().
#pragma once

#include <QList>
#include <QString>

#include <array>

class QAction;
class QMenu;
class QMenuBar;
class QWidget;

void SetCommandId(QAction* action, int id);
// 0 when the action carries no id.
int CommandId(const QAction* action);

// Appends a command item. A click never changes its check mark by itself:
// as with the menus the commands were written for, the command's handler
// sets it, so it can tell from the mark what state it is leaving.
QAction* AddCommand(QWidget* menu, int id, const QString& text);

// Every item with that id in the menu and its popups, depth first.
QList<QAction*> FindCommands(const QWidget* menu, int id);

// Check marks and grey states go to the menu bar and the context menu
// together, so both always show the same.
class MenuStates {
public:
    MenuStates(QMenuBar* menuBar, QMenu* contextMenu)
        : menuBar_(menuBar), contextMenu_(contextMenu) {}

    void Check(int id, bool checked) const;
    void Enable(int id, bool enabled) const;
    // As the menu bar shows them; false when there is no such item.
    bool IsChecked(int id) const;
    bool IsEnabled(int id) const;

private:
    std::array<const QWidget*, 2> Menus() const;

    QMenuBar* menuBar_;
    QMenu* contextMenu_;
};
