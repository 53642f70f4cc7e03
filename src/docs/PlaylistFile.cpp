#include "docs/PlaylistFile.h"

#include "docs/DocumentFile.h"
#include "docs/DocumentPaths.h"
#include "docs/LegacyText.h"
#include "docs/ListDocument.h"

namespace velvaro::docs {

namespace {

// Enough to find the root of any playlist we or others write, and no more of
// a film than a glance.
constexpr std::size_t kSniffBytes = 64 * 1024;

// Our own document; nullopt, with `why`, when it is damaged or holds no
// playlist.
std::optional<std::vector<PlaylistEntry>> ReadOwnPlaylist(const std::string& path, std::string text,
                                                          std::string& why) {
    // Older programs wrote their code page, as other players' lists do.
    if (!IsValidUtf8(text)) {
        text = FromLegacyEncoding(text);
    }
    CXmlDocument document;
    if (!document.SetDocument(text)) {
        why = document.GetError();
        return std::nullopt;
    }
    if (!EnterListDocument(document, text, "playlist")) {
        why = "it holds no playlist";
        return std::nullopt;
    }
    std::vector<PlaylistEntry> entries;
    while (document.FindChildElement("media")) {
        entries.push_back({ResolvedPath(path, document.GetChildData()),
                           ResolvedPath(path, document.GetChildAttribute("audio"))});
    }
    return entries;
}

std::optional<std::vector<PlaylistEntry>> ReadPlaylist(const std::string& path, std::string& why) {
    const std::optional<std::string> start = ReadFileStart(path, kSniffBytes);
    if (!start) {
        return std::nullopt;
    }
    const auto whole = [&] { return start->size() < kSniffBytes ? start : ReadWholeFile(path); };
    if (start->find("<velvaro") != std::string::npos) {
        if (const std::optional<std::string> text = whole()) {
            if (auto entries = ReadOwnPlaylist(path, *text, why)) {
                return entries;
            }
        }
    }
    if (!IsForeignPlaylist(path, *start)) {
        return std::nullopt;
    }
    const std::optional<std::string> text = whole();
    if (!text) {
        return std::nullopt;
    }
    why.clear();
    return ReadForeignPlaylist(path, *text);
}

}  // namespace

std::optional<std::vector<PlaylistEntry>> LoadPlaylistFile(const std::string& path,
                                                           std::string* refusal) {
    std::string why;
    auto entries = ReadPlaylist(path, why);
    if (refusal) {
        *refusal = entries ? std::string() : why;
    }
    return entries;
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
