// Lays the glyphs onto magenta. The control that shows the strip knows only
// "magenta or not", so every pixel is decided one way: faint edge pixels become
// magenta, the rest are blended over a light toolbar grey and made opaque.
#include <QPainter>

#include "Art.h"
#include "art/ArtResources.h"

namespace velvaro::make_art {
namespace {

constexpr int kOpaqueFrom = 112;                    // alpha at which a pixel counts
constexpr QRgb kToolbarGrey = qRgb(240, 240, 240);  // what the edges are blended over

QRgb Settle(QRgb premultiplied) {
    const int alpha = qAlpha(premultiplied);
    if (alpha < kOpaqueFrom) {
        return art::kTransparentColour;
    }
    const auto over = [alpha](int colour, int ground) {
        return colour + ground * (255 - alpha) / 255;
    };
    QRgb settled = qRgb(over(qRed(premultiplied), qRed(kToolbarGrey)),
                        over(qGreen(premultiplied), qGreen(kToolbarGrey)),
                        over(qBlue(premultiplied), qBlue(kToolbarGrey)));
    // A glyph pixel must never read as the mask colour.
    if (settled == art::kTransparentColour) {
        settled = qRgb(254, 0, 254);
    }
    return settled;
}

}  // namespace

QImage ToolbarStrip(bool hover) {
    const int size = art::kToolbarImageSize;
    QImage strip(art::kToolbarStripWidth, size, QImage::Format_RGB32);
    for (int index = 0; index < art::kToolbarImageCount; ++index) {
        const QImage glyph = ToolbarGlyph(index, hover);
        for (int y = 0; y < size; ++y) {
            const auto* from = reinterpret_cast<const QRgb*>(glyph.constScanLine(y));
            auto* to = reinterpret_cast<QRgb*>(strip.scanLine(y)) + index * size;
            for (int x = 0; x < size; ++x) {
                to[x] = Settle(from[x]);
            }
        }
    }
    return strip;
}

}  // namespace velvaro::make_art
