#include "controls/CHyperLink.h"

#include "controls/UrlOpener.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPalette>

CHyperLink::CHyperLink(QWidget* parent) : QLabel(parent) {}

void CHyperLink::SetUp(const QString& target, const QCursor& hand) {
    QFont linkFont = font();
    linkFont.setWeight(QFont::Bold);
    linkFont.setUnderline(true);
    setFont(linkFont);
    target_ = target;

    QPalette colours = palette();
    colours.setColor(QPalette::WindowText, QColor(0, 0, 255));
    colours.setColor(QPalette::Window, colours.color(QPalette::Button));
    setPalette(colours);
    setAutoFillBackground(true);
    setCursor(hand);

    setTextFormat(Qt::PlainText);
    setContentsMargins(0, 0, 0, 0);
    setIndent(0);
    setMargin(0);
    // A layout, if any, keeps it at its text's size too.
    const QSize size = QFontMetrics(linkFont).size(Qt::TextSingleLine, text());
    setFixedSize(size);
}

void CHyperLink::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && !target_.isEmpty()) {
        OpenUrl(QUrl(target_));
        event->accept();
        return;
    }
    QLabel::mousePressEvent(event);
}
