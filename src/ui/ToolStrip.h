// The window's toolbar: flat buttons for its actions in a row that wraps
// onto further rows when the window is narrower than the buttons, so no
// button ever hides behind an overflow menu.
#pragma once

#include <QSize>
#include <QWidget>

#include <vector>

class QAction;

class ToolStrip : public QWidget {
public:
    explicit ToolStrip(QSize buttonSize, QSize iconSize, QWidget* parent);

    // The button (or separator line) that shows `action`; null when none.
    QWidget* widgetForAction(QAction* action) const;
    // The height all rows take at `width`.
    int heightForWidth(int width) const override;
    bool hasHeightForWidth() const override { return true; }
    QSize sizeHint() const override;

protected:
    void actionEvent(QActionEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    struct Item {
        QAction* action;
        QWidget* widget;
    };
    // Places the items for `width`; returns the height used.
    int Arrange(int width, bool move) const;

    std::vector<Item> items_;
    QSize buttonSize_;
    QSize iconSize_;
};
