// Display modes: choosing a mode, the mode list that stands in where nothing
// can be switched, the process-wide default, and the real XRandR layer,
// read-only, on X servers. No test here ever switches a monitor.
#include "RunProgram.h"
#include "platform/DisplayModes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

const std::vector<DisplayMode> kModes = {
    {1920, 1080, 60.0}, {1920, 1080, 50.0}, {1280, 1024, 75.0}, {1280, 1024, 60.0},
    {800, 600, 56.0},   {800, 600, 72.0},   {800, 600, 60.0},   {640, 480, 60.0},
};

TEST(ChooseDisplayModeTest, SameSizeNearestRateTiesToTheFasterAndNoOtherSize) {
    const struct {
        int width, height;
        double rate;
        int chosen;
    } cases[] = {
        {800, 600, 60.0, 6},   {800, 600, 70.0, 5},  {800, 600, 64.0, 6},  // 56 and 72 are further
        {1920, 1080, 55.0, 0},                                             // 50 and 60: the faster
        {1280, 1024, 0.0, 2},                         // rate unknown: the fastest
        {640, 480, 75.0, 7},   {600, 800, 60.0, -1},  // turned round is another size
        {800, 0, 60.0, -1},    {0, 0, 60.0, -1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ChooseDisplayMode(kModes, c.width, c.height, c.rate), c.chosen)
            << c.width << "x" << c.height << "@" << c.rate;
    }
    EXPECT_EQ(ChooseDisplayMode({}, 800, 600, 60.0), -1);
}

TEST(ListedDisplayModesTest, SwitchesToAListedSizeAndBackToTheModeBeforeTheFirstChange) {
    ListedDisplayModes modes(kModes, 0);
    ASSERT_TRUE(modes.ChangeForFullscreen(800, 600));
    EXPECT_EQ(modes.CurrentMode(), kModes[6]);
    ASSERT_TRUE(modes.ChangeForFullscreen(640, 480));
    // Back to the first mode, twice: the second time there is nothing to put back.
    for (int i = 0; i < 2; ++i) {
        EXPECT_TRUE(modes.RestoreRegisteredMode());
        EXPECT_EQ(modes.CurrentMode(), kModes[0]);
    }
    // An unknown size is refused and changes nothing; a known one keeps the current rate.
    ListedDisplayModes other(kModes, 3);
    EXPECT_FALSE(other.ChangeForFullscreen(1024, 768));
    EXPECT_EQ(other.CurrentMode(), kModes[3]);
    ASSERT_TRUE(other.ChangeForFullscreen(1920, 1080));
    EXPECT_EQ(other.CurrentMode(), kModes[0]);
    EXPECT_TRUE(other.RestoreRegisteredMode());
    EXPECT_EQ(other.CurrentMode(), kModes[3]);
    EXPECT_EQ(ListedDisplayModes({{800, 600, 60.0}}, 5).CurrentMode(), DisplayMode{});
}

// Without a server there is no XRandR layer, and the process-wide default,
// made without a GUI application, knows nothing and switches nothing.
TEST(XRandrDisplayModesTest, ModesOfAVirtualScreenAndNoServerNoLayer) {
    EXPECT_EQ(OpenXRandrDisplayModes(":9999"), nullptr);
    EXPECT_EQ(OpenXRandrDisplayModes("not a display"), nullptr);
    std::unique_ptr<DisplayModes> previous = ReplaceDisplays(nullptr);  // handed back below
    DisplayModes& fresh = Displays();
    EXPECT_EQ(std::pair(fresh.Modes().size(), fresh.CurrentMode()), std::pair(0ul, DisplayMode{}));
    EXPECT_FALSE(fresh.ChangeForFullscreen(800, 600));
    EXPECT_TRUE(fresh.RestoreRegisteredMode());
    ReplaceDisplays(std::move(previous));
    velvaro::test::VirtualDisplay server("1280x800x24");
    if (server.Name().empty()) {
        GTEST_SKIP() << "Xvfb is not installed";
    }
    std::unique_ptr<DisplayModes> modes = OpenXRandrDisplayModes(server.Name().c_str());
    ASSERT_NE(modes, nullptr);
    // The modes of a real server, looked at only.
    const std::vector<DisplayMode> list = modes->Modes();
    for (const DisplayMode& mode : list) {
        EXPECT_TRUE(mode.width > 0 && mode.height > 0 && mode.refreshRate >= 0.0);
    }
    const DisplayMode current = modes->CurrentMode();
    EXPECT_NE(std::find(list.begin(), list.end(), current), list.end())
        << current.width << " x " << current.height << " is not among the output's modes";
    EXPECT_TRUE(modes->RestoreRegisteredMode());  // nothing was changed
    // The virtual screen has no such size, so the request changes nothing.
    EXPECT_FALSE(modes->ChangeForFullscreen(1024, 768));
    EXPECT_EQ(std::pair(modes->CurrentMode().width, modes->CurrentMode().height),
              std::pair(1280, 800));
    EXPECT_EQ(modes->CurrentMode(), current);
}

}  // namespace
