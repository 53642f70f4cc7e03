// Starts a user can get wrong: a display that is not there or never answers,
// and command lines full of nonsense. Where no window can be shown the
// program says so in a line and ends with status 1; otherwise it shows its
// window and ends cleanly on a termination signal. Never an abort, never a
// sanitizer's report.
#include "ProgramFixture.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace velvaro::test {
namespace {

using HostileStartProgramTest = WholeProgramTest;

// A listening socket where an X server of display `number` would listen, in
// the abstract namespace libxcb tries first; it takes connections and never
// answers. Closed: nothing listens there.
class SilentXServer {
public:
    SilentXServer() {
        for (number_ = 900 + getpid() % 50; number_ < 1000; ++number_) {
            fd_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
            sockaddr_un address = {};
            address.sun_family = AF_UNIX;
            const std::string path = "/tmp/.X11-unix/X" + std::to_string(number_);
            path.copy(address.sun_path + 1, path.size());
            const auto length = static_cast<socklen_t>(sizeof(sa_family_t) + 1 + path.size());
            if (!std::filesystem::exists(path) &&
                bind(fd_, reinterpret_cast<sockaddr*>(&address), length) == 0 &&
                listen(fd_, 8) == 0) {
                return;
            }
            close(fd_);
            fd_ = -1;
        }
    }
    ~SilentXServer() { Close(); }
    void Close() {
        if (fd_ >= 0) {
            close(fd_);
            fd_ = -1;
        }
    }
    std::string Display() const { return ":" + std::to_string(number_); }
    bool Listening() const { return fd_ >= 0; }

private:
    int number_ = 0;
    int fd_ = -1;
};

bool SanitizerSaidSomething(const std::string& log) {
    return log.find("runtime error:") != std::string::npos ||
           log.find("Sanitizer") != std::string::npos;
}

TEST_F(HostileStartProgramTest, ADisplayThatCannotBeOpenedIsNamedAndEndsWithStatusOne) {
    SetUpRegistry({});
    SilentXServer silent;
    ASSERT_TRUE(silent.Listening());
    const std::string display = silent.Display();
    struct Case {
        const char* what;
        std::map<std::string, std::string> environment;
        std::string named;
    };
    const Case cases[] = {
        {"an X server that never answers", {{"QT_QPA_PLATFORM", ""}}, "DISPLAY=\"" + display},
        {"nothing there", {{"QT_QPA_PLATFORM", ""}}, "DISPLAY=\"" + display},
        {"nothing there, xcb asked for", {}, "QT_QPA_PLATFORM=\"xcb\", DISPLAY=\"" + display},
        {"no Wayland compositor",
         {{"QT_QPA_PLATFORM", "wayland"}, {"WAYLAND_DISPLAY", "velvaro-none"}},
         "QT_QPA_PLATFORM=\"wayland\", WAYLAND_DISPLAY=\"velvaro-none\", DISPLAY=\"" + display},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.what);
        std::map<std::string, std::string> environment = Environment();
        environment["DISPLAY"] = display;
        for (const auto& [name, value] : test.environment) {
            environment[name] = value;
        }
        // Killed after 30 s, if need be: exit code -1 then, as after a crash.
        const ProgramResult result =
            RunProgram(VELVARO_EXECUTABLE, {kMedia + "long.mkv"}, environment, false, 30000);
        EXPECT_EQ(result.exitCode, 1) << result.err;
        EXPECT_NE(result.err.find("velvaro: cannot open the display (" + test.named + "\")"),
                  std::string::npos)
            << result.err;
        EXPECT_FALSE(SanitizerSaidSomething(result.err)) << result.err;
        silent.Close();  // from the second case on, nothing listens
    }
}

// Each line a few times: the window must come and go as usual, at whatever
// moment the signal finds it.
TEST_F(HostileStartProgramTest, NonsenseOnTheCommandLineStillShowsTheWindowAndEndsCleanly) {
    SetUpRegistry({{"SingleInstanceMode", 0}});
    const std::vector<std::string> lines[] = {
        {kMedia + "long.mkv", "/jumptopos:-99999999999999999999", "/size:999999999",
         "/wndpos:-2147483648,2147483647,99", "/bordercol:999,-1,abc", "/volume:-5"},
        {kMedia + "long.mkv", "/jumptopos:1e300", "/size:1e300x", "/bordercol:2147483647,1,1",
         "/wndpos:99999999999999999999,-99999999999999999999,rightbottom"},
        {"", "/audio:", "/bookmark:", "/language:", "/size:", "/wndpos:", "/jumptopos:", "-", "--",
         "/"},
        {kMedia + "dvd/menu"},
    };
    constexpr int kRuns = 3;
    for (const auto& line : lines) {
        for (int run = 0; run < kRuns; ++run) {
            SCOPED_TRACE(line.front() + " " + line.back() + ", run " + std::to_string(run));
            const auto logged = ReadBytes(folder_ / "velvaro.log").size();
            auto player = Start(line);
            ASSERT_TRUE(RunEventsUntil(
                [&] {
                    QThread::msleep(100);
                    return !WindowTitles().empty() || player->state() == QProcess::NotRunning;
                },
                30000));
            ASSERT_EQ(player->state(), QProcess::Running) << "ended before its window showed";
            // Now, or a little later, while the medium opens.
            QThread::msleep(static_cast<unsigned long>(run * 400));
            Stop(*player);
            const std::string said = ReadBytes(folder_ / "velvaro.log").substr(logged);
            EXPECT_FALSE(SanitizerSaidSomething(said)) << said;
        }
    }
}

}  // namespace
}  // namespace velvaro::test
