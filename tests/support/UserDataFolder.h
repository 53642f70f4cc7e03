// Points $XDG_DATA_HOME at a fresh folder for one test and writes language
// files into its velvaro/ folder, where LoadFile looks after the program's.
#pragma once

#include "TestRegistry.h"

#include <filesystem>
#include <fstream>
#include <string>

namespace velvaro::test {

class UserDataFolder {
public:
    UserDataFolder() { std::filesystem::create_directories(LanguageFolder()); }

    std::filesystem::path LanguageFolder() const { return folder_.path() / "velvaro"; }

    // Writes the bytes unchanged and returns the file's path.
    std::string Write(const std::string& name, const std::string& bytes) const {
        const std::string path = (LanguageFolder() / name).string();
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

private:
    TestFolder folder_;
    ScopedEnvironment environment_{{{"XDG_DATA_HOME", folder_.path().string()}}};
};

}  // namespace velvaro::test
