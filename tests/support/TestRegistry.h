// Gives each test its own registry database in its own temporary folder.
#pragma once

#include "platform/Registry.h"

#include <gtest/gtest.h>

#include <sys/types.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace velvaro::test {

class TestFolder {
public:
    TestFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "velvaro-test-XXXXXX");
        if (!mkdtemp(pattern.data())) {
            ADD_FAILURE() << "cannot make a temporary folder";
        }
        path_ = pattern;
    }
    ~TestFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TestFolder(const TestFolder&) = delete;
    TestFolder& operator=(const TestFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

// Environment variables set for a while; the earlier values come back at the
// end. A value of nullopt unsets the variable.
class ScopedEnvironment {
public:
    using Values = std::vector<std::pair<std::string, std::optional<std::string>>>;
    explicit ScopedEnvironment(const Values& values = {}) {
        for (const auto& [name, value] : values) {
            Set(name, value);
        }
    }
    ~ScopedEnvironment() {
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
            Apply(it->first, it->second);
        }
    }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

    void Set(const std::string& name, const std::optional<std::string>& value) {
        const char* previous = std::getenv(name.c_str());
        saved_.emplace_back(name, previous ? std::optional<std::string>(previous) : std::nullopt);
        Apply(name, value);
    }

private:
    static void Apply(const std::string& name, const std::optional<std::string>& value) {
        value ? setenv(name.c_str(), value->c_str(), 1) : unsetenv(name.c_str());
    }
    Values saved_;
};

// A fixture whose registry is a fresh database file of its own.
class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Loading settings moves the working directory; the next test gets it back.
        startDirectory_ = std::filesystem::current_path();
        velvaro::platform::CloseRegistry();
        registryPath_ = folder_ / "registry.db";
        setenv("VELVARO_REGISTRY", registryPath_.c_str(), 1);
    }
    void TearDown() override {
        velvaro::platform::CloseRegistry();
        std::filesystem::current_path(startDirectory_);
    }

    const std::string& registryPath() const { return registryPath_; }
    const TestFolder& folder() const { return folder_; }

private:
    TestFolder folder_;
    std::string registryPath_;
    std::filesystem::path startDirectory_;
};

// A folder the user may read but not write, for a while, with its files
// too when `files`. Root writes anywhere, so as root the folder is given to
// nobody and, with `asUser`, the scope runs as nobody, the way an ordinary
// user meets it.
class ReadOnlyFolder {
public:
    static constexpr uid_t kNobody = 65534;
    ReadOnlyFolder(const std::filesystem::path& folder, bool files, bool asUser = true)
        : folder_(folder), asUser_(asUser && geteuid() == 0) {
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
            if (files) {
                std::filesystem::permissions(entry, std::filesystem::perms::owner_read);
            }
        }
        if (geteuid() == 0) {
            std::filesystem::permissions(
                folder.parent_path(),
                std::filesystem::perms::group_exec | std::filesystem::perms::others_exec,
                std::filesystem::perm_options::add);
            for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
                EXPECT_EQ(lchown(entry.path().c_str(), kNobody, kNobody), 0);
            }
            EXPECT_EQ(chown(folder.c_str(), kNobody, kNobody), 0);
        }
        std::filesystem::permissions(
            folder, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
        EXPECT_TRUE(!asUser_ || seteuid(kNobody) == 0);
    }
    ~ReadOnlyFolder() {
        EXPECT_TRUE(!asUser_ || seteuid(0) == 0);
        std::filesystem::permissions(folder_, std::filesystem::perms::owner_all);
    }
    ReadOnlyFolder(const ReadOnlyFolder&) = delete;
    ReadOnlyFolder& operator=(const ReadOnlyFolder&) = delete;

private:
    std::filesystem::path folder_;
    bool asUser_;
};

}  // namespace velvaro::test
