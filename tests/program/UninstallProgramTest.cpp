// The uninstall run of the real program: the box answered, it ends with 0
// and leaves nothing of the program in the registry or on the desktop.
#include "ProgramFixture.h"
#include "platform/Registry.h"

namespace velvaro::test {
namespace {

// Writes string values into the player's registry file, as another program would.
void WriteStrings(
    const std::string& registry,
    const std::vector<std::tuple<HKEY, std::string, std::string, std::string>>& values) {
    const ScopedEnvironment file({{"VELVARO_REGISTRY", registry}});
    velvaro::platform::CloseRegistry();
    for (const auto& [root, path, name, data] : values) {
        HKEY key = 0;
        ASSERT_EQ(RegCreateKeyEx(root, path, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
        ASSERT_EQ(RegSetValueEx(key, name, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                                static_cast<DWORD>(data.size() + 1)),
                  ERROR_SUCCESS);
        RegCloseKey(key);
    }
    velvaro::platform::CloseRegistry();
}

TEST_F(WholeProgramTest, UninstallRemovesTheProgramsKeysAndDesktopEntryAndEndsWithZero) {
    SetUpRegistry({{"Volume", -500}});
    // Another product of the maker, and a player that owned .avi before.
    WriteStrings(registry_,
                 {{HKEY_CURRENT_USER, "Software\\Quellware\\Other", "Path", "/opt/other"},
                  {HKEY_CLASSES_ROOT, ".avi", "", "aviFile"},
                  {HKEY_CLASSES_ROOT, ".mkv", "", "mkvFile"}});
    // avi owned from now on: the window's repair takes it at its start.
    SqliteFile(registry_, SQLITE_OPEN_READWRITE)
        .Rows(
            "UPDATE vals SET data = 3 WHERE fold = 'avi' AND key IN (SELECT id FROM keys "
            "WHERE fold = lower('Software\\Quellware\\Vel-Varo\\FileAssociations'))");
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
    ASSERT_EQ(SqliteFile(registry_).Value("SELECT data FROM registry WHERE hive = "
                                          "'HKEY_CLASSES_ROOT' AND key = '.avi' AND name = ''"),
              "velvarofile");
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

    // What is left is exactly what was there before Velvaro: the other
    // product, .avi's and .mkv's owners, and .vpp's key, now empty.
    EXPECT_EQ(SqliteFile(registry_).Rows(
                  "SELECT hive, key, name, data FROM registry ORDER BY hive, key, name"),
              (std::vector<std::vector<std::string>>{
                  {"HKEY_CLASSES_ROOT", ".avi", "", "aviFile"},
                  {"HKEY_CLASSES_ROOT", ".mkv", "", "mkvFile"},
                  {"HKEY_CURRENT_USER", "Software\\Quellware\\Other", "Path", "/opt/other"}}));
    EXPECT_EQ(keysAt("HKEY_CURRENT_USER", "software\\quellware\\vel-varo"), "0");
    EXPECT_EQ(keysAt("HKEY_CLASSES_ROOT", "velvarofile"), "0");
    EXPECT_EQ(keysAt("HKEY_LOCAL_MACHINE", uninstallEntry), "0");
    EXPECT_NE(keysAt("HKEY_CLASSES_ROOT", ".vpp"), "0") << "the extension's key stays";
    EXPECT_FALSE(std::filesystem::exists(entry));
    const std::string defaults = ReadBytes(folder_ / "config/mimeapps.list");
    EXPECT_EQ(defaults.find("velvaro.desktop"), std::string::npos) << defaults;
}

}  // namespace
}  // namespace velvaro::test
