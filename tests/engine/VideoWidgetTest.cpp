// The video window painting the renderer's pictures as its video output
// asks. 4:2:0 is scaled as the window paints, straight into the window's own
// pixels where it may: the picture must land exactly where it belongs, in
// every way of painting, and never over a widget lying on top of it.
#include "EventLoop.h"
#include "TestPipeline.h"
#include "engine/FrameScaler.h"
#include "engine/VideoOutput.h"
#include "engine/VideoPicture.h"
#include "video/VideoWidget.h"

#include <QPainter>
#include <QPalette>
#include <QPointer>
#include <QScreen>
#include <QWindow>

#include <memory>
#include <string>

namespace {

using namespace velvaro::engine;
using namespace velvaro::test;

// A picture of snow, so that a picture one pixel off, or cut wrongly, does
// not match.
GstSampleHandle MakeSample(const std::string& format = "format=I420,width=64,height=48") {
    const TestPipeline pipeline("videotestsrc pattern=snow num-buffers=1 ! video/x-raw," + format +
                                " ! appsink name=sink");
    pipeline.SetState(GST_STATE_PLAYING);
    return pipeline.Pull(5 * GST_SECOND);
}

// The picture scaled to `size`, as the window should show it.
QImage Expected(const VideoPicture& picture, QSize size) {
    QImage image(size, QImage::Format_RGB32);
    FrameScaler scaler;
    picture.ScaleToBgrx(scaler, image.bits(), static_cast<int>(image.bytesPerLine()), size.width(),
                        size.height());
    return image;
}

class VideoWidgetTest : public ::testing::Test {
protected:
    VideoWidgetTest() : sample_(MakeSample()), picture_(VideoPicture::Map(sample_.get())) {
        window.resize(300, 220);
        video = VideoWidget::Attach(output_, &window);
        output_->SetArea(QRect(kVideoAt, QSize(200, 150)));
        output_->SetBorder(Qt::green);
        output_->SetVisible(true);
    }

    // Shows the window and gives it the picture to draw into `destination`,
    // until the first pixel of it in sight is what it should be; returns
    // the picture as drawn there.
    QImage Show(const QRect& destination) {
        destination_ = destination;
        output_->SetDestination(destination);
        const QImage expected = Expected(*picture_, destination.size());
        const QPoint first(std::max(destination.x(), 0), std::max(destination.y(), 0));
        window.show();
        EXPECT_TRUE(RunEventsUntil([this] { return window.windowHandle()->isExposed(); }));
        output_->Mailbox()->Deliver(picture_);
        RunEventsUntil([&] {
            return (Shown().pixel(kVideoAt + first) & 0xffffff) ==
                   (expected.pixel(first - destination.topLeft()) & 0xffffff);
        });
        return expected;
    }

    // The window's pixels, as they go to the screen.
    QImage Shown() const {
        return window.screen()
            ->grabWindow(window.winId())
            .toImage()
            .convertToFormat(QImage::Format_RGB32);
    }

    // Whether `shown` has the picture `expected` over the part `part` of the
    // video widget.
    bool Matches(const QImage& shown, QPoint videoAt, const QImage& expected, QRect part) const {
        return shown.copy(part.translated(videoAt)) ==
               expected.copy(part.translated(-destination_.topLeft()));
    }

