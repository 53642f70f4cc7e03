// Display modes: choosing a mode, the mode list that stands in where nothing
// can be switched, the process-wide instance, and the real XRandR layer,
// read-only, on X servers. No test here ever switches a monitor.
#include "platform/DisplayModes.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

const std::vector<DisplayMode> kModes = {
    {1920, 1080, 60.0}, {1920, 1080, 50.0}, {1280, 1024, 75.0}, {1280, 1024, 60.0},
    {800, 600, 56.0},   {800, 600, 72.0},   {800, 600, 60.0},   {640, 480, 60.0},
};

TEST(ChooseDisplayModeTest, SameSizeNearestRateTiesToTheFaster) {
    EXPECT_EQ(ChooseDisplayMode(kModes, 800, 600, 60.0), 6);
    EXPECT_EQ(ChooseDisplayMode(kModes, 800, 600, 70.0), 5);
    EXPECT_EQ(ChooseDisplayMode(kModes, 800, 600, 64.0), 6);    // 56 and 72 are further
    EXPECT_EQ(ChooseDisplayMode(kModes, 1920, 1080, 55.0), 0);  // 50 and 60: the faster
    EXPECT_EQ(ChooseDisplayMode(kModes, 1280, 1024, 0.0), 2);   // rate unknown: the fastest
    EXPECT_EQ(ChooseDisplayMode(kModes, 640, 480, 75.0), 7);
}

TEST(ChooseDisplayModeTest, NoModeOfThatSize) {
    EXPECT_EQ(ChooseDisplayMode(kModes, 600, 800, 60.0), -1);  // turned round is another size
    EXPECT_EQ(ChooseDisplayMode(kModes, 800, 0, 60.0), -1);
    EXPECT_EQ(ChooseDisplayMode(kModes, 0, 0, 60.0), -1);
    EXPECT_EQ(ChooseDisplayMode({}, 800, 600, 60.0), -1);
}

TEST(ListedDisplayModesTest, SwitchesToAListedSizeAndBackToTheFirstMode) {
    ListedDisplayModes modes(kModes, 0);
    EXPECT_EQ(modes.Modes(), kModes);
    EXPECT_EQ(modes.CurrentMode(), (DisplayMode{1920, 1080, 60.0}));

    ASSERT_TRUE(modes.ChangeForFullscreen(800, 600));
    EXPECT_EQ(modes.CurrentMode(), (DisplayMode{800, 600, 60.0}));
    // A second change still goes back to the mode before the first.
    ASSERT_TRUE(modes.ChangeForFullscreen(640, 480));
    EXPECT_EQ(modes.CurrentMode(), (DisplayMode{640, 480, 60.0}));
    EXPECT_TRUE(modes.RestoreRegisteredMode());
    EXPECT_EQ(modes.CurrentMode(), (DisplayMode{1920, 1080, 60.0}));

    // Nothing changed: nothing to put back.
    EXPECT_TRUE(modes.RestoreRegisteredMode());
    EXPECT_EQ(modes.CurrentMode(), (DisplayMode{1920, 1080, 60.0}));
}

TEST(ListedDisplayModesTest, UnknownSizeIsRefusedAndChangesNothing) {
    ListedDisplayModes modes(kModes, 3);
    EXPECT_FALSE(modes.ChangeForFullscreen(1024, 768));
    EXPECT_EQ(modes.CurrentMode(), (DisplayMode{1280, 1024, 60.0}));
    ASSERT_TRUE(modes.ChangeForFullscreen(1920, 1080));
    EXPECT_EQ(modes.CurrentMode(), (DisplayMode{1920, 1080, 60.0}));  // the current rate
    EXPECT_TRUE(modes.RestoreRegisteredMode());
    EXPECT_EQ(modes.CurrentMode(), (DisplayMode{1280, 1024, 60.0}));
}

TEST(ListedDisplayModesTest, NothingKnownMeansNothingToSwitch) {
    ListedDisplayModes modes({}, -1);
    EXPECT_TRUE(modes.Modes().empty());
    EXPECT_EQ(modes.CurrentMode(), DisplayMode{});
    EXPECT_FALSE(modes.ChangeForFullscreen(800, 600));
    EXPECT_TRUE(modes.RestoreRegisteredMode());

    ListedDisplayModes outOfRange({{800, 600, 60.0}}, 5);
    EXPECT_EQ(outOfRange.CurrentMode(), DisplayMode{});
}

TEST(DisplaysTest, ReplacementServesTheProcessUntilHandedBack) {
    auto fake = std::make_unique<ListedDisplayModes>(kModes, 4);
    DisplayModes* fakeAddress = fake.get();
    std::unique_ptr<DisplayModes> previous = ReplaceDisplays(std::move(fake));
    EXPECT_EQ(&Displays(), fakeAddress);
    EXPECT_TRUE(Displays().ChangeForFullscreen(1920, 1080));
    EXPECT_EQ(Displays().CurrentMode().width, 1920);

    std::unique_ptr<DisplayModes> mine = ReplaceDisplays(std::move(previous));
    EXPECT_EQ(mine.get(), fakeAddress);
    EXPECT_NE(&Displays(), fakeAddress);
}

