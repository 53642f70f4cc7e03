// The velvaro executable, started as a user starts it.
#include "RunProgram.h"
#include "SqliteFile.h"
#include "TestRegistry.h"
#include "settings/CPlayerCommandLineInfo.h"

#include <gtest/gtest.h>

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

    std::string Stored(const std::string& name) const {
        return velvaro::test::SqliteFile(registry_).Setting(name);
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
