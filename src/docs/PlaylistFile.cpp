#include "docs/PlaylistFile.h"

#include "docs/DocumentFile.h"
#include "docs/DocumentPaths.h"
#include "docs/ListDocument.h"

namespace velvaro::docs {

namespace {

// Enough to find the root of any playlist we or others write, and no more of
// a film than a glance.
constexpr std::size_t kSniffBytes = 64 * 1024;

}  // namespace

std::optional<std::vector<PlaylistEntry>> LoadPlaylistFile(const std::string& path) {
    const std::optional<std::string> start = ReadFileStart(path, kSniffBytes);
    if (!start) {
        return std::nullopt;
    }
    if (start->find("<velvaro") != std::string::npos) {
        const std::optional<std::string> text =
            start->size() < kSniffBytes ? start : ReadWholeFile(path);
        if (!text) {
            return std::nullopt;
        }
        CXmlDocument document;
        if (EnterListDocument(document, *text, "playlist")) {
            std::vector<PlaylistEntry> entries;
            while (document.FindChildElement("media")) {
                entries.push_back({ResolvedPath(path, document.GetChildData()),
                                   ResolvedPath(path, document.GetChildAttribute("audio"))});
            }
            return entries;
        }
    }
    if (!IsForeignPlaylist(path, *start)) {
        return std::nullopt;
    }
    const std::optional<std::string> text =
        start->size() < kSniffBytes ? start : ReadWholeFile(path);
    if (!text) {
        return std::nullopt;
    }
    return ReadForeignPlaylist(path, *text);
}

bool SavePlaylistFile(const std::string& path, const std::vector<PlaylistEntry>& entries,
                      std::string_view build) {
    CXmlDocument document = StartListDocument("playlist", build);
    for (const PlaylistEntry& entry : entries) {
        document.AddChildElement("media", StoredPath(path, entry.video));
        document.SetChildAttribute("audio", StoredPath(path, entry.audio));
    }
    return WriteDocumentFile(path, document.GetDocument());
}

}  // namespace velvaro::docs
