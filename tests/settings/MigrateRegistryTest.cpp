#include "TestRegistry.h"
#include "settings/CSettings.h"
#include "settings/MigrateRegistry.h"
#include "settings/RegKey.h"
#include "settings/RegistryKeys.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

namespace {

const std::string kOldProduct = "Software\\Quellware\\Vel-Varo 2000";
const std::string kOldAssociations = "Software\\Quellware\\Vel-Varo\\File Associations";
const std::string kOldBackup = "Software\\Quellware\\Vel-Varo\\File Association Backup";

bool KeyExists(HKEY root, const std::string& path) {
    RegKey key;
    return key.Open(root, path) == ERROR_SUCCESS;
}

// Type and raw bytes of a value.
std::pair<DWORD, std::string> RawValue(HKEY root, const std::string& path,
                                       const std::string& name) {
    RegKey key;
    if (key.Open(root, path) != ERROR_SUCCESS) {
        return {REG_NONE, "<no key>"};
    }
    BYTE data[512];
    DWORD size = sizeof data, type = REG_NONE;
    if (RegQueryValueEx(key.Handle(), name, &type, data, &size) != ERROR_SUCCESS) {
        return {REG_NONE, "<no value>"};
    }
    return {type, std::string(reinterpret_cast<const char*>(data), size)};
}

class MigrateRegistryTest : public velvaro::test::RegistryTest {
protected:
    static void MakeOldProductKey() {
        RegKey key;
        ASSERT_EQ(key.Create(HKEY_LOCAL_MACHINE, kOldProduct), ERROR_SUCCESS);
        key.SetString("TopLevel", "not copied");
        ASSERT_EQ(key.Create(HKEY_LOCAL_MACHINE, kOldProduct + "\\Settings"), ERROR_SUCCESS);
        key.SetDWORD("Volume", 0x2705);
        key.SetString("ScreenshotDirectory", "C:\\Shots");
        const BYTE binary[] = {'a', 'b', 0, 'c'};
        RegSetValueEx(key.Handle(), "Binary", REG_BINARY, binary, sizeof binary);
        ASSERT_EQ(key.Create(HKEY_LOCAL_MACHINE, kOldProduct + "\\Videos"), ERROR_SUCCESS);
        key.SetString("film.avi", "12.50");
        ASSERT_EQ(key.Create(HKEY_LOCAL_MACHINE, kOldProduct + "\\Videos\\Deeper"), ERROR_SUCCESS);
    }
};

TEST_F(MigrateRegistryTest, OldProductKeyMovesToTheUserAsStrings) {
    MakeOldProductKey();
    CSettings settings(0);
    MigrateRegistry(settings);

    const std::string settingsKey = velvaro::kSettingsKey;
    // 0x2705 little-endian is 05 27 00 00: the text ends at the first zero.
    EXPECT_EQ(RawValue(HKEY_CURRENT_USER, settingsKey, "Volume"),
              std::make_pair(REG_SZ, std::string("\x05\x27\0", 3)));
    EXPECT_EQ(RawValue(HKEY_CURRENT_USER, settingsKey, "ScreenshotDirectory"),
              std::make_pair(REG_SZ, std::string("C:\\Shots\0", 9)));
    EXPECT_EQ(RawValue(HKEY_CURRENT_USER, settingsKey, "Binary"),
              std::make_pair(REG_SZ, std::string("ab\0", 3)));
    EXPECT_EQ(
        RawValue(HKEY_CURRENT_USER, std::string(velvaro::kProductKey) + "\\Videos", "film.avi"),
        std::make_pair(REG_SZ, std::string("12.50\0", 6)));
    // One level only, and values of the old key itself stay behind (and go).
    EXPECT_FALSE(
        KeyExists(HKEY_CURRENT_USER, std::string(velvaro::kProductKey) + "\\Videos\\Deeper"));
    EXPECT_EQ(RawValue(HKEY_CURRENT_USER, velvaro::kProductKey, "TopLevel").second, "<no value>");

    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kOldProduct));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, "Software\\Quellware"));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, "Software"));
}

