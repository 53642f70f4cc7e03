// The video window painting the renderer's pictures. 4:2:0 is scaled as the
// window paints, straight into the window's own pixels where it may: the
// picture must land exactly where it belongs, in every way of painting, and
// never over a widget lying on top of it.
#include "EventLoop.h"
#include "engine/FrameScaler.h"
#include "engine/GstHandles.h"
#include "engine/MediaFramework.h"
#include "engine/VideoPicture.h"
#include "engine/VideoWidget.h"

#include <gst/app/gstappsink.h>
#include <gst/video/video.h>
#include <gtest/gtest.h>

#include <QPalette>
#include <QScreen>
#include <QWindow>

#include <memory>
#include <vector>

namespace {

using velvaro::engine::FrameScaler;
using velvaro::engine::GstElementHandle;
using velvaro::engine::GstSampleHandle;
using velvaro::engine::VideoPicture;
using velvaro::test::RunEventsUntil;

constexpr int kWidth = 64;
constexpr int kHeight = 48;

// An I420 picture whose every pixel differs from its neighbours, so that a
// picture one pixel off, or cut wrongly, does not match.
GstSampleHandle MakeSample() {
    velvaro::engine::EnsureMediaFramework();
    GstVideoInfo info;
    gst_video_info_set_format(&info, GST_VIDEO_FORMAT_I420, kWidth, kHeight);
    GstBuffer* buffer = gst_buffer_new_allocate(nullptr, info.size, nullptr);
    GstVideoFrame frame;
    if (gst_video_frame_map(&frame, &info, buffer, GST_MAP_WRITE)) {
        for (guint plane = 0; plane < 3; ++plane) {
            auto* data = static_cast<std::uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(&frame, plane));
            const int stride = GST_VIDEO_FRAME_PLANE_STRIDE(&frame, plane);
            for (int row = 0; row < GST_VIDEO_FRAME_COMP_HEIGHT(&frame, plane); ++row) {
                for (int column = 0; column < GST_VIDEO_FRAME_COMP_WIDTH(&frame, plane); ++column) {
                    data[row * stride + column] =
                        static_cast<std::uint8_t>(40 + (column * 29 + row * 53 + plane * 70) % 180);
                }
            }
        }
        gst_video_frame_unmap(&frame);
    }
    GstCaps* caps = gst_video_info_to_caps(&info);
    GstSampleHandle sample(gst_sample_new(buffer, caps, nullptr, nullptr));
    gst_caps_unref(caps);
    gst_buffer_unref(buffer);
    return sample;
}

// The picture scaled to `size`, as the window should show it.
QImage Expected(const VideoPicture& picture, QSize size) {
    QImage image(size, QImage::Format_RGB32);
    FrameScaler scaler;
    picture.ScaleToBgrx(scaler, image.bits(), static_cast<int>(image.bytesPerLine()), size.width(),
                        size.height());
    return image;
}

// Where pixels differ, as "x,y"; empty when none does.
std::string FirstDifference(const QImage& shown, QPoint at, const QImage& expected, QPoint from,
                            QSize size, const QRect& skip = QRect()) {
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x) {
            if (skip.contains(at + QPoint(x, y))) {
                continue;
            }
            const QRgb want = expected.pixel(from + QPoint(x, y)) & 0xffffff;
            const QRgb got = shown.pixel(at + QPoint(x, y)) & 0xffffff;
            if (want != got) {
                return std::to_string(x) + "," + std::to_string(y);
            }
        }
    }
    return "";
}

class VideoWidgetTest : public ::testing::Test {
protected:
    VideoWidgetTest() : sample_(MakeSample()), picture_(VideoPicture::Map(sample_.get())) {
        window.resize(300, 220);
        video = new VideoWidget(mailbox_);
        video->setParent(&window);
        video->setGeometry(kVideoAt.x(), kVideoAt.y(), 200, 150);
        video->SetBorderColour(Qt::green);
    }

    // Shows the window and gives it the picture, until the window pixel at
    // `at` is what it should be.
    void ShowAndDeliver(QPoint at, QRgb want) {
        window.show();
        ASSERT_TRUE(RunEventsUntil([this] { return window.windowHandle()->isExposed(); }));
        mailbox_->Deliver(picture_);
        RunEventsUntil([&] { return (Shown().pixel(at) & 0xffffff) == (want & 0xffffff); });
    }

    // The window's pixels, as they go to the screen.
    QImage Shown() const {
        return window.screen()
            ->grabWindow(window.winId())
            .toImage()
            .convertToFormat(QImage::Format_RGB32);
    }

    static constexpr QPoint kVideoAt{17, 23};
    GstSampleHandle sample_;
    std::shared_ptr<const VideoPicture> picture_;
    std::shared_ptr<FrameMailbox> mailbox_ = std::make_shared<FrameMailbox>();
    QWidget window;
    VideoWidget* video = nullptr;
};

