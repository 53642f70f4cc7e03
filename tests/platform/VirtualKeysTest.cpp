// Qt keys to virtual keys, and the lParam of key messages.
#include "platform/VirtualKeys.h"

#include <gtest/gtest.h>

#include <span>
#include <tuple>

namespace {

struct KeyCase {
    int qtKey;
    UINT virtualKey;  // the Windows number, so the VK_ constants are checked too
};

// clang-format off
// Plain keys; 0 for keys without a virtual key (a Cyrillic letter, a volume key, none).
const KeyCase kPlainKeys[] = {
    {Qt::Key_Return, 0x0D},    {Qt::Key_Escape, 0x1B}, {Qt::Key_Space, 0x20},  {Qt::Key_PageUp, 0x21},
    {Qt::Key_PageDown, 0x22},  {Qt::Key_End, 0x23},    {Qt::Key_Home, 0x24},   {Qt::Key_Left, 0x25},
    {Qt::Key_Up, 0x26},        {Qt::Key_Right, 0x27},  {Qt::Key_Down, 0x28},   {Qt::Key_Insert, 0x2D},
    {Qt::Key_Delete, 0x2E},    {Qt::Key_0, 0x30},      {Qt::Key_9, 0x39},      {Qt::Key_A, 0x41},
    {'z', 0x5A},               {Qt::Key_Z, 0x5A},      {Qt::Key_Clear, 0x0C},  {Qt::Key_Plus, 0xBB},
    {Qt::Key_Minus, 0xBD},     {Qt::Key_F1, 0x70},     {Qt::Key_F4, 0x73},     {Qt::Key_F5, 0x74},
    {Qt::Key_F8, 0x77},        {Qt::Key_F12, 0x7B},    {Qt::Key_F13, 0x7C},    {Qt::Key_Tab, 0x09},
    {Qt::Key_Backspace, 0x08}, {Qt::Key_Print, 0x2C},  {0x0424, 0},            {Qt::Key_VolumeUp, 0},
    {0, 0}};

// With the keypad modifier: its own codes, and with NumLock off the digit
// keys send navigation keys; the German keypad's comma is its decimal key.
const KeyCase kKeypadKeys[] = {
    {Qt::Key_Enter, 0x0D},     {Qt::Key_0, 0x60},        {Qt::Key_5, 0x65},      {Qt::Key_9, 0x69},
    {Qt::Key_Asterisk, 0x6A},  {Qt::Key_Plus, 0x6B},     {Qt::Key_Minus, 0x6D},  {Qt::Key_Period, 0x6E},
    {Qt::Key_Comma, 0x6E},     {Qt::Key_Slash, 0x6F},    {Qt::Key_Insert, 0x60}, {Qt::Key_End, 0x61},
    {Qt::Key_Down, 0x62},      {Qt::Key_PageDown, 0x63}, {Qt::Key_Left, 0x64},   {Qt::Key_Clear, 0x65},
    {Qt::Key_Right, 0x66},     {Qt::Key_Home, 0x67},     {Qt::Key_Up, 0x68},     {Qt::Key_PageUp, 0x69},
    {Qt::Key_Delete, 0x6E},    {Qt::Key_VolumeUp, 0}};
// clang-format on

TEST(VirtualKeysTest, QtKeysBecomeVirtualKeys) {
    for (const auto& [keys, modifiers] :
         {std::pair{std::span<const KeyCase>(kPlainKeys), Qt::KeyboardModifiers()},
          {std::span<const KeyCase>(kKeypadKeys), Qt::KeypadModifier}}) {
        for (const KeyCase& key : keys) {
            EXPECT_EQ(VirtualKeyFromQt(key.qtKey, modifiers), key.virtualKey)
                << std::hex << key.qtKey << " " << modifiers;
        }
    }
    // Modifiers change nothing else; the main keyboard's plus is not the keypad's.
    const std::tuple<int, Qt::KeyboardModifiers, UINT> modified[] = {
        {Qt::Key_Control, Qt::ControlModifier, 0x11}, {Qt::Key_Shift, Qt::ShiftModifier, 0x10},
        {Qt::Key_Alt, Qt::AltModifier, 0x12},         {Qt::Key_A, Qt::ShiftModifier, 0x41},
        {Qt::Key_S, Qt::ControlModifier, 0x53},       {Qt::Key_Plus, Qt::ShiftModifier, 0xBB}};
    for (const auto& [qtKey, modifiers, virtualKey] : modified) {
        EXPECT_EQ(VirtualKeyFromQt(qtKey, modifiers), virtualKey) << std::hex << qtKey;
    }
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
