#include "TestRegistry.h"
#include "settings/CSettings.h"
#include "settings/FileAssociations.h"
#include "settings/RegKey.h"
#include "settings/RegistryKeys.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>

using velvaro::kAssociationsBackupKey;

namespace {

class AssociationsTest : public velvaro::test::RegistryTest {
protected:
    static void SetShellClass(const std::string& extension, const std::string& shellClass) {
        RegKey key;
        ASSERT_EQ(key.Create(HKEY_CLASSES_ROOT, "." + extension), ERROR_SUCCESS);
        ASSERT_EQ(key.SetString("", shellClass), ERROR_SUCCESS);
    }
    // The default value of .extension; nullopt when it is missing.
    static std::optional<std::string> ShellClass(const std::string& extension) {
        RegKey key;
        std::string value;
        if (key.Open(HKEY_CLASSES_ROOT, "." + extension) != ERROR_SUCCESS ||
            key.QueryString("", &value, 1000) != ERROR_SUCCESS) {
            return std::nullopt;
        }
        return value;
    }
    static bool ShellKeyExists(const std::string& extension) {
        RegKey key;
        return key.Open(HKEY_CLASSES_ROOT, "." + extension) == ERROR_SUCCESS;
    }
    static std::optional<std::string> Backup(const std::string& extension) {
        RegKey key;
        std::string value;
        if (key.Open(HKEY_CURRENT_USER, kAssociationsBackupKey) != ERROR_SUCCESS ||
            key.QueryString(extension, &value, 1000) != ERROR_SUCCESS) {
            return std::nullopt;
        }
        return value;
    }

