// File associations on the HKEY_CLASSES_ROOT hive of a real registry file,
// the record's list of extensions and their classes, and what every start
// writes for the shell.
#include "SettingsValues.h"
#include "TestRegistry.h"
#include "settings/CSettings.h"
#include "settings/FileAssociations.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

#include <algorithm>
#include <string>
#include <tuple>
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
    // Shell class, backup, and whether we count as associated.
    const auto state = [](const std::string& extension) {
        return std::tuple(ShellClass(extension), Backup(extension),
                          IsExtensionAssociated(extension));
    };
    SetShellClass("avi", "aviFile");
    EXPECT_EQ(state("avi"), std::tuple(Class("aviFile"), Class(), false));
    AssociateExtension("avi");
    AssociateExtension("avi");  // must not back up our own class
    EXPECT_EQ(state("avi"), std::tuple(Class("velvarofile"), Class("aviFile"), true));
    UnassociateExtension("avi");
    EXPECT_EQ(state("avi"), std::tuple(Class("aviFile"), Class(), false));
    // Without a shell key one is made, and releasing empties it.
    AssociateExtension("ogm");
    EXPECT_EQ(state("ogm"), std::tuple(Class("velvarofile"), Class(), true));
    UnassociateExtension("ogm");
    EXPECT_TRUE(KeyExists({HKEY_CLASSES_ROOT, ".ogm"}));
    EXPECT_EQ(ShellClass("ogm"), std::nullopt);
    // Another program's class and its backup stay; no key is made.
    SetShellClass("mkv", "OtherPlayer.mkv");
    Write("mkv", std::string("Older.mkv"), {HKEY_CURRENT_USER, kAssociationsBackupKey});
    UnassociateExtension("mkv");
    UnassociateExtension("never-registered");
    EXPECT_EQ(state("mkv"), std::tuple(Class("OtherPlayer.mkv"), Class("Older.mkv"), false));
    EXPECT_FALSE(KeyExists({HKEY_CLASSES_ROOT, ".never-registered"}));
    // Our class counts in any letter case, but only exactly.
    SetShellClass("avi", "VelvaroFile");
    EXPECT_TRUE(IsExtensionAssociated("avi"));
    SetShellClass("avi", "VELVAROFILE ");
    EXPECT_FALSE(IsExtensionAssociated("avi"));
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

// The defined list, then today's formats on their pages but not associated.
TEST_F(AssociationsTest, TheDefaultListIsTheDefinedOneFollowedByTodaysFormatsUnassociated) {
    CSettings settings(0);
    settings.AddFileAssociation("xyz", ASSOC_VIDEO);
    settings.BuildDefaultAssociations();
    std::string list;
    for (const auto& entry : settings.associations) {
        list += entry.extension + '=' + std::to_string(entry.flags) + ' ';
    }
    EXPECT_EQ(list,
              "vpp=9 midi=4 rmi=4 mid=4 aiff=4 aifc=4 aif=4 au=4 snd=4 wma=4 mpa=4 mp3=4 mp2=4 "
              "mp1=4 mka=4 ac3=4 wav=4 dat=2 vob=2 m2v=2 m1v=2 wmd=2 wmv=2 mkv=2 divx=2 avi=2 "
              "wm=6 mpe=6 mpg=6 mpeg=6 ogm=6 mp4=2 m4v=2 mov=2 webm=2 ts=2 m2ts=2 mts=2 3gp=2 "
              "flv=2 ogv=2 flac=4 ogg=4 oga=4 opus=4 m4a=4 aac=4 wv=4 ape=4 m3u=8 m3u8=8 pls=8 ");
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

TEST_F(AssociationsTest, RepairTakesBackOnlyOwnedExtensionsThatWereTaken) {
    const KeyPath stored{HKEY_CURRENT_USER, velvaro::kAssociationsKey};
    Write("mkv", DWORD{3}, stored);  // owned, taken by another program
    Write("avi", DWORD{2}, stored);  // not ours to own
    Write("vpp", DWORD{9}, stored);  // owned and still ours
    SetShellClass("mkv", "OtherPlayer.mkv");
    SetShellClass("avi", "aviFile");
    SetShellClass("vpp", "VelvaroFile");
    RepairAssociations();
    EXPECT_EQ(std::vector({ShellClass("mkv"), ShellClass("avi"), ShellClass("vpp"), Backup("mkv")}),
              (std::vector<Class>{"velvarofile", "aviFile", "VelvaroFile", "OtherPlayer.mkv"}));
}

// The shell opens files and the uninstall entry runs the program by its path.
TEST_F(AssociationsTest, RegistersTheFileTypeAndTheUninstallEntryWithTheProgramsPath) {
    const std::string program = QCoreApplication::applicationFilePath().toStdString();
    Write("", std::string("stale"), {HKEY_CLASSES_ROOT, "VelvaroFile\\DefaultIcon"});
    RegisterFileType();
    const KeyPath uninstall = {HKEY_LOCAL_MACHINE, velvaro::kUninstallKey};
    EXPECT_EQ(std::vector({ReadString("", {HKEY_CLASSES_ROOT, "VelvaroFile\\shell\\open\\command"}),
                           ReadString("", {HKEY_CLASSES_ROOT, "VelvaroFile\\DefaultIcon"}),
                           ReadString("UninstallString", uninstall),
                           ReadString("DisplayIcon", uninstall)}),
              (std::vector<Class>{program + " \"%1\"", program, program + " /uninstall", program}));
}

}  // namespace
