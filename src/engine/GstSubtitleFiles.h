// Subtitle files beside a film: film.srt, film.de.ass, film.German.vtt and
// the like, checked and named on a thread of their own.
#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <vector>

namespace velvaro::engine {

struct SubtitleFile {
    std::string path;
    // The language's name, the code when it is unknown, or the file name.
    std::string name;
    // What the parser reads it as: UTF-8 when it is valid UTF-8.
    std::string encoding;
    // The text as SubRip in UTF-8, for the formats the parser cannot read
    // (SubStation); empty for the others, which it reads from the file.
    std::string converted;
};

// The readable subtitle files beside `filmPath`, those without a language
// first; the ones skipped are logged.
std::vector<SubtitleFile> FindSubtitleFiles(const std::string& filmPath);

// Runs FindSubtitleFiles on a thread of its own, which a slow folder never
// holds up: the search outlives this object if it must.
class SubtitleFileSearch {
public:
    explicit SubtitleFileSearch(const std::string& filmPath);
    // True once the search is done; waits at most `timeout` for it.
    bool Wait(std::chrono::milliseconds timeout) const;
    // Empty until the search is done.
    std::vector<SubtitleFile> Files() const;

private:
    struct State;
    std::shared_ptr<State> state_;
};

}  // namespace velvaro::engine
