// A player killed while it saves its settings, after every write in turn:
// the next start finds the old settings or the new ones, never a mix, and
// never an empty association list that it would take for a first start.
#include "RunProgram.h"
#include "TestRegistry.h"
#include "settings/CSettings.h"
#include "settings/RegKey.h"
#include "settings/RegistryKeys.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <map>
#include <string>

namespace {

using namespace velvaro::test;
using Snapshot = std::map<std::string, std::string>;

// Every value of the settings and the association list, as stored.
Snapshot Read(const std::string& registry) {
    velvaro::platform::CloseRegistry();
    const ScopedEnvironment environment({{"VELVARO_REGISTRY", registry}});
    Snapshot values;
    for (const char* path : {velvaro::kSettingsKey, velvaro::kAssociationsKey}) {
        RegKey key;
        if (key.Open(HKEY_CURRENT_USER, path) == ERROR_SUCCESS) {
            key.ForEachValue([&](const std::string& name, const BYTE* data, DWORD size) {
                values[std::string(path) + "\\" + name] =
                    std::string(reinterpret_cast<const char*>(data), size);
            });
        }
    }
    velvaro::platform::CloseRegistry();
    return values;
}

TEST(SaveKill, AKillAfterAnyWriteOfTheSaveLeavesTheOldOrTheNewSettings) {
    const TestFolder folder;
    const std::string original = folder / "original.db";
    {
        velvaro::platform::CloseRegistry();
        const ScopedEnvironment environment({{"VELVARO_REGISTRY", original}});
        const auto directory = std::filesystem::current_path();
        CSettings settings(1);  // the defaults, saved when it goes
        settings.playlistDirTree = "/srv/media";
        std::filesystem::current_path(directory);
    }
    const Snapshot before = Read(original);
    ASSERT_GT(before.size(), 40u);

    std::map<int, Snapshot> killed;
    Snapshot after;
    for (int write = 1; write < 200 && after.empty() && !testing::Test::HasFailure(); ++write) {
        const std::string copy = folder / ("after-" + std::to_string(write) + ".db");
        std::filesystem::copy_file(original, copy);
        Child saver({{"VELVARO_REGISTRY", copy}});
        ASSERT_TRUE(saver.Start(SETTINGS_SAVER, {std::to_string(write)}));
        ASSERT_TRUE(saver.WaitForExit(20000));
        if (saver.exitStatus() == QProcess::NormalExit) {
            ASSERT_EQ(saver.exitCode(), 0);
            after = Read(copy);
        } else {
            killed[write] = Read(copy);
        }
    }
    ASSERT_FALSE(after.empty()) << "the save never ended";
    ASSERT_NE(after, before);
    // Every value the save writes was a kill point.
    EXPECT_GE(killed.size(), after.size());
    for (const auto& [write, found] : killed) {
        EXPECT_TRUE(found == before || found == after) << "killed after write " << write;
    }
}

}  // namespace
