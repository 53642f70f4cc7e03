// The status bar: eight text parts with fixed right edges, the last one
// reaching to the window's edge. A text starting with two tabs is drawn
// right-aligned; one longer than its part runs on over the parts after it.
#pragma once

#include <QString>
#include <QWidget>

#include <array>

class QLabel;

class PlayerStatusBar : public QWidget {
public:
    static constexpr int kParts = 8;

    explicit PlayerStatusBar(QWidget* parent);

    // Right edges of the parts in pixels; -1 is the window's right edge.
    void SetParts(const std::array<int, kParts>& rightEdges);
    void SetText(int part, const QString& text);
    QString Text(int part) const;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void PlaceParts();

    std::array<int, kParts> rightEdges_{};
    std::array<QLabel*, kParts> labels_{};
    std::array<QString, kParts> texts_{};
};
