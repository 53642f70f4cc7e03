// The two toolbar strips as the toolbar loads them: 24-bit bitmaps of 34
// images whose background is exactly magenta.
#include "art/ArtResources.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QImage>

#include <array>
#include <cstdint>
#include <set>

namespace {

using namespace velvaro::art;

// Images no toolbar entry names; they carry a neutral placeholder.
const std::set<int> kUnusedImages = {7, 18, 19, 21, 22, 23, 30};
constexpr std::array<int, 2> kStrips = {IDB_TOOLBARNORMAL, IDB_TOOLBARHOVER};

QByteArray ReadResource(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

std::uint32_t Little(const QByteArray& bytes, int offset, int size) {
    std::uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i) {
        value = value << 8 | static_cast<std::uint8_t>(bytes.at(offset + i));
    }
    return value;
}

QImage Strip(int id) {
    return QImage(BitmapResource(id)).convertToFormat(QImage::Format_RGB32);
}

QImage Cell(const QImage& strip, int index) {
    return strip.copy(index * kToolbarImageSize, 0, kToolbarImageSize, kToolbarImageSize);
}

bool IsMagenta(QRgb pixel) {
    return (pixel | 0xFF000000) == kTransparentColour;
}

// Mean brightness of the pixels that are not background.
double GlyphBrightness(const QImage& cell) {
    double sum = 0;
    int count = 0;
    for (int y = 0; y < cell.height(); ++y) {
        for (int x = 0; x < cell.width(); ++x) {
            const QRgb pixel = cell.pixel(x, y);
            if (!IsMagenta(pixel)) {
                sum += qGray(pixel);
                ++count;
            }
        }
    }
    return count ? sum / count : 0;
}

TEST(ToolbarStripTest, BothStripsAre24BitBitmapsOf34SquareImages) {
    for (const int id : kStrips) {
        SCOPED_TRACE(id);
        const QByteArray bytes = ReadResource(BitmapResource(id));
        ASSERT_GE(bytes.size(), 54);
        EXPECT_TRUE(bytes.startsWith("BM"));
        EXPECT_EQ(Little(bytes, 18, 4), 544u);
        EXPECT_EQ(Little(bytes, 22, 4), 16u);
        EXPECT_EQ(Little(bytes, 28, 2), 24u);
        EXPECT_EQ(Little(bytes, 30, 4), 0u);  // not compressed

        const QImage strip = Strip(id);
        ASSERT_FALSE(strip.isNull());
        EXPECT_EQ(strip.size(), QSize(kToolbarStripWidth, kToolbarImageSize));
        EXPECT_EQ(kToolbarStripWidth, 544);
        EXPECT_EQ(kToolbarImageCount, 34);
    }
}

TEST(ToolbarStripTest, EveryImageIsAGlyphInsideMagenta) {
    for (const int id : kStrips) {
        const QImage strip = Strip(id);
        ASSERT_FALSE(strip.isNull());
        for (int index = 0; index < kToolbarImageCount; ++index) {
            SCOPED_TRACE(testing::Message() << "strip " << id << " image " << index);
            const QImage cell = Cell(strip, index);
            int magenta = 0;
            for (int y = 0; y < cell.height(); ++y) {
                for (int x = 0; x < cell.width(); ++x) {
                    magenta += IsMagenta(cell.pixel(x, y));
                }
            }
            EXPECT_GT(magenta, 0);
            EXPECT_LT(magenta, kToolbarImageSize * kToolbarImageSize);
            // Glyphs keep off the corners, so neighbours never run together.
            const int last = kToolbarImageSize - 1;
            for (const auto& [x, y] : {std::pair{0, 0}, {last, 0}, {0, last}, {last, last}}) {
                EXPECT_TRUE(IsMagenta(cell.pixel(x, y))) << x << "," << y;
            }
        }
    }
}

TEST(ToolbarStripTest, NoPixelIsBlendedWithTheMagentaBackground) {
    // A glyph edge mixed into magenta shows as a pink fringe once the exact
    // magenta around it is masked away.
    for (const int id : kStrips) {
        const QImage strip = Strip(id);
        for (int y = 0; y < strip.height(); ++y) {
            for (int x = 0; x < strip.width(); ++x) {
                const QRgb pixel = strip.pixel(x, y);
                if (IsMagenta(pixel)) {
                    continue;
                }
                const bool pinkish = qRed(pixel) > 170 && qBlue(pixel) > 170 && qGreen(pixel) < 120;
                EXPECT_FALSE(pinkish)
                    << "strip " << id << " pixel " << x << "," << y << " " << std::hex << pixel;
            }
        }
    }
}

TEST(ToolbarStripTest, EveryUsedImageIsDifferent) {
    for (const int id : kStrips) {
        const QImage strip = Strip(id);
        for (int a = 0; a < kToolbarImageCount; ++a) {
            for (int b = a + 1; b < kToolbarImageCount; ++b) {
                if (kUnusedImages.contains(a) && kUnusedImages.contains(b)) {
                    continue;
                }
                EXPECT_NE(Cell(strip, a), Cell(strip, b))
                    << "strip " << id << ": " << a << " and " << b;
            }
        }
    }
}

TEST(ToolbarStripTest, TheUnusedImagesShareOnePlaceholder) {
    const QImage strip = Strip(IDB_TOOLBARNORMAL);
    const QImage placeholder = Cell(strip, 7);
    for (const int index : kUnusedImages) {
        EXPECT_EQ(Cell(strip, index), placeholder) << index;
    }
}

TEST(ToolbarStripTest, TheHoverImagesAreBrighterVersionsOfTheNormalOnes) {
    const QImage normal = Strip(IDB_TOOLBARNORMAL);
    const QImage hover = Strip(IDB_TOOLBARHOVER);
    for (int index = 0; index < kToolbarImageCount; ++index) {
        if (kUnusedImages.contains(index)) {
            continue;
        }
        SCOPED_TRACE(index);
        EXPECT_NE(Cell(normal, index), Cell(hover, index));
        EXPECT_GT(GlyphBrightness(Cell(hover, index)), GlyphBrightness(Cell(normal, index)));
    }
}

TEST(ToolbarStripTest, StripImageMasksExactlyTheMagentaPixels) {
    QImage strip(32, 16, QImage::Format_RGB32);
    strip.fill(kTransparentColour);
    strip.setPixel(20, 3, qRgb(254, 0, 255));  // close, but a glyph colour
    strip.setPixel(21, 4, qRgb(10, 20, 30));

    const QImage second = StripImage(strip, 1);
    ASSERT_EQ(second.size(), QSize(16, 16));
    EXPECT_TRUE(second.hasAlphaChannel());
    EXPECT_EQ(second.pixel(0, 0), qRgba(0, 0, 0, 0));
    EXPECT_EQ(second.pixel(4, 3), qRgba(254, 0, 255, 255));
    EXPECT_EQ(second.pixel(5, 4), qRgba(10, 20, 30, 255));

    EXPECT_TRUE(StripImage(strip, 2).isNull());
    EXPECT_TRUE(StripImage(strip, -1).isNull());
    EXPECT_TRUE(StripImage(strip, 0, 0).isNull());
}

TEST(ToolbarStripTest, LoadToolbarImagesGivesEveryImageOfABitmap) {
    const QImage strip = Strip(IDB_TOOLBARHOVER);
    const QList<QImage> images = LoadToolbarImages(IDB_TOOLBARHOVER);
    ASSERT_EQ(images.size(), kToolbarImageCount);
    for (int index = 0; index < kToolbarImageCount; ++index) {
        const QImage cell = Cell(strip, index);
        for (int y = 0; y < kToolbarImageSize; ++y) {
            for (int x = 0; x < kToolbarImageSize; ++x) {
                const QRgb expected =
                    IsMagenta(cell.pixel(x, y)) ? qRgba(0, 0, 0, 0) : cell.pixel(x, y);
                ASSERT_EQ(images[index].pixel(x, y), expected)
                    << "image " << index << " pixel " << x << "," << y;
            }
        }
    }
    // There is a symbol for a greyed strip but no bitmap behind it.
    EXPECT_TRUE(LoadToolbarImages(IDB_TOOLBARGRAYED).isEmpty());
}

}  // namespace
