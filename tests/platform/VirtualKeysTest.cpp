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

}  // namespace
