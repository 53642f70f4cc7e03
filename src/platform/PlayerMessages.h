// The messages, codes and flags the main window's procedure speaks: the
// standard ones it receives from its controls and the private ones of the
// player. Numbers are those of the window system the commands were
// defined against, so tables and hand-over records keep their values.
#pragma once

#include "platform/WindowMessage.h"

#include <chrono>
#include <cstdint>

using DWORD = std::uint32_t;

inline constexpr UINT WM_SIZE = 0x0005;
inline constexpr UINT WM_CLOSE = 0x0010;
inline constexpr UINT WM_SYSCOMMAND = 0x0112;
inline constexpr UINT WM_HSCROLL = 0x0114;
inline constexpr UINT WM_MENUSELECT = 0x011F;
inline constexpr UINT WM_MBUTTONDOWN = 0x0207;
// Mouse in the client area: lParam holds the client point (MakePointLParam),
// wParam the buttons held (MK_*); for the wheel the high word of wParam is
// the signed delta and lParam the screen point.
inline constexpr UINT WM_MOUSEMOVE = 0x0200;
inline constexpr UINT WM_LBUTTONDOWN = 0x0201;
inline constexpr UINT WM_LBUTTONUP = 0x0202;
inline constexpr UINT WM_RBUTTONDOWN = 0x0204;
inline constexpr UINT WM_MOUSEWHEEL = 0x020A;
inline constexpr WPARAM MK_LBUTTON = 0x0001;
inline constexpr WPARAM MK_RBUTTON = 0x0002;
inline constexpr WPARAM MK_MBUTTON = 0x0010;
inline constexpr int WHEEL_DELTA = 120;
inline constexpr UINT WM_PARENTNOTIFY = 0x0210;
inline constexpr UINT WM_DROPFILES = 0x0233;

inline constexpr UINT WM_INSTANCE_PARAM = 0xFA78;
inline constexpr UINT WM_OPEN_MEDIA_FILE = 0xFA79;

// WM_SYSCOMMAND
inline constexpr WPARAM SC_MINIMIZE = 0xF020;
inline constexpr WPARAM SC_MAXIMIZE = 0xF030;
inline constexpr WPARAM SC_RESTORE = 0xF120;

// WM_PARENTNOTIFY: an extra mouse button pressed (low word WM_XBUTTONDOWN,
// high word the button).
inline constexpr WPARAM kExtraButton1Down = 0x1020B;
inline constexpr WPARAM kExtraButton2Down = 0x2020B;

// WM_HSCROLL codes
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

inline constexpr WPARAM MakeWParam(unsigned low, unsigned high) {
    return (static_cast<WPARAM>(high & 0xFFFF) << 16) | (low & 0xFFFF);
}
inline constexpr unsigned LowWord(WPARAM value) {
    return value & 0xFFFF;
}
inline constexpr unsigned HighWord(WPARAM value) {
    return (value >> 16) & 0xFFFF;
}
// A point as a mouse message carries it: x and y as signed 16-bit words.
inline constexpr LPARAM MakePointLParam(int x, int y) {
    return static_cast<LPARAM>((static_cast<unsigned>(y) & 0xFFFF) << 16 |
                               (static_cast<unsigned>(x) & 0xFFFF));
}
inline constexpr int PointX(LPARAM value) {
    return static_cast<std::int16_t>(value & 0xFFFF);
}
inline constexpr int PointY(LPARAM value) {
    return static_cast<std::int16_t>((value >> 16) & 0xFFFF);
}

// Milliseconds of a monotonic clock, wrapping as a 32-bit tick count does.
inline unsigned TickCount() {
    using namespace std::chrono;
    return static_cast<unsigned>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}
