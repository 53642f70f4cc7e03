// Where the store's file lives and what happens when that file is unusable:
// the program must start anyway, with its defaults.
#include "RegistryCalls.h"
#include "TestRegistry.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace {

using namespace velvaro::test;
namespace fs = std::filesystem;

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteAll(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// Runs with VELVARO_REGISTRY unset; puts back every variable it touches.
class RegistryPath : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"VELVARO_REGISTRY", "XDG_CONFIG_HOME", "HOME"}) {
            const char* value = std::getenv(name);
            saved_.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
        }
        unsetenv("VELVARO_REGISTRY");
        velvaro::platform::CloseRegistry();
    }
    void TearDown() override {
        velvaro::platform::CloseRegistry();
        for (const auto& [name, value] : saved_) {
            if (value) {
                setenv(name.c_str(), value->c_str(), 1);
            } else {
                unsetenv(name.c_str());
            }
        }
    }

    // Writes through the registry calls and reads the value back from a reopened store.
    void ExpectStoreAt(const std::string& expected) {
        EXPECT_EQ(velvaro::platform::RegistryPath(), expected);
        EXPECT_FALSE(fs::exists(expected));
        ASSERT_EQ(SetDword(Create(HKEY_CURRENT_USER, "Velvaro"), "Volume", 64), ERROR_SUCCESS);
        EXPECT_TRUE(fs::is_regular_file(expected));
        velvaro::platform::CloseRegistry();
        HKEY key = 0;
        ASSERT_EQ(Open(HKEY_CURRENT_USER, "Velvaro", &key), ERROR_SUCCESS);
        EXPECT_EQ(AsDword(Get(key, "Volume")), 64u);
    }

    TestFolder folder_;

private:
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

TEST_F(RegistryPath, VelvaroRegistryWins) {
    setenv("XDG_CONFIG_HOME", folder_.path().c_str(), 1);
    setenv("VELVARO_REGISTRY", (folder_ / "elsewhere.db").c_str(), 1);
    ExpectStoreAt(folder_ / "elsewhere.db");
}

TEST_F(RegistryPath, FollowsXdgConfigHomeAndMakesTheFolder) {
    setenv("XDG_CONFIG_HOME", (folder_ / "config").c_str(), 1);
    setenv("HOME", (folder_ / "home").c_str(), 1);
    ExpectStoreAt(folder_ / "config/velvaro/registry.db");
}

TEST_F(RegistryPath, WithoutXdgConfigHomeUsesHomeConfig) {
    unsetenv("XDG_CONFIG_HOME");
    setenv("HOME", folder_.path().c_str(), 1);
    ExpectStoreAt(folder_ / ".config/velvaro/registry.db");
}

TEST_F(RegistryPath, EmptyOrRelativeXdgConfigHomeIsIgnored) {
    setenv("HOME", folder_.path().c_str(), 1);
    for (const char* value : {"", "relative/config"}) {
        setenv("XDG_CONFIG_HOME", value, 1);
        EXPECT_EQ(velvaro::platform::RegistryPath(), folder_ / ".config/velvaro/registry.db")
            << '"' << value << '"';
    }
}

class RegistryDamage : public RegistryTest {
protected:
    std::string BrokenPath() const { return registryPath() + ".broken"; }

    // A real store of a few hundred pages, closed so that all of it is in the main
    // file. The keys come first, so the later pages hold only values.
    std::string BuildStore() {
        for (int i = 0; i < 10; ++i) {
            Create(HKEY_CURRENT_USER, "Velvaro\\Key" + std::to_string(i));
        }
        HKEY bulk = Create(HKEY_CURRENT_USER, "Velvaro\\Bulk");
        for (int i = 0; i < 400; ++i) {
            EXPECT_EQ(Set(bulk, "Value" + std::to_string(i), REG_SZ, Sz(std::string(200, 'v'))),
                      ERROR_SUCCESS);
        }
        velvaro::platform::CloseRegistry();
        EXPECT_FALSE(fs::exists(registryPath() + "-wal"));
        return ReadAll(registryPath());
    }

