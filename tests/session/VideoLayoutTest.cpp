// The picture's layout and window sizes, and the values of the options
// "size", "wndpos", "bordercol" and "jumptopos".
#include "session/StartOptionValues.h"
#include "session/VideoLayout.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

// A layout zoomed by hand `times` steps of `step`, one way or both.
VideoLayout Zoomed(bool horizontal, int times, double step, bool keepAspect) {
    VideoLayout layout;
    for (int i = 0; i < times; ++i) {
        layout.Zoom(horizontal, step, keepAspect);
    }
    return layout;
}

TEST(VideoLayoutTest, ZoomStepsStayAboveZeroAndKeepAspectTakesTheLargerFactor) {
    // Nineteen shrinks reach 5%; the twentieth is undone.
    VideoLayout layout = Zoomed(true, 20, -VideoLayout::kZoomStep, false);
    EXPECT_EQ(
        std::tuple(ZoomText(layout.HorizontalZoom()), layout.VerticalZoom(), layout.ZoomMode()),
        std::tuple("5%", 1.0, VideoLayout::kByHand));
    layout.KeepAspect();
    EXPECT_EQ(layout.HorizontalZoom(), 1.0);
    layout.Zoom(false, 0.05, true);
    EXPECT_EQ(ZoomText(layout.HorizontalZoom()), "105%");
    layout = Zoomed(false, 4, 0.05, false);
    layout.Zoom(true, -0.05, false);
    layout.KeepAspect();
    EXPECT_DOUBLE_EQ(layout.HorizontalZoom(), layout.VerticalZoom());
    EXPECT_EQ(ZoomText(layout.HorizontalZoom()), "120%");
    layout.Reset();
    EXPECT_EQ(std::tuple(layout.HorizontalZoom(), layout.ZoomMode()),
              std::tuple(1.0, VideoLayout::kOriginal));
}

TEST(VideoLayoutTest, FillModes) {
    constexpr auto kClip = VideoLayout::kFill;
    constexpr auto kWhole = VideoLayout::kFillWithoutClipping;
    // Mode, aspect ratio, video, area, keep aspect; the zooms it gives.
    const std::tuple<VideoLayout::Mode, double, PixelSize, PixelSize, bool, double, double>
        cases[] = {
            // 16:9 in a 4:3 area with bars or cut sides is the window's test.
            // Filling completely fits the height even when the area is taller
            // than wide; a portrait picture fits the width.
            {kClip, 4.0 / 3, {320, 240}, {300, 600}, true, 2.5, 2.5},
            {kClip, 0.5, {100, 200}, {400, 300}, true, 4.0, 4.0},
            {kWhole, 4.0 / 3, {320, 240}, {800, 300}, true, 1.25, 1.25},
            // No area height counts as a ratio of 0: the width fits.
            {kWhole, 4.0 / 3, {320, 240}, {320, 0}, true, 1.0, 1.0},
            {kClip, 16.0 / 9, {320, 180}, {400, 300}, false, 1.25, 300.0 / 180},
            {kWhole, 16.0 / 9, {320, 180}, {400, 300}, false, 1.25, 300.0 / 180},
        };
    for (const auto& [mode, ratio, video, area, keepAspect, zoomX, zoomY] : cases) {
        VideoLayout layout;
        ASSERT_TRUE(layout.Fill(mode, ratio, video, area, keepAspect));
        EXPECT_DOUBLE_EQ(layout.HorizontalZoom(), zoomX) << area.width << mode;
        EXPECT_DOUBLE_EQ(layout.VerticalZoom(), zoomY) << area.width << mode;
        EXPECT_EQ(layout.ZoomMode(), mode);
    }
    VideoLayout layout;
    EXPECT_FALSE(layout.Fill(kClip, 1.0, {0, 240}, {400, 300}, true));
    EXPECT_EQ(layout.ZoomMode(), VideoLayout::kOriginal);
}

// Whole pixels: the picture is truncated, its offset rounds towards zero.
TEST(VideoLayoutTest, DestinationIsCentredAndNegativeWhenLarger) {
    VideoLayout layout;
    layout.Fill(VideoLayout::kFillWithoutClipping, 16.0 / 9, {320, 180}, {400, 300}, true);
    EXPECT_EQ(layout.Destination({320, 180}, {400, 300}), (PixelRect{0, 37, 400, 225}));
    EXPECT_EQ(Zoomed(false, 3, 0.05, true).Destination({321, 241}, {320, 240}),
              (PixelRect{-24, -18, 369, 277}));
}

