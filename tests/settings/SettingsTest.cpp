// The settings record on a real registry file: defaults, what is written in
// which order, what comes back, and values that are not as they should be.
#include "SettingsValues.h"
#include "TestRegistry.h"
#include "platform/Paths.h"
#include "settings/CSettings.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <vector>

using testing::ElementsAre;
using velvaro::kAssociationsKey;
using velvaro::kSettingsKey;
using namespace velvaro::test;

namespace {

using Entry = std::pair<std::string, unsigned>;

std::vector<std::string> ValueNames(const std::string& path) {
    std::vector<std::string> names;
    RegKey key;
    if (key.Open(HKEY_CURRENT_USER, path) == ERROR_SUCCESS) {
        key.ForEachValue(
            [&](const std::string& name, const BYTE*, DWORD) { names.push_back(name); });
    }
    return names;
}

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
    &CSettings::statusBar, &CSettings::volume, &CSettings::balance};
// clang-format on

std::vector<int> Dwords(const CSettings& settings) {
    std::vector<int> values;
    for (const auto field : kDwords) {
        values.push_back(settings.*field);
    }
    return values;
}

using SettingsTest = RegistryTest;

TEST_F(SettingsTest, EmptyRegistryGivesTheDefaultsAndTheRecordWritesEveryValueInItsOrder) {
    {
        CSettings settings(1);
        EXPECT_EQ(Dwords(settings),
                  (std::vector{0, 1, 0, 5, 1, 1, 1, 0, 0, 1, 0, 1, 1, 1, 1, 1, 0, 0}));
        EXPECT_EQ(settings.displaySettings, "Current");
        EXPECT_EQ(std::pair(settings.displayWidth, settings.displayHeight), std::pair(0, 0));
        EXPECT_EQ(settings.languageType, -1);
        EXPECT_EQ(std::vector({settings.generalChanged, settings.playbackChanged,
                               settings.languageChanged, settings.associationsChanged}),
                  std::vector(4, 0));
        EXPECT_EQ(Entries(settings).size(), 52u);
    }
    EXPECT_THAT(
        ValueNames(kSettingsKey),
        ElementsAre("StartFullscreen", "StartMediaAutomatically", "JumpToLastPosition",
                    "PlaybackDelay", "SingleInstanceMode", "DeactivatePowerManagement",
                    "ProcessPriority", "ScreenshotDirectory", "DisplaySettings", "ToolBarPos",
                    "AlwaysOnTop", "AspectRatio", "CompactView", "TitleBar", "MenuBar", "ToolBar",
                    "PositionBar", "StatusBar", "Volume", "Balance", "PlaylistDirTree"));
    // Strings go with their terminating zero.
    RegKey key;
    key.Open(HKEY_CURRENT_USER, kSettingsKey);
    DWORD type = 0, size = 0;
    ASSERT_EQ(RegQueryValueEx(key.Handle(), "DisplaySettings", &type, nullptr, &size),
              ERROR_SUCCESS);
    EXPECT_EQ(std::pair(type, size), std::pair(DWORD{REG_SZ}, DWORD{8}));
}

TEST_F(SettingsTest, EverySettingSurvivesSaveAndLoad) {
    const TestFolder shots;
    const std::vector<int> changed = {1, 0, 1, 12, 0, 0, 4, 1,      1,
                                      0, 1, 0, 0,  0, 0, 0, -10000, -2500};
    {
        CSettings s(1);
        for (std::size_t i = 0; i < changed.size(); ++i) {
            s.*kDwords[i] = changed[i];
        }
        s.playlistDirTree = "/srv/media/Filme";
        s.screenshotDirectory = shots.path().string() + "/";
        s.displaySettings = "800 x 600";
        s.languageType = 1;
        s.BuildDefaultAssociations();
        s.AddFileAssociation("mpc", 5);
    }
    // Levels are kept with 10000 added.
    EXPECT_EQ(std::vector({ReadDword("Volume"), ReadDword("Balance"), ReadDword("LanguageType")}),
              (std::vector<std::optional<DWORD>>{0, 7500, 1}));

    CSettings loaded(1);
    EXPECT_EQ(Dwords(loaded), changed);
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
    const CSettings settings(1);
    EXPECT_EQ(std::pair(settings.volume, settings.balance), std::pair(-3000, 10000));
    EXPECT_EQ(settings.playbackDelay, 5);
    // The short value lands in the low bytes of the four-byte buffer.
    EXPECT_EQ(settings.titleBar, '0');
    EXPECT_EQ(settings.displaySettings, "Current");
    // An unusable screenshot folder falls back to the program's.
    EXPECT_EQ(settings.screenshotDirectory, velvaro::platform::ProgramFolder());
    EXPECT_EQ(std::filesystem::current_path().string() + "/", velvaro::platform::ProgramFolder());
}

