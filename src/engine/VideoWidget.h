// The video window: a child of the owner that shows the newest frame. The
// frame arrives from a streaming thread through a FrameMailbox; the widget
// only ever touches it on the UI thread.
#pragma once

#include <QColor>
#include <QImage>
#include <QRect>
#include <QWidget>

#include <memory>
#include <mutex>

// Hand-over point between the renderer's streaming thread and the widget.
class FrameMailbox {
public:
    // Streaming thread: keeps the frame and asks the receiver to repaint.
    void Deliver(QImage frame);
    // UI thread: the newest frame.
    QImage Latest() const;
    void SetReceiver(QWidget* receiver);

private:
    mutable std::mutex mutex_;
    QImage latest_;
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
    std::shared_ptr<FrameMailbox> mailbox_;
    QRect destination_;
    QColor border_ = Qt::black;
};