TEST(DisplaysTest, WithoutAGuiApplicationOnlyAnUnknownModeAndNoSwitch) {
    std::unique_ptr<DisplayModes> previous = ReplaceDisplays(nullptr);
    DisplayModes& made = Displays();  // made afresh: this program has no application object
    EXPECT_TRUE(made.Modes().empty());
    EXPECT_EQ(made.CurrentMode(), DisplayMode{});
    EXPECT_FALSE(made.ChangeForFullscreen(800, 600));
    EXPECT_TRUE(made.RestoreRegisteredMode());
    ReplaceDisplays(std::move(previous));
}

// The modes of a real server, looked at only.
void ExpectConsistentModes(DisplayModes& modes) {
    const std::vector<DisplayMode> list = modes.Modes();
    ASSERT_FALSE(list.empty());
    for (const DisplayMode& mode : list) {
        EXPECT_GT(mode.width, 0);
        EXPECT_GT(mode.height, 0);
        EXPECT_GE(mode.refreshRate, 0.0);
    }
    const DisplayMode current = modes.CurrentMode();
    EXPECT_NE(std::find(list.begin(), list.end(), current), list.end())
        << current.width << " x " << current.height << " is not among the output's modes";
    EXPECT_EQ(modes.Modes(), list);              // asking twice gives the same
    EXPECT_TRUE(modes.RestoreRegisteredMode());  // nothing was changed
    EXPECT_EQ(modes.CurrentMode(), current);
}

TEST(XRandrDisplayModesTest, ModesOfTheSessionDisplay) {
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display) {
        GTEST_SKIP() << "no X display in this session";
    }
    std::unique_ptr<DisplayModes> modes = OpenXRandrDisplayModes(display);
    if (!modes) {
        GTEST_SKIP() << display << " has no RandR 1.2";
    }
    ExpectConsistentModes(*modes);
}

// An X server of the test's own, on a display number it picks itself.
class PrivateXServer {
public:
    explicit PrivateXServer(const std::string& screen) {
        if (!std::filesystem::exists("/usr/bin/Xvfb")) {
            return;
        }
        int ends[2];
        if (pipe(ends) != 0) {
            return;
        }
        std::vector<std::string> args = {"/usr/bin/Xvfb", "-displayfd", std::to_string(ends[1]),
                                         "-screen",       "0",          screen,
                                         "-nolisten",     "tcp"};
        std::vector<char*> argv;
        for (std::string& arg : args) {
            argv.push_back(arg.data());
        }
        argv.push_back(nullptr);
        std::string path = "PATH=/usr/bin:/bin";
        char* envp[] = {path.data(), nullptr};
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", 0, 0);
        if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), envp) != 0) {
            pid_ = 0;
        }
        posix_spawn_file_actions_destroy(&actions);
        close(ends[1]);
        std::string number;
        char c = 0;
        while (pid_ > 0 && read(ends[0], &c, 1) == 1 && c != '\n') {
            number += c;
        }
        close(ends[0]);
        if (!number.empty()) {
            name_ = ":" + number;
        }
    }
    ~PrivateXServer() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
    }
    PrivateXServer(const PrivateXServer&) = delete;
    PrivateXServer& operator=(const PrivateXServer&) = delete;

    // Empty when the server did not start.
    const std::string& Name() const { return name_; }

private:
    pid_t pid_ = 0;
    std::string name_;
};

TEST(XRandrDisplayModesTest, ModesOfAVirtualScreen) {
    PrivateXServer server("1280x800x24");
    if (server.Name().empty()) {
        GTEST_SKIP() << "Xvfb is not installed";
    }
    std::unique_ptr<DisplayModes> modes = OpenXRandrDisplayModes(server.Name().c_str());
    ASSERT_NE(modes, nullptr);
    ExpectConsistentModes(*modes);
    EXPECT_EQ(modes->CurrentMode().width, 1280);
    EXPECT_EQ(modes->CurrentMode().height, 800);
    // The virtual screen has no such size, so the request changes nothing.
    EXPECT_FALSE(modes->ChangeForFullscreen(1024, 768));
    EXPECT_EQ(modes->CurrentMode().width, 1280);
}

TEST(XRandrDisplayModesTest, NoServerNoLayer) {
    EXPECT_EQ(OpenXRandrDisplayModes(":9999"), nullptr);
    EXPECT_EQ(OpenXRandrDisplayModes("not a display"), nullptr);
}

}  // namespace
