// The fixture of the whole-program tests: the real program on a virtual X
// display, each test with its own registry, runtime folder and display.
#pragma once

#include "EventLoop.h"
#include "FileBytes.h"
#include "RunProgram.h"
#include "SqliteFile.h"
#include "TestRegistry.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>

namespace velvaro::test {

using Titles = std::vector<std::string>;

inline const std::string kMedia = VELVARO_TEST_MEDIA "/";

class WholeProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(display_.Name().empty()) << "Xvfb did not start";
        std::filesystem::create_directories(folder_ / "runtime");
        std::filesystem::permissions(folder_ / "runtime", std::filesystem::perms::owner_all);
    }
    // What the players said, for a test that failed.
    void TearDown() override {
        if (HasFailure()) {
            std::printf("--- velvaro.log\n%s\n", ReadBytes(folder_ / "velvaro.log").c_str());
        }
    }

    std::map<std::string, std::string> Environment() const {
        std::map<std::string, std::string> environment = {
            {"DISPLAY", display_.Name()},
            {"PATH", "/usr/bin:/bin"},
            {"HOME", folder_.path()},
            {"VELVARO_REGISTRY", registry_},
            {"XDG_RUNTIME_DIR", folder_ / "runtime"},
            {"XDG_CONFIG_HOME", folder_ / "config"},
            {"XDG_DATA_HOME", folder_ / "data"},
            {"QT_QPA_PLATFORM", "xcb"},
            // Nothing here may reach the machine's own logind.
            {"DBUS_SYSTEM_BUS_ADDRESS", "unix:path=" + (folder_ / "no-system-bus")}};
        for (const auto& [name, value] : extraEnvironment_) {
            environment[name] = value;  // an empty value takes the variable away
        }
        // A sanitizer build's players follow the same options as the test.
        for (const char* name : {"ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"}) {
            if (const char* value = std::getenv(name)) {
                environment[name] = value;
            }
        }
        return environment;
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
    // The named windows on the display: id and title.
    std::vector<std::pair<std::string, std::string>> Windows() const {
        std::istringstream lines(
            RunProgram("/usr/bin/xwininfo", {"-root", "-tree"}, {{"DISPLAY", display_.Name()}})
                .out);
        std::vector<std::pair<std::string, std::string>> windows;
        for (std::string line; std::getline(lines, line);) {
            const auto id = line.find("0x");
            const auto open = line.find('"');
            if (id != std::string::npos && open != std::string::npos) {
                windows.emplace_back(line.substr(id, line.find(' ', id) - id),
                                     line.substr(open + 1, line.find('"', open + 1) - open - 1));
            }
        }
        return windows;
    }
    // The id of a window with this title once it shows; empty if none comes in time.
    std::string WaitForWindow(const std::string& title, int milliseconds = 15000) const {
        std::string id;
        RunEventsUntil(
            [&] {
                QThread::msleep(100);
                return !(id = WindowId(title)).empty();
            },
            milliseconds);
        return id;
    }
    // Runs x_input on the display: "close ID", "click X Y", "resize ID W H"
    // or "keys K...".
    int XInput(const std::vector<std::string>& args) const {
        return RunProgram(X_INPUT, args, {{"DISPLAY", display_.Name()}}).exitCode;
    }
    // Ends a player as a session's end would: it must exit cleanly with 0.
    static void Stop(Child& player) {
        player.terminate();
        ASSERT_TRUE(player.WaitForExit(10000));
        EXPECT_EQ(std::pair(player.exitStatus(), player.exitCode()),
                  std::pair(QProcess::NormalExit, 0));
    }
    // A playlist of these items, as Velvaro writes it.
    std::string WritePlaylist(const std::vector<std::string>& items) const {
        const std::string list = folder_ / "list.vpp";
        std::ofstream file(list, std::ios::binary);
        file << "<velvaro build=\"1.2.0.3\">\r\r\n<playlist>\r\r\n";
        for (const std::string& item : items) {
            file << "<media audio=\"\">" << item << "</media>\r\r\n";
        }
        file << "</playlist>\r\r\n</velvaro>\r\r\n";
        return list;
    }
    // The id of a window with this title; empty when there is none.
    std::string WindowId(const std::string& wanted) const {
        for (const auto& [id, title] : Windows()) {
            if (title == wanted) {
                return id;
            }
        }
        return {};
    }
    Titles WindowTitles() const {
        Titles titles;
        for (const auto& [id, title] : Windows()) {
            if (title.starts_with("Velvaro")) {
                titles.push_back(title);
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
    // What a test adds to the players' environment.
    std::map<std::string, std::string> extraEnvironment_;
    std::string registry_ = folder_ / "registry.db";
};

}  // namespace velvaro::test
