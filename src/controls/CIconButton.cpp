#include "CIconButton.h"

#include <QPainter>

namespace {

constexpr int kIconSize = 16;

}  // namespace

CIconButton::CIconButton(QWidget* parent) : QPushButton(parent) {
    // The pressed face is painted anew; the icon must land on it again.
    const auto redrawIcon = [this] { update(iconRect_); };
    connect(this, &QPushButton::pressed, this, redrawIcon);
    connect(this, &QPushButton::released, this, redrawIcon);
}

void CIconButton::SetIcon(const QIcon& icon) {
    icon_ = icon;
    update();
}

void CIconButton::paintEvent(QPaintEvent* event) {
    QPushButton::paintEvent(event);
    if (firstPaint_) {
        // Placed once, from the size the button has when it first shows.
        const int left = (width() - kIconSize) / 2;
        const int top = (height() - kIconSize) / 2;
        iconRect_ = QRect(left, top, kIconSize, kIconSize);
        firstPaint_ = false;
    }
    if (!icon_.isNull()) {
        QPainter painter(this);
        icon_.paint(&painter, iconRect_, Qt::AlignCenter, QIcon::Normal);
    }
}