    // The file now at the path must be moved aside with one line of explanation,
    // and a fresh store must take its place.
    void ExpectMovedAside(const std::string& original) {
        testing::internal::CaptureStderr();
        HKEY key = 0;
        const LONG created = RegCreateKeyEx(HKEY_CURRENT_USER, "Velvaro", KEY_ALL_ACCESS, &key);
        const LONG set = SetDword(key, "Fresh", 1);
        const std::string printed = testing::internal::GetCapturedStderr();

        EXPECT_EQ(created, ERROR_SUCCESS);
        EXPECT_EQ(set, ERROR_SUCCESS);
        EXPECT_EQ(std::count(printed.begin(), printed.end(), '\n'), 1) << printed;
        EXPECT_TRUE(printed.ends_with('\n')) << printed;
        EXPECT_TRUE(fs::exists(BrokenPath()));
        EXPECT_TRUE(ReadAll(BrokenPath()) == original) << "the damaged file was not kept as it was";
        EXPECT_TRUE(SubkeyNames(key).empty());
        EXPECT_EQ(AsDword(Get(key, "Fresh")), 1u);

        // The new store is sound: reopening it is quiet and keeps what was written.
        velvaro::platform::CloseRegistry();
        testing::internal::CaptureStderr();
        const LONG opened = Open(HKEY_CURRENT_USER, "Velvaro", &key);
        const Value fresh = Get(key, "Fresh");
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
        EXPECT_EQ(opened, ERROR_SUCCESS);
        EXPECT_EQ(fresh.status, ERROR_SUCCESS);
    }
};

TEST_F(RegistryDamage, TextFileIsMovedAside) {
    std::string text;
    while (text.size() < 8192) {
        text += "This is not a database, only some text in its place.\n";
    }
    text.resize(8192);
    WriteAll(registryPath(), text);
    ExpectMovedAside(text);
}

TEST_F(RegistryDamage, GarbageInTheMiddlePagesIsNoticed) {
    std::string bytes = BuildStore();
    ASSERT_GT(bytes.size(), 64u * 1024);
    // The header and the keys stay intact, so only a look at every page can tell.
    for (size_t i = bytes.size() / 2; i < bytes.size() * 3 / 4; ++i) {
        bytes[i] = "garbage!"[i % 8];
    }
    WriteAll(registryPath(), bytes);
    ExpectMovedAside(bytes);
}

TEST_F(RegistryDamage, TruncatedStoreIsNoticed) {
    std::string bytes = BuildStore();
    ASSERT_GT(bytes.size(), 64u * 1024);
    bytes.resize(bytes.size() / 2);
    WriteAll(registryPath(), bytes);
    ExpectMovedAside(bytes);
}

TEST_F(RegistryDamage, FolderThatCannotBeMadeGivesQuietFailures) {
    // Root may write anywhere, so a regular file in the way stands in for a locked folder.
    const std::string blocker = folder() / "afile";
    WriteAll(blocker, "in the way\n");
    const std::string path = blocker + "/registry.db";
    setenv("VELVARO_REGISTRY", path.c_str(), 1);

    testing::internal::CaptureStderr();
    HKEY key = 0;
    const LONG created = RegCreateKeyEx(HKEY_CURRENT_USER, "Velvaro", KEY_ALL_ACCESS, &key);
    const LONG opened = RegOpenKeyEx(HKEY_CURRENT_USER, "Velvaro", KEY_READ, &key);
    const LONG set = SetDword(HKEY_CURRENT_USER, "Volume", 1);
    DWORD size = 0;
    const LONG queried = RegQueryValueEx(HKEY_CURRENT_USER, "Volume", nullptr, nullptr, &size);
    const std::string printed = testing::internal::GetCapturedStderr();

    EXPECT_NE(created, ERROR_SUCCESS);
    EXPECT_NE(opened, ERROR_SUCCESS);
    EXPECT_NE(set, ERROR_SUCCESS);
    EXPECT_NE(queried, ERROR_SUCCESS);
    EXPECT_EQ(printed, "");
    EXPECT_EQ(ReadAll(blocker), "in the way\n");
    EXPECT_FALSE(fs::exists(blocker + ".broken"));
}

}  // namespace
