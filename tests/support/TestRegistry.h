// Gives each test its own registry database in its own temporary folder.
#pragma once

#include "platform/Registry.h"

#include <gtest/gtest.h>

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

}  // namespace velvaro::test
