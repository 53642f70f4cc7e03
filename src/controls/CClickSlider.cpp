#include "controls/CClickSlider.h"

#include "platform/PlayerMessages.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionSlider>

#include <cmath>

CClickSlider::CClickSlider(QWidget* parent) : QSlider(Qt::Horizontal, parent) {
    setFocusPolicy(Qt::NoFocus);
    setAutoFillBackground(true);
}

void CClickSlider::SetSelection(int start, int end) {
    selectionStart_ = start;
    selectionEnd_ = end;
    update();
}

void CClickSlider::ClearSelection() {
    SetSelection(0, -1);
}

QRect CClickSlider::Channel() const {
    QStyleOptionSlider option;
    initStyleOption(&option);
    const QRect groove =
        style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, this);
    const QRect handle =
        style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
    // The thumb's centre travels from half a thumb inside one end to the other.
    return groove.adjusted(handle.width() / 2, 0, -(handle.width() - handle.width() / 2), 0);
}

int CClickSlider::PositionAt(int x) const {
    const QRect channel = Channel();
    if (channel.width() <= 0) {
        return minimum();
    }
    double fraction = static_cast<double>(x - channel.left()) / channel.width();
    fraction = std::clamp(fraction, 0.0, 1.0);
    return static_cast<int>(std::lround(minimum() + fraction * (maximum() - minimum())));
}

void CClickSlider::Track(int x) {
    const int position = PositionAt(x);
    if (position != value()) {
        setValue(position);
        movedWhilePressed_ = true;
        Scroll(SB_THUMBTRACK);
    }
}

void CClickSlider::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !isEnabled()) {
        QSlider::mousePressEvent(event);
        return;
    }
    pressed_ = true;
    movedWhilePressed_ = false;
    grabMouse();
    setFocus();
    Track(event->position().toPoint().x());
    event->accept();
}

void CClickSlider::mouseMoveEvent(QMouseEvent* event) {
    if (pressed_) {
        Track(event->position().toPoint().x());
        event->accept();
        return;
    }
    QSlider::mouseMoveEvent(event);
}

void CClickSlider::mouseReleaseEvent(QMouseEvent* event) {
    if (pressed_ && event->button() == Qt::LeftButton) {
        pressed_ = false;
        releaseMouse();
        if (movedWhilePressed_) {
            Scroll(SB_THUMBPOSITION);
        }
        event->accept();
        return;
    }
    QSlider::mouseReleaseEvent(event);
}

void CClickSlider::paintEvent(QPaintEvent* event) {
    if (selectionStart_ <= selectionEnd_ && maximum() > minimum()) {
        QPainter painter(this);
        const QRect channel = Channel();
        const auto at = [&](int position) {
            return channel.left() + static_cast<int>(static_cast<double>(position - minimum()) /
                                                     (maximum() - minimum()) * channel.width());
        };
        const int left = at(std::clamp(selectionStart_, minimum(), maximum()));
        const int right = at(std::clamp(selectionEnd_, minimum(), maximum()));
        const int middle = height() / 2;
        painter.fillRect(QRect(left, middle - 4, std::max(1, right - left), 8),
                         palette().color(QPalette::Highlight).lighter(130));
    }
    QSlider::paintEvent(event);
}
