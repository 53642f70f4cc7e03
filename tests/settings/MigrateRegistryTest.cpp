// Moving the settings of the old product's keys into today's.
#include "SettingsValues.h"
#include "TestRegistry.h"
#include "settings/CSettings.h"
#include "settings/MigrateRegistry.h"

#include <gtest/gtest.h>

#include <map>

namespace {

using namespace velvaro::test;

const std::string kOldProduct = "Software\\Quellware\\Vel-Varo 2000";
const std::string kOldAssociations = "Software\\Quellware\\Vel-Varo\\File Associations";
const std::string kOldBackup = "Software\\Quellware\\Vel-Varo\\File Association Backup";
const KeyPath kBackup = {HKEY_CURRENT_USER, velvaro::kAssociationsBackupKey};

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

class MigrateRegistryTest : public RegistryTest {
protected:
    static void MakeOldProductKey() {
        Write("TopLevel", std::string("not copied"), {HKEY_LOCAL_MACHINE, kOldProduct});
        const KeyPath settings = {HKEY_LOCAL_MACHINE, kOldProduct + "\\Settings"};
        Write("Volume", 0x2705, settings);
        Write("ScreenshotDirectory", std::string("C:\\Shots"), settings);
        RegKey key;
        key.Open(settings.root, settings.path);
        const BYTE binary[] = {'a', 'b', 0, 'c'};
        RegSetValueEx(key.Handle(), "Binary", REG_BINARY, binary, sizeof binary);
        Write("film.avi", std::string("12.50"), {HKEY_LOCAL_MACHINE, kOldProduct + "\\Videos"});
        Write("", 0, {HKEY_LOCAL_MACHINE, kOldProduct + "\\Videos\\Deeper"});
    }
};

TEST_F(MigrateRegistryTest, OldProductKeyMovesToTheUserAsStringsOneLevelDeep) {
    MakeOldProductKey();
    CSettings settings(0);
    MigrateRegistry(settings);
    const KeyPath now = {HKEY_CURRENT_USER, velvaro::kSettingsKey};
    // 0x2705 little-endian is 05 27 00 00: the text ends at the first zero.
    EXPECT_EQ(RawValue(now, "Volume"), Sz("\x05\x27"));
    EXPECT_EQ(RawValue(now, "ScreenshotDirectory"), Sz("C:\\Shots"));
    EXPECT_EQ(RawValue(now, "Binary"), Sz("ab"));
    const std::string product = velvaro::kProductKey;
    EXPECT_EQ(RawValue({HKEY_CURRENT_USER, product + "\\Videos"}, "film.avi"), Sz("12.50"));
    // One level only, and values of the old key itself stay behind (and go).
    EXPECT_FALSE(KeyExists({HKEY_CURRENT_USER, product + "\\Videos\\Deeper"}));
    EXPECT_EQ(RawValue({HKEY_CURRENT_USER, product}, "TopLevel").second, "<none>");
    EXPECT_FALSE(KeyExists({HKEY_LOCAL_MACHINE, kOldProduct}));
    EXPECT_FALSE(KeyExists({HKEY_LOCAL_MACHINE, "Software\\Quellware"}));
    EXPECT_TRUE(KeyExists({HKEY_LOCAL_MACHINE, "Software"}));
}

TEST_F(MigrateRegistryTest, OldAssociationFlagsGoIntoTheListAndAreSaved) {
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
        const KeyPath stored = {HKEY_CURRENT_USER, velvaro::kAssociationsKey};
        EXPECT_EQ(ReadDword("avi", stored), 3u);
        EXPECT_EQ(ReadDword("XYZ", stored), std::nullopt);
    }
    EXPECT_FALSE(KeyExists(old));
}

// The maker's key stays while it holds other products.
TEST_F(MigrateRegistryTest, OldBackupKeyIsRenamedOnceAndASecondRunChangesNothing) {
    MakeOldProductKey();
    Write("", 0, {HKEY_LOCAL_MACHINE, "Software\\Quellware\\Other Tool"});
    Write("avi", std::string("aviFile"), {HKEY_CURRENT_USER, kOldBackup});
    Write("mpg", std::string("mpegfile"), {HKEY_CURRENT_USER, kOldBackup});
    CSettings settings(0);
    MigrateRegistry(settings);
    EXPECT_FALSE(KeyExists({HKEY_CURRENT_USER, kOldBackup}));
    EXPECT_EQ(RawValue(kBackup, "avi"), Sz("aviFile"));
    EXPECT_EQ(RawValue(kBackup, "mpg"), Sz("mpegfile"));
    // The user changes a migrated value; a second run must not undo it.
    Write("avi", std::string("changed"), kBackup);
    MigrateRegistry(settings);
    EXPECT_EQ(RawValue(kBackup, "avi"), Sz("changed"));
    EXPECT_FALSE(KeyExists({HKEY_LOCAL_MACHINE, kOldProduct}));
    EXPECT_TRUE(KeyExists({HKEY_LOCAL_MACHINE, "Software\\Quellware\\Other Tool"}));
}

}  // namespace
