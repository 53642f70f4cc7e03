// Where the built-in pictures live in the Qt resource system, and the few
// numbers that belong to them. The pictures themselves are drawn at build time
// by tools/make-art; link `velvaro_art` to have them.
#pragma once

#include <QtGui/qrgb.h>
#include <QList>
#include <QString>

#include "resource.h"

class QImage;

namespace velvaro::art {

// The toolbar strips: 34 square images side by side, magenta where nothing is.
inline constexpr int kToolbarImageSize = 16;
inline constexpr int kToolbarImageCount = 34;
inline constexpr int kToolbarStripWidth = kToolbarImageSize * kToolbarImageCount;
inline constexpr QRgb kTransparentColour = 0xFFFF00FF;  // opaque magenta

// The splash picture, drawn under the toolbar while nothing is shown.
inline constexpr int kSplashWidth = 450;
inline constexpr int kSplashHeight = 250;

// The hand cursor's index finger points straight up; the hotspot is its tip.
inline constexpr int kHandCursorSize = 32;
inline constexpr int kHandCursorHotspotX = 9;
inline constexpr int kHandCursorHotspotY = 1;

// The application icon also comes in a small size, under "<id>-16".
inline constexpr int kIconSize = 32;
inline constexpr int kSmallIconSize = 16;

inline QString BitmapResource(int id) {
    return QStringLiteral(":/BITMAP/") + QString::number(id);
}
inline QString JpegResource(int id) {
    return QStringLiteral(":/JPEG/") + QString::number(id);
}
inline QString IconResource(int id) {
    return QStringLiteral(":/ICON/") + QString::number(id);
}
inline QString SmallIconResource(int id) {
    return IconResource(id) + QStringLiteral("-16");
}
// The application icon in the sizes the desktop shows it at, each under
// "<id>-<size>".
inline constexpr int kDesktopIconSizes[] = {48, 64, 128, 256};
inline QString SizedIconResource(int id, int size) {
    return IconResource(id) + QLatin1Char('-') + QString::number(size);
}
inline QString CursorResource(int id) {
    return QStringLiteral(":/CURSOR/") + QString::number(id);
}

// Image `index` of a strip as a 32-bit image with an alpha channel, magenta
// pixels made fully transparent, as an image list with a mask keeps it. An
// index outside the strip gives a null image.
QImage StripImage(const QImage& strip, int index, int imageSize = kToolbarImageSize);

// Every image of the strip with the given bitmap id (IDB_TOOLBARNORMAL or
// IDB_TOOLBARHOVER); empty when the bitmap cannot be loaded.
QList<QImage> LoadToolbarImages(int bitmapId);

}  // namespace velvaro::art
