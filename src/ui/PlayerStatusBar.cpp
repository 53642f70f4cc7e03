#include "ui/PlayerStatusBar.h"

#include <QLabel>

#include <algorithm>

PlayerStatusBar::PlayerStatusBar(QWidget* parent) : QWidget(parent) {
    // The window behind is painted in the border colour; bars keep their own.
    setAutoFillBackground(true);
    // Parts are as narrow as "00:00:00" needs in a small font.
    QFont small = font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    setFont(small);
    for (QLabel*& label : labels_) {
        label = new QLabel(this);
        label->setFrameShape(QFrame::Panel);
        label->setFrameShadow(QFrame::Sunken);
        label->setContentsMargins(1, 0, 0, 0);
    }
    // The version part is drawn without a border.
    labels_.back()->setFrameShape(QFrame::NoFrame);
    const int height = labels_.front()->sizeHint().height() + 4;
    resize(400, height);
}

void PlayerStatusBar::SetParts(const std::array<int, kParts>& rightEdges) {
    rightEdges_ = rightEdges;
    PlaceParts();
}

void PlayerStatusBar::SetText(int part, const QString& text) {
    if (part < 0 || part >= kParts) {
        return;
    }
    texts_[part] = text;
    QString shown = text;
    Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter;
    if (shown.startsWith(QStringLiteral("\t\t"))) {
        shown.remove(0, 2);
        alignment = Qt::AlignRight | Qt::AlignVCenter;
    }
    labels_[part]->setAlignment(alignment);
    labels_[part]->setText(shown);
    PlaceParts();
}

QString PlayerStatusBar::Text(int part) const {
    return part >= 0 && part < kParts ? texts_[part] : QString();
}

void PlayerStatusBar::resizeEvent(QResizeEvent*) {
    PlaceParts();
}

void PlayerStatusBar::PlaceParts() {
    int left = 0;
    QLabel* runningOn = nullptr;
    for (int part = 0; part < kParts; ++part) {
        QLabel* label = labels_[part];
        int right = rightEdges_[part] < 0 ? width() : rightEdges_[part];
        right = std::min(right, width());
        int shownWidth = std::max(0, right - left - 2);
        // A message longer than its part (a notice, a reason in place of
        // the time) runs on over the parts after it rather than being cut
        // to its first letters.
        const int needed = label->sizeHint().width();
        if (needed > shownWidth && part + 1 < kParts) {
            shownWidth = std::min(needed, std::max(0, width() - left - 2));
            runningOn = label;
        }
        label->setAutoFillBackground(label == runningOn);
        label->setGeometry(left, 1, shownWidth, std::max(0, height() - 2));
        left = std::max(left, right);
    }
    if (runningOn) {
        runningOn->raise();
    }
}
