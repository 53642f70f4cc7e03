// What a player's pictures need of a view, without the view: the newest
// picture, handed over from a streaming thread, and where and how the video
// is to be shown. A view on the UI thread follows it (video/VideoWidget).
#pragma once

#include "VideoPicture.h"

#include <QColor>
#include <QObject>
#include <QRect>

#include <functional>
#include <memory>
#include <mutex>

namespace velvaro::engine {

// Hand-over point between the renderer's streaming thread and the view.
class FrameMailbox {
public:
    using Picture = std::shared_ptr<const VideoPicture>;

    // Streaming thread: keeps the frame and has the receiver told, on its
    // own thread, with one call queued at a time.
    void Deliver(Picture frame);
    // UI thread: the newest frame.
    Picture Latest() const;
    // `onPicture` runs on `receiver`'s thread for new frames, never after
    // the receiver is gone; a null receiver hears of none.
    void SetReceiver(QObject* receiver, std::function<void()> onPicture);

private:
    mutable std::mutex mutex_;
    Picture latest_;
    QObject* receiver_ = nullptr;
    std::shared_ptr<const std::function<void()>> onPicture_;
    bool repaintQueued_ = false;
};

// A view has put `picture` on the screen, and not the one before it again:
// logged for the benchmarks, with "velvaro.bench.debug=true".
void NotePictureShown(const VideoPicture& picture);

// UI thread only, but for the mailbox. Each change is announced by Changed;
// Closed says the player has let go of it, and a view should go too.
class VideoOutput : public QObject {
    Q_OBJECT
public:
    explicit VideoOutput(std::shared_ptr<FrameMailbox> mailbox);
    ~VideoOutput() override;

    const std::shared_ptr<FrameMailbox>& Mailbox() const { return mailbox_; }
    // Where the video lies, in the coordinates of the window holding it;
    // sizes never negative, as a widget's.
    QRect Area() const { return area_; }
    // Where the picture goes, in the video's own coordinates; may exceed
    // it. Empty: all of it.
    QRect Destination() const { return destination_; }
    bool Visible() const { return visible_; }
    QColor Border() const { return border_; }
    bool CursorHidden() const { return cursorHidden_; }
    bool IsClosed() const { return closed_; }

    void SetArea(const QRect& area);
    void SetDestination(const QRect& destination);
    void SetVisible(bool visible);
    void SetBorder(const QColor& border);
    void SetCursorHidden(bool hidden);
    // Hidden for good.
    void Close();

Q_SIGNALS:
    void Changed();
    void Closed();

private:
    template <class T>
    void Change(T& field, const T& value);

    std::shared_ptr<FrameMailbox> mailbox_;
    QRect area_;
    QRect destination_;
    bool visible_ = false;
    QColor border_ = Qt::black;
    bool cursorHidden_ = false;
    bool closed_ = false;
};

}  // namespace velvaro::engine
