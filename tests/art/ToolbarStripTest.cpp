// The two toolbar strips as the toolbar loads them: 24-bit bitmaps of 34
// images whose background is exactly magenta, one glyph for each image the
// toolbar's button table names and one placeholder for the rest.
#include "art/ArtResources.h"
#include "i18n/CToolButtonTable.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QImage>

#include <numeric>
#include <set>

namespace {

using namespace velvaro::art;

constexpr int kStrips[] = {IDB_TOOLBARNORMAL, IDB_TOOLBARHOVER};

QImage Strip(int id) {
    return QImage(BitmapResource(id)).convertToFormat(QImage::Format_RGB32);
}

QImage Cell(const QImage& strip, int index) {
    return strip.copy(index * kToolbarImageSize, 0, kToolbarImageSize, kToolbarImageSize);
}

bool IsMagenta(QRgb pixel) {
    return (pixel | 0xFF000000) == kTransparentColour;
}

// The images the standard buttons show.
std::set<int> UsedImages() {
    CToolButtonTable table;
    AddStandardToolButtons(table);
    std::set<int> used;
    for (int image = 0; image < 2 * kToolbarImageCount; ++image) {
        if (!table.GetTooltipByImage(image).isEmpty()) {
            used.insert(image);
        }
    }
    EXPECT_EQ(used.size(), static_cast<std::size_t>(table.GetCount())) << "an image each";
    return used;
}

TEST(ToolbarStripTest, BothAre24BitBitmapsOfGlyphsInsideMagentaWithoutBlendedEdges) {
    const int last = kToolbarImageSize - 1;
    for (const int id : kStrips) {
        QFile file(BitmapResource(id));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << id;
        const QByteArray bytes = file.readAll();
        EXPECT_TRUE(bytes.startsWith("BM"));
        // Width 544, height 16, one plane, 24 bits per pixel, no compression.
        EXPECT_EQ(bytes.mid(18, 16).toHex(), "20020000100000000100180000000000");
        const QImage strip = Strip(id);
        ASSERT_EQ(strip.size(), QSize(kToolbarStripWidth, kToolbarImageSize));
        for (int index = 0; index < kToolbarImageCount; ++index) {
            SCOPED_TRACE(testing::Message() << "strip " << id << " image " << index);
            const QImage cell = Cell(strip, index);
            int magenta = 0;
            for (int y = 0; y < cell.height(); ++y) {
                for (int x = 0; x < cell.width(); ++x) {
                    const QRgb pixel = cell.pixel(x, y);
                    magenta += IsMagenta(pixel);
                    // A glyph edge mixed into magenta shows as a pink fringe
                    // once the exact magenta around it is masked away.
                    EXPECT_TRUE(IsMagenta(pixel) || qRed(pixel) <= 170 || qBlue(pixel) <= 170 ||
                                qGreen(pixel) >= 120)
                        << x << "," << y << " " << std::hex << pixel;
                }
            }
            EXPECT_GT(magenta, 0);
            EXPECT_LT(magenta, kToolbarImageSize * kToolbarImageSize);
            // Glyphs keep off the corners, so neighbours never run together.
            for (const auto& [x, y] : {std::pair{0, 0}, {last, 0}, {0, last}, {last, last}}) {
                EXPECT_TRUE(IsMagenta(cell.pixel(x, y))) << x << "," << y;
            }
        }
    }
}

TEST(ToolbarStripTest, EachButtonsImageIsItsOwnAndTheOthersShareAPlaceholder) {
    const std::set<int> used = UsedImages();
    ASSERT_LT(*used.rbegin(), kToolbarImageCount);
    for (const int id : kStrips) {
        const QImage strip = Strip(id);
        QList<QImage> glyphs;
        std::set<int> placeholders;
        for (int index = 0; index < kToolbarImageCount; ++index) {
            if (used.contains(index)) {
                glyphs << Cell(strip, index);
            } else {
                placeholders.insert(index);
                EXPECT_EQ(Cell(strip, index), Cell(strip, *placeholders.begin())) << index;
            }
        }
        glyphs << Cell(strip, *placeholders.begin());
        for (qsizetype a = 0; a < glyphs.size(); ++a) {
            EXPECT_EQ(glyphs.indexOf(glyphs[a]), a) << "strip " << id << ": image " << a;
        }
    }
}

TEST(ToolbarStripTest, TheHoverImagesAreBrighterVersionsOfTheNormalOnes) {
    const QImage normal = Strip(IDB_TOOLBARNORMAL);
    const QImage hover = Strip(IDB_TOOLBARHOVER);
    // The magenta around the glyphs is alike, so the sum compares the glyphs.
    const auto brightness = [](const QImage& cell) {
        const QImage grey = cell.convertToFormat(QImage::Format_Grayscale8);
        return std::accumulate(grey.constBits(), grey.constBits() + grey.sizeInBytes(), 0);
    };
    for (const int index : UsedImages()) {
        EXPECT_NE(Cell(normal, index), Cell(hover, index)) << index;
        EXPECT_GT(brightness(Cell(hover, index)), brightness(Cell(normal, index))) << index;
    }
}

TEST(ToolbarStripTest, StripImageMasksExactlyTheMagentaPixelsAndLoadingGivesEveryImage) {
    QImage strip(32, 16, QImage::Format_RGB32);
    strip.fill(kTransparentColour);
    strip.setPixel(20, 3, qRgb(254, 0, 255));  // close, but a glyph colour
    strip.setPixel(21, 4, qRgb(10, 20, 30));
    const QImage second = StripImage(strip, 1);
    ASSERT_EQ(second.size(), QSize(16, 16));
    EXPECT_TRUE(second.hasAlphaChannel());
    EXPECT_EQ(std::vector({second.pixel(0, 0), second.pixel(4, 3), second.pixel(5, 4)}),
              (std::vector{qRgba(0, 0, 0, 0), qRgba(254, 0, 255, 255), qRgba(10, 20, 30, 255)}));
    EXPECT_TRUE(StripImage(strip, 2).isNull());
    EXPECT_TRUE(StripImage(strip, -1).isNull());
    EXPECT_TRUE(StripImage(strip, 0, 0).isNull());

    const QImage hover = Strip(IDB_TOOLBARHOVER);
    const QList<QImage> images = LoadToolbarImages(IDB_TOOLBARHOVER);
    ASSERT_EQ(images.size(), kToolbarImageCount);
    for (int index = 0; index < kToolbarImageCount; ++index) {
        EXPECT_EQ(images[index], StripImage(hover, index)) << index;
    }
    // There is a symbol for a greyed strip but no bitmap behind it.
    EXPECT_TRUE(LoadToolbarImages(IDB_TOOLBARGRAYED).isEmpty());
}

}  // namespace
