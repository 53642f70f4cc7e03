// Windows virtual-key codes and the translation of Qt key events into them,
// so that the window's key table keeps its own numbers.
#pragma once

#include "WindowMessage.h"

#include <Qt>

inline constexpr UINT VK_BACK = 0x08;
inline constexpr UINT VK_TAB = 0x09;
inline constexpr UINT VK_CLEAR = 0x0C;
inline constexpr UINT VK_RETURN = 0x0D;
inline constexpr UINT VK_SHIFT = 0x10;
inline constexpr UINT VK_CONTROL = 0x11;
inline constexpr UINT VK_MENU = 0x12;  // Alt
inline constexpr UINT VK_PAUSE = 0x13;
inline constexpr UINT VK_CAPITAL = 0x14;
inline constexpr UINT VK_ESCAPE = 0x1B;
inline constexpr UINT VK_SPACE = 0x20;
inline constexpr UINT VK_PRIOR = 0x21;  // Page Up
inline constexpr UINT VK_NEXT = 0x22;   // Page Down
inline constexpr UINT VK_END = 0x23;
inline constexpr UINT VK_HOME = 0x24;
inline constexpr UINT VK_LEFT = 0x25;
inline constexpr UINT VK_UP = 0x26;
inline constexpr UINT VK_RIGHT = 0x27;
inline constexpr UINT VK_DOWN = 0x28;
inline constexpr UINT VK_SNAPSHOT = 0x2C;  // Print
inline constexpr UINT VK_INSERT = 0x2D;
inline constexpr UINT VK_DELETE = 0x2E;
// '0'..'9' and 'A'..'Z' are their own codes.
inline constexpr UINT VK_LWIN = 0x5B;
inline constexpr UINT VK_RWIN = 0x5C;
inline constexpr UINT VK_APPS = 0x5D;
inline constexpr UINT VK_NUMPAD0 = 0x60;
inline constexpr UINT VK_NUMPAD1 = 0x61;
inline constexpr UINT VK_NUMPAD2 = 0x62;
inline constexpr UINT VK_NUMPAD3 = 0x63;
inline constexpr UINT VK_NUMPAD4 = 0x64;
inline constexpr UINT VK_NUMPAD5 = 0x65;
inline constexpr UINT VK_NUMPAD6 = 0x66;
inline constexpr UINT VK_NUMPAD7 = 0x67;
inline constexpr UINT VK_NUMPAD8 = 0x68;
inline constexpr UINT VK_NUMPAD9 = 0x69;
inline constexpr UINT VK_MULTIPLY = 0x6A;
inline constexpr UINT VK_ADD = 0x6B;
inline constexpr UINT VK_SUBTRACT = 0x6D;
inline constexpr UINT VK_DECIMAL = 0x6E;
inline constexpr UINT VK_DIVIDE = 0x6F;
inline constexpr UINT VK_F1 = 0x70;
inline constexpr UINT VK_F2 = 0x71;
inline constexpr UINT VK_F3 = 0x72;
inline constexpr UINT VK_F4 = 0x73;
inline constexpr UINT VK_F5 = 0x74;
inline constexpr UINT VK_F6 = 0x75;
inline constexpr UINT VK_F7 = 0x76;
inline constexpr UINT VK_F8 = 0x77;
inline constexpr UINT VK_F9 = 0x78;
inline constexpr UINT VK_F10 = 0x79;
inline constexpr UINT VK_F11 = 0x7A;
inline constexpr UINT VK_F12 = 0x7B;
inline constexpr UINT VK_NUMLOCK = 0x90;
inline constexpr UINT VK_SCROLL = 0x91;
// The main keyboard's punctuation keys, whatever the layout prints on them.
inline constexpr UINT VK_OEM_PLUS = 0xBB;
inline constexpr UINT VK_OEM_COMMA = 0xBC;
inline constexpr UINT VK_OEM_MINUS = 0xBD;
inline constexpr UINT VK_OEM_PERIOD = 0xBE;

// The virtual key of a Qt key event, 0 when there is none.
//
// Letters come out as 'A'..'Z' whatever the case or Shift, digits as '0'..'9'.
// Keys of the numeric keypad (Qt::KeypadModifier) are the keypad's own codes
// whether NumLock is on or off: with NumLock off the keypad sends Home, Up,
// Clear ... and those still become VK_NUMPAD7, VK_NUMPAD8, VK_NUMPAD5 ..., and
// its Delete VK_DECIMAL. The player gives the keypad digits meanings of their
// own, so they must not turn into the navigation keys beside them. Keypad
// Enter is VK_RETURN. Plus and minus of the main keyboard are VK_OEM_PLUS and
// VK_OEM_MINUS, never VK_ADD or VK_SUBTRACT.
UINT VirtualKeyFromQt(int qtKey, Qt::KeyboardModifiers modifiers);
