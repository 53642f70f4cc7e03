// The values of the window's start options: what "size", "wndpos",
// "bordercol" and "jumptopos" ask for, or nothing when the text does not
// say. Numbers beyond any screen or medium are held at a bound.
#pragma once

#include "session/VideoLayout.h"

#include <cstdint>
#include <optional>
#include <string>

struct PixelPoint {
    int x = 0;
    int y = 0;
    bool operator==(const PixelPoint&) const = default;
};

// "640x480" is a video area of that size, "2x" the factor of `video`.
std::optional<PixelSize> SizeOption(const std::string& value, PixelSize video);
// "x,y" or "x,y,corner": the window's top-left corner, measured from a
// corner of a display of `display`.
std::optional<PixelPoint> WindowPositionOption(const std::string& value, PixelSize display);
// "red,green,blue" as a colour 0x00bbggrr.
std::optional<std::uint32_t> BorderColourOption(const std::string& value);
// "seconds" as the position to jump to, in hundredths of a second; nothing
// for 0 or no number.
std::optional<int> JumpOption(const std::string& value);
