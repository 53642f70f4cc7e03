// The window's client area below the menu bar: parent of the bars and of the
// engine's video window. Window messages sent to it (the engine's events and
// clock timer) go on to the window procedure; its mouse input reaches the
// window procedure as mouse messages in client coordinates, and its painting
// is the window's.
#pragma once

#include <QWidget>

class CPlayerDlg;

class PlayerClientArea : public QWidget {
public:
    explicit PlayerClientArea(CPlayerDlg* window);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    CPlayerDlg* window_;
};
