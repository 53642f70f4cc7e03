#include "session/StartOptionValues.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace {

// Further out than any screen reaches, and near enough to zero that a
// window's size added to it is still an int.
constexpr long long kFarthest = 1 << 24;

int Bounded(long long value) {
    return static_cast<int>(std::clamp(value, -kFarthest, kFarthest));
}

// A side of the video area: wider than any screen, yet a window whose
// pixels still fit in memory.
constexpr double kLargestSide = 8192;

int Side(double value) {
    return std::isnan(value) ? 0 : static_cast<int>(std::clamp(value, 0.0, kLargestSide));
}

// The number at the start of `text`, read as atoi reads it, but bounded
// instead of overflowing.
int Integer(const std::string& text) {
    return Bounded(std::strtoll(text.c_str(), nullptr, 10));
}

}  // namespace

std::optional<PixelSize> SizeOption(const std::string& value, PixelSize video) {
    std::size_t separator = value.find('x');
    if (separator == std::string::npos) {
        separator = value.find('X');
    }
    if (separator == std::string::npos) {
        return std::nullopt;
    }
    const double left = std::atof(value.substr(0, separator).c_str());
    const double right = std::atof(value.substr(separator + 1).c_str());
    if (left == 0) {
        return std::nullopt;
    }
    if (right == 0) {
        return PixelSize{Side(video.width * left), Side(video.height * left)};
    }
    return PixelSize{Side(left), Side(right)};
}

std::optional<PixelPoint> WindowPositionOption(const std::string& value, PixelSize display) {
    const std::size_t first = value.find(',');
    if (first == std::string::npos) {
        return std::nullopt;
    }
    const std::string xText = value.substr(0, first);
    std::string yText;
    std::string corner;
    if (const std::size_t second = value.find(',', first + 1); second != std::string::npos) {
        yText = value.substr(first + 1, second - first - 1);
        corner = value.substr(second + 1);
    } else {
        yText = value.substr(first + 1);
    }
    if (xText.empty() || yText.empty()) {
        return std::nullopt;
    }
    PixelPoint point{Integer(xText), Integer(yText)};
    if (corner == "righttop" || corner == "rightbottom") {
        point.x = Bounded(static_cast<long long>(display.width) - point.x);
    }
    if (corner == "leftbottom" || corner == "rightbottom") {
        point.y = Bounded(static_cast<long long>(display.height) - point.y);
    }
    return point;
}

std::optional<std::uint32_t> BorderColourOption(const std::string& value) {
    const std::size_t first = value.find(',');
    const std::size_t second =
        first == std::string::npos ? std::string::npos : value.find(',', first + 1);
    if (second == std::string::npos) {
        return std::nullopt;
    }
    const int red = Integer(value.substr(0, first));
    const int green = Integer(value.substr(first + 1, second - first - 1));
    const int blue = Integer(value.substr(second + 1));
    // Unsigned: a red beyond 255 spills into green, as it always did, and
    // cannot overflow.
    return static_cast<std::uint32_t>(red) + 256u * static_cast<std::uint32_t>(green & 255) +
           65536u * static_cast<std::uint32_t>(blue & 255);
}

std::optional<int> JumpOption(const std::string& value) {
    const double seconds = std::atof(value.c_str());
    if (value.empty() || seconds == 0 || std::isnan(seconds)) {
        return std::nullopt;
    }
    // Beyond either end the player stops at the medium's end or its start.
    constexpr double kFirst = std::numeric_limits<int>::min();
    constexpr double kLast = std::numeric_limits<int>::max();
    return static_cast<int>(std::clamp(seconds * 100, kFirst, kLast));
}
