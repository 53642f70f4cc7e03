// The 34 toolbar glyphs, drawn at their real size of 16 x 16 so that straight
// edges land on pixel boundaries and stay sharp.
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <iterator>

#include "Art.h"

namespace velvaro::make_art {
namespace {

constexpr int kSize = 16;

// The colours the glyphs are drawn in; the hover look lightens all of them.
struct Ink {
    bool hover = false;

    QColor Tone(QRgb rgb) const {
        const QColor colour = QColor::fromRgb(rgb);
        return hover ? colour.lighter(118) : colour;
    }
    // A top-lit vertical gradient, so flat shapes get some depth.
    QBrush Shade(QRgb top, QRgb bottom, qreal y0 = 2, qreal y1 = 14) const {
        QLinearGradient gradient(0, y0, 0, y1);
        gradient.setColorAt(0, Tone(top));
        gradient.setColorAt(1, Tone(bottom));
        return gradient;
    }
    QBrush Slate() const { return Shade(0x587a9e, 0x1f3347); }
    QBrush Green() const { return Shade(0x5fd36b, 0x1c7f2c); }
    QBrush Grey() const { return Shade(0xb4bcc4, 0x737d87); }
    QColor SlateLine() const { return Tone(0x2c435b); }
    QColor Blue() const { return Tone(0x2277cc); }
    QColor GreyLine() const { return Tone(0x8a939c); }
    QColor Red() const { return Tone(0xd8312a); }
};

void FillPolygon(QPainter& p, const QBrush& brush, std::initializer_list<QPointF> points) {
    p.setPen(Qt::NoPen);
    p.setBrush(brush);
    p.drawPolygon(QPolygonF(QList<QPointF>(points)));
}

void FillRect(QPainter& p, const QBrush& brush, const QRectF& rect) {
    p.fillRect(rect, brush);
}

QPen RoundPen(const QColor& colour, qreal width) {
    return QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

// A slash over a glyph that is switched off.
void Slash(QPainter& p, const Ink& ink) {
    p.setPen(QPen(QColor(255, 255, 255, 220), 3.6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(3, 13), QPointF(13, 3));
    p.setPen(RoundPen(ink.Red(), 2));
    p.drawLine(QPointF(3, 13), QPointF(13, 3));
}

void PrevTrack(QPainter& p, const Ink& ink) {
    FillRect(p, ink.Slate(), QRectF(3, 3, 2, 10));
    FillPolygon(p, ink.Slate(), {{13, 3}, {13, 13}, {6, 8}});
}

void NextTrack(QPainter& p, const Ink& ink) {
    FillPolygon(p, ink.Slate(), {{3, 3}, {3, 13}, {10, 8}});
    FillRect(p, ink.Slate(), QRectF(11, 3, 2, 10));
}

void FastBackward(QPainter& p, const Ink& ink) {
    FillPolygon(p, ink.Slate(), {{8, 3}, {8, 13}, {1, 8}});
    FillPolygon(p, ink.Slate(), {{15, 3}, {15, 13}, {8, 8}});
}

void FastForward(QPainter& p, const Ink& ink) {
    FillPolygon(p, ink.Slate(), {{1, 3}, {1, 13}, {8, 8}});
    FillPolygon(p, ink.Slate(), {{8, 3}, {8, 13}, {15, 8}});
}

void Play(QPainter& p, const Ink& ink) {
    FillPolygon(p, ink.Green(), {{4, 2}, {4, 14}, {14, 8}});
    p.setPen(QPen(ink.Tone(0x1a6b27), 1, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPolygon(QPolygonF({{4.5, 2.9}, {4.5, 13.1}, {13, 8}}));
}

void Pause(QPainter& p, const Ink& ink) {
    FillRect(p, ink.Slate(), QRectF(4, 3, 3, 10));
    FillRect(p, ink.Slate(), QRectF(9, 3, 3, 10));
}

void Stop(QPainter& p, const Ink& ink) {
    FillRect(p, ink.Slate(), QRectF(4, 4, 8, 8));
}

void Folder(QPainter& p, const Ink& ink) {
    const QColor edge = ink.Tone(0x9a6a12);
    QPainterPath back;
    back.moveTo(1.5, 13.5);
    back.lineTo(1.5, 3.5);
    back.lineTo(6, 3.5);
    back.lineTo(7.5, 5.5);
    back.lineTo(13.5, 5.5);
    back.lineTo(13.5, 13.5);
    back.closeSubpath();
    p.setPen(QPen(edge, 1));
    p.setBrush(ink.Shade(0xf0c04a, 0xc98f1c, 3, 13));
    p.drawPath(back);
    QPainterPath front;
    front.moveTo(1.5, 13.5);
    front.lineTo(3.5, 7.5);
    front.lineTo(15.5, 7.5);
    front.lineTo(13.5, 13.5);
    front.closeSubpath();
    p.setBrush(ink.Shade(0xffe28a, 0xf0b12e, 7, 13));
    p.drawPath(front);
}

void NeutralDot(QPainter& p, const Ink& ink) {
    p.setPen(Qt::NoPen);
    p.setBrush(ink.Grey());
    p.drawEllipse(QPointF(8, 8), 3, 3);
}

// Two arrows chasing each other round a rectangle, drawn on whole pixels.
void LoopArrows(QPainter& p, const QColor& colour) {
    QPainterPath upper;
    upper.moveTo(3, 9);
    upper.lineTo(3, 6.5);
    upper.quadTo(3, 5, 4.5, 5);
    upper.lineTo(9.5, 5);
    QPainterPath lower;
    lower.moveTo(13, 7);
    lower.lineTo(13, 9.5);
    lower.quadTo(13, 11, 11.5, 11);
    lower.lineTo(6.5, 11);
    p.setPen(QPen(colour, 2, Qt::SolidLine, Qt::FlatCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(upper);
    p.drawPath(lower);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawPolygon(QPolygonF({{9, 1.5}, {9, 8.5}, {12.5, 5}}));
    p.drawPolygon(QPolygonF({{7, 7.5}, {7, 14.5}, {3.5, 11}}));
}

void LoopOn(QPainter& p, const Ink& ink) {
    LoopArrows(p, ink.Blue());
}

void LoopOff(QPainter& p, const Ink& ink) {
    LoopArrows(p, ink.GreyLine());
    Slash(p, ink);
}

void PrevFrame(QPainter& p, const Ink& ink) {
    FillPolygon(p, ink.Slate(), {{7, 4}, {7, 12}, {1, 8}});
    p.setPen(QPen(ink.SlateLine(), 1));
    p.setBrush(ink.Shade(0xcfe3f7, 0x8fb8e2));
    p.drawRect(QRectF(8.5, 3.5, 6, 9));
}

void NextFrame(QPainter& p, const Ink& ink) {
    p.setPen(QPen(ink.SlateLine(), 1));
    p.setBrush(ink.Shade(0xcfe3f7, 0x8fb8e2));
    p.drawRect(QRectF(1.5, 3.5, 6, 9));
    FillPolygon(p, ink.Slate(), {{9, 4}, {9, 12}, {15, 8}});
}

void PowerSymbol(QPainter& p, const QColor& colour) {
    p.setPen(RoundPen(colour, 2));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(2.5, 3, 11, 11), 122 * 16, -244 * 16);
    p.drawLine(QPointF(8, 2), QPointF(8, 7.5));
}

void ShutdownOff(QPainter& p, const Ink& ink) {
    PowerSymbol(p, ink.GreyLine());
}

void ShutdownArmed(QPainter& p, const Ink& ink) {
    PowerSymbol(p, ink.Red());
}

void Speaker(QPainter& p, const Ink& ink) {
    FillRect(p, ink.Slate(), QRectF(1, 6, 3, 4));
    FillPolygon(p, ink.Slate(), {{4, 6}, {8, 2.5}, {8, 13.5}, {4, 10}});
}

void SoundOn(QPainter& p, const Ink& ink) {
    Speaker(p, ink);
    p.setPen(QPen(ink.Blue(), 1.5, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(5, 4.5, 7, 7), 45 * 16, -90 * 16);
    p.drawArc(QRectF(3.5, 1.5, 12, 13), 50 * 16, -100 * 16);
}

void Muted(QPainter& p, const Ink& ink) {
    Speaker(p, ink);
    p.setPen(RoundPen(ink.Red(), 1.8));
    p.drawLine(QPointF(10, 5.5), QPointF(14.5, 10.5));
    p.drawLine(QPointF(14.5, 5.5), QPointF(10, 10.5));
}

// A screen frame with a little landscape inside `picture`.
void Screen(QPainter& p, const Ink& ink, const QRectF& picture) {
    p.setPen(QPen(ink.SlateLine(), 1));
    p.setBrush(ink.Tone(0x1b2733));
    p.drawRect(QRectF(0.5, 2.5, 15, 11));
    p.save();
    p.setClipRect(picture);
    p.fillRect(picture, ink.Shade(0x6fb6f2, 0xc6e3fb, picture.top(), picture.bottom()));
    p.setPen(Qt::NoPen);
    p.setBrush(ink.Tone(0xffd23c));
    p.drawEllipse(QPointF(picture.right() - 3, picture.top() + 1.8), 1.4, 1.4);
    p.setBrush(ink.Tone(0x3f9a3a));
    p.drawEllipse(QPointF(picture.left() + 3, picture.bottom() + 2.5), 7, 4.2);
    p.restore();
}

// The whole picture fits, with bars above and below it.
void FitInside(QPainter& p, const Ink& ink) {
    Screen(p, ink, QRectF(1, 5, 14, 6));
}

void FillScreen(QPainter& p, const Ink& ink) {
    p.setPen(QPen(ink.SlateLine(), 1));
    p.setBrush(ink.Shade(0xffffff, 0xcfe3f7));
    p.drawRect(QRectF(0.5, 2.5, 15, 11));
    // Arrows from the middle out to the corners.
    const QColor colour = ink.Blue();
    p.setPen(QPen(colour, 1.3, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(QPointF(6.5, 7), QPointF(4, 5.5));
    p.drawLine(QPointF(9.5, 7), QPointF(12, 5.5));
    p.drawLine(QPointF(6.5, 9), QPointF(4, 10.5));
    p.drawLine(QPointF(9.5, 9), QPointF(12, 10.5));
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawPolygon(QPolygonF({{2, 4}, {6.5, 4}, {2, 7.5}}));
    p.drawPolygon(QPolygonF({{14, 4}, {9.5, 4}, {14, 7.5}}));
    p.drawPolygon(QPolygonF({{2, 12}, {6.5, 12}, {2, 8.5}}));
    p.drawPolygon(QPolygonF({{14, 12}, {9.5, 12}, {14, 8.5}}));
}

// A drawing pin, its point down, turned by `angle` degrees about the middle.
void Pin(QPainter& p, const QBrush& head, const QColor& edge, const QColor& needle, qreal angle) {
    p.save();
    p.translate(8, 8);
    p.rotate(angle);
    p.setPen(QPen(needle, 1.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(0, 2), QPointF(0, 7.5));
    p.setPen(QPen(edge, 1));
    p.setBrush(head);
    p.drawRoundedRect(QRectF(-2.5, -7, 5, 3), 1, 1);
    p.drawRect(QRectF(-1.5, -4, 3, 4));
    p.drawRoundedRect(QRectF(-4.5, 0, 9, 2), 1, 1);
    p.restore();
}

void NotOnTop(QPainter& p, const Ink& ink) {
    Pin(p, ink.Grey(), ink.Tone(0x6b747d), ink.Tone(0x6b747d), 90);
}

void OnTop(QPainter& p, const Ink& ink) {
    Pin(p, ink.Shade(0xff6a5c, 0xb3211a), ink.Tone(0x8e1a14), ink.Tone(0x4a5560), 0);
}

void JumpLastPosition(QPainter& p, const Ink& ink) {
    // The time line with a mark on it, and an arrow leaping to the mark.
    FillRect(p, ink.Slate(), QRectF(1, 12, 14, 2));
    FillPolygon(p, QBrush(ink.Red()), {{9, 7}, {14, 7}, {11.5, 11}});
    QPainterPath arc;
    arc.moveTo(2.5, 10.5);
    arc.cubicTo(2.5, 4, 6.5, 2.5, 9.5, 4);
    p.setPen(QPen(ink.Blue(), 1.6, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawPath(arc);
    FillPolygon(p, QBrush(ink.Blue()), {{8.2, 1.8}, {12.8, 5.2}, {7.4, 6.4}});
}

void SubtitleScreen(QPainter& p, const QBrush& face, const QColor& edge, const QColor& text) {
    p.setPen(QPen(edge, 1));
    p.setBrush(face);
    p.drawRoundedRect(QRectF(0.5, 2.5, 15, 11), 1.5, 1.5);
    p.fillRect(QRectF(3, 8, 10, 1.5), text);
    p.fillRect(QRectF(5, 10.5, 6, 1.5), text);
}

void SubtitlesOn(QPainter& p, const Ink& ink) {
    SubtitleScreen(p, ink.Shade(0x3f5870, 0x1a2633), ink.SlateLine(), ink.Tone(0xffe15a));
}

void SubtitlesOff(QPainter& p, const Ink& ink) {
    SubtitleScreen(p, ink.Grey(), ink.Tone(0x6b747d), ink.Tone(0xe6e9ec));
    Slash(p, ink);
}

void Camera(QPainter& p, const Ink& ink) {
    p.setPen(QPen(ink.SlateLine(), 1));
    p.setBrush(ink.Slate());
    p.drawRoundedRect(QRectF(4.5, 2.5, 6, 3), 1, 1);
    p.drawRoundedRect(QRectF(0.5, 4.5, 15, 10), 1.5, 1.5);
    p.setBrush(ink.Tone(0xdfe6ee));
    p.drawEllipse(QPointF(8, 9.5), 3.6, 3.6);
    p.setBrush(ink.Shade(0x7cc0ff, 0x1f5fa8, 7, 12));
    p.drawEllipse(QPointF(8, 9.5), 2.2, 2.2);
    p.fillRect(QRectF(12, 6, 2, 1.5), ink.Tone(0xffe15a));
}

void Quit(QPainter& p, const Ink& ink) {
    // An open door and an arrow stepping out of it.
    p.setPen(QPen(ink.Tone(0x5a3a1c), 1));
    p.setBrush(ink.Shade(0xc98b52, 0x8a5526, 1, 15));
    p.drawPolygon(QPolygonF({{1.5, 1.5}, {7.5, 3.5}, {7.5, 15.5}, {1.5, 13.5}}));
    p.setPen(QPen(ink.Tone(0x5a3a1c), 1));
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(QPolygonF({{1.5, 13.5}, {1.5, 1.5}, {9.5, 1.5}, {9.5, 5}}));
    p.setPen(Qt::NoPen);
    p.setBrush(ink.Tone(0xf5d76e));
    p.drawEllipse(QPointF(6, 9), 0.9, 0.9);
    p.fillRect(QRectF(9, 8, 3, 2), ink.Red());
    FillPolygon(p, QBrush(ink.Red()), {{11.5, 5}, {15.5, 9}, {11.5, 13}});
}

void RootMenu(QPainter& p, const Ink& ink) {
    p.setPen(QPen(ink.SlateLine(), 1));
    p.setBrush(ink.Shade(0xffffff, 0xdbe5ef));
    p.drawRoundedRect(QRectF(1.5, 1.5, 13, 13), 1.5, 1.5);
    p.setPen(Qt::NoPen);
    for (const qreal y : {5.0, 8.0, 11.0}) {
        p.setBrush(ink.Blue());
        p.drawEllipse(QPointF(4.5, y), 1.2, 1.2);
        p.fillRect(QRectF(7, y - 0.75, 5.5, 1.5), ink.SlateLine());
    }
}

void Resume(QPainter& p, const Ink& ink) {
    FillRect(p, ink.Slate(), QRectF(2, 3, 2, 10));
    FillPolygon(p, ink.Green(), {{6, 3}, {6, 13}, {14, 8}});
}

using Draw = void (*)(QPainter&, const Ink&);

// Indexed by image number; the unused places carry the neutral dot.
constexpr Draw kGlyphs[34] = {
    PrevTrack,         // 0
    FastBackward,      // 1
    Play,              // 2
    Pause,             // 3
    FastForward,       // 4
    NextTrack,         // 5
    Folder,            // 6
    NeutralDot,        // 7
    Stop,              // 8
    LoopOn,            // 9
    LoopOff,           // 10
    PrevFrame,         // 11
    NextFrame,         // 12
    ShutdownOff,       // 13
    SoundOn,           // 14
    Muted,             // 15
    FitInside,         // 16
    NotOnTop,          // 17
    NeutralDot,        // 18
    NeutralDot,        // 19
    JumpLastPosition,  // 20
    NeutralDot,        // 21
    NeutralDot,        // 22
    NeutralDot,        // 23
    SubtitlesOn,       // 24
    SubtitlesOff,      // 25
    OnTop,             // 26
    FillScreen,        // 27
    ShutdownArmed,     // 28
    Camera,            // 29
    NeutralDot,        // 30
    Quit,              // 31
    RootMenu,          // 32
    Resume,            // 33
};

void Backdrop(QPainter& p) {
    p.setPen(QPen(QColor(0x7fa9d6), 1));
    QLinearGradient gradient(0, 0.5, 0, 15.5);
    gradient.setColorAt(0, QColor(0xfbfdff));
    gradient.setColorAt(1, QColor(0xd3e5f8));
    p.setBrush(gradient);
    p.drawRoundedRect(QRectF(0.5, 0.5, 15, 15), 3, 3);
}

}  // namespace

QImage ToolbarGlyph(int index, bool hover) {
    QImage image(kSize, kSize, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    if (index < 0 || index >= static_cast<int>(std::size(kGlyphs))) {
        return image;
    }
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    if (hover) {
        Backdrop(p);
    }
    kGlyphs[index](p, Ink{hover});
    return image;
}

}  // namespace velvaro::make_art
