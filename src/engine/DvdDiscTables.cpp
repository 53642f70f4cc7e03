#include "DvdDiscTables.h"

#include "GstGraphParts.h"

#include <dvdread/dvd_reader.h>
#include <dvdread/ifo_read.h>

#include <QString>

#include <cstdarg>
#include <cstdio>
#include <memory>
#include <set>

namespace velvaro::engine {

namespace {

struct ReaderCloser {
    void operator()(dvd_reader_t* reader) const { DVDClose(reader); }
};
struct IfoCloser {
    void operator()(ifo_handle_t* ifo) const { ifoClose(ifo); }
};
using ReaderHandle = std::unique_ptr<dvd_reader_t, ReaderCloser>;
using IfoHandle = std::unique_ptr<ifo_handle_t, IfoCloser>;

// The reader's notices go to our log instead of stderr.
void LogReader(void*, dvd_logger_level_t level, const char* format, va_list arguments) {
    if (level == DVD_LOGGER_LEVEL_DEBUG) {
        return;
    }
    char text[512];
    std::vsnprintf(text, sizeof text, format, arguments);
    qCDebug(lcEngine).noquote() << "DVD reader:" << QString::fromLocal8Bit(text).trimmed();
}

// Bit n is user operation n, as the flags number them.
ULONG Mask(const user_ops_t& ops) {
    const unsigned bits[] = {
        ops.title_or_time_play,
        ops.chapter_search_or_play,
        ops.title_play,
        ops.stop,
        ops.go_up,
        ops.time_or_chapter_search,
        ops.prev_or_top_pg_search,
        ops.next_pg_search,
        ops.forward_scan,
        ops.backward_scan,
        ops.title_menu_call,
        ops.root_menu_call,
        ops.subpic_menu_call,
        ops.audio_menu_call,
        ops.angle_menu_call,
        ops.chapter_menu_call,
        ops.resume,
        ops.button_select_or_activate,
        ops.still_off,
        ops.pause_on,
        ops.audio_stream_change,
        ops.subpic_stream_change,
        ops.angle_change,
        ops.karaoke_audio_pres_mode_change,
        ops.video_pres_mode_change,
    };
    ULONG mask = 0;
    for (ULONG bit = 0; bit < std::size(bits); ++bit) {
        mask |= bits[bit] ? 1u << bit : 0u;
    }
    return mask;
}

// A program chain's playing time: hours, minutes, seconds and frames in BCD,
// the frame rate in the top two bits of the frames (3 for 29.97, else 25).
std::int64_t Nanoseconds(const dvd_time_t& time) {
    const auto bcd = [](unsigned value) {
        return static_cast<std::int64_t>((value >> 4) * 10 + (value & 0x0F));
    };
    const std::int64_t seconds = bcd(time.hour) * 3600 + bcd(time.minute) * 60 + bcd(time.second);
    const double fps = (time.frame_u >> 6) == 3 ? 30000.0 / 1001.0 : 25.0;
    return seconds * 1'000'000'000 +
           static_cast<std::int64_t>(static_cast<double>(bcd(time.frame_u & 0x3F)) * 1e9 / fps);
}

// The entry menus of the first language unit; discs repeat the same menus
// per language.
void ReadMenus(const ifo_handle_t& ifo, int titleSet, std::map<std::pair<int, int>, ULONG>* menus) {
    if (!ifo.pgci_ut || ifo.pgci_ut->nr_of_lus == 0 || !ifo.pgci_ut->lu[0].pgcit) {
        return;
    }
    const pgcit_t& table = *ifo.pgci_ut->lu[0].pgcit;
    for (int i = 0; i < table.nr_of_pgci_srp; ++i) {
        const pgci_srp_t& entry = table.pgci_srp[i];
        if ((entry.entry_id & 0x80) && entry.pgc) {
            menus->emplace(std::pair(titleSet, entry.entry_id & 0x0F),
                           Mask(entry.pgc->prohibited_ops));
        }
    }
}

}  // namespace

DvdDiscTables::DvdDiscTables(const std::string& device) {
    dvd_logger_cb logger{&LogReader};
    const ReaderHandle reader(DVDOpen2(nullptr, &logger, device.c_str()));
    const IfoHandle disc(reader ? ifoOpen(reader.get(), 0) : nullptr);
    if (!disc || !disc->tt_srpt) {
        return;
    }
    ReadMenus(*disc, 0, &menus_);
    std::map<int, IfoHandle> titleSets;
    for (int i = 0; i < disc->tt_srpt->nr_of_srpts; ++i) {
        const title_info_t& info = disc->tt_srpt->title[i];
        Title title;
        title.titleSet = info.title_set_nr;
        title.angles = info.nr_of_angles;
        title.titleOperations =
            (info.pb_ty.title_or_time_play ? UOP_FLAG_Play_Title_Or_AtTime : 0) |
            (info.pb_ty.chapter_search_or_play ? UOP_FLAG_Play_Chapter : 0);
        auto set = titleSets.find(info.title_set_nr);
        if (set == titleSets.end()) {
            IfoHandle opened(ifoOpen(reader.get(), info.title_set_nr));
            if (opened) {
                ReadMenus(*opened, info.title_set_nr, &menus_);
                if (opened->vtsi_mat) {
                    subpictures_[info.title_set_nr] = opened->vtsi_mat->nr_of_vts_subp_streams;
                }
            }
            set = titleSets.emplace(info.title_set_nr, std::move(opened)).first;
        }
        const ifo_handle_t* ifo = set->second.get();
        if (ifo && ifo->vts_ptt_srpt && ifo->vts_pgcit && info.vts_ttn >= 1 &&
            info.vts_ttn <= ifo->vts_ptt_srpt->nr_of_srpts) {
            const ttu_t& parts = ifo->vts_ptt_srpt->title[info.vts_ttn - 1];
            std::set<int> timed;
            for (int part = 0; part < parts.nr_of_ptts; ++part) {
                const int chain = parts.ptt[part].pgcn;
                const pgc_t* pgc = chain >= 1 && chain <= ifo->vts_pgcit->nr_of_pgci_srp
                                       ? ifo->vts_pgcit->pgci_srp[chain - 1].pgc
                                       : nullptr;
                title.chapterOperations.push_back(pgc ? Mask(pgc->prohibited_ops) : 0);
                // Chapters often share a chain; each chain plays once.
                if (pgc && timed.insert(chain).second) {
                    title.duration += Nanoseconds(pgc->playback_time);
                }
            }
        }
        titles_.push_back(std::move(title));
    }
    read_ = true;
}

ULONG DvdDiscTables::TitleProhibitions(int title, int chapter) const {
    if (title < 1 || title > static_cast<int>(titles_.size())) {
        return 0;
    }
    const Title& known = titles_[static_cast<size_t>(title - 1)];
    ULONG mask = known.titleOperations;
    if (chapter >= 1 && chapter <= static_cast<int>(known.chapterOperations.size())) {
        mask |= known.chapterOperations[static_cast<size_t>(chapter - 1)];
    }
    return mask;
}

ULONG DvdDiscTables::MenuProhibitions(int titleSet, int menu) const {
    const auto found = menus_.find({titleSet, menu});
    return found == menus_.end() ? 0 : found->second;
}

int DvdDiscTables::TitleSetOf(int title) const {
    return title >= 1 && title <= static_cast<int>(titles_.size())
               ? titles_[static_cast<size_t>(title - 1)].titleSet
               : 0;
}

int DvdDiscTables::AnglesOf(int title) const {
    return title >= 1 && title <= static_cast<int>(titles_.size())
               ? titles_[static_cast<size_t>(title - 1)].angles
               : 0;
}

int DvdDiscTables::ChaptersOf(int title) const {
    return title >= 1 && title <= static_cast<int>(titles_.size())
               ? static_cast<int>(titles_[static_cast<size_t>(title - 1)].chapterOperations.size())
               : 0;
}

std::int64_t DvdDiscTables::DurationOf(int title) const {
    return title >= 1 && title <= static_cast<int>(titles_.size())
               ? titles_[static_cast<size_t>(title - 1)].duration
               : 0;
}

int DvdDiscTables::SubpicturesOf(int titleSet) const {
    const auto found = subpictures_.find(titleSet);
    return found == subpictures_.end() ? -1 : found->second;
}

}  // namespace velvaro::engine