TEST_F(SettingsTest, LanguageIsWrittenOnlyWhenChosen) {
    Write("LanguageResource", std::string("IDR_LNG_POLSKI"));
    Write("LanguageType", 0);
    { CSettings untouched(1); }
    EXPECT_EQ(ReadString("LanguageResource"), "IDR_LNG_POLSKI");
    EXPECT_THAT(ValueNames(kSettingsKey), testing::Not(testing::Contains("LanguageFile")));
    {
        CSettings chosen(1);
        chosen.languageType = 0;
        chosen.languageResource = "IDR_LNG_MAGYAR";
    }
    EXPECT_EQ(ReadString("LanguageResource"), "IDR_LNG_MAGYAR");
    EXPECT_EQ(ReadDword("LanguageType"), 0u);
}

TEST_F(SettingsTest, StoredAssociationsReplaceTheDefaultsAndSaveReplacesThem) {
    const KeyPath list{HKEY_CURRENT_USER, kAssociationsKey};
    Write("avi", 3, list);
    Write("mp3", 0x105, list);  // only the first byte counts
    Write("", 0, {HKEY_CURRENT_USER, std::string(kAssociationsKey) + "\\Stale"});
    {
        CSettings settings(1);
        EXPECT_EQ(Entries(settings), (std::vector<Entry>{{"mp3", 5}, {"avi", 3}}));
        settings.associations.clear();
        settings.AddFileAssociation("mkv", 3);
        settings.AddFileAssociation("ogg", 4);
    }
    EXPECT_THAT(ValueNames(kAssociationsKey), ElementsAre("ogg", "mkv"));
    EXPECT_FALSE(KeyExists({HKEY_CURRENT_USER, std::string(kAssociationsKey) + "\\Stale"}));
}

// Records that are not persistent start empty and write nothing.
TEST_F(SettingsTest, AssignmentCopiesAllButPersistenceAndDisplaySettingsNeedBlanksAroundTheX) {
    CSettings source(0);
    source.AddFileAssociation("a", 2);
    source.AddFileAssociation("b", 4);
    source.AddFileAssociation("c", 8);
    source.volume = -1234;
    source.screenshotDirectory = "/tmp/shots/";
    source.languageType = 1;
    source.associationsChanged = 1;
    source.languageChanged = 1;
    CSettings target(0);
    target.AddFileAssociation("old", 2);
    target = source;
    EXPECT_EQ(target.persistent, 0);
    EXPECT_EQ(std::vector({target.volume, target.languageType, target.associationsChanged,
                           target.languageChanged}),
              (std::vector{-1234, 1, 1, 1}));
    EXPECT_EQ(target.screenshotDirectory, "/tmp/shots/");
    EXPECT_EQ(Entries(target), (std::vector<Entry>{{"a", 2}, {"b", 4}, {"c", 8}}));

    // Adding merges only the exact text.
    CSettings merged(0);
    merged.AddFileAssociation("avi", 2);
    merged.AddFileAssociation("avi", 1);
    merged.AddFileAssociation("AVI", 4);
    EXPECT_EQ(Entries(merged), (std::vector<Entry>{{"AVI", 4}, {"avi", 3}}));
    merged.Save();
    EXPECT_FALSE(KeyExists({HKEY_CURRENT_USER, kSettingsKey}));

    // Display settings need blanks around the x.
    const std::pair<const char*, std::pair<int, int>> cases[] = {
        {"800 x 600", {800, 600}}, {"800x600", {0, 0}}, {"", {0, 0}}, {" x 600", {0, 600}}};
    for (const auto& [text, size] : cases) {
        merged.displaySettings = text;
        merged.ParseDisplaySettings();
        EXPECT_EQ(std::make_pair(merged.displayWidth, merged.displayHeight), size) << text;
    }
}

// A registry that cannot be created: defaults, no message, nothing lost.
TEST(SettingsWithoutRegistry, UnwritableFolderGivesDefaultsSilently) {
    const TestFolder folder;
    const std::string blocker = folder / "not-a-folder";
    std::ofstream(blocker) << "x";
    velvaro::platform::CloseRegistry();
    const ScopedEnvironment environment({{"VELVARO_REGISTRY", blocker + "/registry.db"}});
    const auto directory = std::filesystem::current_path();
    testing::internal::CaptureStderr();
    {
        CSettings settings(1);
        EXPECT_EQ(settings.playbackDelay, 5);
        settings.volume = -200;
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    velvaro::platform::CloseRegistry();
    std::filesystem::current_path(directory);
}

}  // namespace
