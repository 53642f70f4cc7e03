// The uninstall run of the real program: the box answered, it ends with 0
// and leaves nothing of the program in the registry or on the desktop.
#include "ProgramFixture.h"

namespace velvaro::test {
namespace {

TEST_F(WholeProgramTest, UninstallRemovesTheProgramsKeysAndDesktopEntryAndEndsWithZero) {
    SetUpRegistry({});
    auto player = Start({"/nosplash"});
    ASSERT_TRUE(WaitForTitles({"Velvaro"}));
    player->terminate();
    ASSERT_TRUE(player->WaitForExit(10000));

    // Keys at or below `path` (lower case) in `hive`.
    const auto keysAt = [this](const std::string& hive, const std::string& path) {
        return SqliteFile(registry_).Value(
            "SELECT count(*) FROM keys WHERE hive = '" + hive + "' AND (fold = '" + path +
            "' OR substr(fold, 1, " + std::to_string(path.size() + 1) + ") = '" + path + "\\')");
    };
    const std::string uninstallEntry =
        "software\\microsoft\\windows\\currentversion\\uninstall\\velvaro";
    ASSERT_NE(keysAt("HKEY_CURRENT_USER", "software\\quellware\\vel-varo"), "0");
    ASSERT_NE(keysAt("HKEY_CLASSES_ROOT", "velvarofile"), "0");
    ASSERT_EQ(keysAt("HKEY_LOCAL_MACHINE", uninstallEntry), "1");
    const std::filesystem::path entry = folder_ / "data/applications/velvaro.desktop";
    ASSERT_TRUE(std::filesystem::exists(entry));

    auto uninstall = Start({"/uninstall"});
    std::string box;
    ASSERT_TRUE(RunEventsUntil(
        [&] {
            QThread::msleep(100);
            return !(box = WindowId("Vel-Varo Uninstall")).empty();
        },
        15000));
    EXPECT_TRUE(WindowTitles().empty()) << "no player window";
    EXPECT_EQ(uninstall->state(), QProcess::Running) << "the box waits for its answer";
    RunProgram(CLOSE_WINDOW, {box}, {{"DISPLAY", display_.Name()}});
    ASSERT_TRUE(uninstall->WaitForExit(15000));
    EXPECT_EQ(std::pair(uninstall->exitStatus(), uninstall->exitCode()),
              std::pair(QProcess::NormalExit, 0));

    EXPECT_EQ(keysAt("HKEY_CURRENT_USER", "software\\quellware"), "0");
    EXPECT_EQ(keysAt("HKEY_CLASSES_ROOT", "velvarofile"), "0");
    EXPECT_EQ(keysAt("HKEY_LOCAL_MACHINE", uninstallEntry), "0");
    EXPECT_NE(keysAt("HKEY_CLASSES_ROOT", ".vpp"), "0") << "the extension's key stays";
    EXPECT_FALSE(std::filesystem::exists(entry));
    std::ifstream mimeApps(folder_ / "config/mimeapps.list");
    const std::string defaults(std::istreambuf_iterator<char>(mimeApps), {});
    EXPECT_EQ(defaults.find("velvaro.desktop"), std::string::npos) << defaults;
}

}  // namespace
}  // namespace velvaro::test