    static const FileAssociationEntry* Find(const CSettings& settings,
                                            const std::string& extension) {
        for (const auto& entry : settings.associations) {
            if (entry.extension == extension) {
                return &entry;
            }
        }
        return nullptr;
    }
};

TEST_F(AssociationsTest, AssociatingBacksUpTheOwnerAndReleasingGivesItBack) {
    SetShellClass("avi", "aviFile");
    EXPECT_FALSE(IsExtensionAssociated("avi"));

    AssociateExtension("avi");
    EXPECT_EQ(ShellClass("avi"), "velvarofile");
    EXPECT_EQ(Backup("avi"), "aviFile");
    EXPECT_TRUE(IsExtensionAssociated("avi"));

    // A second association must not back up our own class.
    AssociateExtension("avi");
    EXPECT_EQ(Backup("avi"), "aviFile");

    UnassociateExtension("avi");
    EXPECT_EQ(ShellClass("avi"), "aviFile");
    EXPECT_EQ(Backup("avi"), std::nullopt);
    EXPECT_FALSE(IsExtensionAssociated("avi"));
}

TEST_F(AssociationsTest, AnExtensionWithoutShellKeyIsCreatedAndLaterEmptied) {
    EXPECT_FALSE(IsExtensionAssociated("ogm"));
    AssociateExtension("ogm");
    EXPECT_EQ(ShellClass("ogm"), "velvarofile");
    EXPECT_EQ(Backup("ogm"), std::nullopt);

    UnassociateExtension("ogm");
    EXPECT_TRUE(ShellKeyExists("ogm"));
    EXPECT_EQ(ShellClass("ogm"), std::nullopt);
}

TEST_F(AssociationsTest, OurClassCountsInAnyLetterCase) {
    SetShellClass("avi", "VelvaroFile");
    EXPECT_TRUE(IsExtensionAssociated("avi"));
    SetShellClass("avi", "VELVAROFILE ");
    EXPECT_FALSE(IsExtensionAssociated("avi"));
}

TEST_F(AssociationsTest, ReleasingLeavesOtherProgramsAlone) {
    SetShellClass("mkv", "OtherPlayer.mkv");
    {
        RegKey backup;
        backup.Create(HKEY_CURRENT_USER, kAssociationsBackupKey);
        backup.SetString("mkv", "Older.mkv");
    }
    UnassociateExtension("mkv");
    EXPECT_EQ(ShellClass("mkv"), "OtherPlayer.mkv");
    EXPECT_EQ(Backup("mkv"), "Older.mkv");
    UnassociateExtension("never-registered");
    EXPECT_FALSE(ShellKeyExists("never-registered"));
}

TEST_F(AssociationsTest, ReleasingWithoutBackupKeyEmptiesTheClass) {
    SetShellClass("wav", "velvarofile");
    UnassociateExtension("wav");
    EXPECT_TRUE(ShellKeyExists("wav"));
    EXPECT_EQ(ShellClass("wav"), std::nullopt);
}

TEST_F(AssociationsTest, DefaultListHasEveryExtensionOnceInItsClasses) {
    CSettings settings(0);
    settings.AddFileAssociation("zzz", 2);
    settings.BuildDefaultAssociations();
    EXPECT_EQ(Find(settings, "zzz"), nullptr);
    const auto count = [&](unsigned flags) {
        return std::count_if(settings.associations.begin(), settings.associations.end(),
                             [flags](const auto& entry) { return entry.flags == flags; });
    };
    EXPECT_EQ(count(6), 5);
    EXPECT_EQ(count(2), 9);
    EXPECT_EQ(count(4), 16);
    EXPECT_EQ(count(9), 1);
    EXPECT_EQ(settings.associations.front().extension, "vpp");
    ASSERT_NE(Find(settings, "mkv"), nullptr);
    EXPECT_EQ(Find(settings, "mkv")->flags, 2u);
    EXPECT_EQ(Find(settings, "mpeg")->flags, 6u);
}

TEST_F(AssociationsTest, RemovingTheLastClassDropsTheEntry) {
    CSettings settings(0);
    settings.BuildDefaultAssociations();
    settings.AddFileAssociation("mp3", ASSOC_ASSOCIATED);  // mp3 becomes 5

    settings.RemoveFileAssociation(Find(settings, "mpeg"), ASSOC_VIDEO);
    ASSERT_NE(Find(settings, "mpeg"), nullptr);
    EXPECT_EQ(Find(settings, "mpeg")->flags, 4u);

    settings.RemoveFileAssociation(Find(settings, "mp3"), ASSOC_AUDIO);
    EXPECT_EQ(Find(settings, "mp3"), nullptr);

    settings.RemoveFileAssociation(Find(settings, "wav"), ASSOC_AUDIO);
    EXPECT_EQ(Find(settings, "wav"), nullptr);
    EXPECT_EQ(std::distance(settings.associations.begin(), settings.associations.end()), 29);
}

TEST_F(AssociationsTest, AssociateAllTouchesOnlyTheClassOfThePage) {
    CSettings settings(0);
    settings.BuildDefaultAssociations();
    settings.SetAssociatedByMask(ASSOC_AUDIO, 1);
    EXPECT_EQ(Find(settings, "mp3")->flags, 5u);
    EXPECT_EQ(Find(settings, "mpeg")->flags, 7u);
    EXPECT_EQ(Find(settings, "avi")->flags, 2u);
    EXPECT_EQ(Find(settings, "vpp")->flags, 9u);

    settings.SetAssociatedByMask(ASSOC_VIDEO, 0);
    EXPECT_EQ(Find(settings, "mpeg")->flags, 6u);
    EXPECT_EQ(Find(settings, "mp3")->flags, 5u);
}

TEST_F(AssociationsTest, ApplyingTheListAssociatesAndReleases) {
    SetShellClass("avi", "velvarofile");
    SetShellClass("mkv", "mkvFile");
    {
        RegKey backup;
        backup.Create(HKEY_CURRENT_USER, kAssociationsBackupKey);
        backup.SetString("avi", "aviFile");
    }
    CSettings settings(0);
    settings.AddFileAssociation("avi", ASSOC_VIDEO);
    settings.AddFileAssociation("mkv", ASSOC_VIDEO | ASSOC_ASSOCIATED);
    settings.ApplyAssociations();
    EXPECT_EQ(ShellClass("avi"), "aviFile");
    EXPECT_EQ(ShellClass("mkv"), "velvarofile");
    EXPECT_EQ(Backup("mkv"), "mkvFile");
    EXPECT_EQ(Backup("avi"), std::nullopt);
}

TEST_F(AssociationsTest, FirstStartAppliesTheBuiltInList) {
    SetShellClass("avi", "velvarofile");
    SetShellClass("mp3", "mp3File");
    { CSettings settings(1); }
    EXPECT_EQ(ShellClass("vpp"), "velvarofile");
    EXPECT_EQ(ShellClass("avi"), std::nullopt);
    EXPECT_EQ(ShellClass("mp3"), "mp3File");

    // With a stored list, later starts leave the shell alone.
    SetShellClass("avi", "velvarofile");
    { CSettings settings(1); }
    EXPECT_EQ(ShellClass("avi"), "velvarofile");
}

}  // namespace
