// Velvaro as a user starts it: the real program on a virtual X display, each
// test with its own registry, runtime folder and display.
#include "EventLoop.h"
#include "RunProgram.h"
#include "SqliteFile.h"
#include "TestRegistry.h"

#include <algorithm>
#include <functional>
#include <sstream>

namespace velvaro::test {
namespace {

using Titles = std::vector<std::string>;

const std::string kMedia = VELVARO_TEST_MEDIA "/";

class WholeProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(display_.Name().empty()) << "Xvfb did not start";
        std::filesystem::create_directories(folder_ / "runtime");
        std::filesystem::permissions(folder_ / "runtime", std::filesystem::perms::owner_all);
    }

    std::map<std::string, std::string> Environment() const {
        return {{"DISPLAY", display_.Name()},
                {"PATH", "/usr/bin:/bin"},
                {"HOME", folder_.path()},
                {"VELVARO_REGISTRY", registry_},
                {"XDG_RUNTIME_DIR", folder_ / "runtime"},
                {"XDG_CONFIG_HOME", folder_ / "config"},
                {"XDG_DATA_HOME", folder_ / "data"},
                {"QT_QPA_PLATFORM", "xcb"},
                // Nothing here may reach the machine's own logind.
                {"DBUS_SYSTEM_BUS_ADDRESS", "unix:path=" + (folder_ / "no-system-bus")}};
    }

    std::unique_ptr<Child> Start(const std::vector<std::string>& args,
                                 const std::string& program = VELVARO_EXECUTABLE,
                                 const std::string& currentFolder = {}) {
        auto player = std::make_unique<Child>(Environment(), false);
        player->setWorkingDirectory(QString::fromStdString(currentFolder));
        const QString log = QString::fromStdString(folder_ / "velvaro.log");
        player->setProcessChannelMode(QProcess::SeparateChannels);
        player->setStandardOutputFile(log, QIODevice::Append);
        player->setStandardErrorFile(log, QIODevice::Append);
        EXPECT_TRUE(player->Start(program, args));
        return player;
    }

    // Waits until the player windows on the display have these titles.
    bool WaitForTitles(Titles wanted) const {
        std::sort(wanted.begin(), wanted.end());
        const auto shown = [&] {
            QThread::msleep(100);  // each look runs xwininfo
            return WindowTitles() == wanted;
        };
        return RunEventsUntil(shown, 15000);
    }
    Titles WindowTitles() const {
        std::istringstream lines(
            RunProgram("/usr/bin/xwininfo", {"-root", "-tree"}, {{"DISPLAY", display_.Name()}})
                .out);
        Titles titles;
        for (std::string line; std::getline(lines, line);) {
            if (const auto open = line.find("\"Velvaro"); open != std::string::npos) {
                titles.push_back(line.substr(open + 1, line.find('"', open + 1) - open - 1));
            }
        }
        std::sort(titles.begin(), titles.end());
        return titles;
    }

    // The language chosen (so no language page asks) and these DWORD
    // settings stored, before the first window starts.
    void SetUpRegistry(const std::vector<std::pair<std::string, int>>& values) {
        std::map<std::string, std::string> environment = Environment();
        environment["DISPLAY"] = "";
        environment["QT_QPA_PLATFORM"] = "";
        ASSERT_EQ(
            RunProgram(VELVARO_EXECUTABLE, {"/language:english", "/help"}, environment).exitCode,
            0);
        SqliteFile db(registry_, SQLITE_OPEN_READWRITE);
        for (const auto& [name, value] : values) {
            db.Rows("INSERT OR REPLACE INTO vals(key, fold, name, type, data) SELECT id, lower('" +
                    name + "'), '" + name + "', 4, " + std::to_string(value) +
                    " FROM keys WHERE hive = 'HKEY_CURRENT_USER' AND fold = "
                    "lower('Software\\Quellware\\Vel-Varo\\Settings')");
        }
    }
    std::string Setting(const std::string& name) const {
        return SqliteFile(registry_).Setting(name);
    }

    TestFolder folder_;
    VirtualDisplay display_;
    std::string registry_ = folder_ / "registry.db";
};

