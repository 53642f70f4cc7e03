#include "dialogs/CTabbedLabel.h"

#include <QPainter>

CTabbedLabel::CTabbedLabel(QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText);
}

// A plain label draws a tab as a blank.
int CTabbedLabel::Flags() const {
    return static_cast<int>(alignment()) | Qt::TextExpandTabs | (wordWrap() ? Qt::TextWordWrap : 0);
}

QSize CTabbedLabel::sizeHint() const {
    const QMargins margins = contentsMargins();
    return fontMetrics().boundingRect(QRect(), Flags(), text()).size() +
           QSize(margins.left() + margins.right(), margins.top() + margins.bottom());
}

QSize CTabbedLabel::minimumSizeHint() const {
    return sizeHint();
}

void CTabbedLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, foregroundRole()));
    painter.drawText(contentsRect(), Flags(), text());
}
