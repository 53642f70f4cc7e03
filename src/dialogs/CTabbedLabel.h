// A plain-text label that expands tabs to tab stops, so that lines such as
// "Version\t: 1.0" and "Build\t: 1.2.0.3" line up as they read.
#pragma once

#include <QLabel>

class CTabbedLabel : public QLabel {
public:
    explicit CTabbedLabel(QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int Flags() const;
};
