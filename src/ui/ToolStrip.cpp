#include "ui/ToolStrip.h"

#include <QActionEvent>
#include <QFrame>
#include <QToolButton>

#include <algorithm>

namespace {

constexpr int kMargin = 2;
constexpr int kSeparatorWidth = 8;

}  // namespace

ToolStrip::ToolStrip(QSize buttonSize, QSize iconSize, QWidget* parent)
    : QWidget(parent), buttonSize_(buttonSize), iconSize_(iconSize) {
    setAutoFillBackground(true);
}

QWidget* ToolStrip::widgetForAction(QAction* action) const {
    const auto found = std::find_if(items_.begin(), items_.end(),
                                    [action](const Item& item) { return item.action == action; });
    return found == items_.end() ? nullptr : found->widget;
}

void ToolStrip::actionEvent(QActionEvent* event) {
    QAction* action = event->action();
    switch (event->type()) {
        case QEvent::ActionAdded: {
            QWidget* widget = nullptr;
            if (action->isSeparator()) {
                auto* line = new QFrame(this);
                line->setFrameShape(QFrame::VLine);
                line->setFrameShadow(QFrame::Sunken);
                line->setFixedSize(kSeparatorWidth, buttonSize_.height());
                widget = line;
            } else {
                auto* button = new QToolButton(this);
                button->setDefaultAction(action);
                button->setAutoRaise(true);
                button->setIconSize(iconSize_);
                button->setFocusPolicy(Qt::NoFocus);
                button->setFixedSize(buttonSize_);
                widget = button;
            }
            const auto before = std::find_if(items_.begin(), items_.end(), [&](const Item& item) {
                return item.action == event->before();
            });
            items_.insert(before, Item{action, widget});
            widget->show();
            break;
        }
        case QEvent::ActionRemoved: {
            const auto found =
                std::find_if(items_.begin(), items_.end(),
                             [action](const Item& item) { return item.action == action; });
            if (found != items_.end()) {
                delete found->widget;
                items_.erase(found);
            }
            break;
        }
        default:
            break;
    }
    Arrange(width(), true);
    updateGeometry();
}

void ToolStrip::resizeEvent(QResizeEvent*) {
    Arrange(width(), true);
}

int ToolStrip::heightForWidth(int width) const {
    return Arrange(width, false);
}

QSize ToolStrip::sizeHint() const {
    int width = 2 * kMargin;
    for (const Item& item : items_) {
        width += item.widget->width();
    }
    return {width, heightForWidth(width)};
}

// Rows break before an item that would cross the right edge, as a
// wrapping toolbar does; a separator at the start of a row takes no room.
int ToolStrip::Arrange(int width, bool move) const {
    int x = kMargin;
    int y = kMargin;
    const int rowHeight = buttonSize_.height();
    for (const Item& item : items_) {
        const int itemWidth = item.widget->width();
        if (x > kMargin && x + itemWidth > width - kMargin) {
            x = kMargin;
            y += rowHeight;
            if (item.action->isSeparator()) {
                if (move) {
                    item.widget->move(-itemWidth, y);
                }
                continue;
            }
        }
        if (move) {
            item.widget->move(x, y);
        }
        x += itemWidth;
    }
    return y + rowHeight + kMargin;
}
