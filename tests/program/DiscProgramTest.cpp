// A disc as a person plays it: the program started on a VIDEO_TS folder
// under a virtual display, its menu seen on the screen and a button clicked.
#include "ProgramFixture.h"
#include "ScreenPixels.h"

namespace velvaro::test {
namespace {

class DiscProgramTest : public WholeProgramTest {
protected:
    QImage Screen() const { return ScreenShot(display_.Name(), folder_ / "screen.png"); }
    static bool Navy(QColor c) {
        return c.red() < 30 && c.green() < 30 && c.blue() > 90 && c.blue() < 170;
    }
};

TEST_F(DiscProgramTest, StartedOnADiscFolderItPlaysTheTitleOfTheButtonClicked) {
    SetUpRegistry({{"SingleInstanceMode", 0}});
    auto player = Start({kMedia + "dvd/menu/VIDEO_TS"});
    ASSERT_TRUE(WaitForTitles({"Velvaro - menu - PLAY"})) << testing::PrintToString(WindowTitles());
    // The root menu on the screen, navy, with one button framed in yellow.
    QRect frame;
    QImage seen;
    ASSERT_TRUE(RunEventsUntil(
        [&] {
            // The selected button's yellow frame: its long top and bottom edges.
            seen = Screen();
            frame = Bounds(seen, &Yellow, 150);
            return frame.width() > 150 && frame.height() > 30;
        },
        15000))
        << "yellow rows " << frame.width() << "x" << frame.height() << "; navy "
        << Share(seen, seen.rect(), &Navy) << " per mille of a " << seen.width() << "x"
        << seen.height() << " screen; " << testing::PrintToString(WindowTitles());
    const QRect menu = frame.adjusted(-100, -60, 100, 60);
    EXPECT_GT(Share(Screen(), menu, &Navy), 500);
    ASSERT_EQ(
        XInput({"click", std::to_string(frame.center().x()), std::to_string(frame.center().y())}),
        0);
    // The title's moving pattern where the menu was.
    EXPECT_TRUE(RunEventsUntil([&] { return Share(Screen(), menu, &Navy) < 100; }, 15000));
    Stop(*player);
}

}  // namespace
}  // namespace velvaro::test
