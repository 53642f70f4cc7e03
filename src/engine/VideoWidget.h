// The video window: a child of the owner that shows the newest frame. The
// frame arrives from a streaming thread through a FrameMailbox; the widget
// only ever touches it on the UI thread.
#pragma once

#include "FrameScaler.h"
#include "VideoPicture.h"

#include <QColor>
#include <QImage>
#include <QRect>
#include <QWidget>

#include <memory>
#include <mutex>

class QPainter;

// Hand-over point between the renderer's streaming thread and the widget.
class FrameMailbox {
public:
    using Picture = std::shared_ptr<const velvaro::engine::VideoPicture>;

    // Streaming thread: keeps the frame and asks the receiver to repaint.
    void Deliver(Picture frame);
    // UI thread: the newest frame.
    Picture Latest() const;
    void SetReceiver(QWidget* receiver);

private:
    mutable std::mutex mutex_;
    Picture latest_;
    QWidget* receiver_ = nullptr;
    bool repaintQueued_ = false;
};

class VideoWidget : public QWidget {
public:
    explicit VideoWidget(std::shared_ptr<FrameMailbox> mailbox);
    ~VideoWidget() override;

    // Where the picture goes, in widget coordinates; may exceed the widget.
    void SetDestination(const QRect& destination);
    QRect Destination() const { return destination_; }
    void SetBorderColour(const QColor& colour);
    void SetCursorHidden(bool hidden);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool ScaleOntoDevice(QPainter& painter, const velvaro::engine::VideoPicture& picture,
                         const QRect& target);

    std::shared_ptr<FrameMailbox> mailbox_;
    QRect destination_;
    QColor border_ = Qt::black;
    velvaro::engine::FrameScaler scaler_;
    // Where a picture is scaled when it cannot go straight onto the device.
    QImage scaled_;
};