TEST_F(VideoWidgetTest, ScalesTheFilmIntoItsPlaceWithTheBorderAround) {
    ASSERT_TRUE(picture_ && picture_->NeedsScaling());
    EXPECT_EQ(picture_->Size(), QSize(kWidth, kHeight));
    const QRect destination(10, 5, 160, 120);
    video->SetDestination(destination);
    const QImage expected = Expected(*picture_, destination.size());
    ShowAndDeliver(kVideoAt + destination.topLeft(), expected.pixel(0, 0));
    const QImage shown = Shown();
    EXPECT_EQ(FirstDifference(shown, kVideoAt + destination.topLeft(), expected, {0, 0},
                              destination.size()),
              "");
    for (const QPoint border : {QPoint(9, 5), QPoint(170, 124), QPoint(10, 4), QPoint(169, 125)}) {
        EXPECT_EQ(shown.pixelColor(kVideoAt + border), QColor(Qt::green))
            << border.x() << "," << border.y();
    }
    // Drawn into another device, as a grab is, the picture is the same.
    const QImage grabbed = video->grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(FirstDifference(grabbed, destination.topLeft(), expected, {0, 0}, destination.size()),
              "");
}

// Zoomed past the window, only the middle of the picture shows.
TEST_F(VideoWidgetTest, ShowsTheRightPartOfAPictureLargerThanTheWindow) {
    const QRect destination(-40, -30, 280, 210);
    video->SetDestination(destination);
    const QImage expected = Expected(*picture_, destination.size());
    ShowAndDeliver(kVideoAt, expected.pixel(40, 30));
    EXPECT_EQ(FirstDifference(Shown(), kVideoAt, expected, {40, 30}, video->size()), "");
}

// A widget on top of the film (the full screen's controls are) keeps its
// pixels, whether the film repaints all of itself or a part under it.
TEST_F(VideoWidgetTest, NeverPaintsOverAWidgetLyingOnTopOfIt) {
    const QRect destination(0, 0, 200, 150);
    video->SetDestination(destination);
    QWidget cover(&window);
    cover.setGeometry(QRect(kVideoAt + QPoint(120, 90), QSize(50, 40)));
    cover.setAutoFillBackground(true);
    QPalette palette;
    palette.setColor(QPalette::Window, Qt::magenta);
    cover.setPalette(palette);
    cover.raise();
    const QImage expected = Expected(*picture_, destination.size());
    ShowAndDeliver(kVideoAt, expected.pixel(0, 0));
    const auto check = [&](const char* when) {
        const QImage shown = Shown();
        EXPECT_EQ(shown.pixelColor(cover.geometry().center()), QColor(Qt::magenta)) << when;
        EXPECT_EQ(shown.pixelColor(cover.geometry().bottomRight()), QColor(Qt::magenta)) << when;
        EXPECT_EQ(FirstDifference(shown, kVideoAt, expected, {0, 0}, destination.size(),
                                  cover.geometry()),
                  "")
            << when;
    };
    check("first picture");
    // A fresh picture, painted only where it is due.
    const GstSampleHandle again = MakeSample();
    mailbox_->Deliver(VideoPicture::Map(again.get()));
    video->repaint(QRect(0, 0, 30, 30));
    check("a part repainted");
    video->repaint();
    check("all repainted");
}

// A picture kept on screen must not hold the video sink's own working
// sample: the sink writes into that after a flush while playing, and would
// fail on a sample another holder shares.
TEST(VideoPictureTest, AHeldPictureLeavesTheSinkFreeToPlayOnAfterASeek) {
    velvaro::engine::EnsureMediaFramework();
    GstElementHandle pipeline(GST_ELEMENT(gst_object_ref_sink(gst_parse_launch(
        "videotestsrc ! video/x-raw,format=I420,width=64,height=48,framerate=200/1 "
        "! appsink name=sink max-buffers=1",
        nullptr))));
    ASSERT_TRUE(pipeline);
    GstElementHandle sink(gst_bin_get_by_name(GST_BIN(pipeline.get()), "sink"));
    ASSERT_EQ(gst_element_set_state(pipeline.get(), GST_STATE_PLAYING), GST_STATE_CHANGE_ASYNC);
    std::shared_ptr<const VideoPicture> held;
    const auto pull = [&] {
        GstSampleHandle sample(
            gst_app_sink_try_pull_sample(GST_APP_SINK(sink.get()), 5 * GST_SECOND));
        held = sample ? VideoPicture::Map(sample.get()) : nullptr;
        return held != nullptr;
    };
    ASSERT_TRUE(pull());
    ASSERT_TRUE(gst_element_seek_simple(pipeline.get(), GST_FORMAT_TIME, GST_SEEK_FLAG_FLUSH, 0));
    ASSERT_TRUE(pull() && pull());
    EXPECT_EQ(held->Size(), QSize(64, 48));
    gst_element_set_state(pipeline.get(), GST_STATE_NULL);
}

}  // namespace
