// The records a second start sends its command line in, and the running
// window reads it back from: each text in five pieces from its first record
// number on, then one record per switch, then the end mark. Sender and
// receiver walk these same tables, so their numbers cannot drift apart.
#pragma once

#include "CPlayerCommandLineInfo.h"

#include <array>
#include <cstdint>
#include <string>

namespace hand_over {

// Five pieces of at most 255 characters, so a longer text arrives cut to 1275.
inline constexpr int kPieces = 5;
inline constexpr int kPieceLength = 255;
inline constexpr std::uint32_t kEndMark = 0xFFFFFFFFu;

struct TextRecord {
    std::uint32_t firstPiece;
    std::string (CPlayerCommandLineInfo::*get)() const;
    void (CPlayerCommandLineInfo::*set)(const std::string&);
};

struct SwitchRecord {
    std::uint32_t record;
    int (CPlayerCommandLineInfo::*get)() const;
    void (CPlayerCommandLineInfo::*set)(int);
};

using Info = CPlayerCommandLineInfo;

inline constexpr std::array<TextRecord, 7> kTextRecords{{
    {1001, &Info::GetFileName, &Info::SetFileName},
    {1011, &Info::GetSize, &Info::SetSize},
    {1021, &Info::GetWindowPosition, &Info::SetWindowPosition},
    {1031, &Info::GetJumpPosition, &Info::SetJumpPosition},
    {1041, &Info::GetBookmarkFile, &Info::SetBookmarkFile},
    {1051, &Info::GetBorderColour, &Info::SetBorderColour},
    {2001, &Info::GetAudioFile, &Info::SetAudioFile},
}};

inline constexpr std::array<SwitchRecord, 14> kSwitchRecords{{
    {3001, &Info::GetFullscreen, &Info::SetFullscreen},
    {3002, &Info::GetNoFullscreen, &Info::SetNoFullscreen},
    {3003, &Info::GetCompact, &Info::SetCompact},
    {3004, &Info::GetNoCompact, &Info::SetNoCompact},
    {4001, &Info::GetLoop, &Info::SetLoop},
    {4002, &Info::GetNoLoop, &Info::SetNoLoop},
    {4003, &Info::GetCenter, &Info::SetCenter},
    {4004, &Info::GetNoSplash, &Info::SetNoSplash},
    {4005, &Info::GetPlay, &Info::SetPlay},
    {4006, &Info::GetPause, &Info::SetPause},
    {4007, &Info::GetBorder, &Info::SetBorder},
    {4008, &Info::GetNoBorder, &Info::SetNoBorder},
    {4009, &Info::GetMute, &Info::SetMute},
    {4010, &Info::GetNoMute, &Info::SetNoMute},
}};

// Whether the window reads a record of that number (with a text or a value).
inline bool IsHandOverRecord(std::uint32_t wParam, bool hasText) {
    for (const TextRecord& field : kTextRecords) {
        if (wParam >= field.firstPiece && wParam < field.firstPiece + kPieces) {
            return hasText;
        }
    }
    for (const SwitchRecord& option : kSwitchRecords) {
        if (wParam == option.record) {
            return !hasText;
        }
    }
    return wParam == kEndMark && !hasText;
}

}  // namespace hand_over
