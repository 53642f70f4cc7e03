// The settings record on a real registry file: what is written, what comes
// back, values that are not as they should be, and the old product's keys
// moved into today's.
#include "SettingsValues.h"
#include "TestRegistry.h"
#include "platform/Paths.h"
#include "settings/CSettings.h"
#include "settings/MigrateRegistry.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <vector>

using namespace velvaro;
using namespace velvaro::test;

namespace {

using Entry = std::pair<std::string, unsigned>;

std::vector<Entry> Entries(const CSettings& settings) {
    std::vector<Entry> entries;
    for (const auto& entry : settings.associations) {
        entries.emplace_back(entry.extension, entry.flags);
    }
    return entries;
}

// The DWORD settings of the record, in the order it writes them.
// clang-format off
constexpr int CSettings::*kDwords[] = {
    &CSettings::startFullscreen, &CSettings::startMediaAutomatically,
    &CSettings::jumpToLastPosition, &CSettings::playbackDelay, &CSettings::singleInstanceMode,
    &CSettings::deactivatePowerManagement, &CSettings::processPriority, &CSettings::toolBarPos,
    &CSettings::alwaysOnTop, &CSettings::aspectRatio, &CSettings::compactView,
    &CSettings::titleBar, &CSettings::menuBar, &CSettings::toolBar, &CSettings::positionBar,
    &CSettings::statusBar, &CSettings::deinterlace, &CSettings::volume, &CSettings::balance};
// clang-format on

using SettingsTest = RegistryTest;

// Every value differs from its default, so none comes back by chance. The
// language is written only when one was chosen.
TEST_F(SettingsTest, EverySettingSurvivesSaveAndLoadAndTheLanguageIsWrittenOnlyWhenChosen) {
    Write("LanguageResource", std::string("IDR_LNG_POLSKI"));
    { CSettings untouched(1); }
    EXPECT_EQ(ReadString("LanguageResource"), "IDR_LNG_POLSKI");
    EXPECT_EQ(std::pair(ReadString("LanguageFile"), ReadDword("LanguageType")),
              std::pair(std::optional<std::string>(), std::optional<DWORD>()));
    const TestFolder shots;
    const std::vector<int> changed = {1, 0, 1, 12, 0, 0, 4, 1,      1,    0,
                                      1, 0, 0, 0,  0, 0, 2, -10000, -2500};
    {
        CSettings s(1);
        for (std::size_t i = 0; i < changed.size(); ++i) {
            s.*kDwords[i] = changed[i];
        }
        s.playlistDirTree = "/srv/media/Filme";
        s.screenshotDirectory = shots.path().string() + "/";
        s.displaySettings = "800 x 600";
        s.languageType = 0;
        s.languageResource = "IDR_LNG_MAGYAR";
        s.BuildDefaultAssociations();
        s.AddFileAssociation("mpc", 5);
    }
    // Levels are kept with 10000 added.
    EXPECT_EQ(std::vector({ReadDword("Volume"), ReadDword("Balance"), ReadDword("LanguageType")}),
              (std::vector<std::optional<DWORD>>{0, 7500, 0}));
    EXPECT_EQ(ReadString("LanguageResource"), "IDR_LNG_MAGYAR");

    CSettings loaded(1);
    std::vector<int> dwords;
    for (const auto field : kDwords) {
        dwords.push_back(loaded.*field);
    }
    EXPECT_EQ(dwords, changed);
    EXPECT_EQ(loaded.playlistDirTree, "/srv/media/Filme");
    EXPECT_EQ(loaded.screenshotDirectory, shots.path().string() + "/");
    EXPECT_EQ(std::filesystem::current_path(), shots.path());
    EXPECT_EQ(std::pair(loaded.displayWidth, loaded.displayHeight), std::pair(800, 600));
    // The record writes the language but start-up reads it; it is not loaded.
    EXPECT_EQ(loaded.languageType, -1);
    // Stored newest first, loaded each at the head: the list comes back reversed.
    const auto entries = Entries(loaded);
    ASSERT_EQ(entries.size(), 53u);
    EXPECT_EQ(entries.front(), Entry("pls", 8));
    EXPECT_EQ(entries.back(), Entry("mpc", 5));
}

TEST_F(SettingsTest, StoredValuesOfOtherLevelsTypesOrSizesDoNotBreakTheLoad) {
    Write("Volume", 7000);
    Write("Balance", 20000);
    Write("PlaybackDelay", std::string("much too long for four bytes"));
    Write("TitleBar", std::string("0"));  // two bytes: '0' and its zero
    Write("DisplaySettings", std::string(300, 'x'));
    Write("ScreenshotDirectory", folder() / "does-not-exist");
    const KeyPath list{HKEY_CURRENT_USER, kAssociationsKey};
    Write("avi", 3, list);
    Write("mp3", 0x105, list);  // only the first byte counts
    Write("", 0, {HKEY_CURRENT_USER, std::string(kAssociationsKey) + "\\Stale"});
    {
        CSettings settings(1);
        EXPECT_EQ(std::pair(settings.volume, settings.balance), std::pair(-3000, 10000));
        EXPECT_EQ(settings.playbackDelay, 5);
        // The short value lands in the low bytes of the four-byte buffer.
        EXPECT_EQ(settings.titleBar, '0');
        EXPECT_EQ(settings.displaySettings, "Current");
        // An unusable screenshot folder falls back to the program's.
        EXPECT_EQ(settings.screenshotDirectory, platform::ProgramFolder());
        EXPECT_EQ(std::filesystem::current_path().string() + "/", platform::ProgramFolder());
        // A stored list replaces the defaults; saving replaces the stored one.
        EXPECT_EQ(Entries(settings), (std::vector<Entry>{{"mp3", 5}, {"avi", 3}}));
        settings.associations.clear();
        settings.AddFileAssociation("mkv", 3);
    }
    EXPECT_EQ(std::pair(ReadDword("mkv", list), ReadDword("avi", list)),
              std::pair(std::optional<DWORD>(3), std::optional<DWORD>()));
    EXPECT_FALSE(KeyExists({HKEY_CURRENT_USER, std::string(kAssociationsKey) + "\\Stale"}));
}

// The settings dialog edits a copy that is not persistent and assigns it back.
TEST_F(SettingsTest, ACopyWritesNothingAndAssigningItBackKeepsThePersistence) {
    CSettings copy(0);
    copy.AddFileAssociation("avi", 2);
    copy.AddFileAssociation("avi", 1);
    copy.AddFileAssociation("AVI", 4);  // only the exact text merges
    copy.volume = -1234;
    copy.screenshotDirectory = "/tmp/shots/";
    copy.languageChanged = 1;
    copy.Save();
    EXPECT_FALSE(KeyExists({HKEY_CURRENT_USER, kSettingsKey}));
    EXPECT_EQ(Entries(copy), (std::vector<Entry>{{"AVI", 4}, {"avi", 3}}));
    {
        CSettings record(1);
        record = copy;
        EXPECT_EQ(std::tuple(record.volume, record.screenshotDirectory, record.languageChanged),
                  std::tuple(-1234, std::string("/tmp/shots/"), 1));
        EXPECT_EQ(Entries(record), (std::vector<Entry>{{"avi", 3}, {"AVI", 4}}));
    }
    EXPECT_EQ(ReadDword("Volume"), DWORD{10000 - 1234});
    // Display settings need blanks around the x.
    const std::pair<const char*, std::pair<int, int>> cases[] = {
        {"800 x 600", {800, 600}}, {"800x600", {0, 0}}, {"", {0, 0}}, {" x 600", {0, 600}}};
    for (const auto& [text, size] : cases) {
        copy.displaySettings = text;
        copy.ParseDisplaySettings();
        EXPECT_EQ(std::pair(copy.displayWidth, copy.displayHeight), size) << text;
    }
}

const std::string kOldProduct = "Software\\Quellware\\Vel-Varo 2000";
const std::string kOldAssociations = "Software\\Quellware\\Vel-Varo\\File Associations";
const std::string kOldBackup = "Software\\Quellware\\Vel-Varo\\File Association Backup";

// Type and raw bytes of a value.
std::pair<DWORD, std::string> RawValue(const KeyPath& at, const std::string& name) {
    RegKey key;
    BYTE data[512];
    DWORD size = sizeof data, type = REG_NONE;
    if (key.Open(at.root, at.path) != ERROR_SUCCESS ||
        RegQueryValueEx(key.Handle(), name, &type, data, &size) != ERROR_SUCCESS) {
        return {REG_NONE, "<none>"};
    }
    return {type, std::string(reinterpret_cast<const char*>(data), size)};
}

std::pair<DWORD, std::string> Sz(std::string_view text) {
    return {REG_SZ, std::string(text) + '\0'};
}

// The maker's key goes with the old product's unless it holds other products.
TEST_F(SettingsTest, MigrationMovesTheOldKeysOneLevelDeepAsStringsAndASecondRunChangesNothing) {
    const std::string product = kProductKey;
    const KeyPath backup = {HKEY_CURRENT_USER, kAssociationsBackupKey};
    for (const bool otherTool : {false, true}) {
        SCOPED_TRACE(otherTool ? "another tool of the maker" : "alone");
        Write("TopLevel", std::string("not copied"), {HKEY_LOCAL_MACHINE, kOldProduct});
        const KeyPath old = {HKEY_LOCAL_MACHINE, kOldProduct + "\\Settings"};
        Write("Volume", 0x2705, old);
        RegKey key;
        key.Open(old.root, old.path);
        const BYTE binary[] = {'a', 'b', 0, 'c'};
        RegSetValueEx(key.Handle(), "Binary", REG_BINARY, binary, sizeof binary);
        key.Close();
        Write("film.avi", std::string("12.50"), {HKEY_LOCAL_MACHINE, kOldProduct + "\\Videos"});
        Write("", 0, {HKEY_LOCAL_MACHINE, kOldProduct + "\\Videos\\Deeper"});
        Write("avi", std::string("aviFile"), {HKEY_CURRENT_USER, kOldBackup});
        if (otherTool) {
            Write("", 0, {HKEY_LOCAL_MACHINE, "Software\\Quellware\\Other Tool"});
        }
        CSettings settings(0);
        MigrateRegistry(settings);
        const KeyPath now = {HKEY_CURRENT_USER, kSettingsKey};
        // 0x2705 little-endian is 05 27 00 00: the text ends at the first zero.
        EXPECT_EQ(RawValue(now, "Volume"), Sz("\x05\x27"));
        EXPECT_EQ(RawValue(now, "Binary"), Sz("ab"));
        EXPECT_EQ(RawValue({HKEY_CURRENT_USER, product + "\\Videos"}, "film.avi"), Sz("12.50"));
        EXPECT_EQ(RawValue(backup, "avi"), Sz("aviFile"));
        // One level only, and values of the old key itself stay behind (and go).
        EXPECT_FALSE(KeyExists({HKEY_CURRENT_USER, product + "\\Videos\\Deeper"}));
        EXPECT_EQ(RawValue({HKEY_CURRENT_USER, product}, "TopLevel").second, "<none>");
        EXPECT_FALSE(KeyExists({HKEY_LOCAL_MACHINE, kOldProduct}));
        EXPECT_FALSE(KeyExists({HKEY_CURRENT_USER, kOldBackup}));
        EXPECT_EQ(KeyExists({HKEY_LOCAL_MACHINE, "Software\\Quellware"}), otherTool);
        EXPECT_TRUE(KeyExists({HKEY_LOCAL_MACHINE, "Software"}));
        // The user changes a migrated value; a second run must not undo it.
        Write("avi", std::string("changed"), backup);
        MigrateRegistry(settings);
        EXPECT_EQ(RawValue(backup, "avi"), Sz("changed"));
    }
}

TEST_F(SettingsTest, MigrationPutsOldAssociationFlagsIntoTheListAndSavesIt) {
    const KeyPath old = {HKEY_CURRENT_USER, kOldAssociations};
    Write(".avi", 3, old);
    Write(".mp3", 0x0105, old);
    Write("mkv", 1, old);    // no dot: matches nothing
    Write(".XYZ", 1, old);   // not in the list
    Write(".MPEG", 1, old);  // the match is exact
    {
        CSettings settings(1);
        MigrateRegistry(settings);
        std::map<std::string, unsigned> flags;
        for (const auto& entry : settings.associations) {
            flags[entry.extension] = entry.flags;
        }
        EXPECT_EQ(std::vector({flags["avi"], flags["mp3"], flags["mkv"], flags["mpeg"]}),
                  (std::vector{3u, 5u, 2u, 6u}));
        // Saved at once, not only when the record goes.
        const KeyPath stored = {HKEY_CURRENT_USER, kAssociationsKey};
        EXPECT_EQ(ReadDword("avi", stored), 3u);
        EXPECT_EQ(ReadDword("XYZ", stored), std::nullopt);
    }
    EXPECT_FALSE(KeyExists(old));
}

// A registry that cannot be created: defaults, no message, nothing lost.
TEST(SettingsWithoutRegistry, UnwritableFolderGivesDefaultsSilently) {
    const TestFolder folder;
    const std::string blocker = folder / "not-a-folder";
    std::ofstream(blocker) << "x";
    platform::CloseRegistry();
    const ScopedEnvironment environment({{"VELVARO_REGISTRY", blocker + "/registry.db"}});
    const auto directory = std::filesystem::current_path();
    testing::internal::CaptureStderr();
    {
        CSettings settings(1);
        EXPECT_EQ(settings.playbackDelay, 5);
        settings.volume = -200;
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    platform::CloseRegistry();
    std::filesystem::current_path(directory);
}

}  // namespace
