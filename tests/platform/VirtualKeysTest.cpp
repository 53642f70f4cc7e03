// Qt keys to virtual keys, and the lParam of key messages.
#include "platform/VirtualKeys.h"

#include <gtest/gtest.h>

#include <tuple>

namespace {

TEST(VirtualKeysTest, QtKeysBecomeVirtualKeys) {
    constexpr Qt::KeyboardModifiers kNone, kPad = Qt::KeypadModifier;
    // The Windows numbers, so the VK_ constants are checked too; 0 for keys
    // without a virtual key. With NumLock off the keypad's digits send
    // navigation keys; the German keypad's comma is its decimal key.
    // clang-format off
    const std::tuple<int, Qt::KeyboardModifiers, UINT> keys[] = {
        {Qt::Key_Escape, kNone, 0x1B},  {Qt::Key_PageUp, kNone, 0x21},  {Qt::Key_9, kNone, 0x39},
        {'z', kNone, 0x5A},             {Qt::Key_Z, kNone, 0x5A},       {Qt::Key_Plus, kNone, 0xBB},
        {Qt::Key_F12, kNone, 0x7B},     {0x0424, kNone, 0},             {Qt::Key_VolumeUp, kNone, 0},
        {Qt::Key_Enter, kPad, 0x0D},    {Qt::Key_5, kPad, 0x65},        {Qt::Key_Plus, kPad, 0x6B},
        {Qt::Key_Comma, kPad, 0x6E},    {Qt::Key_PageUp, kPad, 0x69},   {Qt::Key_VolumeUp, kPad, 0},
        {Qt::Key_A, Qt::ShiftModifier, 0x41}, {Qt::Key_Alt, Qt::AltModifier, 0x12}};
    // clang-format on
    for (const auto& [qtKey, modifiers, virtualKey] : keys) {
        EXPECT_EQ(VirtualKeyFromQt(qtKey, modifiers), virtualKey) << std::hex << qtKey;
    }
}

TEST(VirtualKeysTest, KeyMessageLParamHasTheWindowsLayout) {
    // X11 key codes: A 38, Home 110, keypad 7 79, keypad Enter 104; 208 has
    // no PC scan code, and offscreen there is none at all.
    const std::tuple<bool, bool, quint32, quint32> keys[] = {
        {false, false, 38, 0x001E0001}, {true, false, 38, 0x401E0001},
        {false, true, 38, 0xC01E0001},  {false, true, 110, 0xC1470001},
        {false, false, 79, 0x00470001}, {false, false, 104, 0x011C0001},
        {false, false, 0, 0x00000001},  {false, false, 208, 0x00000001}};
    for (const auto& [autoRepeat, keyUp, scanCode, expected] : keys) {
        const LPARAM lParam = KeyMessageLParam(autoRepeat, keyUp, scanCode);
        // The 32 bits, never sign-extended.
        EXPECT_EQ(lParam, static_cast<LPARAM>(expected)) << scanCode;
        EXPECT_GT(lParam, 0) << scanCode;
    }
}

}  // namespace