TEST_F(MigrateRegistryTest, MakerKeyStaysWhileItHoldsOtherProducts) {
    MakeOldProductKey();
    RegKey other;
    other.Create(HKEY_LOCAL_MACHINE, "Software\\Quellware\\Other Tool");
    other.Close();
    CSettings settings(0);
    MigrateRegistry(settings);
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kOldProduct));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, "Software\\Quellware\\Other Tool"));
}

TEST_F(MigrateRegistryTest, OldAssociationFlagsGoIntoTheListAndAreSaved) {
    {
        RegKey old;
        ASSERT_EQ(old.Create(HKEY_CURRENT_USER, kOldAssociations), ERROR_SUCCESS);
        old.SetDWORD(".avi", 3);
        old.SetDWORD(".mp3", 0x0105);
        old.SetDWORD("mkv", 1);    // no dot: matches nothing
        old.SetDWORD(".XYZ", 1);   // not in the list
        old.SetDWORD(".MPEG", 1);  // the match is exact
    }
    {
        CSettings settings(1);
        MigrateRegistry(settings);
        for (const auto& entry : settings.associations) {
            if (entry.extension == "avi") {
                EXPECT_EQ(entry.flags, 3u);
            } else if (entry.extension == "mp3") {
                EXPECT_EQ(entry.flags, 5u);
            } else if (entry.extension == "mkv") {
                EXPECT_EQ(entry.flags, 2u);
            } else if (entry.extension == "mpeg") {
                EXPECT_EQ(entry.flags, 6u);
            }
        }
        // Saved at once, not only when the record goes.
        RegKey stored;
        ASSERT_EQ(stored.Open(HKEY_CURRENT_USER, velvaro::kAssociationsKey), ERROR_SUCCESS);
        DWORD avi = 0;
        EXPECT_EQ(stored.QueryDWORD("avi", &avi), ERROR_SUCCESS);
        EXPECT_EQ(avi, 3u);
        DWORD xyz = 0;
        EXPECT_EQ(stored.QueryDWORD("XYZ", &xyz), ERROR_FILE_NOT_FOUND);
    }
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kOldAssociations));
}

TEST_F(MigrateRegistryTest, OldBackupKeyIsRenamed) {
    {
        RegKey old;
        ASSERT_EQ(old.Create(HKEY_CURRENT_USER, kOldBackup), ERROR_SUCCESS);
        old.SetString("avi", "aviFile");
        old.SetString("mpg", "mpegfile");
    }
    CSettings settings(0);
    MigrateRegistry(settings);
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kOldBackup));
    EXPECT_EQ(RawValue(HKEY_CURRENT_USER, velvaro::kAssociationsBackupKey, "avi"),
              std::make_pair(REG_SZ, std::string("aviFile\0", 8)));
    EXPECT_EQ(RawValue(HKEY_CURRENT_USER, velvaro::kAssociationsBackupKey, "mpg"),
              std::make_pair(REG_SZ, std::string("mpegfile\0", 9)));
}

TEST_F(MigrateRegistryTest, SecondRunChangesNothing) {
    MakeOldProductKey();
    {
        RegKey old;
        old.Create(HKEY_CURRENT_USER, kOldBackup);
        old.SetString("avi", "aviFile");
    }
    CSettings settings(0);
    MigrateRegistry(settings);
    {
        // The user changes a migrated value; a second run must not undo it.
        RegKey backup;
        backup.Open(HKEY_CURRENT_USER, velvaro::kAssociationsBackupKey);
        backup.SetString("avi", "changed");
    }
    MigrateRegistry(settings);
    EXPECT_EQ(RawValue(HKEY_CURRENT_USER, velvaro::kAssociationsBackupKey, "avi").second,
              std::string("changed\0", 8));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kOldProduct));
}

}  // namespace
