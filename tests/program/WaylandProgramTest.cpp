// The real program under a Wayland compositor instead of X: weston without
// a screen, drawing into memory, which the test photographs.
#include "ProgramFixture.h"
#include "ScreenPixels.h"

namespace velvaro::test {
namespace {

class WaylandProgramTest : public WholeProgramTest {
protected:
    void SetUp() override {
        WholeProgramTest::SetUp();
        if (!std::filesystem::exists("/usr/bin/weston")) {
            GTEST_SKIP() << "weston is not installed: the Wayland run is not tested";
        }
        // The protocol log tells the window titles the program sets.
        compositor_ = std::make_unique<Child>(
            std::map<std::string, std::string>{{"PATH", "/usr/bin:/bin"},
                                               {"HOME", folder_.path()},
                                               {"XDG_RUNTIME_DIR", folder_ / "runtime"}},
            false);
        compositor_->setProcessChannelMode(QProcess::SeparateChannels);
        compositor_->setStandardOutputFile(QProcess::nullDevice());
        compositor_->setStandardErrorFile(QProcess::nullDevice());
        compositor_->Start("/usr/bin/weston",
                           {"--backend=headless-backend.so", "--use-pixman", "--width=1280",
                            "--height=800", "--socket=" + kSocket, "--idle-time=0", "--debug",
                            "--log=" + Log(), "--logger-scopes=log,proto"});
        const bool listening = RunEventsUntil(
            [&] { return std::filesystem::exists(folder_ / ("runtime/" + kSocket)); }, 10000);
        if (!listening) {
            GTEST_SKIP() << "weston could not start here, so the Wayland run is not tested:\n"
                         << ReadLog();
        }
    }

    std::string Log() const { return folder_ / "weston.log"; }
    std::string ReadLog() const { return ReadBytes(Log()); }
    bool WaitForTitle(const std::string& title) const {
        const std::string call = "set_title(\"" + title + "\")";
        return RunEventsUntil([&] { return ReadLog().find(call) != std::string::npos; }, 15000);
    }
    // What the compositor shows, through its own screenshooter.
    QImage Screen(const std::string& name) const {
        const std::filesystem::path folder = folder_ / name;
        std::filesystem::create_directories(folder);
        Child shooter({{"PATH", "/usr/bin:/bin"},
                       {"XDG_RUNTIME_DIR", folder_ / "runtime"},
                       {"WAYLAND_DISPLAY", kSocket}},
                      false);
        shooter.setWorkingDirectory(QString::fromStdString(folder.string()));
        EXPECT_TRUE(shooter.Start("/usr/bin/weston-screenshooter") && shooter.WaitForExit());
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
            return QImage(QString::fromStdString(entry.path().string()));
        }
        return {};
    }

    // A colour bar of the test picture: each channel all or nothing.
    static bool Pure(QColor c) {
        const auto extreme = [](int v) { return v > 190 || v < 40; };
        return extreme(c.red()) && extreme(c.green()) && extreme(c.blue()) &&
               !(c.red() == c.green() && c.green() == c.blue());
    }

    static inline const std::string kSocket = "velvaro-wayland";
    std::unique_ptr<Child> compositor_;
};

TEST_F(WaylandProgramTest, PlaysAFilmInAWaylandWindow) {
    SetUpRegistry({{"SingleInstanceMode", 0}});
    extraEnvironment_ = {
        {"QT_QPA_PLATFORM", "wayland"}, {"WAYLAND_DISPLAY", kSocket}, {"DISPLAY", ""}};
    auto player = Start({kMedia + "long.mkv"});
    ASSERT_TRUE(WaitForTitle("Velvaro - long.mkv - PLAY")) << ReadLog().substr(0, 4000);
    // The film on the screen: the test picture's pure colours, and its
    // running frame counter changes them between two looks.
    QThread::msleep(1000);  // the window settles where the compositor puts it
    const QImage before = Screen("before");
    QThread::msleep(700);
    const QImage after = Screen("after");
    ASSERT_EQ(before.size(), QSize(1280, 800));
    const QRect picture = Bounds(before, &Pure, 40);
    EXPECT_GE(picture.width(), 150);
    EXPECT_GE(picture.height(), 100);
    EXPECT_TRUE(before.copy(picture) != after.copy(picture)) << "the picture does not move";
    Stop(*player);
}

}  // namespace
}  // namespace velvaro::test
