// The application icon, the small list and file icons, and the hand cursor.
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include "Art.h"
#include "art/ArtResources.h"

namespace velvaro::make_art {
namespace {

QImage Transparent(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

void Smooth(QPainter& p) {
    p.setRenderHint(QPainter::Antialiasing);
}

// A stroke drawn twice, dark and wide under light and narrow, so it keeps its
// shape on any background.
void OutlinedStroke(QPainter& p, const QPainterPath& path, const QColor& edge, const QColor& face,
                    qreal width) {
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(edge, width + 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(path);
    p.setPen(QPen(face, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(path);
}

void CheckBox(QPainter& p, qreal x, qreal y, bool ticked) {
    p.setPen(QPen(QColor(0x5c6b7a), 1));
    p.setBrush(QColor(0xffffff));
    p.drawRect(QRectF(x + 0.5, y + 0.5, 4, 4));
    if (ticked) {
        QPainterPath tick;
        tick.moveTo(x + 1.5, y + 2.5);
        tick.lineTo(x + 2.8, y + 4);
        tick.lineTo(x + 5.6, y - 0.2);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(QColor(0x1f9a33), 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPath(tick);
    }
}

// Three rows of a list, each with a box in front.
QImage ListIcon(bool selected) {
    QImage image = Transparent(16);
    QPainter p(&image);
    Smooth(p);
    for (const qreal y : {1.0, 6.0, 11.0}) {
        if (selected) {
            p.fillRect(QRectF(6, y, 10, 5), QColor(0x9cc8f2));
        }
        p.fillRect(QRectF(7, y + 2, 7.5, 1.5), selected ? QColor(0x1d4f85) : QColor(0x8a939c));
        CheckBox(p, 0, y, selected);
    }
    return image;
}

}  // namespace

QImage AppIcon(int size) {
    QImage image = Transparent(size);
    QPainter p(&image);
    Smooth(p);
    p.scale(size / 32.0, size / 32.0);
    const bool small = size < 24;
    const QRectF tile = small ? QRectF(1, 1, 30, 30) : QRectF(1.5, 1.5, 29, 29);

    QLinearGradient velvet(0, 0, 32, 32);
    velvet.setColorAt(0, QColor(0x8d4fe0));
    velvet.setColorAt(1, QColor(0x2a0f52));
    p.setPen(small ? Qt::NoPen : QPen(QColor(0x1c0838), 1));
    p.setBrush(velvet);
    p.drawRoundedRect(tile, 7, 7);

    if (!small) {
        // Film perforations along the top and the bottom.
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 255, 255, 90));
        for (qreal x = 6; x < 26; x += 5) {
            p.drawRoundedRect(QRectF(x, 4, 3, 2.5), 0.8, 0.8);
            p.drawRoundedRect(QRectF(x, 25.5, 3, 2.5), 0.8, 0.8);
        }
    }

    QPainterPath triangle;
    triangle.moveTo(11.5, 8.5);
    triangle.lineTo(24, 16);
    triangle.lineTo(11.5, 23.5);
    triangle.closeSubpath();
    QLinearGradient white(0, 8, 0, 24);
    white.setColorAt(0, QColor(0xffffff));
    white.setColorAt(1, QColor(0xe0d0ff));
    p.setPen(QPen(QColor(0xffffff), small ? 2.5 : 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(white);
    p.drawPath(triangle);
    return image;
}

QImage TextFileIcon() {
    QImage image = Transparent(16);
    QPainter p(&image);
    Smooth(p);
    QPainterPath page;
    page.moveTo(2.5, 0.5);
    page.lineTo(9.5, 0.5);
    page.lineTo(13.5, 4.5);
    page.lineTo(13.5, 15.5);
    page.lineTo(2.5, 15.5);
    page.closeSubpath();
    QLinearGradient paper(0, 0, 16, 16);
    paper.setColorAt(0, QColor(0xffffff));
    paper.setColorAt(1, QColor(0xe4e9ef));
    p.setPen(QPen(QColor(0x6f7a86), 1));
    p.setBrush(paper);
    p.drawPath(page);
    // The folded corner.
    p.setBrush(QColor(0xc9d2dc));
    p.drawPolygon(QPolygonF({{9.5, 0.5}, {9.5, 4.5}, {13.5, 4.5}}));
    for (const qreal y : {6.0, 8.0, 10.0, 12.0}) {
        p.fillRect(QRectF(4.5, y, y == 12.0 ? 4 : 7, 1), QColor(0x6e8eb0));
    }
    return image;
}

QImage DeleteIcon() {
    QImage image = Transparent(16);
    QPainter p(&image);
    Smooth(p);
    QPainterPath cross;
    cross.moveTo(4, 4);
    cross.lineTo(12, 12);
    cross.moveTo(12, 4);
    cross.lineTo(4, 12);
    OutlinedStroke(p, cross, QColor(0x8e1a14), QColor(0xe8453c), 2.6);
    return image;
}

QImage AddIcon() {
    QImage image = Transparent(16);
    QPainter p(&image);
    Smooth(p);
    QPainterPath plus;
    plus.moveTo(8, 3);
    plus.lineTo(8, 13);
    plus.moveTo(3, 8);
    plus.lineTo(13, 8);
    OutlinedStroke(p, plus, QColor(0x14661f), QColor(0x3cc04e), 2.6);
    return image;
}

QImage SelectAllIcon() {
    return ListIcon(true);
}

QImage DeselectAllIcon() {
    return ListIcon(false);
}

QImage HandCursor() {
    QImage image = Transparent(art::kHandCursorSize);
    QPainter p(&image);
    Smooth(p);
    // The outline is laid out with the fingertip's pixel at (9, 1); the shift
    // puts it wherever the hotspot says.
    p.translate(art::kHandCursorHotspotX - 9, art::kHandCursorHotspotY - 1);

    QPainterPath hand;
    hand.addRoundedRect(QRectF(7.5, 1.5, 4, 17), 2, 2);   // index finger
    hand.addRoundedRect(QRectF(11.5, 9.5, 4, 9), 2, 2);   // middle finger
    hand.addRoundedRect(QRectF(15.5, 10.5, 4, 8), 2, 2);  // ring finger
    hand.addRoundedRect(QRectF(19.5, 12.5, 4, 7), 2, 2);  // little finger
    QPainterPath palm;
    palm.addPolygon(QPolygonF(
        {{7.5, 14}, {23.5, 14}, {23.5, 21}, {20.5, 27.5}, {10.5, 27.5}, {7.5, 23}, {7.5, 14}}));
    QPainterPath thumb;
    thumb.moveTo(2.2, 16.6);
    thumb.cubicTo(3.4, 14.6, 5.6, 15.2, 7.6, 17.6);
    thumb.lineTo(10.5, 21.5);
    thumb.lineTo(8.5, 25.5);
    thumb.lineTo(3.2, 19.4);
    thumb.cubicTo(2.2, 18.6, 1.6, 17.6, 2.2, 16.6);
    hand.setFillRule(Qt::WindingFill);
    const QPainterPath outline = hand.united(palm).united(thumb).simplified();

    p.setPen(QPen(QColor(Qt::black), 1, Qt::SolidLine, Qt::FlatCap, Qt::RoundJoin));
    p.setBrush(QColor(0xffffff));
    p.drawPath(outline);
    // Where the curled fingers meet.
    p.setPen(QPen(QColor(Qt::black), 1));
    p.drawLine(QPointF(11.5, 14), QPointF(11.5, 17));
    p.drawLine(QPointF(15.5, 14), QPointF(15.5, 17));
    p.drawLine(QPointF(19.5, 14), QPointF(19.5, 17));
    // A cuff, so the hand does not just end.
    p.setBrush(QColor(0x3a4a5c));
    p.drawRect(QRectF(10.5, 27.5, 10, 3));
    return image;
}

}  // namespace velvaro::make_art
