// Velvaro as a user starts it: the real program on a virtual X display, each
// test with its own registry, runtime folder and display.
#include "RunProgram.h"
#include "TestRegistry.h"

#include <fcntl.h>
#include <signal.h>
#include <sqlite3.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <thread>

namespace velvaro::test {
namespace {

using namespace std::chrono_literals;

std::string Media(const std::string& name) {
    return std::string(VELVARO_TEST_MEDIA) + "/" + name;
}

// A started program that is ended when the holder goes.
class Process {
public:
    Process(const std::string& program, const std::vector<std::string>& args,
            const std::vector<std::string>& environment, const std::string& log) {
        std::vector<std::string> argText{program};
        argText.insert(argText.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (auto& text : argText) {
            argv.push_back(text.data());
        }
        argv.push_back(nullptr);
        std::vector<std::string> envText = environment;
        std::vector<char*> envp;
        for (auto& text : envText) {
            envp.push_back(text.data());
        }
        envp.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_APPEND,
                                         0644);
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
        if (posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), envp.data()) != 0) {
            pid_ = 0;
        }
        posix_spawn_file_actions_destroy(&actions);
    }
    ~Process() {
        if (pid_ > 0 && !exited_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    bool Started() const { return pid_ > 0; }
    // True when it ended within the time; its exit code then in exitCode().
    bool WaitForExit(std::chrono::milliseconds limit) {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (!exited_ && std::chrono::steady_clock::now() < end) {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                exited_ = true;
                exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
                break;
            }
            std::this_thread::sleep_for(20ms);
        }
        return exited_;
    }
    bool Running() { return !WaitForExit(0ms); }
    int exitCode() const { return exitCode_; }
    void Terminate() {
        if (pid_ > 0 && !exited_) {
            kill(pid_, SIGTERM);
        }
    }

private:
    pid_t pid_ = 0;
    bool exited_ = false;
    int exitCode_ = -1;
};

class WholeProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Xvfb picks a free display and writes its number to the pipe.
        int pipeEnds[2];
        ASSERT_EQ(pipe(pipeEnds), 0);
        const std::string fd = std::to_string(pipeEnds[1]);
        xvfb_ = std::make_unique<Process>(
            "/usr/bin/Xvfb",
            std::vector<std::string>{"-displayfd", fd, "-screen", "0", "1280x800x24", "-nolisten",
                                     "tcp"},
            std::vector<std::string>{"PATH=/usr/bin:/bin"}, folder_ / "xvfb.log");
        close(pipeEnds[1]);
        std::string number;
        char c = 0;
        while (read(pipeEnds[0], &c, 1) == 1 && c != '\n') {
            number += c;
        }
        close(pipeEnds[0]);
        ASSERT_FALSE(number.empty()) << "Xvfb did not start";
        display_ = ":" + number;
        std::filesystem::create_directories(folder_ / "runtime");
        std::filesystem::permissions(folder_ / "runtime", std::filesystem::perms::owner_all);
    }

    std::vector<std::string> Environment() const {
        return {"DISPLAY=" + display_, "PATH=/usr/bin:/bin", "HOME=" + folder_.path().string(),
                "VELVARO_REGISTRY=" + (folder_ / "registry.db"),
                "XDG_RUNTIME_DIR=" + (folder_ / "runtime"),
                "XDG_CONFIG_HOME=" + (folder_ / "config"), "XDG_DATA_HOME=" + (folder_ / "data"),
                "QT_QPA_PLATFORM=xcb",
                // Nothing here may reach the machine's own logind.
                "DBUS_SYSTEM_BUS_ADDRESS=unix:path=" + (folder_ / "no-system-bus")};
    }

    std::unique_ptr<Process> Start(const std::vector<std::string>& args) {
        return std::make_unique<Process>(VELVARO_EXECUTABLE, args, Environment(),
                                         folder_ / "velvaro.log");
    }

    // The titles of the player windows on the display.
    std::vector<std::string> WindowTitles() const {
        const ProgramResult tree =
            RunProgram("/usr/bin/xwininfo", {"-root", "-tree"}, {{"DISPLAY", display_}});
        std::vector<std::string> titles;
        std::istringstream lines(tree.out);
        for (std::string line; std::getline(lines, line);) {
            const auto open = line.find("\"Velvaro");
            if (open != std::string::npos) {
                const auto close = line.find('"', open + 1);
                titles.push_back(line.substr(open + 1, close - open - 1));
            }
        }
        return titles;
    }
    bool WaitForTitles(const std::function<bool(const std::vector<std::string>&)>& wanted,
                       std::chrono::milliseconds limit = 15s) const {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < end) {
            if (wanted(WindowTitles())) {
                return true;
            }
            std::this_thread::sleep_for(100ms);
        }
        return false;
    }
    static std::function<bool(const std::vector<std::string>&)> Titles(
        std::vector<std::string> expected) {
        return [expected](const std::vector<std::string>& titles) {
            std::vector<std::string> sorted = titles;
            std::sort(sorted.begin(), sorted.end());
            std::vector<std::string> want = expected;
            std::sort(want.begin(), want.end());
            return sorted == want;
        };
    }

    // One value of the settings key as the registry database holds it.
    std::string Setting(const std::string& name) const {
        sqlite3* db = nullptr;
        std::string value;
        if (sqlite3_open_v2((folder_ / "registry.db").c_str(), &db, SQLITE_OPEN_READONLY,
                            nullptr) == SQLITE_OK) {
            sqlite3_stmt* query = nullptr;
            const std::string sql =
                "SELECT data FROM registry WHERE hive = 'HKEY_CURRENT_USER' AND lower(key) = "
                "lower('Software\\Quellware\\Vel-Varo\\Settings') AND lower(name) = lower(?1)";
            if (sqlite3_prepare_v2(db, sql.c_str(), -1, &query, nullptr) == SQLITE_OK) {
                sqlite3_bind_text(query, 1, name.c_str(), -1, SQLITE_TRANSIENT);
                if (sqlite3_step(query) == SQLITE_ROW) {
                    value = reinterpret_cast<const char*>(sqlite3_column_text(query, 0));
                }
            }
            sqlite3_finalize(query);
        }
        sqlite3_close(db);
        return value;
    }
    // The language chosen (so no language page asks) and these DWORD
    // settings stored, before the first window starts.
    void SetUpRegistry(const std::vector<std::pair<std::string, int>>& values) {
        std::map<std::string, std::string> environment;
        for (const std::string& entry : Environment()) {
            const auto equals = entry.find('=');
            environment[entry.substr(0, equals)] = entry.substr(equals + 1);
        }
        environment["DISPLAY"] = "";
        environment["QT_QPA_PLATFORM"] = "";
        ASSERT_EQ(
            RunProgram(VELVARO_EXECUTABLE, {"/language:english", "/help"}, environment).exitCode,
            0);
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open((folder_ / "registry.db").c_str(), &db), SQLITE_OK);
        for (const auto& [name, value] : values) {
            const std::string sql =
                "INSERT OR REPLACE INTO vals(key, fold, name, type, data) SELECT id, lower('" +
                name + "'), '" + name + "', 4, " + std::to_string(value) +
                " FROM keys WHERE hive = 'HKEY_CURRENT_USER' AND fold = "
                "lower('Software\\Quellware\\Vel-Varo\\Settings')";
            ASSERT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK)
                << sqlite3_errmsg(db);
        }
        sqlite3_close(db);
    }

    TestFolder folder_;
    std::unique_ptr<Process> xvfb_;
    std::string display_;
};

