#include "ui/PlayerClientArea.h"

#include "platform/PlayerMessages.h"
#include "platform/WindowMessage.h"

#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>
#include <cstdint>

namespace {

// The buttons held, as mouse messages report them.
WPARAM HeldButtons(Qt::MouseButtons buttons) {
    WPARAM keys = 0;
    if (buttons & Qt::LeftButton) {
        keys |= MK_LBUTTON;
    }
    if (buttons & Qt::RightButton) {
        keys |= MK_RBUTTON;
    }
    if (buttons & Qt::MiddleButton) {
        keys |= MK_MBUTTON;
    }
    return keys;
}

LPARAM ClientPoint(const QMouseEvent* event) {
    const QPoint point = event->position().toPoint();
    return MakePointLParam(point.x(), point.y());
}

}  // namespace

PlayerClientArea::PlayerClientArea(QWidget* window, std::function<void(QPainter&)> paint)
    : QWidget(window), window_(window), paint_(std::move(paint)) {
    setObjectName(QStringLiteral("ClientArea"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    // Movements without a button pressed bring the cursor back in fullscreen.
    setMouseTracking(true);
}

bool PlayerClientArea::event(QEvent* event) {
    if (event->type() == WindowMessageEvent::Type()) {
        return QCoreApplication::sendEvent(window_, event);
    }
    return QWidget::event(event);
}

void PlayerClientArea::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    paint_(painter);
}

void PlayerClientArea::mousePressEvent(QMouseEvent* event) {
    const WPARAM keys = HeldButtons(event->buttons());
    if (event->button() == Qt::LeftButton) {
        SendMessage(window_, WM_LBUTTONDOWN, keys, ClientPoint(event));
    } else if (event->button() == Qt::RightButton) {
        SendMessage(window_, WM_RBUTTONDOWN, keys, ClientPoint(event));
    } else if (event->button() == Qt::MiddleButton) {
        SendMessage(window_, WM_MBUTTONDOWN, keys, ClientPoint(event));
    } else if (event->button() == Qt::BackButton) {
        SendMessage(window_, WM_PARENTNOTIFY, kExtraButton1Down, 0);
    } else if (event->button() == Qt::ForwardButton) {
        SendMessage(window_, WM_PARENTNOTIFY, kExtraButton2Down, 0);
    }
    event->accept();
}

void PlayerClientArea::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        SendMessage(window_, WM_LBUTTONUP, HeldButtons(event->buttons()), ClientPoint(event));
    }
    event->accept();
}

void PlayerClientArea::mouseMoveEvent(QMouseEvent* event) {
    SendMessage(window_, WM_MOUSEMOVE, HeldButtons(event->buttons()), ClientPoint(event));
    event->accept();
}

// Qt's angle delta counts in eighths of a degree, 120 to a notch, as the
// wheel message does. A sideways wheel is another message, not ours.
void PlayerClientArea::wheelEvent(QWheelEvent* event) {
    event->accept();
    const int delta = std::clamp(event->angleDelta().y(), -32768, 32767);
    if (delta == 0) {
        return;
    }
    const QPoint screen = event->globalPosition().toPoint();
    const auto word = static_cast<std::uint16_t>(static_cast<std::int16_t>(delta));
    SendMessage(window_, WM_MOUSEWHEEL, MakeWParam(HeldButtons(event->buttons()), word),
                MakePointLParam(screen.x(), screen.y()));
}

// The right button press opens the menu already.
void PlayerClientArea::contextMenuEvent(QContextMenuEvent* event) {
    event->accept();
}