// A window that would run off the screen shrinks to the largest picture of
// the same shape; one that fits keeps the video's own size to the pixel.
TEST(VideoLayoutTest, FitVideoAreaKeepsShapeAndOnlyShrinks) {
    const BarHeights bars{.toolbar = 30, .positionBar = 24, .statusBar = 22};
    const PixelSize frame{0, 24};  // the menu bar
    const PixelSize screen{1280, 800};
    EXPECT_EQ(FitVideoArea({640, 360}, frame, bars, screen), (PixelSize{640, 360}));
    // Exactly filling the screen is still a fit.
    EXPECT_EQ(FitVideoArea({1280, 700}, frame, bars, screen), (PixelSize{1280, 700}));
    // 1080p: the height runs out first (800 - 24 - 76 = 700 rows).
    const PixelSize hd = FitVideoArea({1920, 1080}, frame, bars, screen);
    EXPECT_EQ(hd, (PixelSize{1244, 700}));
    const PixelSize window = WindowSizeFor(hd, frame, bars);
    EXPECT_LE(window.width, screen.width);
    EXPECT_LE(window.height, screen.height);
    // A wide picture runs out of width first.
    EXPECT_EQ(FitVideoArea({2560, 400}, frame, bars, screen), (PixelSize{1280, 200}));
    // No room at all still leaves a picture; no size is no change.
    EXPECT_EQ(FitVideoArea({1920, 1080}, frame, bars, {10, 10}), (PixelSize{1, 1}));
    EXPECT_EQ(FitVideoArea({0, 0}, frame, bars, screen), (PixelSize{0, 0}));
}

TEST(StartOptionValuesTest, SizePositionColourAndJump) {
    constexpr int kFar = 1 << 24;
    // "0.5x", "100,50,rightbottom", "1,2,3" and "0,0" are the window's.
    const std::pair<const char*, std::optional<PixelSize>> sizes[] = {
        {"640x480", PixelSize{640, 480}},
        {"0.5X", PixelSize{160, 120}},
        {"640X480", PixelSize{640, 480}},
        {"640", std::nullopt},
        {"x480", std::nullopt},
        {"0x2", std::nullopt},
        // Beyond any screen: held at a bound, not overflowed.
        {"1e300x-1e300", PixelSize{8192, 0}},
        {"-1e300x", PixelSize{0, 0}},
        {"99999x480", PixelSize{8192, 480}}};
    for (const auto& [text, size] : sizes) {
        EXPECT_EQ(SizeOption(text, {320, 240}), size) << text;
    }
    // From a corner of a 1280 x 800 display.
    const std::pair<const char*, std::optional<PixelPoint>> corners[] = {
        {"100,50", PixelPoint{100, 50}},
        {"100,50,lefttop", PixelPoint{100, 50}},
        {"100,50,righttop", PixelPoint{1180, 50}},
        {"100,50,leftbottom", PixelPoint{100, 750}},
        {"-5,abc,x", PixelPoint{-5, 0}},
        {"100", std::nullopt},
        {",50", std::nullopt},
        {"100,,rightbottom", std::nullopt},
        {"-2147483648,2147483647,99", PixelPoint{-kFar, kFar}},
        {"99999999999999999999,-99999999999999999999,rightbottom", PixelPoint{1280 - kFar, kFar}}};
    for (const auto& [text, point] : corners) {
        EXPECT_EQ(WindowPositionOption(text, {1280, 800}), point) << text;
    }
    const std::pair<const char*, std::optional<std::uint32_t>> colours[] = {
        {"0,256,257", 0x010000u},
        {"1,2,3,4", 0x030201u},
        {"0", std::nullopt},
        {"999,-1,abc", 999u + 0xFF00u},
        {"2147483647,255,255", static_cast<std::uint32_t>(kFar) + 0xFFFF00u}};
    for (const auto& [text, colour] : colours) {
        EXPECT_EQ(BorderColourOption(text), colour) << text;
    }
    // Seconds as hundredths, held to what a position can be.
    const std::pair<const char*, std::optional<int>> jumps[] = {
        {"12.5", 1250},
        {"-99999999999999999999", std::numeric_limits<int>::min()},
        {"1e300", std::numeric_limits<int>::max()},
        {"", std::nullopt},
        {"0", std::nullopt},
        {"nan", std::nullopt}};
    for (const auto& [text, hundredths] : jumps) {
        EXPECT_EQ(JumpOption(text), hundredths) << text;
    }
}

}  // namespace
