#include "ui/PlayerClientArea.h"

#include <QContextMenuEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>

PlayerClientArea::PlayerClientArea(QWidget* window, std::function<void(QPainter&)> paint,
                                   ClientMouse mouse)
    : QWidget(window), paint_(std::move(paint)), mouse_(std::move(mouse)) {
    setObjectName(QStringLiteral("ClientArea"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    // Movements without a button pressed bring the cursor back in fullscreen.
    setMouseTracking(true);
}

void PlayerClientArea::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    paint_(painter);
}

void PlayerClientArea::mousePressEvent(QMouseEvent* event) {
    const QPoint point = event->position().toPoint();
    switch (event->button()) {
        case Qt::LeftButton:
            mouse_.leftPressed(point);
            break;
        case Qt::RightButton:
            mouse_.rightPressed(point);
            break;
        case Qt::MiddleButton:
            mouse_.middlePressed();
            break;
        case Qt::BackButton:
        case Qt::ForwardButton:
            mouse_.extraPressed(event->button());
            break;
        default:
            break;
    }
    event->accept();
}

void PlayerClientArea::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        mouse_.leftReleased(event->position().toPoint());
    }
    event->accept();
}

void PlayerClientArea::mouseMoveEvent(QMouseEvent* event) {
    mouse_.moved(event->position().toPoint(), event->buttons());
    event->accept();
}

// Qt's angle delta counts in eighths of a degree, 120 to a notch; a sideways
// wheel is not ours. More than one report can carry is cut to 16 bits.
void PlayerClientArea::wheelEvent(QWheelEvent* event) {
    event->accept();
    const int delta = std::clamp(event->angleDelta().y(), -32768, 32767);
    if (delta != 0) {
        mouse_.wheeled(delta);
    }
}

// The right button press opens the menu already.
void PlayerClientArea::contextMenuEvent(QContextMenuEvent* event) {
    event->accept();
}