TEST_F(WholeProgramTest, SecondStartHandsItsFileToTheRunningWindow) {
    SetUpRegistry({{"SingleInstanceMode", 1}});
    auto first = Start({Media("multi.mkv")});
    ASSERT_TRUE(WaitForTitles(Titles({"Velvaro - multi.mkv - PLAY"})));
    auto second = Start({Media("audio.mp3"), "/pause"});
    ASSERT_TRUE(second->WaitForExit(10s)) << "the second start kept running";
    EXPECT_TRUE(WaitForTitles(Titles({"Velvaro - audio.mp3 - PAUSE"})));
    EXPECT_TRUE(first->Running());
}

TEST_F(WholeProgramTest, WithoutSingleInstanceASecondWindowStarts) {
    SetUpRegistry({{"SingleInstanceMode", 0}});
    auto first = Start({Media("multi.mkv")});
    ASSERT_TRUE(WaitForTitles(Titles({"Velvaro - multi.mkv - PLAY"})));
    auto second = Start({Media("audio.mp3")});
    EXPECT_TRUE(
        WaitForTitles(Titles({"Velvaro - multi.mkv - PLAY", "Velvaro - audio.mp3 - PLAY"})));
    EXPECT_TRUE(second->Running());
}

TEST_F(WholeProgramTest, CloseQuitsAfterPlaybackAndHandedOverSettingsAreKept) {
    SetUpRegistry({{"SingleInstanceMode", 1}, {"CompactView", 0}});
    auto first = Start({Media("video-only.mkv"), "/close"});
    ASSERT_TRUE(WaitForTitles(Titles({"Velvaro - video-only.mkv - PLAY"})));
    // Options alone change the running window; compact view is a setting.
    auto second = Start({"/compact"});
    ASSERT_TRUE(second->WaitForExit(10s));
    ASSERT_TRUE(first->WaitForExit(20s)) << "the player did not quit after playback";
    EXPECT_EQ(first->exitCode(), 0);
    EXPECT_EQ(Setting("CompactView"), "1");
    EXPECT_EQ(Setting("LanguageResource"), "IDR_LNG_ENGLISH");
    EXPECT_TRUE(WindowTitles().empty());
}

TEST_F(WholeProgramTest, TerminationSignalClosesTheWindowAndSavesTheSettings) {
    SetUpRegistry({{"CompactView", 0}});
    auto player = Start({Media("multi.mkv"), "/compact"});
    ASSERT_TRUE(WaitForTitles(Titles({"Velvaro - multi.mkv - PLAY"})));
    player->Terminate();
    ASSERT_TRUE(player->WaitForExit(10s));
    EXPECT_EQ(player->exitCode(), 0);
    EXPECT_EQ(Setting("CompactView"), "1");
}

}  // namespace
}  // namespace velvaro::test
