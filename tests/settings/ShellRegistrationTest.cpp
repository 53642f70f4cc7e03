// What every start writes for the shell: Velvaro's file type, the uninstall
// entry, and the associations another program took, taken back.
#include "SettingsValues.h"
#include "TestRegistry.h"
#include "settings/FileAssociations.h"
#include "settings/RegistryKeys.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

namespace {

using namespace velvaro::test;
using Class = std::optional<std::string>;

using ShellRegistrationTest = RegistryTest;

TEST_F(ShellRegistrationTest, RegistersTheFileTypeAndTheUninstallEntryWithTheProgramsPath) {
    const std::string program = QCoreApplication::applicationFilePath().toStdString();
    Write("", std::string("stale"), {HKEY_CLASSES_ROOT, "VelvaroFile\\DefaultIcon"});
    RegisterFileType();
    std::vector<Class> type;
    for (const char* key : {"VelvaroFile", "VelvaroFile\\DefaultIcon", "VelvaroFile\\shell",
                            "VelvaroFile\\shell\\open", "VelvaroFile\\shell\\open\\command"}) {
        type.push_back(ReadString("", {HKEY_CLASSES_ROOT, key}));
    }
    EXPECT_EQ(type, (std::vector<Class>{"Vel-Varo Videofile", program, "open", "Ö&ffnen",
                                        program + " \"%1\""}));

    std::vector<Class> entry;
    for (const char* value : {"DisplayName", "DisplayVersion", "Publisher", "HelpLink",
                              "UninstallString", "DisplayIcon"}) {
        entry.push_back(ReadString(value, {HKEY_LOCAL_MACHINE, velvaro::kUninstallKey}));
    }
    EXPECT_EQ(entry, (std::vector<Class>{"Velvaro", "1.2.0.3", "Quellware", "https://velvaro.org/",
                                         program + " /uninstall", program}));
}

TEST_F(ShellRegistrationTest, RepairTakesBackOnlyOwnedExtensionsThatWereTaken) {
    const KeyPath stored{HKEY_CURRENT_USER, velvaro::kAssociationsKey};
    Write("mkv", DWORD{3}, stored);  // owned, taken by another program
    Write("avi", DWORD{2}, stored);  // not ours to own
    Write("vpp", DWORD{9}, stored);  // owned and still ours
    Write("", std::string("OtherPlayer.mkv"), {HKEY_CLASSES_ROOT, ".mkv"});
    Write("", std::string("aviFile"), {HKEY_CLASSES_ROOT, ".avi"});
    Write("", std::string("VelvaroFile"), {HKEY_CLASSES_ROOT, ".vpp"});
    RepairAssociations();
    EXPECT_EQ(
        std::vector({ReadString("", {HKEY_CLASSES_ROOT, ".mkv"}),
                     ReadString("", {HKEY_CLASSES_ROOT, ".avi"}),
                     ReadString("", {HKEY_CLASSES_ROOT, ".vpp"}),
                     ReadString("mkv", {HKEY_CURRENT_USER, velvaro::kAssociationsBackupKey})}),
        (std::vector<Class>{"velvarofile", "aviFile", "VelvaroFile", "OtherPlayer.mkv"}));
}

}  // namespace
