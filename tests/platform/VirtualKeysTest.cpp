// Qt keys to virtual keys, and the lParam of key messages.
#include "platform/VirtualKeys.h"

#include <gtest/gtest.h>

namespace {

constexpr Qt::KeyboardModifiers kNone = Qt::NoModifier;
constexpr Qt::KeyboardModifiers kKeypad = Qt::KeypadModifier;

struct KeyCase {
    const char* what;
    int qtKey;
    Qt::KeyboardModifiers modifiers;
    UINT virtualKey;
};

const KeyCase kKeyCases[] = {
    {"Enter", Qt::Key_Return, kNone, VK_RETURN},
    {"keypad Enter", Qt::Key_Enter, kKeypad, VK_RETURN},
    {"Ctrl", Qt::Key_Control, Qt::ControlModifier, VK_CONTROL},
    {"Shift", Qt::Key_Shift, Qt::ShiftModifier, VK_SHIFT},
    {"Alt", Qt::Key_Alt, Qt::AltModifier, VK_MENU},
    {"Escape", Qt::Key_Escape, kNone, VK_ESCAPE},
    {"Space", Qt::Key_Space, kNone, VK_SPACE},
    {"Page Up", Qt::Key_PageUp, kNone, VK_PRIOR},
    {"Page Down", Qt::Key_PageDown, kNone, VK_NEXT},
    {"End", Qt::Key_End, kNone, VK_END},
    {"Home", Qt::Key_Home, kNone, VK_HOME},
    {"Left", Qt::Key_Left, kNone, VK_LEFT},
    {"Up", Qt::Key_Up, kNone, VK_UP},
    {"Right", Qt::Key_Right, kNone, VK_RIGHT},
    {"Down", Qt::Key_Down, kNone, VK_DOWN},
    {"Insert", Qt::Key_Insert, kNone, VK_INSERT},
    {"Delete", Qt::Key_Delete, kNone, VK_DELETE},
    {"0", Qt::Key_0, kNone, '0'},
    {"9", Qt::Key_9, kNone, '9'},
    {"A", Qt::Key_A, kNone, 'A'},
    {"Shift+A", Qt::Key_A, Qt::ShiftModifier, 'A'},
    {"Ctrl+S", Qt::Key_S, Qt::ControlModifier, 'S'},
    {"lower-case z", 'z', kNone, 'Z'},
    {"Z", Qt::Key_Z, kNone, 'Z'},
    {"keypad 0", Qt::Key_0, kKeypad, VK_NUMPAD0},
    {"keypad 5", Qt::Key_5, kKeypad, VK_NUMPAD5},
    {"keypad 9", Qt::Key_9, kKeypad, VK_NUMPAD9},
    {"keypad *", Qt::Key_Asterisk, kKeypad, VK_MULTIPLY},
    {"keypad +", Qt::Key_Plus, kKeypad, VK_ADD},
    {"keypad -", Qt::Key_Minus, kKeypad, VK_SUBTRACT},
    {"keypad .", Qt::Key_Period, kKeypad, VK_DECIMAL},
    {"keypad , (German)", Qt::Key_Comma, kKeypad, VK_DECIMAL},
    {"keypad /", Qt::Key_Slash, kKeypad, VK_DIVIDE},
    // NumLock off: the digit keys send navigation keys.
    {"keypad Insert", Qt::Key_Insert, kKeypad, VK_NUMPAD0},
    {"keypad End", Qt::Key_End, kKeypad, VK_NUMPAD1},
    {"keypad Down", Qt::Key_Down, kKeypad, VK_NUMPAD2},
    {"keypad Page Down", Qt::Key_PageDown, kKeypad, VK_NUMPAD3},
    {"keypad Left", Qt::Key_Left, kKeypad, VK_NUMPAD4},
    {"keypad Clear", Qt::Key_Clear, kKeypad, VK_NUMPAD5},
    {"keypad Right", Qt::Key_Right, kKeypad, VK_NUMPAD6},
    {"keypad Home", Qt::Key_Home, kKeypad, VK_NUMPAD7},
    {"keypad Up", Qt::Key_Up, kKeypad, VK_NUMPAD8},
    {"keypad Page Up", Qt::Key_PageUp, kKeypad, VK_NUMPAD9},
    {"keypad Delete", Qt::Key_Delete, kKeypad, VK_DECIMAL},
    {"Clear", Qt::Key_Clear, kNone, VK_CLEAR},
    // The main keyboard's plus and minus are not the keypad's.
    {"+", Qt::Key_Plus, kNone, VK_OEM_PLUS},
    {"Shift+=", Qt::Key_Plus, Qt::ShiftModifier, VK_OEM_PLUS},
    {"-", Qt::Key_Minus, kNone, VK_OEM_MINUS},
    {"F1", Qt::Key_F1, kNone, VK_F1},
    {"F4", Qt::Key_F4, kNone, VK_F4},
    {"F5", Qt::Key_F5, kNone, VK_F5},
    {"F8", Qt::Key_F8, kNone, VK_F8},
    {"F12", Qt::Key_F12, kNone, VK_F12},
    {"F13", Qt::Key_F13, kNone, 0x7C},
    {"Tab", Qt::Key_Tab, kNone, VK_TAB},
    {"Backspace", Qt::Key_Backspace, kNone, VK_BACK},
    {"Print", Qt::Key_Print, kNone, VK_SNAPSHOT},
    {"a Cyrillic letter", 0x0424, kNone, 0},
    {"a volume key", Qt::Key_VolumeUp, kNone, 0},
    {"no key", 0, kNone, 0},
    {"an unknown keypad key", Qt::Key_VolumeUp, kKeypad, 0},
};

TEST(VirtualKeysTest, QtKeysBecomeVirtualKeys) {
    for (const KeyCase& key : kKeyCases) {
        EXPECT_EQ(VirtualKeyFromQt(key.qtKey, key.modifiers), key.virtualKey) << key.what;
    }
}

TEST(VirtualKeysTest, TheCodesAreTheWindowsOnes) {
    EXPECT_EQ(VK_RETURN, 0x0Du);
    EXPECT_EQ(VK_CONTROL, 0x11u);
    EXPECT_EQ(VK_ESCAPE, 0x1Bu);
    EXPECT_EQ(VK_SPACE, 0x20u);
    EXPECT_EQ(VK_PRIOR, 0x21u);
    EXPECT_EQ(VK_HOME, 0x24u);
    EXPECT_EQ(VK_LEFT, 0x25u);
    EXPECT_EQ(VK_DOWN, 0x28u);
    EXPECT_EQ(VK_INSERT, 0x2Du);
    EXPECT_EQ(VK_DELETE, 0x2Eu);
    EXPECT_EQ(VK_NUMPAD0, 0x60u);
    EXPECT_EQ(VK_NUMPAD9, 0x69u);
    EXPECT_EQ(VK_MULTIPLY, 0x6Au);
    EXPECT_EQ(VK_ADD, 0x6Bu);
    EXPECT_EQ(VK_SUBTRACT, 0x6Du);
    EXPECT_EQ(VK_DECIMAL, 0x6Eu);
    EXPECT_EQ(VK_DIVIDE, 0x6Fu);
    EXPECT_EQ(VK_F1, 0x70u);
    EXPECT_EQ(VK_F12, 0x7Bu);
    EXPECT_EQ(VK_SHIFT, 0x10u);
    EXPECT_EQ(VK_MENU, 0x12u);
}

struct LParamCase {
    const char* what;
    bool autoRepeat;
    bool keyUp;
    quint32 nativeScanCode;
    quint32 lParam;
};

// X11 key codes: A 38, Home 110, keypad 7 79, keypad Enter 104, Right 114, F12 96.
const LParamCase kLParamCases[] = {
    {"A down", false, false, 38, 0x001E0001},
    {"A repeated", true, false, 38, 0x401E0001},
    {"A up", false, true, 38, 0xC01E0001},
    {"Home down", false, false, 110, 0x01470001},
    {"Home up", false, true, 110, 0xC1470001},
    {"keypad 7 down", false, false, 79, 0x00470001},
    {"keypad Enter", false, false, 104, 0x011C0001},
    {"Right", false, false, 114, 0x014D0001},
    {"F12", false, false, 96, 0x00580001},
    {"no scan code (offscreen)", false, false, 0, 0x00000001},
    {"a code without a PC scan code", false, false, 8 + 200, 0x00000001},
};

TEST(VirtualKeysTest, KeyMessageLParamHasTheWindowsLayout) {
    for (const LParamCase& key : kLParamCases) {
        const LPARAM lParam = KeyMessageLParam(key.autoRepeat, key.keyUp, key.nativeScanCode);
        // The 32 bits, never sign-extended.
        EXPECT_EQ(lParam, static_cast<LPARAM>(key.lParam)) << key.what;
        EXPECT_GT(lParam, 0) << key.what;
    }
}

}  // namespace
