// Whole files as bytes in tests.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace velvaro::test {

// Empty when the file cannot be read.
inline std::string ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Replaces the file's bytes, making missing folders on the way where it can.
inline void WriteBytes(const std::filesystem::path& path, const std::string& bytes) {
    std::error_code ignored;
    std::filesystem::create_directories(path.parent_path(), ignored);
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

}  // namespace velvaro::test
