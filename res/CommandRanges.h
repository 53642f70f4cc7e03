// Command ids the window makes at run time, beside the fixed ones of
// resource.h: the recent files, the filter menu, the stream menus and the
// drives. Every range is half-open: [first, end).
#pragma once

namespace command_range {

inline constexpr int kClearHistory = 58000;
inline constexpr int kFirstRecentFile = 58001;  // entry n is kClearHistory + n
inline constexpr int kRecentFileCount = 5;

inline constexpr int kFirstFilter = 59000;  // filter n of the filter menu
inline constexpr int kFilterEnd = 60000;
inline constexpr int kMaxFilters = kFilterEnd - kFirstFilter;

// The stream menus: a base per kind, kind k at kFirstFilter + k * 1000.
inline constexpr int kFirstStream = 60000;  // stream table entry or chapter
inline constexpr int kFirstAudio = 61000;
inline constexpr int kSubtitleOff = 61999;  // IDM_WIEDERGABE_STREAMS_SUBTITLE_OFF
inline constexpr int kFirstSubtitle = 62000;
inline constexpr int kFirstAngle = 63000;
inline constexpr int kStreamsPerKind = 600;
inline constexpr int kStreamTableEnd = kFirstAudio;

inline constexpr int kFirstDrive = 64000;
inline constexpr int kDriveEnd = 64999;

// The whole run-time block the window hands to its range handler.
inline constexpr int kFirst = kClearHistory;
inline constexpr int kLast = kDriveEnd - 1;

inline constexpr bool InRange(int id, int first, int end) {
    return id >= first && id < end;
}

}  // namespace command_range

// Commands that carry a value, for input that says how far or how much (the
// wheel, the sliders, the desktop's remote, the bookmark editor). No menu,
// button or key has them; they lie past the keys' own commands.
namespace value_command {

inline constexpr int kFirst = 65200;
// To a position in 1/100 s, as a click on the position bar lands: the
// engine goes on playing or paused as before.
inline constexpr int kSeek = kFirst;
inline constexpr int kSkip = kFirst + 1;    // by steps of 10 seconds, back when negative
inline constexpr int kVolume = kFirst + 2;  // in 1/100 dB, -10000 (silent) .. 0
inline constexpr int kRate = kFirst + 3;    // 1.0 is normal speed; a refused one falls back to it
inline constexpr int kJump = kFirst + 4;    // to a position in 1/100 s, and nothing more
inline constexpr int kEnd = kFirst + 5;

}  // namespace value_command
