#include "VideoOutput.h"

#include "platform/StartTiming.h"

#include <QMetaObject>

namespace velvaro::engine {

void FrameMailbox::Deliver(Picture frame) {
    std::lock_guard lock(mutex_);
    latest_ = std::move(frame);
    if (receiver_ && !repaintQueued_) {
        repaintQueued_ = true;
        // Runs on the receiver's thread; dropped if the receiver is gone.
        QMetaObject::invokeMethod(
            receiver_,
            [this, onPicture = onPicture_] {
                {
                    std::lock_guard lock(mutex_);
                    repaintQueued_ = false;
                }
                (*onPicture)();
            },
            Qt::QueuedConnection);
    }
}

void NotePictureShown(const VideoPicture& picture) {
    if (lcBench().isDebugEnabled()) {
        qCDebug(lcBench, "picture of %lld ns for %lld ns shown at %.3f ms",
                static_cast<long long>(picture.Time()), static_cast<long long>(picture.Duration()),
                velvaro::platform::MonotonicMilliseconds());
    }
}

FrameMailbox::Picture FrameMailbox::Latest() const {
    std::lock_guard lock(mutex_);
    return latest_;
}

void FrameMailbox::SetReceiver(QObject* receiver, std::function<void()> onPicture) {
    std::lock_guard lock(mutex_);
    receiver_ = onPicture ? receiver : nullptr;
    onPicture_ =
        receiver_ ? std::make_shared<const std::function<void()>>(std::move(onPicture)) : nullptr;
    repaintQueued_ = false;
}

VideoOutput::VideoOutput(std::shared_ptr<FrameMailbox> mailbox) : mailbox_(std::move(mailbox)) {}

VideoOutput::~VideoOutput() = default;

template <class T>
void VideoOutput::Change(T& field, const T& value) {
    if (field != value) {
        field = value;
        Q_EMIT Changed();
    }
}

void VideoOutput::SetArea(const QRect& area) {
    // As a widget takes a geometry: no size below nothing or above its limit.
    constexpr int kLargest = (1 << 24) - 1;
    Change(area_, QRect(area.topLeft(),
                        area.size().expandedTo(QSize(0, 0)).boundedTo(QSize(kLargest, kLargest))));
}

void VideoOutput::SetDestination(const QRect& destination) {
    Change(destination_, destination);
}

void VideoOutput::SetVisible(bool visible) {
    Change(visible_, visible && !closed_);
}

void VideoOutput::SetBorder(const QColor& border) {
    Change(border_, border);
}

void VideoOutput::SetCursorHidden(bool hidden) {
    Change(cursorHidden_, hidden);
}

void VideoOutput::Close() {
    if (closed_) {
        return;
    }
    SetVisible(false);
    closed_ = true;
    Q_EMIT Closed();
}

}  // namespace velvaro::engine
