// Points $XDG_DATA_HOME at a fresh folder for one test and writes language
// files into its velvaro/ folder, where LoadFile looks after the program's.
#pragma once

#include "TestRegistry.h"

#include <QByteArray>
#include <QtGlobal>

#include <filesystem>
#include <fstream>
#include <string>

namespace velvaro::test {

class UserDataFolder {
public:
    UserDataFolder() : hadPrevious_(qEnvironmentVariableIsSet("XDG_DATA_HOME")) {
        previous_ = qgetenv("XDG_DATA_HOME");
        std::filesystem::create_directories(folder_.path() / "velvaro");
        qputenv("XDG_DATA_HOME", QByteArray::fromStdString(folder_.path().string()));
    }
    ~UserDataFolder() {
        if (hadPrevious_) {
            qputenv("XDG_DATA_HOME", previous_);
        } else {
            qunsetenv("XDG_DATA_HOME");
        }
    }
    UserDataFolder(const UserDataFolder&) = delete;
    UserDataFolder& operator=(const UserDataFolder&) = delete;

    std::filesystem::path LanguageFolder() const { return folder_.path() / "velvaro"; }

    // Writes the bytes unchanged and returns the file's path.
    std::string Write(const std::string& name, const std::string& bytes) const {
        const std::string path = (LanguageFolder() / name).string();
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

private:
    TestFolder folder_;
    bool hadPrevious_;
    QByteArray previous_;
};

}  // namespace velvaro::test
