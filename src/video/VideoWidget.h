// The video window: a child of the window that shows a player's video
// output. The newest frame arrives from a streaming thread through the
// output's mailbox; the widget only ever touches it on the UI thread.
#pragma once

#include "engine/FrameScaler.h"
#include "engine/VideoOutput.h"
#include "engine/VideoPicture.h"

#include <QColor>
#include <QImage>
#include <QRect>
#include <QWidget>

#include <memory>

class QPainter;

class VideoWidget : public QWidget {
public:
    // Shows `output` inside `parent` and follows it: the place, visibility,
    // border colour, pointer and pictures it asks for. Owned by `parent`;
    // it deletes itself when the output closes.
    static VideoWidget* Attach(std::shared_ptr<velvaro::engine::VideoOutput> output,
                               QWidget* parent);
    ~VideoWidget() override;

    // Where the picture goes, in widget coordinates; may exceed the widget.
    // Empty: all of the widget.
    QRect Destination() const { return destination_; }
    // Shows the newest frame at once, scaled straight into the window's
    // pixels and put on screen, when nothing lies over it; false when a
    // repaint has to show it.
    bool PresentLatest();
    // Pictures put on screen so far, by repaints and presents alike.
    int PicturesShown() const { return picturesShown_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    VideoWidget(std::shared_ptr<velvaro::engine::VideoOutput> output, QWidget* parent);
    // Takes on what the output now asks for.
    void Follow();
    void SetDestination(const QRect& destination);
    void SetBorderColour(const QColor& colour);
    void SetCursorHidden(bool hidden);
    bool ScaleOntoDevice(QPainter& painter, const velvaro::engine::VideoPicture& picture,
                         const QRect& target);
    void NoteShown(const velvaro::engine::FrameMailbox::Picture& picture);
    // Whether another widget lies over `target` or cuts it off.
    bool Obscured(const QRect& target) const;

    std::shared_ptr<velvaro::engine::VideoOutput> output_;
    std::shared_ptr<velvaro::engine::FrameMailbox> mailbox_;
    QRect destination_;
    QColor border_ = Qt::black;
    bool cursorHidden_ = false;
    velvaro::engine::FrameScaler scaler_;
    // Where a picture is scaled when it cannot go straight onto the device.
    QImage scaled_;
    int picturesShown_ = 0;
    // The last picture shown, told apart from one repainted.
    std::weak_ptr<const velvaro::engine::VideoPicture> lastShown_;
};
