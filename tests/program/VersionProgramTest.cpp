// --version answers before anything else: without a display, without
// reading or writing any setting.
#include "RunProgram.h"
#include "TestRegistry.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

using namespace velvaro::test;

TEST(VersionProgramTest, VersionPrintsTheProductVersionAndLeavesNoSettingsBehind) {
    const TestFolder folder;
    const std::string registry = folder / "registry.db";
    const std::map<std::string, std::string> noDisplay = {{"DISPLAY", ""},
                                                          {"WAYLAND_DISPLAY", ""},
                                                          {"QT_QPA_PLATFORM", ""},
                                                          {"HOME", folder.path().string()},
                                                          {"VELVARO_REGISTRY", registry},
                                                          {"XDG_RUNTIME_DIR", folder / "runtime"},
                                                          {"XDG_CONFIG_HOME", folder / "config"},
                                                          {"XDG_DATA_HOME", folder / "data"}};
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--version"}, {"/nosplash", "--version", "film.mkv"}}) {
        EXPECT_EQ(RunProgram(VELVARO_EXECUTABLE, args, noDisplay),
                  (ProgramResult{0, "Velvaro 1.2.0.3\n", ""}))
            << args.front();
        EXPECT_FALSE(std::filesystem::exists(registry)) << args.front();
    }
    // The same start without it keeps its settings: the file is a fair witness.
    RunProgram(VELVARO_EXECUTABLE, {"/nosplash"}, noDisplay);
    EXPECT_TRUE(std::filesystem::exists(registry));
}

}  // namespace
