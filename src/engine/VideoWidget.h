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
class VideoWidget;

// Hand-over point between the renderer's streaming thread and the widget.
class FrameMailbox {
public:
    using Picture = std::shared_ptr<const velvaro::engine::VideoPicture>;

    // Streaming thread: keeps the frame and asks the receiver to repaint.
    void Deliver(Picture frame);
    // UI thread: the newest frame.
    Picture Latest() const;
    void SetReceiver(VideoWidget* receiver);

private:
    mutable std::mutex mutex_;
    Picture latest_;
    VideoWidget* receiver_ = nullptr;
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
    // Shows the newest frame at once, scaled straight into the window's
    // pixels and put on screen, when nothing lies over it; false when a
    // repaint has to show it.
    bool PresentLatest();
    // Pictures put on screen so far, by repaints and presents alike.
    int PicturesShown() const { return picturesShown_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool ScaleOntoDevice(QPainter& painter, const velvaro::engine::VideoPicture& picture,
                         const QRect& target);
    // Whether another widget lies over `target` or cuts it off.
    bool Obscured(const QRect& target) const;

    std::shared_ptr<FrameMailbox> mailbox_;
    QRect destination_;
    QColor border_ = Qt::black;
    velvaro::engine::FrameScaler scaler_;
    // Where a picture is scaled when it cannot go straight onto the device.
    QImage scaled_;
    int picturesShown_ = 0;
};
