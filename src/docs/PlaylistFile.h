// Playlist files: our own .vpp documents, read and written, and the M3U,
// M3U8 and PLS lists other players write, read only.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velvaro::docs {

struct PlaylistEntry {
    std::string video;
    std::string audio;  // empty: the film's own sound only
    bool operator==(const PlaylistEntry&) const = default;
};

// The entries in playlist order, with absolute paths; nullopt when the file
// cannot be read or is no playlist (neither a document with a `velvaro` root
// and its `playlist` child nor an M3U or PLS list). A playlist without
// entries is an empty list. Cheap for large media files, which are told
// apart by their first bytes. A document of ours that is damaged or holds no
// playlist puts why into `refusal`; anything else leaves it empty.
std::optional<std::vector<PlaylistEntry>> LoadPlaylistFile(const std::string& path,
                                                           std::string* refusal = nullptr);

// Writes a .vpp document; paths below its folder are stored relative to it.
// False, leaving any old file whole, when it cannot be written.
bool SavePlaylistFile(const std::string& path, const std::vector<PlaylistEntry>& entries,
                      std::string_view build);

// Whether a file whose text begins with `start` is an M3U/M3U8 or PLS list:
// by its first line, or by its name for plain lists of paths. Text only.
bool IsForeignPlaylist(const std::string& path, std::string_view start);
// Such a list's entries, without audio; URLs other than file:// and
// comments are left out, relative paths taken against the list's folder.
std::vector<PlaylistEntry> ReadForeignPlaylist(const std::string& path, std::string_view text);

}  // namespace velvaro::docs
