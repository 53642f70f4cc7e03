// File associations on the HKEY_CLASSES_ROOT hive of a real registry file,
// and the record's list of extensions and their classes.
#include "SettingsValues.h"
#include "TestRegistry.h"
#include "settings/CSettings.h"
#include "settings/FileAssociations.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

namespace {

using namespace velvaro::test;
using velvaro::kAssociationsBackupKey;
using Class = std::optional<std::string>;

class AssociationsTest : public RegistryTest {
protected:
    static void SetShellClass(const std::string& extension, const std::string& shellClass) {
        Write("", shellClass, {HKEY_CLASSES_ROOT, "." + extension});
    }
    static Class ShellClass(const std::string& extension) {
        return ReadString("", {HKEY_CLASSES_ROOT, "." + extension});
    }
    static Class Backup(const std::string& extension) {
        return ReadString(extension, {HKEY_CURRENT_USER, kAssociationsBackupKey});
    }
    static unsigned Flags(const CSettings& settings, const std::string& extension) {
        const auto found =
            std::find_if(settings.associations.begin(), settings.associations.end(),
                         [&](const auto& entry) { return entry.extension == extension; });
        return found == settings.associations.end() ? 0 : found->flags;
    }
};

TEST_F(AssociationsTest, AssociatingBacksUpTheOwnerAndReleasingGivesItBack) {
    SetShellClass("avi", "aviFile");
    EXPECT_FALSE(IsExtensionAssociated("avi"));
    AssociateExtension("avi");
    AssociateExtension("avi");  // must not back up our own class
    EXPECT_EQ(ShellClass("avi"), "velvarofile");
    EXPECT_EQ(Backup("avi"), "aviFile");
    EXPECT_TRUE(IsExtensionAssociated("avi"));
    UnassociateExtension("avi");
    EXPECT_EQ(ShellClass("avi"), "aviFile");
    EXPECT_EQ(Backup("avi"), std::nullopt);
    EXPECT_FALSE(IsExtensionAssociated("avi"));

    // Without a shell key one is made, and releasing empties it.
    AssociateExtension("ogm");
    EXPECT_EQ(std::pair(ShellClass("ogm"), Backup("ogm")),
              std::pair(Class("velvarofile"), Class()));
    UnassociateExtension("ogm");
    EXPECT_TRUE(KeyExists({HKEY_CLASSES_ROOT, ".ogm"}));
    EXPECT_EQ(ShellClass("ogm"), std::nullopt);
    // Our class counts in any letter case, but only exactly.
    SetShellClass("avi", "VelvaroFile");
    EXPECT_TRUE(IsExtensionAssociated("avi"));
    SetShellClass("avi", "VELVAROFILE ");
    EXPECT_FALSE(IsExtensionAssociated("avi"));
}

TEST_F(AssociationsTest, ReleasingLeavesOtherProgramsAloneAndWithoutBackupEmptiesTheClass) {
    SetShellClass("mkv", "OtherPlayer.mkv");
    Write("mkv", std::string("Older.mkv"), {HKEY_CURRENT_USER, kAssociationsBackupKey});
    SetShellClass("wav", "velvarofile");
    UnassociateExtension("mkv");
    UnassociateExtension("wav");
    UnassociateExtension("never-registered");
    EXPECT_EQ(std::pair(ShellClass("mkv"), Backup("mkv")),
              std::pair(Class("OtherPlayer.mkv"), Class("Older.mkv")));
    EXPECT_TRUE(KeyExists({HKEY_CLASSES_ROOT, ".wav"}));
    EXPECT_EQ(ShellClass("wav"), std::nullopt);
    EXPECT_FALSE(KeyExists({HKEY_CLASSES_ROOT, ".never-registered"}));
}

TEST_F(AssociationsTest, ClassesComeAndGoByPageAndTheLastOneTakesTheEntry) {
    CSettings settings(0);
    settings.BuildDefaultAssociations();
    settings.AddFileAssociation("mp3", ASSOC_ASSOCIATED);  // mp3 becomes 5
    settings.SetAssociatedByMask(ASSOC_AUDIO, 1);
    EXPECT_EQ(std::vector({Flags(settings, "mp3"), Flags(settings, "mpeg"), Flags(settings, "avi"),
                           Flags(settings, "vpp")}),
              (std::vector{5u, 7u, 2u, 9u}));
    settings.SetAssociatedByMask(ASSOC_VIDEO, 0);
    EXPECT_EQ(std::pair(Flags(settings, "mpeg"), Flags(settings, "mp3")), std::pair(6u, 5u));

    const auto remove = [&](const char* extension, unsigned flag) {
        for (auto& entry : settings.associations) {
            if (entry.extension == extension) {
                return settings.RemoveFileAssociation(&entry, flag);
            }
        }
    };
    remove("mpeg", ASSOC_VIDEO);
    remove("mp3", ASSOC_AUDIO);
    remove("wav", ASSOC_AUDIO);
    EXPECT_EQ(
        std::vector({Flags(settings, "mpeg"), Flags(settings, "mp3"), Flags(settings, "wav")}),
        (std::vector{4u, 0u, 0u}));
    EXPECT_EQ(std::distance(settings.associations.begin(), settings.associations.end()), 50);
}

TEST_F(AssociationsTest, TheDefaultListIsTheDefinedOneFollowedByTodaysFormatsUnassociated) {
    CSettings settings(0);
    settings.AddFileAssociation("xyz", ASSOC_VIDEO);
    settings.BuildDefaultAssociations();
    std::vector<std::pair<std::string, unsigned>> entries;
    for (const auto& entry : settings.associations) {
        entries.emplace_back(entry.extension, entry.flags);
    }
    const std::vector<std::pair<std::string, unsigned>> expected = {
        {"vpp", 9}, {"midi", 4}, {"rmi", 4},  {"mid", 4},  {"aiff", 4}, {"aifc", 4}, {"aif", 4},
        {"au", 4},  {"snd", 4},  {"wma", 4},  {"mpa", 4},  {"mp3", 4},  {"mp2", 4},  {"mp1", 4},
        {"mka", 4}, {"ac3", 4},  {"wav", 4},  {"dat", 2},  {"vob", 2},  {"m2v", 2},  {"m1v", 2},
        {"wmd", 2}, {"wmv", 2},  {"mkv", 2},  {"divx", 2}, {"avi", 2},  {"wm", 6},   {"mpe", 6},
        {"mpg", 6}, {"mpeg", 6}, {"ogm", 6},  {"mp4", 2},  {"m4v", 2},  {"mov", 2},  {"webm", 2},
        {"ts", 2},  {"m2ts", 2}, {"mts", 2},  {"3gp", 2},  {"flv", 2},  {"ogv", 2},  {"flac", 4},
        {"ogg", 4}, {"oga", 4},  {"opus", 4}, {"m4a", 4},  {"aac", 4},  {"wv", 4},   {"ape", 4},
        {"m3u", 8}, {"m3u8", 8}, {"pls", 8}};
    EXPECT_EQ(entries, expected);
}

TEST_F(AssociationsTest, ApplyingTheListAssociatesAndReleasesAndTheFirstStartAppliesTheBuiltIn) {
    SetShellClass("avi", "velvarofile");
    SetShellClass("mkv", "mkvFile");
    Write("avi", std::string("aviFile"), {HKEY_CURRENT_USER, kAssociationsBackupKey});
    CSettings settings(0);
    settings.AddFileAssociation("avi", ASSOC_VIDEO);
    settings.AddFileAssociation("mkv", ASSOC_VIDEO | ASSOC_ASSOCIATED);
    settings.ApplyAssociations();
    EXPECT_EQ(std::vector({ShellClass("avi"), ShellClass("mkv"), Backup("mkv"), Backup("avi")}),
              (std::vector<Class>{"aviFile", "velvarofile", "mkvFile", std::nullopt}));

    SetShellClass("avi", "velvarofile");
    SetShellClass("mp3", "mp3File");
    { CSettings first(1); }
    EXPECT_EQ(std::vector({ShellClass("vpp"), ShellClass("avi"), ShellClass("mp3")}),
              (std::vector<Class>{"velvarofile", std::nullopt, "mp3File"}));
    // With a stored list, later starts leave the shell alone.
    SetShellClass("avi", "velvarofile");
    { CSettings later(1); }
    EXPECT_EQ(ShellClass("avi"), "velvarofile");
}

}  // namespace