    static constexpr QPoint kVideoAt{17, 23};
    GstSampleHandle sample_;
    std::shared_ptr<const VideoPicture> picture_;
    std::shared_ptr<VideoOutput> output_ =
        std::make_shared<VideoOutput>(std::make_shared<FrameMailbox>());
    QWidget window;
    VideoWidget* video = nullptr;
    QRect destination_;
};

TEST_F(VideoWidgetTest, ScalesTheFilmIntoItsPlaceWithTheBorderAround) {
    ASSERT_TRUE(picture_ && picture_->NeedsScaling());
    EXPECT_EQ(picture_->Size(), QSize(64, 48));
    const QRect destination(10, 5, 160, 120);
    const QImage expected = Show(destination);
    const QImage shown = Shown();
    EXPECT_TRUE(Matches(shown, kVideoAt, expected, destination));
    for (const QPoint border : {QPoint(9, 5), QPoint(170, 124), QPoint(10, 4), QPoint(169, 125)}) {
        EXPECT_EQ(shown.pixelColor(kVideoAt + border), QColor(Qt::green))
            << border.x() << "," << border.y();
    }
    // Drawn into another device, as a grab is, the picture is the same.
    const QImage grabbed = video->grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_TRUE(Matches(grabbed, {0, 0}, expected, destination));
    // Each new picture counts once, however it reaches the screen.
    RunEventsFor(50);
    const int count = video->PicturesShown();
    EXPECT_GT(count, 0);
    output_->Mailbox()->Deliver(VideoPicture::Map(sample_.get()));
    RunEventsFor(50);
    EXPECT_EQ(video->PicturesShown(), count + 1);
    EXPECT_TRUE(Matches(Shown(), kVideoAt, expected, destination));
    // Zoomed past the window, only the middle of the picture shows.
    const QImage zoomed = Show(QRect(-40, -30, 280, 210));
    EXPECT_TRUE(Matches(Shown(), kVideoAt, zoomed, video->rect()));
}

// The widget goes where its output says, shows and hides, hides the pointer
// over it, and goes once the output closes.
TEST_F(VideoWidgetTest, FollowsItsOutputAndGoesWithIt) {
    output_->SetArea(QRect(5, 6, 70, 80));
    output_->SetCursorHidden(true);
    output_->SetVisible(false);
    EXPECT_EQ(std::tuple(video->geometry(), video->cursor().shape(), video->isHidden()),
              std::tuple(QRect(5, 6, 70, 80), Qt::BlankCursor, true));
    output_->SetCursorHidden(false);
    output_->SetVisible(true);
    EXPECT_EQ(std::pair(video->cursor().shape(), video->isHidden()),
              std::pair(Qt::ArrowCursor, false));
    const QPointer<VideoWidget> watched = video;
    output_->Close();
    EXPECT_TRUE(watched.isNull());
    output_->Mailbox()->Deliver(picture_);  // nobody to tell
    RunEventsFor(20);
}

// A widget on top of the film (the full screen's controls are) keeps its
// pixels, whether it lies beside the film or beside a widget holding it, and
// whether a new picture comes, the film repaints all of itself or a part
// under it.
TEST_F(VideoWidgetTest, NeverPaintsOverAWidgetLyingOnTopOfIt) {
    QWidget holder(&window);
    holder.setGeometry(window.rect());
    for (QWidget* coverParent : {&window, static_cast<QWidget*>(&holder)}) {
        SCOPED_TRACE(coverParent == &window ? "beside the film" : "beside its holder");
        if (coverParent == &holder) {
            video->setParent(&holder);
            video->show();
        }
        QWidget cover(&window);
        cover.setGeometry(QRect(kVideoAt + QPoint(120, 90), QSize(50, 40)));
        cover.setAutoFillBackground(true);
        QPalette palette;
        palette.setColor(QPalette::Window, Qt::magenta);
        cover.setPalette(palette);
        cover.raise();
        cover.show();
        QImage expected = Show(video->rect());
        QPainter(&expected).fillRect(cover.geometry().translated(-kVideoAt), Qt::magenta);
        // Whatever repaints were due are done before the next picture comes.
        RunEventsFor(50);
        EXPECT_TRUE(Matches(Shown(), kVideoAt, expected, video->rect())) << "first picture";
        output_->Mailbox()->Deliver(VideoPicture::Map(sample_.get()));
        RunEventsFor(50);
        EXPECT_TRUE(Matches(Shown(), kVideoAt, expected, video->rect())) << "a new picture";
        // Painted only where it is due.
        video->repaint(QRect(0, 0, 30, 30));
        EXPECT_TRUE(Matches(Shown(), kVideoAt, expected, video->rect())) << "a part repainted";
        video->repaint();
        EXPECT_TRUE(Matches(Shown(), kVideoAt, expected, video->rect())) << "all repainted";
    }
}

// A picture kept on screen must not hold the video sink's own working
// sample: the sink writes into that after a flush while playing, and would
// fail on a sample another holder shares.
TEST(VideoPictureTest, AHeldPictureLeavesTheSinkFreeToPlayOnAfterASeek) {
    const TestPipeline pipeline(
        "videotestsrc ! video/x-raw,format=I420,width=64,height=48,framerate=200/1 "
        "! appsink name=sink max-buffers=1");
    ASSERT_EQ(pipeline.SetState(GST_STATE_PLAYING), GST_STATE_CHANGE_ASYNC);
    std::shared_ptr<const VideoPicture> held;
    const auto pull = [&] {
        const GstSampleHandle sample = pipeline.Pull(5 * GST_SECOND);
        held = sample ? VideoPicture::Map(sample.get()) : nullptr;
        return held != nullptr;
    };
    ASSERT_TRUE(pull());
    ASSERT_TRUE(gst_element_seek_simple(pipeline.get(), GST_FORMAT_TIME, GST_SEEK_FLAG_FLUSH, 0));
    ASSERT_TRUE(pull() && pull());
    EXPECT_EQ(held->Size(), QSize(64, 48));
}

// A stream's pictures share their caps until the caps change; each picture
// must still be read by its own.
TEST(PictureMapper, ReadsEachPictureByItsOwnCaps) {
    const GstSampleHandle i420 = MakeSample();
    const GstSampleHandle nv12 = MakeSample("format=NV12,width=64,height=48");
    const GstSampleHandle larger = MakeSample("format=I420,width=96,height=72");
    const GstSampleHandle rgb = MakeSample("format=RGB,width=64,height=48");
    PictureMapper mapper;
    for (GstSample* sample : {i420.get(), i420.get(), nv12.get(), larger.get(), i420.get()}) {
        const auto picture = mapper.Map(sample);
        const auto alone = VideoPicture::Map(sample);
        ASSERT_TRUE(picture && alone);
        EXPECT_EQ(picture->Size(), alone->Size());
        EXPECT_EQ(Expected(*picture, QSize(50, 40)), Expected(*alone, QSize(50, 40)));
    }
    EXPECT_EQ(mapper.Map(rgb.get()), nullptr);
    EXPECT_EQ(mapper.Map(larger.get())->Size(), QSize(96, 72));
}

}  // namespace
