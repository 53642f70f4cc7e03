// A static text made into a link: bold, underlined and blue, with a hand
// cursor, opening its target on a left click. It takes the size of its text
// when set up, so a link wider than its template label still shows whole.
#pragma once

#include <QCursor>
#include <QLabel>
#include <QString>

class CHyperLink : public QLabel {
public:
    explicit CHyperLink(QWidget* parent = nullptr);

    // Turns the label into a link to `target`; `hand` is the cursor shown
    // over it (the program's hand cursor, which lives with the art).
    void SetUp(const QString& target, const QCursor& hand);

    QString Target() const { return target_; }

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    QString target_;
};
