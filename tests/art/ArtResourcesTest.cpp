// The splash, icons and cursor, found through the resource paths of their ids.
#include "art/ArtResources.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QImageReader>

namespace {

using namespace velvaro::art;

int OpaquePixels(const QImage& image) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            count += qAlpha(image.pixel(x, y)) == 255;
        }
    }
    return count;
}

TEST(ArtResourcesTest, TheSplashIsADark450By250Jpeg) {
    QImageReader reader(JpegResource(IDR_MAIN));
    EXPECT_EQ(reader.format(), QByteArray("jpeg"));
    const QImage splash = reader.read();
    ASSERT_FALSE(splash.isNull()) << qPrintable(reader.errorString());
    EXPECT_EQ(splash.size(), QSize(kSplashWidth, kSplashHeight));

    // A dark ground with a light word mark on it.
    double sum = 0;
    int bright = 0;
    for (int y = 0; y < splash.height(); ++y) {
        for (int x = 0; x < splash.width(); ++x) {
            const int grey = qGray(splash.pixel(x, y));
            sum += grey;
            bright += grey > 220;
        }
    }
    EXPECT_LT(sum / (splash.width() * splash.height()), 80);
    EXPECT_GT(bright, 1000);
}

TEST(ArtResourcesTest, IconsArePngsOfTheirSizeWithTransparentSurroundings) {
    const struct {
        QString path;
        int size;
    } icons[] = {
        {IconResource(IDR_MAINFRAME), 32},
        {SmallIconResource(IDR_MAINFRAME), 16},
        {IconResource(IDR_TEXTFILE), 16},
        {IconResource(IDR_DELETE), 16},
        {IconResource(IDR_ADD), 16},
        {IconResource(IDR_SELECT_ALL), 16},
        {IconResource(IDR_DESELECT_ALL), 16},
        {SizedIconResource(IDR_MAINFRAME, 48), 48},
        {SizedIconResource(IDR_MAINFRAME, 256), 256},
    };
    QList<QImage> seen;
    for (const auto& icon : icons) {
        SCOPED_TRACE(qPrintable(icon.path));
        QImageReader reader(icon.path);
        EXPECT_EQ(reader.format(), QByteArray("png"));
        const QImage image = reader.read().convertToFormat(QImage::Format_ARGB32);
        ASSERT_FALSE(image.isNull());
        EXPECT_EQ(image.size(), QSize(icon.size, icon.size));
        EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
        EXPECT_GT(OpaquePixels(image), icon.size * icon.size / 8);
        EXPECT_FALSE(seen.contains(image));
        seen.append(image);
    }
}

TEST(ArtResourcesTest, TheHandCursorsHotspotIsTheTipOfItsFinger) {
    const QImage cursor =
        QImage(CursorResource(IDC_HANDPOINT)).convertToFormat(QImage::Format_ARGB32);
    ASSERT_FALSE(cursor.isNull());
    EXPECT_EQ(cursor.size(), QSize(kHandCursorSize, kHandCursorSize));
    ASSERT_TRUE(cursor.rect().contains(kHandCursorHotspotX, kHandCursorHotspotY));
    EXPECT_GE(qAlpha(cursor.pixel(kHandCursorHotspotX, kHandCursorHotspotY)), 128);
    // Nothing of the hand lies above the hotspot.
    for (int y = 0; y < kHandCursorHotspotY; ++y) {
        for (int x = 0; x < cursor.width(); ++x) {
            EXPECT_EQ(qAlpha(cursor.pixel(x, y)), 0) << x << "," << y;
        }
    }
    EXPECT_GT(OpaquePixels(cursor), 200);
}

}  // namespace
