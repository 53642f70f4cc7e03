#include "TestRegistry.h"
#include "platform/Paths.h"
#include "settings/CSettings.h"
#include "settings/RegKey.h"
#include "settings/RegistryKeys.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <vector>

using testing::ElementsAre;
using testing::ElementsAreArray;
using velvaro::kAssociationsKey;
using velvaro::kSettingsKey;

namespace {

std::vector<std::string> ValueNames(HKEY root, const std::string& path) {
    std::vector<std::string> names;
    RegKey key;
    if (key.Open(root, path) != ERROR_SUCCESS) {
        return names;
    }
    char name[256];
    for (DWORD index = 0;; ++index) {
        DWORD size = sizeof name;
        if (RegEnumValue(key.Handle(), index, name, &size, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
            break;
        }
        names.emplace_back(name, size);
    }
    return names;
}

std::vector<std::pair<std::string, unsigned>> Entries(const CSettings& settings) {
    std::vector<std::pair<std::string, unsigned>> entries;
    for (const auto& entry : settings.associations) {
        entries.emplace_back(entry.extension, entry.flags);
    }
    return entries;
}

DWORD StoredDword(const char* name) {
    RegKey key;
    DWORD value = 0xDEADBEEF;
    key.Open(HKEY_CURRENT_USER, kSettingsKey);
    EXPECT_EQ(key.QueryDWORD(name, &value), ERROR_SUCCESS) << name;
    return value;
}

class SettingsTest : public velvaro::test::RegistryTest {
protected:
    void WriteSetting(const char* name, DWORD value) {
        RegKey key;
        ASSERT_EQ(key.Create(HKEY_CURRENT_USER, kSettingsKey), ERROR_SUCCESS);
        ASSERT_EQ(key.SetDWORD(name, value), ERROR_SUCCESS);
    }
    void WriteSetting(const char* name, const std::string& value) {
        RegKey key;
        ASSERT_EQ(key.Create(HKEY_CURRENT_USER, kSettingsKey), ERROR_SUCCESS);
        ASSERT_EQ(key.SetString(name, value), ERROR_SUCCESS);
    }
};

TEST_F(SettingsTest, EmptyRegistryGivesTheDefaults) {
    const CSettings settings(1);
    EXPECT_EQ(settings.balance, 0);
    EXPECT_EQ(settings.volume, 0);
    EXPECT_EQ(settings.titleBar + settings.menuBar + settings.toolBar + settings.positionBar +
                  settings.statusBar,
              5);
    EXPECT_EQ(settings.compactView, 0);
    EXPECT_EQ(settings.alwaysOnTop, 0);
    EXPECT_EQ(settings.aspectRatio, 1);
    EXPECT_EQ(settings.startMediaAutomatically, 1);
    EXPECT_EQ(settings.startFullscreen, 0);
    EXPECT_EQ(settings.jumpToLastPosition, 0);
    EXPECT_EQ(settings.playbackDelay, 5);
    EXPECT_EQ(settings.singleInstanceMode, 1);
    EXPECT_EQ(settings.deactivatePowerManagement, 1);
    EXPECT_EQ(settings.processPriority, 1);
    EXPECT_EQ(settings.displaySettings, "Current");
    EXPECT_EQ(settings.displayWidth, 0);
    EXPECT_EQ(settings.displayHeight, 0);
    EXPECT_EQ(settings.toolBarPos, 0);
    EXPECT_EQ(settings.languageType, -1);
    EXPECT_EQ(settings.generalChanged + settings.playbackChanged + settings.languageChanged +
                  settings.associationsChanged,
              0);
    const auto entries = Entries(settings);
    ASSERT_EQ(entries.size(), 31u);
    EXPECT_EQ(entries.front(), std::make_pair(std::string("vpp"), 9u));
    EXPECT_EQ(entries.back(), std::make_pair(std::string("ogm"), 6u));
}

TEST_F(SettingsTest, NonPersistentRecordStartsEmptyAndWritesNothing) {
    {
        CSettings copy(0);
        EXPECT_TRUE(copy.associations.empty());
        copy.volume = -500;
        copy.Save();
    }
    RegKey key;
    EXPECT_NE(key.Open(HKEY_CURRENT_USER, kSettingsKey), ERROR_SUCCESS);
}

TEST_F(SettingsTest, SaveWritesEveryValueInItsOrder) {
    { CSettings settings(1); }
    EXPECT_THAT(
        ValueNames(HKEY_CURRENT_USER, kSettingsKey),
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
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(size, 8u);
}

TEST_F(SettingsTest, EverySettingSurvivesSaveAndLoad) {
    const velvaro::test::TestFolder shots;
    {
        CSettings settings(1);
        settings.playlistDirTree = "/srv/media/Filme";
        settings.balance = -2500;
        settings.volume = -10000;
        settings.titleBar = 0;
        settings.menuBar = 0;
        settings.toolBar = 0;
        settings.positionBar = 0;
        settings.statusBar = 0;
        settings.compactView = 1;
        settings.alwaysOnTop = 1;
        settings.aspectRatio = 0;
        settings.startMediaAutomatically = 0;
        settings.startFullscreen = 1;
        settings.jumpToLastPosition = 1;
        settings.playbackDelay = 12;
        settings.singleInstanceMode = 0;
        settings.deactivatePowerManagement = 0;
        settings.screenshotDirectory = shots.path().string() + "/";
        settings.processPriority = 4;
        settings.displaySettings = "800 x 600";
        settings.toolBarPos = 1;
        settings.languageType = 1;
        settings.languageFile = "Klingon.lng";
        settings.BuildDefaultAssociations();
        settings.AddFileAssociation("flac", 5);
    }
    EXPECT_EQ(StoredDword("Volume"), 0u);
    EXPECT_EQ(StoredDword("Balance"), 7500u);
    EXPECT_EQ(StoredDword("LanguageType"), 1u);

    const CSettings loaded(1);
    EXPECT_EQ(loaded.playlistDirTree, "/srv/media/Filme");
    EXPECT_EQ(loaded.balance, -2500);
    EXPECT_EQ(loaded.volume, -10000);
    EXPECT_EQ(
        loaded.titleBar + loaded.menuBar + loaded.toolBar + loaded.positionBar + loaded.statusBar,
        0);
    EXPECT_EQ(loaded.compactView, 1);
    EXPECT_EQ(loaded.alwaysOnTop, 1);
    EXPECT_EQ(loaded.aspectRatio, 0);
    EXPECT_EQ(loaded.startMediaAutomatically, 0);
    EXPECT_EQ(loaded.startFullscreen, 1);
    EXPECT_EQ(loaded.jumpToLastPosition, 1);
    EXPECT_EQ(loaded.playbackDelay, 12);
    EXPECT_EQ(loaded.singleInstanceMode, 0);
    EXPECT_EQ(loaded.deactivatePowerManagement, 0);
    EXPECT_EQ(loaded.screenshotDirectory, shots.path().string() + "/");
    EXPECT_EQ(std::filesystem::current_path(), shots.path());
    EXPECT_EQ(loaded.processPriority, 4);
    EXPECT_EQ(loaded.displayWidth, 800);
    EXPECT_EQ(loaded.displayHeight, 600);
    EXPECT_EQ(loaded.toolBarPos, 1);
    // The record writes the language but start-up reads it; it is not loaded.
    EXPECT_EQ(loaded.languageType, -1);
    // Stored newest first, loaded each at the head: the list comes back reversed.
    const auto entries = Entries(loaded);
    ASSERT_EQ(entries.size(), 32u);
    EXPECT_EQ(entries.front(), std::make_pair(std::string("ogm"), 6u));
    EXPECT_EQ(entries.back(), std::make_pair(std::string("flac"), 5u));
}

TEST_F(SettingsTest, VolumeAndBalanceAreStoredWithTenThousandAdded) {
    WriteSetting("Volume", 7000);
    WriteSetting("Balance", 20000);
    const CSettings settings(1);
    EXPECT_EQ(settings.volume, -3000);
    EXPECT_EQ(settings.balance, 10000);
}

TEST_F(SettingsTest, ValuesOfTheWrongTypeOrSizeDoNotBreakTheLoad) {
    WriteSetting("PlaybackDelay", std::string("much too long for four bytes"));
    WriteSetting("TitleBar", std::string("0"));  // two bytes: '0' and its zero
    WriteSetting("DisplaySettings", std::string(300, 'x'));
    const CSettings settings(1);
    EXPECT_EQ(settings.playbackDelay, 5);
    // The short value lands in the low bytes of the four-byte buffer.
    EXPECT_EQ(settings.titleBar, '0');
    EXPECT_EQ(settings.displaySettings, "Current");
}

TEST_F(SettingsTest, DisplaySettingsNeedBlanksAroundTheX) {
    CSettings settings(0);
    const std::pair<const char*, std::pair<int, int>> cases[] = {
        {"800 x 600", {800, 600}},
        {"1920 x 1080", {1920, 1080}},
        {"800x600", {0, 0}},
        {"Current", {0, 0}},
        {"", {0, 0}},
        {" x 600", {0, 600}},
    };
    for (const auto& [text, size] : cases) {
        settings.displaySettings = text;
        settings.ParseDisplaySettings();
        EXPECT_EQ(std::make_pair(settings.displayWidth, settings.displayHeight), size) << text;
    }
}

TEST_F(SettingsTest, UnusableScreenshotFolderFallsBackToTheProgramFolder) {
    WriteSetting("ScreenshotDirectory", folder() / "does-not-exist");
    const CSettings settings(1);
    EXPECT_EQ(settings.screenshotDirectory, velvaro::platform::ProgramFolder());
    EXPECT_EQ(std::filesystem::current_path().string() + "/", velvaro::platform::ProgramFolder());
}

TEST_F(SettingsTest, LanguageIsWrittenOnlyWhenChosen) {
    {
        RegKey key;
        key.Create(HKEY_CURRENT_USER, kSettingsKey);
        key.SetString("LanguageResource", "IDR_LNG_POLSKI");
        key.SetDWORD("LanguageType", 0);
    }
    { CSettings untouched(1); }
    RegKey key;
    key.Open(HKEY_CURRENT_USER, kSettingsKey);
    std::string resource;
    key.QueryString("LanguageResource", &resource);
    EXPECT_EQ(resource, "IDR_LNG_POLSKI");
    EXPECT_THAT(ValueNames(HKEY_CURRENT_USER, kSettingsKey),
                testing::Not(testing::Contains("LanguageFile")));

    {
        CSettings chosen(1);
        chosen.languageType = 0;
        chosen.languageResource = "IDR_LNG_MAGYAR";
    }
    key.QueryString("LanguageResource", &resource);
    EXPECT_EQ(resource, "IDR_LNG_MAGYAR");
    EXPECT_EQ(StoredDword("LanguageType"), 0u);
}

TEST_F(SettingsTest, StoredAssociationsReplaceTheDefaults) {
    {
        RegKey key;
        ASSERT_EQ(key.Create(HKEY_CURRENT_USER, kAssociationsKey), ERROR_SUCCESS);
        key.SetDWORD("avi", 3);
        key.SetDWORD("AVI", 2);      // the same value: names ignore case
        key.SetDWORD("mp3", 0x105);  // only the first byte counts
    }
    const CSettings settings(1);
    EXPECT_THAT(Entries(settings), ElementsAre(std::make_pair(std::string("mp3"), 5u),
                                               std::make_pair(std::string("avi"), 2u)));
}

TEST_F(SettingsTest, SaveReplacesTheStoredAssociationList) {
    {
        RegKey key;
        key.Create(HKEY_CURRENT_USER, std::string(kAssociationsKey) + "\\Stale");
        key.Create(HKEY_CURRENT_USER, kAssociationsKey);
        key.SetDWORD("gone", 2);
    }
    {
        CSettings settings(1);
        settings.associations.clear();
        settings.AddFileAssociation("mkv", 3);
        settings.AddFileAssociation("ogg", 4);
    }
    EXPECT_THAT(ValueNames(HKEY_CURRENT_USER, kAssociationsKey), ElementsAre("ogg", "mkv"));
    RegKey stale;
    EXPECT_EQ(stale.Open(HKEY_CURRENT_USER, std::string(kAssociationsKey) + "\\Stale"),
              ERROR_FILE_NOT_FOUND);
}

TEST_F(SettingsTest, AssignmentCopiesAllButPersistenceAndReversesTheList) {
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
    EXPECT_EQ(target.volume, -1234);
    EXPECT_EQ(target.screenshotDirectory, "/tmp/shots/");
    EXPECT_EQ(target.languageType, 1);
    EXPECT_EQ(target.associationsChanged, 1);
    EXPECT_EQ(target.languageChanged, 1);
    EXPECT_THAT(Entries(source), ElementsAre(std::make_pair(std::string("c"), 8u),
                                             std::make_pair(std::string("b"), 4u),
                                             std::make_pair(std::string("a"), 2u)));
    EXPECT_THAT(Entries(target), ElementsAre(std::make_pair(std::string("a"), 2u),
                                             std::make_pair(std::string("b"), 4u),
                                             std::make_pair(std::string("c"), 8u)));
}

TEST_F(SettingsTest, AddFileAssociationMergesOnlyTheExactText) {
    CSettings settings(0);
    settings.AddFileAssociation("avi", 2);
    settings.AddFileAssociation("avi", 1);
    settings.AddFileAssociation("AVI", 4);
    EXPECT_THAT(Entries(settings), ElementsAre(std::make_pair(std::string("AVI"), 4u),
                                               std::make_pair(std::string("avi"), 3u)));
}

// A registry that cannot be created: defaults, no message, nothing lost.
TEST(SettingsWithoutRegistry, UnwritableFolderGivesDefaultsSilently) {
    const velvaro::test::TestFolder folder;
    const std::string blocker = folder / "not-a-folder";
    std::ofstream(blocker) << "x";
    velvaro::platform::CloseRegistry();
    setenv("VELVARO_REGISTRY", (blocker + "/registry.db").c_str(), 1);
    const auto directory = std::filesystem::current_path();
    testing::internal::CaptureStderr();
    {
        CSettings settings(1);
        EXPECT_EQ(settings.playbackDelay, 5);
        EXPECT_EQ(settings.displaySettings, "Current");
        settings.volume = -200;
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    velvaro::platform::CloseRegistry();
    std::filesystem::current_path(directory);
}

}  // namespace
