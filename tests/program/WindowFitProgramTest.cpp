// A film larger than the screen, as a new user opens it on a 1280x800
// display: the window stays on the screen and shows the whole picture; a
// film that fits keeps its own size to the pixel. A still picture follows
// zoom, fill and size at once, stopped or paused.
#include "ProgramFixture.h"
#include "ScreenPixels.h"

#include <algorithm>
#include <cstdlib>

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

// Lit: the film, whatever its colours mix to when shrunk; the border is black.
bool Lit(QColor c) {
    return std::max({c.red(), c.green(), c.blue()}) > 100;
}

// A film larger than the 1280x800 screen is shrunk to fit, whole. A film
// that fits keeps its size, whole; a still picture is drawn again in its new
// place at once, though no new picture comes from the film while it stands.
TEST_F(WindowFitProgramTest, ALargeFilmIsShrunkToFitOneThatFitsKeepsItsSizeAndAStillFollows) {
    SetUpRegistry({{"SingleInstanceMode", 0}, {"AspectRatio", 1}});
    auto large = Start({kMedia + "framed-1080p.mkv"});
    ASSERT_TRUE(WaitForTitles({"Velvaro - framed-1080p.mkv - PLAY"}));
    const QRect picture = Picture();
    const QRect shrunk = WindowRect("Velvaro - framed-1080p.mkv - PLAY");
    EXPECT_TRUE(QRect(0, 0, 1280, 800).contains(shrunk))
        << "window " << shrunk.x() << "," << shrunk.y();
    EXPECT_GT(picture.width(), 1000);
    EXPECT_NEAR(static_cast<double>(picture.width()) / picture.height(), 16.0 / 9.0, 0.02);
    ExpectWholeFrame(picture);
    Stop(*large);

    auto player = Start({kMedia + "framed-360p.mkv"});
    ASSERT_TRUE(WaitForTitles({"Velvaro - framed-360p.mkv - PLAY"}));
    // The video area, which the picture fills at its own size.
    const QRect area = Picture();
    ASSERT_EQ(area.size(), QSize(640, 360));
    ExpectWholeFrame(area);
    const std::string window = WindowId("Velvaro - framed-360p.mkv - PLAY");
    const QRect outer = WindowRect("Velvaro - framed-360p.mkv - PLAY");
    const std::vector<std::string> nineteenLeft(19, "Left");
    struct Case {
        const char* what;
        std::vector<std::string> keys;
        const char* state;
        QRect picture;  // in the video area
        int grow = 0;   // the window's height grows by this first
    };
    const Case cases[] = {
        {"stopped", {"alt+p", "t"}, "STOP", {0, 0, 640, 360}},
        {"stopped, shrunk", {"Left"}, "STOP", {16, 9, 608, 342}},
        {"stopped, original size", {"r"}, "STOP", {0, 0, 640, 360}},
        {"stopped, the aspect free", {"a"}, "STOP", {0, 0, 640, 360}},
        {"stopped, the width alone to 5%", nineteenLeft, "STOP", {304, 0, 32, 360}},
        {"stopped, the aspect kept again", {"a"}, "STOP", {0, 0, 640, 360}},
        {"paused", {"space", "space"}, "PAUSE", {0, 0, 640, 360}},
        {"paused, shrunk", {"Left"}, "PAUSE", {16, 9, 608, 342}},
        {"paused, filled", {"f"}, "PAUSE", {0, 0, 640, 360}},
        {"paused, height alone to 90%", {"a", "Down", "Down"}, "PAUSE", {0, 18, 640, 324}},
        {"paused, fills a taller area", {"a"}, "PAUSE", {0, 60, 640, 360}, 120},
    };
    for (const Case& step : cases) {
        SCOPED_TRACE(step.what);
        QRect videoArea = area;
        std::vector<std::string> keys = {"keys"};
        keys.insert(keys.end(), step.keys.begin(), step.keys.end());
        ASSERT_EQ(XInput(keys), 0);
        if (step.grow != 0) {
            videoArea.setHeight(area.height() + step.grow);
            ASSERT_EQ(XInput({"resize", window, std::to_string(outer.width()),
                              std::to_string(outer.height() + step.grow)}),
                      0);
        }
        ASSERT_TRUE(WaitForTitles({std::string("Velvaro - framed-360p.mkv - ") + step.state}));
        // The lit rows of the video area, until they are where they belong
        // (to a pixel: the zoom's sizes are truncated).
        QRect shown;
        const auto near = [&] {
            return std::abs(shown.left() - step.picture.left()) <= 1 &&
                   std::abs(shown.top() - step.picture.top()) <= 1 &&
                   std::abs(shown.width() - step.picture.width()) <= 1 &&
                   std::abs(shown.height() - step.picture.height()) <= 1;
        };
        RunEventsUntil(
            [&] {
                const QImage screen = ScreenShot(display_.Name(), folder_ / "screen.png");
                shown = Bounds(screen.copy(videoArea), &Lit, 20);
                return near();
            },
            5000);
        EXPECT_TRUE(near()) << shown.x() << "," << shown.y() << " " << shown.width() << "x"
                            << shown.height();
    }
    Stop(*player);
}

}  // namespace
}  // namespace velvaro::test
