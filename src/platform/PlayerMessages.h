// The codes and flags the main window speaks: the sliders' scroll codes,
// toolbar, menu and window style flags, and the player's private messages.
// Numbers are those of the window system the commands were defined
// against, so tables and hand-over records keep their values.
#pragma once

#include "platform/WindowMessage.h"

#include <chrono>
#include <cstdint>

using DWORD = std::uint32_t;

inline constexpr UINT WM_INSTANCE_PARAM = 0xFA78;
inline constexpr UINT WM_OPEN_MEDIA_FILE = 0xFA79;

// Slider scroll codes
inline constexpr int SB_PAGELEFT = 2;
inline constexpr int SB_PAGERIGHT = 3;
inline constexpr int SB_THUMBPOSITION = 4;
inline constexpr int SB_THUMBTRACK = 5;
inline constexpr int SB_ENDSCROLL = 8;

// Toolbar button states
inline constexpr int TBSTATE_ENABLED = 4;
inline constexpr int TBSTATE_INDETERMINATE = 16;

// Menu check and grey flags
inline constexpr UINT MF_UNCHECKED = 0;
inline constexpr UINT MF_CHECKED = 8;
inline constexpr UINT MF_ENABLED = 0;
inline constexpr UINT MF_GRAYED = 1;

// Window styles the window switches.
inline constexpr DWORD WS_MAXIMIZEBOX = 0x00010000;
inline constexpr DWORD WS_THICKFRAME = 0x00040000;
inline constexpr DWORD WS_SYSMENU = 0x00080000;
inline constexpr DWORD WS_BORDER = 0x00800000;
inline constexpr DWORD WS_CAPTION = 0x00C00000;
inline constexpr DWORD WS_CLIPCHILDREN = 0x02000000;
inline constexpr DWORD WS_EX_DLGMODALFRAME = 0x00000001;

// Milliseconds of a monotonic clock, wrapping as a 32-bit tick count does.
inline unsigned TickCount() {
    using namespace std::chrono;
    return static_cast<unsigned>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}
