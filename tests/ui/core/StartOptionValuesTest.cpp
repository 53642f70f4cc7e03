// The values of the options "size", "wndpos" and "bordercol".
#include "ui/core/StartOptionValues.h"

#include <gtest/gtest.h>

namespace {

TEST(StartOptionValuesTest, SizePositionAndColour) {
    const std::pair<const char*, std::optional<PixelSize>> sizes[] = {
        {"640x480", PixelSize{640, 480}}, {"0.5X", PixelSize{160, 120}},
        {"640X480", PixelSize{640, 480}}, {"640", std::nullopt},
        {"x480", std::nullopt},           {"0x2", std::nullopt}};
    for (const auto& [text, size] : sizes) {
        EXPECT_EQ(SizeOption(text, {320, 240}), size) << text;
    }
    // From a corner of a 1280 x 800 display.
    const std::pair<const char*, std::optional<PixelPoint>> corners[] = {
        {"100,50", PixelPoint{100, 50}},
        {"100,50,lefttop", PixelPoint{100, 50}},
        {"100,50,righttop", PixelPoint{1180, 50}},
        {"100,50,leftbottom", PixelPoint{100, 750}},
        {"100,50,rightbottom", PixelPoint{1180, 750}},
        {"-5,abc,x", PixelPoint{-5, 0}},
        {"100", std::nullopt},
        {",50", std::nullopt},
        {"100,,rightbottom", std::nullopt}};
    for (const auto& [text, point] : corners) {
        EXPECT_EQ(WindowPositionOption(text, {1280, 800}), point) << text;
    }
    const std::pair<const char*, std::optional<std::uint32_t>> colours[] = {
        {"1,2,3", 0x030201u},
        {"0,256,257", 0x010000u},
        {"1,2,3,4", 0x030201u},
        {"0,0", std::nullopt}};
    for (const auto& [text, colour] : colours) {
        EXPECT_EQ(BorderColourOption(text), colour) << text;
    }
}

}  // namespace
