#include "ui/core/StartOptionValues.h"

#include <cstdlib>

namespace {

int Integer(const std::string& text) {
    return std::atoi(text.c_str());
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
        return PixelSize{static_cast<int>(video.width * left),
                         static_cast<int>(video.height * left)};
    }
    return PixelSize{static_cast<int>(left), static_cast<int>(right)};
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
        point.x = display.width - point.x;
    }
    if (corner == "leftbottom" || corner == "rightbottom") {
        point.y = display.height - point.y;
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
    return static_cast<std::uint32_t>(red + 256 * (green & 255) + 65536 * (blue & 255));
}
