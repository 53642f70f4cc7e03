// M3U, M3U8 and PLS lists as other players write them.
#include "docs/DocumentPaths.h"
#include "docs/LegacyText.h"
#include "docs/PlaylistFile.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <map>

namespace velvaro::docs {

namespace {

std::string Lower(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

bool EndsWith(std::string_view text, std::string_view end) {
    return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

std::string_view Trimmed(std::string_view line) {
    while (!line.empty() && std::isspace(static_cast<unsigned char>(line.front()))) {
        line.remove_prefix(1);
    }
    while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back()))) {
        line.remove_suffix(1);
    }
    return line;
}

std::string_view WithoutByteOrderMark(std::string_view text) {
    return text.starts_with("\xEF\xBB\xBF") ? text.substr(3) : text;
}

std::string_view FirstLine(std::string_view text) {
    for (;;) {
        const std::size_t end = text.find('\n');
        const std::string_view line = Trimmed(text.substr(0, end));
        if (!line.empty() || end == std::string_view::npos) {
            return line;
        }
        text.remove_prefix(end + 1);
    }
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

std::string PercentDecoded(std::string_view text) {
    std::string decoded;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 &&
            HexValue(text[i + 2]) >= 0) {
            decoded += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
            i += 2;
        } else {
            decoded += text[i];
        }
    }
    return decoded;
}

// A path as the list names it, made absolute, or an http(s) address as it
// is; empty for what we cannot play from here (other URLs).
std::string EntryPath(const std::string& listPath, std::string_view location) {
    const std::string lower = Lower(location.substr(0, 16));
    if (lower.starts_with("file://")) {
        std::string_view rest = location.substr(7);
        // file://host/path: only the local host is ours.
        const std::size_t slash = rest.find('/');
        if (slash == std::string_view::npos) {
            return {};
        }
        const std::string host = Lower(rest.substr(0, slash));
        if (!host.empty() && host != "localhost") {
            return {};
        }
        return PercentDecoded(rest.substr(slash));
    }
    // Addresses of the web play from the network; other schemes are not ours.
    if (lower.starts_with("http://") || lower.starts_with("https://")) {
        return std::string(location);
    }
    if (location.find("://") != std::string_view::npos) {
        return {};
    }
    std::string path(location);
    std::replace(path.begin(), path.end(), '\\', '/');
    return ResolvedPath(listPath, path);
}

bool IsPls(std::string_view text) {
    return Lower(FirstLine(text)) == "[playlist]";
}

}  // namespace

bool IsForeignPlaylist(const std::string& path, std::string_view start) {
    if (start.find('\0') != std::string_view::npos) {
        return false;
    }
    start = WithoutByteOrderMark(start);
    // An HLS manifest shares the header but is a stream to play, its
    // entries pieces of it.
    if (start.find("#EXT-X-TARGETDURATION") != std::string_view::npos ||
        start.find("#EXT-X-STREAM-INF") != std::string_view::npos) {
        return false;
    }
    const std::string name = Lower(path);
    return FirstLine(start).starts_with("#EXTM3U") || IsPls(start) || EndsWith(name, ".m3u") ||
           EndsWith(name, ".m3u8") || EndsWith(name, ".pls");
}

std::vector<PlaylistEntry> ReadForeignPlaylist(const std::string& path, std::string_view text) {
    text = WithoutByteOrderMark(text);
    const std::string converted = IsValidUtf8(text) ? std::string() : FromLegacyEncoding(text);
    if (!converted.empty()) {
        text = converted;
    }
    const bool pls = IsPls(text);
    std::map<long, std::string> numbered;  // PLS entries by their number
    std::vector<PlaylistEntry> entries;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = Trimmed(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (pls) {
            const std::size_t equals = line.find('=');
            if (equals == std::string_view::npos || !Lower(line.substr(0, 4)).starts_with("file")) {
                continue;
            }
            const std::string number(line.substr(4, equals - 4));
            char* rest = nullptr;
            const long n = std::strtol(number.c_str(), &rest, 10);
            if (number.empty() || *rest != '\0') {
                continue;
            }
            numbered[n] = EntryPath(path, Trimmed(line.substr(equals + 1)));
        } else if (!line.empty() && line.front() != '#') {
            if (std::string video = EntryPath(path, line); !video.empty()) {
                entries.push_back({std::move(video), {}});
            }
        }
    }
    for (auto& [number, video] : numbered) {
        if (!video.empty()) {
            entries.push_back({std::move(video), {}});
        }
    }
    return entries;
}

}  // namespace velvaro::docs
