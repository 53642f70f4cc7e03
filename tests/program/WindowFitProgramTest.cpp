// A film larger than the screen, as a new user opens it on a 1280x800
// display: the window stays on the screen and shows the whole picture; a
// film that fits keeps its own size to the pixel.
#include "ProgramFixture.h"
#include "ScreenPixels.h"

namespace velvaro::test {
namespace {

class WindowFitProgramTest : public WholeProgramTest {
protected:
    // The window's place on the screen, as the X server has it.
    QRect WindowRect(const std::string& title) const {
        const std::string info = RunProgram("/usr/bin/xwininfo", {"-id", WindowId(title)},
                                            {{"DISPLAY", display_.Name()}})
                                     .out;
        const auto number = [&](const std::string& label) {
            const auto at = info.find(label);
            return at == std::string::npos ? -1 : std::stoi(info.substr(at + label.size()));
        };
        return {number("Absolute upper-left X:"), number("Absolute upper-left Y:"),
                number("Width:"), number("Height:")};
    }
    // The film's yellow frame once it is on the screen.
    QRect Picture() const {
        QRect picture;
        RunEventsUntil(
            [&] {
                picture = Bounds(ScreenShot(display_.Name(), folder_ / "screen.png"), &Yellow);
                return picture.width() > 100;
            },
            15000);
        return picture;
    }
    // Every side of the frame is there: nothing of the picture is cut off.
    void ExpectWholeFrame(const QRect& p) {
        const QImage screen = ScreenShot(display_.Name(), folder_ / "screen.png");
        const int edge = 4;
        for (const QRect& side : {QRect(p.left(), p.top(), p.width(), edge),
                                  QRect(p.left(), p.bottom() - edge + 1, p.width(), edge),
                                  QRect(p.left(), p.top(), edge, p.height()),
                                  QRect(p.right() - edge + 1, p.top(), edge, p.height())}) {
            EXPECT_GT(Share(screen, side, &Yellow), 900) << side.x() << "," << side.y();
        }
    }
};

TEST_F(WindowFitProgramTest, AFilmLargerThanTheScreenIsShrunkToFitAndOneThatFitsKeepsItsSize) {
    SetUpRegistry({{"SingleInstanceMode", 0}});
    const QRect screen(0, 0, 1280, 800);

    auto large = Start({kMedia + "framed-1080p.mkv"});
    ASSERT_TRUE(WaitForTitles({"Velvaro - framed-1080p.mkv - PLAY"}));
    const QRect picture = Picture();
    const QRect window = WindowRect("Velvaro - framed-1080p.mkv - PLAY");
    EXPECT_TRUE(screen.contains(window)) << "window " << window.x() << "," << window.y();
    EXPECT_GT(picture.width(), 1000);
    EXPECT_NEAR(static_cast<double>(picture.width()) / picture.height(), 16.0 / 9.0, 0.02);
    ExpectWholeFrame(picture);
    Stop(*large);

    auto small = Start({kMedia + "framed-360p.mkv"});
    ASSERT_TRUE(WaitForTitles({"Velvaro - framed-360p.mkv - PLAY"}));
    EXPECT_EQ(Picture().size(), QSize(640, 360));
    ExpectWholeFrame(Picture());
    Stop(*small);
}

}  // namespace
}  // namespace velvaro::test
