// A push button that shows one 16 x 16 icon centred on its face, drawn over
// whatever the style paints, pressed or not.
#pragma once

#include <QIcon>
#include <QPushButton>
#include <QRect>

class CIconButton : public QPushButton {
public:
    explicit CIconButton(QWidget* parent = nullptr);

    void SetIcon(const QIcon& icon);
    QIcon Icon() const { return icon_; }
    // Where the icon goes; empty until the button was first painted.
    QRect IconRect() const { return iconRect_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QIcon icon_;
    QRect iconRect_;
    bool firstPaint_ = true;
};
