// A slider whose left button jumps the thumb to the mouse and that shows a
// selection range. It reports to its window as the window's sliders do:
// WM_HSCROLL with the scroll code in the low word of wParam and the
// slider's control id in lParam.
#pragma once

#include <QSlider>

class CClickSlider : public QSlider {
public:
    CClickSlider(int controlId, QObject* notify, QWidget* parent);
    // A slider made from a dialog template; it reports nothing until
    // SetNotify names its control id and the window to tell.
    explicit CClickSlider(QWidget* parent);
    void SetNotify(int controlId, QObject* notify);

    int ControlId() const { return controlId_; }
    // The selection shown in the channel; start > end clears it.
    void SetSelection(int start, int end);
    void ClearSelection();
    int SelectionStart() const { return selectionStart_; }
    int SelectionEnd() const { return selectionEnd_; }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    // The position under `x` (widget coordinates) along the channel.
    int PositionAt(int x) const;
    void Track(int x);
    void Notify(int code);
    QRect Channel() const;

    int controlId_;
    QObject* notify_;
    bool pressed_ = false;
    bool movedWhilePressed_ = false;
    int selectionStart_ = 0;
    int selectionEnd_ = -1;
};
