#include "GstSubtitleFiles.h"

#include "GstGraphParts.h"

#include <QString>

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <regex>
#include <sstream>
#include <thread>

namespace velvaro::engine {

namespace {

namespace fs = std::filesystem;

// Larger files are no subtitles; smaller ones are read and checked whole.
constexpr std::uintmax_t kLargestSubtitleFile = 8 * 1024 * 1024;

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(g_ascii_tolower(c)); });
    return text;
}

bool IsSubtitleExtension(const std::string& extension) {
    const std::string lower = Lower(extension);
    return lower == "srt" || lower == "ass" || lower == "ssa" || lower == "vtt";
}

// The name of the language that a file name's middle part gives: a 2- or
// 3-letter code, or the language written out; empty when it is neither.
std::string LanguageName(const std::string& part) {
    const bool letters =
        std::all_of(part.begin(), part.end(), [](unsigned char c) { return g_ascii_isalpha(c); });
    if (letters && (part.size() == 2 || part.size() == 3)) {
        const gchar* name = gst_tag_get_language_name(Lower(part).c_str());
        return name ? name : part;
    }
    // Names like "Spanish; Castilian" match either of their parts.
    const auto matches = [&part](const std::string& name) {
        for (size_t begin = 0; begin < name.size();) {
            size_t end = name.find_first_of(";,", begin);
            end = end == std::string::npos ? name.size() : end;
            std::string alternative = name.substr(begin, end - begin);
            alternative.erase(0, alternative.find_first_not_of(' '));
            if (g_ascii_strcasecmp(alternative.c_str(), part.c_str()) == 0) {
                return true;
            }
            begin = end + 1;
        }
        return false;
    };
    std::string found;
    if (gchar** codes = gst_tag_get_language_codes()) {
        for (gchar** code = codes; *code && found.empty(); ++code) {
            const gchar* name = gst_tag_get_language_name(*code);
            if (name && matches(name)) {
                found = name;
            }
        }
        g_strfreev(codes);
    }
    return found;
}

// SubStation time "h:mm:ss.cc" as SubRip's "hh:mm:ss,mmm"; empty when malformed.
std::string SubRipTime(const std::string& time) {
    unsigned hours = 0, minutes = 0, seconds = 0, hundredths = 0;
    char end = 0;
    if (std::sscanf(time.c_str(), " %u:%u:%u.%u%c", &hours, &minutes, &seconds, &hundredths,
                    &end) != 4) {
        return {};
    }
    char text[32];
    std::snprintf(text, sizeof text, "%02u:%02u:%02u,%03u", hours % 100, minutes % 60, seconds % 60,
                  (hundredths % 100) * 10);
    return text;
}

// The dialogue of a SubStation file (UTF-8) as SubRip: the fields as its
// Format line orders them, without style overrides. Empty without dialogue.
std::string SubRipOfSubStation(const std::string& text) {
    std::vector<std::string> format = {"marked",  "start",   "end",     "style",  "name",
                                       "marginl", "marginr", "marginv", "effect", "text"};
    std::string subRip;
    int cues = 0;
    bool events = false;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (!line.empty() && line.front() == '[') {
            events = Lower(line) == "[events]";
            continue;
        }
        const size_t colon = line.find(':');
        if (!events || colon == std::string::npos) {
            continue;
        }
        const std::string key = Lower(line.substr(0, colon));
        std::vector<std::string> fields;
        size_t begin = colon + 1;
        // The last field, the text, may itself hold commas.
        const size_t wanted = key == "format" ? std::string::npos : format.size();
        while (fields.size() + 1 < wanted) {
            const size_t comma = line.find(',', begin);
            if (comma == std::string::npos) {
                break;
            }
            fields.push_back(line.substr(begin, comma - begin));
            begin = comma + 1;
        }
        fields.push_back(line.substr(begin));
        if (key == "format") {
            format.clear();
            for (std::string& field : fields) {
                field.erase(0, field.find_first_not_of(' '));
                format.push_back(Lower(field));
            }
            continue;
        }
        if (key != "dialogue" || fields.size() != format.size()) {
            continue;
        }
        std::string start, end, words;
        for (size_t i = 0; i < format.size(); ++i) {
            if (format[i] == "start") {
                start = SubRipTime(fields[i]);
            } else if (format[i] == "end") {
                end = SubRipTime(fields[i]);
            } else if (format[i] == "text") {
                words = fields[i];
            }
        }
        // Overrides in braces go; \N and \n break lines, \h is a space.
        std::string plain;
        for (size_t i = 0; i < words.size(); ++i) {
            if (words[i] == '{') {
                const size_t close = words.find('}', i);
                if (close != std::string::npos) {
                    i = close;
                    continue;
                }
            }
            if (words[i] == '\\' && i + 1 < words.size() &&
                (words[i + 1] == 'N' || words[i + 1] == 'n' || words[i + 1] == 'h')) {
                plain += words[i + 1] == 'h' ? ' ' : '\n';
                ++i;
                continue;
            }
            plain += words[i];
        }
        if (start.empty() || end.empty() || plain.empty()) {
            continue;
        }
        subRip += std::to_string(++cues) + "\n" + start + " --> " + end + "\n" + plain + "\n\n";
    }
    return subRip;
}

