// The window's client area below the menu bar: parent of the bars and of the
// video widget. Its mouse input goes to `mouse` in client coordinates, and
// `paint` draws it.
#pragma once

#include <QPoint>
#include <QWidget>

#include <functional>

// What the mouse does over the client area.
struct ClientMouse {
    std::function<void(QPoint)> leftPressed;
    std::function<void(QPoint)> leftReleased;
    std::function<void(QPoint, Qt::MouseButtons held)> moved;
    std::function<void(QPoint)> rightPressed;
    std::function<void()> middlePressed;
    std::function<void(Qt::MouseButton extra)> extraPressed;  // back or forward
    // Eighths of a degree, 120 to a notch, forward positive; never 0.
    std::function<void(int delta)> wheeled;
};

class PlayerClientArea : public QWidget {
public:
    PlayerClientArea(QWidget* window, std::function<void(QPainter&)> paint, ClientMouse mouse);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    std::function<void(QPainter&)> paint_;
    ClientMouse mouse_;
};
