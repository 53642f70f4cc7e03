#include "video/VideoWidget.h"

#include <QBackingStore>
#include <QPaintEngine>
#include <QPaintEvent>
#include <QPainter>
#include <QRegion>
#include <QWindow>

using velvaro::engine::FrameMailbox;
using velvaro::engine::VideoOutput;

VideoWidget* VideoWidget::Attach(std::shared_ptr<VideoOutput> output, QWidget* parent) {
    return new VideoWidget(std::move(output), parent);  // owned by the parent
}

VideoWidget::VideoWidget(std::shared_ptr<VideoOutput> output, QWidget* parent)
    : QWidget(parent), output_(std::move(output)), mailbox_(output_->Mailbox()) {
    // Clicks, drags and the wheel belong to the owner window.
    setAttribute(Qt::WA_TransparentForMouseEvents);
    // We paint every pixel ourselves: no background erase, no flicker.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    mailbox_->SetReceiver(this, [this] {
        if (!PresentLatest()) {
            update();
        }
    });
    connect(output_.get(), &VideoOutput::Changed, this, &VideoWidget::Follow);
    // Gone at once, as the player that held the output is.
    connect(output_.get(), &VideoOutput::Closed, this, [this] { delete this; });
    Follow();
}

VideoWidget::~VideoWidget() {
    mailbox_->SetReceiver(nullptr, {});
}

void VideoWidget::Follow() {
    setGeometry(output_->Area());
    SetDestination(output_->Destination());
    SetBorderColour(output_->Border());
    SetCursorHidden(output_->CursorHidden());
    setVisible(output_->Visible());
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
    if (hidden == cursorHidden_) {
        return;
    }
    cursorHidden_ = hidden;
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
    NoteShown(picture);
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

namespace {

// `device` as an image the scaler can write into at `area`, as it writes
// a window's pixels; null where it cannot.
QImage* ScalerTarget(QPaintDevice* device, const QRect& area) {
    if (!device || device->devType() != QInternal::Image) {
        return nullptr;
    }
    auto* image = static_cast<QImage*>(device);
    const bool fits = (image->format() == QImage::Format_RGB32 ||
                       image->format() == QImage::Format_ARGB32_Premultiplied) &&
                      image->devicePixelRatio() == 1.0 && image->isDetached() &&
                      image->rect().contains(area);
    return fits ? image : nullptr;
}

void ScaleInto(QImage& image, const QRect& area, const velvaro::engine::VideoPicture& picture,
               velvaro::engine::FrameScaler& scaler) {
    const auto stride = static_cast<int>(image.bytesPerLine());
    picture.ScaleToBgrx(scaler, image.bits() + area.y() * stride + area.x() * 4, stride,
                        area.width(), area.height());
}

}  // namespace

// The window's own pixels are normally an image of the same format as the
// scaler's, and the picture can be scaled straight into them, saving a
// copy of every frame. Only where all of it may be painted.
bool VideoWidget::ScaleOntoDevice(QPainter& painter, const velvaro::engine::VideoPicture& picture,
                                  const QRect& target) {
    QPaintEngine* engine = painter.paintEngine();
    const QTransform& toDevice = painter.deviceTransform();
    if (!engine || painter.hasClipping() || toDevice.type() > QTransform::TxTranslate) {
        return false;
    }
    const QRect onDevice = toDevice.mapRect(target);
    QImage* image = ScalerTarget(engine->paintDevice(), onDevice);
    // The part of the device this paint may touch: what is due, less the
    // widgets lying on top.
    const QRegion allowed = engine->systemClip();
    if (!image || allowed.isEmpty() || !QRegion(onDevice).subtracted(allowed).isEmpty()) {
        return false;
    }
    ScaleInto(*image, onDevice, picture, scaler_);
    return true;
}

// A new frame needs only scaling and a put, not a whole repaint: where
// nothing lies over the picture it goes straight into the window's pixels.
bool VideoWidget::PresentLatest() {
    const FrameMailbox::Picture picture = mailbox_->Latest();
    const QRect target = destination_.isEmpty() ? rect() : destination_;
    QWidget* top = window();
    QBackingStore* store = top->backingStore();
    if (!picture || !picture->NeedsScaling() || !isVisible() || !store || !top->windowHandle() ||
        !top->windowHandle()->isExposed() || Obscured(target)) {
        return false;
    }
    const QRect onWindow(mapTo(top, target.topLeft()), target.size());
    if (!QRect(QPoint(), store->size()).contains(onWindow)) {
        return false;  // the window has grown, and its pixels not yet
    }
    store->beginPaint(onWindow);
    QImage* image = ScalerTarget(store->paintDevice(), onWindow);
    if (image) {
        ScaleInto(*image, onWindow, *picture, scaler_);
    }
    store->endPaint();
    if (image) {
        store->flush(onWindow);
        NoteShown(picture);
    }
    return image != nullptr;
}

// The benchmarks count the pictures a drag of the thumb shows, and when the
// one asked for came.
void VideoWidget::NoteShown(const FrameMailbox::Picture& picture) {
    ++picturesShown_;
    if (!lastShown_.owner_before(picture) && !picture.owner_before(lastShown_)) {
        return;
    }
    lastShown_ = picture;
    velvaro::engine::NotePictureShown(*picture);
}

bool VideoWidget::Obscured(const QRect& target) const {
    if (!rect().contains(target) || !findChildren<QWidget*>().isEmpty()) {
        return true;
    }
    QRect area = target;
    const QWidget* child = this;
    for (const QWidget* parent = parentWidget(); parent && !child->isWindow();
         child = parent, parent = parent->parentWidget()) {
        area.translate(child->pos());
        if (!parent->rect().contains(area)) {
            return true;
        }
        // Widgets later in the list lie above the earlier ones.
        bool above = false;
        for (const QObject* object : parent->children()) {
            if (object == child) {
                above = true;
                continue;
            }
            const auto* sibling = qobject_cast<const QWidget*>(object);
            if (above && sibling && !sibling->isWindow() && sibling->isVisible() &&
                sibling->geometry().intersects(area)) {
                return true;
            }
        }
    }
    return false;
}
