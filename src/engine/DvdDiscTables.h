// What a disc's IFO files say about its titles (chapters, playing time) and
// the operations its program chains prohibit: the navigator in GStreamer
// answers only for where its reader is, or not at all. Read once when the
// disc opens, after the check process found it safe to read.
#pragma once

#include "engine/DvdFramework.h"

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace velvaro::engine {

class DvdDiscTables {
public:
    // An unreadable disc gives empty tables, which prohibit nothing.
    explicit DvdDiscTables(const std::string& device);

    // UOP_FLAG_* bits of the program chain that plays chapter `chapter` of
    // title `title`, with the title's own.
    ULONG TitleProhibitions(int title, int chapter) const;
    // Title set 0 is the disc's own menus; `menu` a DVD_MENU_ID.
    ULONG MenuProhibitions(int titleSet, int menu) const;
    // 0 when the title is not on the disc.
    int TitleSetOf(int title) const;
    int AnglesOf(int title) const;
    // 0 when not known.
    int ChaptersOf(int title) const;
    // Nanoseconds, the playing time of the title's program chains; 0 when
    // not known.
    std::int64_t DurationOf(int title) const;
    // Subpicture streams of a title set's titles; -1 when not known.
    int SubpicturesOf(int titleSet) const;
    bool Read() const { return read_; }

private:
    struct Title {
        int titleSet = 0;
        int angles = 1;
        std::int64_t duration = 0;
        ULONG titleOperations = 0;
        std::vector<ULONG> chapterOperations;
    };
    bool read_ = false;
    std::vector<Title> titles_;
    std::map<std::pair<int, int>, ULONG> menus_;
    std::map<int, int> subpictures_;
};

}  // namespace velvaro::engine
