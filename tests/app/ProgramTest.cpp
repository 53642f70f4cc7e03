// The velvaro executable, started as a user starts it.
#include "RunProgram.h"
#include "TestRegistry.h"
#include "settings/CPlayerCommandLineInfo.h"

#include <gtest/gtest.h>

#include <sqlite3.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace {

using velvaro::test::RunProgram;

// Without a display nothing but the help can be shown; one line says so.
const std::string kNoDisplay =
    "velvaro: no display to show a window on (DISPLAY, WAYLAND_DISPLAY and QT_QPA_PLATFORM are "
    "all unset)\n";

class ProgramTest : public ::testing::Test {
protected:
    // No display: the help box is skipped, the text still printed.
    std::map<std::string, std::string> Environment() const {
        return {{"VELVARO_REGISTRY", registry_},
                {"DISPLAY", ""},
                {"WAYLAND_DISPLAY", ""},
                {"QT_QPA_PLATFORM", ""}};
    }

    // What the sqlite3 tool would print for one value of the Settings key.
    std::string Stored(const std::string& name) const {
        sqlite3* db = nullptr;
        std::string result = "<none>";
        if (sqlite3_open_v2(registry_.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
            sqlite3_stmt* statement = nullptr;
            sqlite3_prepare_v2(db,
                               "SELECT data FROM registry WHERE hive='HKEY_CURRENT_USER' AND "
                               "key='Software\\Quellware\\Vel-Varo\\Settings' AND name=?1",
                               -1, &statement, nullptr);
            sqlite3_bind_text(statement, 1, name.c_str(), -1, SQLITE_TRANSIENT);
            if (sqlite3_step(statement) == SQLITE_ROW) {
                result = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
            }
            sqlite3_finalize(statement);
        }
        sqlite3_close(db);
        return result;
    }

    velvaro::test::TestFolder folder_;
    std::string registry_ = folder_ / "registry.db";
};

TEST_F(ProgramTest, HelpPrintsTheHelpText) {
    for (const char* flag : {"--help", "/?", "-HELP"}) {
        const auto result = RunProgram(VELVARO_EXECUTABLE, {flag, "/play"}, Environment());
        EXPECT_EQ(result.exitCode, 0) << flag;
        EXPECT_EQ(result.out, CPlayerCommandLineInfo::HelpText() + "\n") << flag;
        EXPECT_EQ(result.err, "") << flag;
    }
}

TEST_F(ProgramTest, LanguageOptionIsStoredForTheNextStart) {
    auto result = RunProgram(VELVARO_EXECUTABLE, {"/Language:English"}, Environment());
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(Stored("LanguageType"), "<none>");

    result = RunProgram(VELVARO_EXECUTABLE, {"/LANGUAGE:english"}, Environment());
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.err, kNoDisplay);
    EXPECT_EQ(Stored("LanguageType"), "0");
    EXPECT_EQ(Stored("LanguageResource"), "IDR_LNG_ENGLISH");
    // The settings were written back when the program ended.
    EXPECT_EQ(Stored("Volume"), "10000");
    EXPECT_EQ(Stored("DisplaySettings"), "Current");
}

TEST_F(ProgramTest, DamagedRegistryIsSetAsideAndTheProgramCarriesOn) {
    std::ofstream(registry_) << std::string(9000, '#');
    const auto result = RunProgram(VELVARO_EXECUTABLE, {"/language:magyar"}, Environment());
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 2) << result.err;
    EXPECT_TRUE(result.err.ends_with(kNoDisplay)) << result.err;
    EXPECT_TRUE(std::filesystem::exists(registry_ + ".broken"));
    EXPECT_EQ(Stored("LanguageResource"), "IDR_LNG_MAGYAR");
}

}  // namespace
