#include "Paths.h"

#include <filesystem>
#include <system_error>

namespace velvaro::platform {
namespace {

std::string WithSlash(std::string folder) {
    if (folder.empty() || folder.back() != '/') {
        folder += '/';
    }
    return folder;
}

std::string CurrentDirectory() {
    std::error_code error;
    const auto current = std::filesystem::current_path(error);
    return error ? std::string("/") : WithSlash(current.string());
}

// Taken during static initialisation, before main() can move anything.
const std::string launchDirectory = CurrentDirectory();

}  // namespace

std::string ProgramFile() {
    std::error_code error;
    const auto path = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string() : path.string();
}

std::string ProgramFolder() {
    const std::string file = ProgramFile();
    const auto slash = file.rfind('/');
    return slash == std::string::npos ? std::string("/") : file.substr(0, slash + 1);
}

std::string TempFolder() {
    std::error_code error;
    const auto temp = std::filesystem::temp_directory_path(error);
    return error ? std::string("/tmp/") : WithSlash(temp.string());
}

std::string LaunchDirectory() {
    return launchDirectory.empty() ? CurrentDirectory() : launchDirectory;
}

}  // namespace velvaro::platform
