#include "VideoWidget.h"

#include <QPaintEvent>
#include <QPainter>
#include <QRegion>

void FrameMailbox::Deliver(QImage frame) {
    std::lock_guard lock(mutex_);
    latest_ = std::move(frame);
    if (receiver_ && !repaintQueued_) {
        repaintQueued_ = true;
        // Runs on the receiver's thread; dropped if the receiver is gone.
        QMetaObject::invokeMethod(
            receiver_,
            [this, receiver = receiver_] {
                {
                    std::lock_guard lock(mutex_);
                    repaintQueued_ = false;
                }
                receiver->update();
            },
            Qt::QueuedConnection);
    }
}

QImage FrameMailbox::Latest() const {
    std::lock_guard lock(mutex_);
    return latest_;
}

void FrameMailbox::SetReceiver(QWidget* receiver) {
    std::lock_guard lock(mutex_);
    receiver_ = receiver;
    repaintQueued_ = false;
}

VideoWidget::VideoWidget(std::shared_ptr<FrameMailbox> mailbox) : mailbox_(std::move(mailbox)) {
    // Clicks, drags and the wheel belong to the owner window.
    setAttribute(Qt::WA_TransparentForMouseEvents);
    // We paint every pixel ourselves: no background erase, no flicker.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    mailbox_->SetReceiver(this);
}

VideoWidget::~VideoWidget() {
    mailbox_->SetReceiver(nullptr);
}

void VideoWidget::SetDestination(const QRect& destination) {
    if (destination != destination_) {
        destination_ = destination;
        update();
    }
}

void VideoWidget::SetBorderColour(const QColor& colour) {
    if (colour != border_) {
        border_ = colour;
        update();
    }
}

void VideoWidget::SetCursorHidden(bool hidden) {
    if (hidden) {
        setCursor(Qt::BlankCursor);
    } else {
        unsetCursor();
    }
}

void VideoWidget::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const QImage frame = mailbox_->Latest();
    const QRect target = destination_.isEmpty() ? rect() : destination_;
    const QRegion border = QRegion(event->rect()).subtracted(frame.isNull() ? QRegion() : target);
    for (const QRect& part : border) {
        painter.fillRect(part, border_);
    }
    if (frame.isNull()) {
        return;
    }
    if (frame.size() == target.size()) {
        painter.drawImage(target.topLeft(), frame);
    } else {
        // Until the renderer delivers frames of the new size.
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(target, frame);
    }
}
