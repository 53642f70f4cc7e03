#include "VideoWidget.h"

#include <QPaintEngine>
#include <QPaintEvent>
#include <QPainter>
#include <QRegion>

void FrameMailbox::Deliver(Picture frame) {
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

FrameMailbox::Picture FrameMailbox::Latest() const {
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
    const FrameMailbox::Picture picture = mailbox_->Latest();
    const QRect target = destination_.isEmpty() ? rect() : destination_;
    const QRegion border = QRegion(event->rect()).subtracted(picture ? target : QRegion());
    for (const QRect& part : border) {
        painter.fillRect(part, border_);
    }
    if (!picture) {
        return;
    }
    if (!picture->NeedsScaling()) {
        const QImage frame = picture->Pixels();
        if (frame.size() == target.size()) {
            painter.drawImage(target.topLeft(), frame);
        } else {
            // Until the renderer delivers frames of the new size.
            painter.setRenderHint(QPainter::SmoothPixmapTransform);
            painter.drawImage(target, frame);
        }
        return;
    }
    if (ScaleOntoDevice(painter, *picture, target)) {
        scaled_ = QImage();
        return;
    }
    if (scaled_.size() != target.size()) {
        scaled_ = QImage(target.size(), QImage::Format_RGB32);
    }
    picture->ScaleToBgrx(scaler_, scaled_.bits(), static_cast<int>(scaled_.bytesPerLine()),
                         target.width(), target.height());
    painter.drawImage(target.topLeft(), scaled_);
}

// The window's own pixels are normally an image of the same format as the
// scaler's, and the picture can be scaled straight into them, saving a
// copy of every frame. Only where all of it may be painted.
bool VideoWidget::ScaleOntoDevice(QPainter& painter, const velvaro::engine::VideoPicture& picture,
                                  const QRect& target) {
    QPaintEngine* engine = painter.paintEngine();
    QPaintDevice* device = engine ? engine->paintDevice() : nullptr;
    if (!device || device->devType() != QInternal::Image || painter.hasClipping()) {
        return false;
    }
    auto* image = static_cast<QImage*>(device);
    const QTransform& toDevice = painter.deviceTransform();
    if ((image->format() != QImage::Format_RGB32 &&
         image->format() != QImage::Format_ARGB32_Premultiplied) ||
        image->devicePixelRatio() != 1.0 || !image->isDetached() ||
        toDevice.type() > QTransform::TxTranslate) {
        return false;
    }
    const QRect onDevice = toDevice.mapRect(target);
    // The part of the device this paint may touch: what is due, less the
    // widgets lying on top.
    const QRegion allowed = engine->systemClip();
    if (!image->rect().contains(onDevice) || allowed.isEmpty() ||
        !QRegion(onDevice).subtracted(allowed).isEmpty()) {
        return false;
    }
    const auto stride = static_cast<int>(image->bytesPerLine());
    picture.ScaleToBgrx(scaler_, image->bits() + onDevice.y() * stride + onDevice.x() * 4, stride,
                        target.width(), target.height());
    return true;
}