// Whether the parser will know the text's format, by the rules it detects
// formats with: SubRip's first cue, WebVTT's and SubStation's headers.
bool LooksLikeSubtitles(const std::string& text) {
    const size_t start = text.find_first_not_of(" \t\r\n");
    if (start == std::string::npos) {
        return false;
    }
    const std::string head = text.substr(start, 512);
    if (head.rfind("WEBVTT", 0) == 0 || head.rfind("[Script Info]", 0) == 0) {
        return true;
    }
    static const std::regex subRip(
        R"(^ {0,3}[ 0-9]{1,4}\s*\r?\n ?[0-9]{1,2}: ?[0-9]{1,2}: ?[0-9]{1,2}[,.] {0,2}[0-9]{1,3} +--[\->] ?[0-9]{1,2}: ?[0-9]{1,2}: ?[0-9]{1,2}[,.] {0,2}[0-9]{1,2})");
    return std::regex_search(head, subRip);
}

// Why `path` cannot be shown as subtitles; empty when it can, with the
// encoding to read it in and, for SubStation, its text as SubRip.
std::string Check(const fs::path& path, std::string* encoding, std::string* converted) {
    std::error_code error;
    const std::uintmax_t size = fs::file_size(path, error);
    if (error) {
        return "it cannot be read";
    }
    if (size == 0) {
        return "it is empty";
    }
    if (size > kLargestSubtitleFile) {
        return "it is too large";
    }
    std::ifstream in(path, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in.good() && !in.eof()) {
        return "it cannot be read";
    }
    if (text.rfind("\xEF\xBB\xBF", 0) == 0) {
        text.erase(0, 3);
    }
    if (text.find('\0') != std::string::npos || !LooksLikeSubtitles(text)) {
        return "it is no subtitle format";
    }
    // Anything that is not UTF-8 is taken for the usual Western 8-bit one.
    const bool utf8 = g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr);
    *encoding = utf8 ? "UTF-8" : "WINDOWS-1252";
    if (text.compare(text.find_first_not_of(" \t\r\n"), 13, "[Script Info]") == 0) {
        if (!utf8) {
            gsize written = 0;
            const GCharHandle decoded(
                g_convert_with_fallback(text.data(), static_cast<gssize>(text.size()), "UTF-8",
                                        "WINDOWS-1252", "?", nullptr, &written, nullptr));
            text = decoded ? std::string(decoded.get(), written) : std::string();
        }
        *converted = SubRipOfSubStation(text);
        *encoding = "UTF-8";
        if (converted->empty()) {
            return "it has no dialogue";
        }
    }
    return {};
}

// The files of a Video CD or Super Video CD are no films with subtitles.
bool OnVideoCd(const fs::path& film) {
    const std::string folder = Lower(film.parent_path().filename().string());
    return folder == "mpegav" || folder == "mpeg2" || folder == "segment";
}

}  // namespace

std::vector<SubtitleFile> FindSubtitleFiles(const std::string& filmPath) {
    const fs::path film(filmPath);
    std::vector<SubtitleFile> files;
    if (OnVideoCd(film)) {
        return files;
    }
    const std::string prefix = film.stem().string() + ".";
    const fs::path folder = film.has_parent_path() ? film.parent_path() : fs::path(".");
    std::error_code error;
    std::vector<std::pair<bool, fs::path>> candidates;  // (has a language part, path)
    for (fs::directory_iterator entry(folder, error), end; !error && entry != end;
         entry.increment(error)) {
        const std::string name = entry->path().filename().string();
        if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) {
            continue;
        }
        const std::string rest = name.substr(prefix.size());
        const size_t dot = rest.rfind('.');
        if (!IsSubtitleExtension(dot == std::string::npos ? rest : rest.substr(dot + 1))) {
            continue;
        }
        std::error_code kind;
        if (!entry->is_directory(kind)) {
            candidates.emplace_back(dot != std::string::npos, entry->path());
        }
    }
    std::sort(candidates.begin(), candidates.end());
    for (const auto& [hasPart, path] : candidates) {
        const std::string name = path.filename().string();
        SubtitleFile file{path.string(), {}, {}, {}};
        const std::string reason = Check(path, &file.encoding, &file.converted);
        if (!reason.empty()) {
            qCWarning(lcEngine).noquote() << "Subtitle file" << QString::fromStdString(file.path)
                                          << "skipped:" << QString::fromStdString(reason);
            continue;
        }
        if (hasPart) {
            const std::string rest = name.substr(prefix.size());
            file.name = LanguageName(rest.substr(0, rest.rfind('.')));
        }
        if (file.name.empty()) {
            file.name = name;
        }
        files.push_back(std::move(file));
    }
    return files;
}

struct SubtitleFileSearch::State {
    mutable std::mutex mutex;
    mutable std::condition_variable finished;
    bool done = false;
    std::vector<SubtitleFile> files;
};

SubtitleFileSearch::SubtitleFileSearch(const std::string& filmPath)
    : state_(std::make_shared<State>()) {
    std::thread([state = state_, filmPath] {
        std::vector<SubtitleFile> files = FindSubtitleFiles(filmPath);
        std::lock_guard lock(state->mutex);
        state->files = std::move(files);
        state->done = true;
        state->finished.notify_all();
    }).detach();
}

bool SubtitleFileSearch::Wait(std::chrono::milliseconds timeout) const {
    std::unique_lock lock(state_->mutex);
    return state_->finished.wait_for(lock, timeout, [this] { return state_->done; });
}

std::vector<SubtitleFile> SubtitleFileSearch::Files() const {
    std::lock_guard lock(state_->mutex);
    return state_->done ? state_->files : std::vector<SubtitleFile>();
}

}  // namespace velvaro::engine
