#include "art/ArtResources.h"

#include <QImage>

namespace velvaro::art {

QImage StripImage(const QImage& strip, int index, int imageSize) {
    if (imageSize <= 0 || index < 0 || (index + 1) * imageSize > strip.width() ||
        strip.height() < imageSize) {
        return {};
    }
    QImage image = strip.copy(index * imageSize, 0, imageSize, imageSize)
                       .convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            // Only exact magenta is the mask; anything else stays opaque.
            if ((line[x] | 0xFF000000) == kTransparentColour) {
                line[x] = qRgba(0, 0, 0, 0);
            } else {
                line[x] |= 0xFF000000;
            }
        }
    }
    return image;
}

QList<QImage> LoadToolbarImages(int bitmapId) {
    const QImage strip(BitmapResource(bitmapId));
    QList<QImage> images;
    if (strip.isNull()) {
        return images;
    }
    const int count = strip.width() / kToolbarImageSize;
    images.reserve(count);
    for (int i = 0; i < count; ++i) {
        images.append(StripImage(strip, i));
    }
    return images;
}

}  // namespace velvaro::art
