// The window's client area below the menu bar: parent of the bars and of the
// video widget. Window messages sent to it (the engine's events and clock
// timer) go on to the window procedure; its mouse input reaches the window
// procedure as mouse messages in client coordinates, and `paint` draws it.
#pragma once

#include <QWidget>

#include <functional>

class PlayerClientArea : public QWidget {
public:
    PlayerClientArea(QWidget* window, std::function<void(QPainter&)> paint);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    QWidget* window_;
    std::function<void(QPainter&)> paint_;
};
