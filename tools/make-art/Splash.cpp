// The splash picture: a dark velvet ground, a strip of film sweeping across it,
// a round play button and the word mark.
#include <QFont>
#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include "Art.h"
#include "art/ArtResources.h"

namespace velvaro::make_art {
namespace {

constexpr qreal kWidth = art::kSplashWidth;
constexpr qreal kHeight = art::kSplashHeight;

void Ground(QPainter& p) {
    QLinearGradient base(0, 0, kWidth, kHeight);
    base.setColorAt(0, QColor(0x2d1446));
    base.setColorAt(0.55, QColor(0x160c26));
    base.setColorAt(1, QColor(0x07060d));
    p.fillRect(QRectF(0, 0, kWidth, kHeight), base);

    QRadialGradient glow(QPointF(110, 112), 190);
    glow.setColorAt(0, QColor(150, 80, 230, 120));
    glow.setColorAt(0.5, QColor(110, 50, 190, 40));
    glow.setColorAt(1, QColor(0, 0, 0, 0));
    p.fillRect(QRectF(0, 0, kWidth, kHeight), glow);
}

// A strip of film: perforated edges and frames with a faint picture in each.
void FilmStrip(QPainter& p) {
    p.save();
    p.translate(-40, 226);
    p.rotate(-9);
    constexpr qreal length = 620;
    constexpr qreal height = 54;
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 150));
    p.drawRect(QRectF(0, 0, length, height));
    p.setBrush(QColor(255, 255, 255, 38));
    for (qreal x = 6; x < length; x += 14) {
        p.drawRoundedRect(QRectF(x, 4, 7, 6), 1.5, 1.5);
        p.drawRoundedRect(QRectF(x, height - 10, 7, 6), 1.5, 1.5);
    }
    for (qreal x = 4; x < length; x += 62) {
        const QRectF frame(x, 14, 56, height - 28);
        QLinearGradient light(frame.topLeft(), frame.bottomRight());
        light.setColorAt(0, QColor(140, 100, 220, 70));
        light.setColorAt(1, QColor(40, 150, 200, 40));
        p.setBrush(light);
        p.drawRoundedRect(frame, 2, 2);
    }
    p.restore();
}

void PlayButton(QPainter& p, const QPointF& centre, qreal radius) {
    p.setPen(Qt::NoPen);
    // Halo, ring and face.
    QRadialGradient halo(centre, radius * 1.6);
    halo.setColorAt(0.6, QColor(190, 130, 255, 90));
    halo.setColorAt(1, QColor(190, 130, 255, 0));
    p.setBrush(halo);
    p.drawEllipse(centre, radius * 1.6, radius * 1.6);

    QLinearGradient ring(centre.x(), centre.y() - radius, centre.x(), centre.y() + radius);
    ring.setColorAt(0, QColor(0xe9dcff));
    ring.setColorAt(1, QColor(0x8a5bd6));
    p.setBrush(ring);
    p.drawEllipse(centre, radius, radius);

    QLinearGradient face(centre.x(), centre.y() - radius, centre.x(), centre.y() + radius);
    face.setColorAt(0, QColor(0x6b34b8));
    face.setColorAt(1, QColor(0x2a0f52));
    p.setBrush(face);
    p.drawEllipse(centre, radius - 4, radius - 4);

    // The triangle sits a little right of centre so that it looks centred.
    const qreal r = radius * 0.5;
    const QPointF c = centre + QPointF(r * 0.18, 0);
    QPainterPath triangle;
    triangle.moveTo(c + QPointF(-r * 0.6, -r * 0.95));
    triangle.lineTo(c + QPointF(r * 0.95, 0));
    triangle.lineTo(c + QPointF(-r * 0.6, r * 0.95));
    triangle.closeSubpath();
    QLinearGradient white(0, c.y() - r, 0, c.y() + r);
    white.setColorAt(0, QColor(0xffffff));
    white.setColorAt(1, QColor(0xdcc9ff));
    p.setPen(QPen(QColor(0xffffff), 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(white);
    p.drawPath(triangle);

    // A soft highlight across the top of the face.
    QLinearGradient shine(0, centre.y() - radius, 0, centre.y());
    shine.setColorAt(0, QColor(255, 255, 255, 70));
    shine.setColorAt(1, QColor(255, 255, 255, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(shine);
    p.drawEllipse(
        QRectF(centre.x() - radius * 0.7, centre.y() - radius + 6, radius * 1.4, radius * 0.8));
}

QPainterPath TextPath(const QString& text, const QFont& font, const QPointF& baseline) {
    QPainterPath path;
    path.addText(baseline, font, text);
    return path;
}

QPainterPath Word() {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(52);
    font.setWeight(QFont::Bold);
    font.setLetterSpacing(QFont::AbsoluteSpacing, 1);
    return TextPath(QStringLiteral("Velvaro"), font, QPointF(0, 0));
}

void WordMark(QPainter& p, const QPainterPath& shape, qreal left) {
    const QPainterPath word = shape.translated(left - shape.boundingRect().left(), 124);

    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 120));
    p.drawPath(word.translated(0, 3));
    QLinearGradient fill(0, 80, 0, 126);
    fill.setColorAt(0, QColor(0xffffff));
    fill.setColorAt(1, QColor(0xcdb6ff));
    p.setBrush(fill);
    p.drawPath(word);

    // A thin rule and the tag line under the word.
    const qreal width = word.boundingRect().width();
    QLinearGradient rule(left, 0, left + width, 0);
    rule.setColorAt(0, QColor(190, 140, 255, 220));
    rule.setColorAt(1, QColor(190, 140, 255, 0));
    p.fillRect(QRectF(left + 2, 138, width, 2), rule);

    QFont tag(QStringLiteral("DejaVu Sans"));
    tag.setPixelSize(13);
    tag.setLetterSpacing(QFont::AbsoluteSpacing, 5);
    p.setBrush(QColor(0xc4b3e6));
    p.drawPath(TextPath(QStringLiteral("MEDIA PLAYER"), tag, QPointF(left + 3, 162)));
}

void Vignette(QPainter& p) {
    QRadialGradient shade(QPointF(kWidth / 2, kHeight / 2), kWidth * 0.62);
    shade.setColorAt(0.65, QColor(0, 0, 0, 0));
    shade.setColorAt(1, QColor(0, 0, 0, 110));
    p.fillRect(QRectF(0, 0, kWidth, kHeight), shade);
}

}  // namespace

QImage Splash() {
    QImage image(art::kSplashWidth, art::kSplashHeight, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    Ground(p);
    FilmStrip(p);
    // The button and the word, centred together.
    constexpr qreal radius = 54;
    constexpr qreal gap = 26;
    const QPainterPath word = Word();
    const qreal left = (kWidth - (2 * radius + gap + word.boundingRect().width())) / 2;
    PlayButton(p, QPointF(left + radius, 112), radius);
    WordMark(p, word, left + 2 * radius + gap);
    Vignette(p);
    return image;
}

}  // namespace velvaro::make_art
