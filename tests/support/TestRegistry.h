// Gives each test its own registry database in its own temporary folder.
#pragma once

#include "platform/Registry.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

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
