// Bookmark files (.vbm): named positions in media files.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velvaro::docs {

struct Bookmark {
    std::string description;
    std::int32_t time = 0;  // hundredths of a second
    std::string file;       // the medium, full path
    bool dummy = false;     // carried through files, nothing else
    bool operator==(const Bookmark&) const = default;
};

// The bookmarks in file order with absolute paths; nullopt when the file
// cannot be read or has no `velvaro` root with a `bookmarklist` child.
std::optional<std::vector<Bookmark>> LoadBookmarkFile(const std::string& path);

// Writes a .vbm document; media below its folder are stored relative to it.
// False, leaving any old file whole, when it cannot be written.
bool SaveBookmarkFile(const std::string& path, const std::vector<Bookmark>& bookmarks,
                      std::string_view build);

// "hh:mm:ss.hh"; the hours grow beyond two digits as needed.
std::string FormatBookmarkTime(std::int32_t hundredths);

}  // namespace velvaro::docs