TEST_F(WholeProgramTest, SecondStartHandsItsFileToTheRunningWindow) {
    SetUpRegistry({{"SingleInstanceMode", 1}});
    auto first = Start({kMedia + "multi.mkv"});
    ASSERT_TRUE(WaitForTitles({"Velvaro - multi.mkv - PLAY"}));
    auto second = Start({kMedia + "audio.mp3", "/pause"});
    ASSERT_TRUE(second->WaitForExit(10000)) << "the second start kept running";
    EXPECT_TRUE(WaitForTitles({"Velvaro - audio.mp3 - PAUSE"}));
    EXPECT_FALSE(first->WaitForExit(100)) << "the first window ended";
}

// A termination signal closes a window and saves its settings.
TEST_F(WholeProgramTest, WithoutSingleInstanceASecondWindowStartsAndEachEndsOnASignal) {
    SetUpRegistry({{"SingleInstanceMode", 0}, {"CompactView", 0}});
    auto first = Start({kMedia + "multi.mkv"});
    ASSERT_TRUE(WaitForTitles({"Velvaro - multi.mkv - PLAY"}));
    auto second = Start({kMedia + "audio.mp3", "/compact"});
    ASSERT_TRUE(WaitForTitles({"Velvaro - multi.mkv - PLAY", "Velvaro - audio.mp3 - PLAY"}));
    second->terminate();
    ASSERT_TRUE(second->WaitForExit(10000));
    EXPECT_EQ(second->exitCode(), 0);
    EXPECT_EQ(Setting("CompactView"), "1");
    EXPECT_TRUE(WaitForTitles({"Velvaro - multi.mkv - PLAY"})) << "the first window ended";
}

TEST_F(WholeProgramTest, CloseQuitsAfterPlaybackAndHandedOverSettingsAreKept) {
    SetUpRegistry({{"SingleInstanceMode", 1}, {"CompactView", 0}});
    auto first = Start({kMedia + "video-only.mkv", "/close"});
    ASSERT_TRUE(WaitForTitles({"Velvaro - video-only.mkv - PLAY"}));
    // Options alone change the running window; compact view is a setting.
    auto second = Start({"/compact"});
    ASSERT_TRUE(second->WaitForExit(10000));
    ASSERT_TRUE(first->WaitForExit(20000)) << "the player did not quit after playback";
    EXPECT_EQ(first->exitCode(), 0);
    EXPECT_EQ(Setting("CompactView"), "1");
    EXPECT_EQ(Setting("LanguageResource"), "IDR_LNG_ENGLISH");
    EXPECT_TRUE(WindowTitles().empty());
}

TEST_F(WholeProgramTest, ANameNotInTheCurrentFolderIsFoundBesideTheProgram) {
    SetUpRegistry({});
    const std::string program = folder_ / "opt/velvaro";
    std::filesystem::create_directories(folder_ / "opt");
    std::filesystem::create_directories(folder_ / "elsewhere");
    // A copy, not a symbolic link: the program's folder is where its file is.
    std::error_code error;
    std::filesystem::create_hard_link(VELVARO_EXECUTABLE, program, error);
    if (error) {
        std::filesystem::copy_file(VELVARO_EXECUTABLE, program);
    }
    std::filesystem::create_symlink(kMedia + "video-only.mkv", folder_ / "opt/beside.mkv");
    auto player = Start({"beside.mkv", "/compact"}, program, folder_ / "elsewhere");
    ASSERT_TRUE(WaitForTitles({"Velvaro - beside.mkv - PLAY"}));
    // Compact, without its caption, the window keeps its sizing frame.
    const std::string tree =
        RunProgram("/usr/bin/xwininfo", {"-root", "-tree"}, {{"DISPLAY", display_.Name()}}).out;
    const auto title = tree.find("\"Velvaro - beside.mkv - PLAY\"");
    const auto id = tree.rfind("0x", title);
    ASSERT_NE(id, std::string::npos);
    const std::string hints =
        RunProgram("/usr/bin/xprop",
                   {"-id", tree.substr(id, tree.find(' ', id) - id), "_MOTIF_WM_HINTS"},
                   {{"DISPLAY", display_.Name()}})
            .out;
    EXPECT_NE(hints.find("= 0x3, 0x3e, 0x6,"), std::string::npos) << hints;
}

}  // namespace
}  // namespace velvaro::test
