// A slider whose left button jumps the thumb to the mouse and that shows a
// selection range. It reports each move with a scroll code (SB_THUMBTRACK
// while the button drags it, SB_THUMBPOSITION where it was let go); the
// position is its value.
#pragma once

#include <QSlider>

class CClickSlider : public QSlider {
    Q_OBJECT

public:
    explicit CClickSlider(QWidget* parent);

    // Reports `code` for the value it has now, as its own mouse does: for
    // input that lands on it from elsewhere.
    void Scroll(int code) { Q_EMIT scrolled(code); }
    // The selection shown in the channel; start > end clears it.
    void SetSelection(int start, int end);
    void ClearSelection();
    int SelectionStart() const { return selectionStart_; }
    int SelectionEnd() const { return selectionEnd_; }
    // The position under `x` (widget coordinates) along the channel.
    int PositionAt(int x) const;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

Q_SIGNALS:
    void scrolled(int code);

private:
    void Track(int x);
    QRect Channel() const;

    bool pressed_ = false;
    bool movedWhilePressed_ = false;
    int selectionStart_ = 0;
    int selectionEnd_ = -1;
};
