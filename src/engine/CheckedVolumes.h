// Discs that have passed the check process before, by what they hold: a
// disc opened again need not wait for a new process to read it. Only
// folders and image files are remembered, never a drive, whose disc can
// change under the same name; a disc that fails is checked every time.
#pragma once

#include <string>

namespace velvaro::engine {

class CheckedVolumes {
public:
    // Remembered in `file`, one identity a line, the newest last.
    explicit CheckedVolumes(std::string file);
    // The user's own list, in their cache folder.
    static CheckedVolumes ForUser();

    // What `path` holds, as far as a check depends on it: for a VIDEO_TS
    // folder its files' names, sizes and times and the contents of its
    // IFO files; for an image file its name, size and time. Empty for
    // anything else, or what cannot be read.
    static std::string Identity(const std::string& path);

    bool Passed(const std::string& identity) const;
    void RememberPassed(const std::string& identity);

private:
    std::string file_;
};

}  // namespace velvaro::engine
