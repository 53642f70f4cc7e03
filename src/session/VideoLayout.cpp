#include "session/VideoLayout.h"

#include <algorithm>
#include <cstdio>
#include <utility>

std::string ZoomText(double factor) {
    char text[32];
    std::snprintf(text, sizeof text, "%.0f%%", factor * 100);
    return text;
}

int VideoAreaHeight(int clientHeight, const BarHeights& bars, bool fullscreen) {
    return fullscreen ? clientHeight : clientHeight - bars.Total();
}

PixelSize WindowSizeFor(PixelSize area, PixelSize frame, const BarHeights& bars) {
    return {area.width + frame.width, area.height + bars.Total() + frame.height};
}

PixelSize FitVideoArea(PixelSize video, PixelSize frame, const BarHeights& bars,
                       PixelSize available) {
    const PixelSize window = WindowSizeFor(video, frame, bars);
    if (video.width <= 0 || video.height <= 0 ||
        (window.width <= available.width && window.height <= available.height)) {
        return video;
    }
    const int roomWidth = std::max(1, available.width - frame.width);
    const int roomHeight = std::max(1, available.height - frame.height - bars.Total());
    // Whichever side runs out first decides; the other follows the shape,
    // rounded down so the window never pokes out by a pixel.
    const double scale = std::min(static_cast<double>(roomWidth) / video.width,
                                  static_cast<double>(roomHeight) / video.height);
    PixelSize area{static_cast<int>(video.width * scale), static_cast<int>(video.height * scale)};
    area.width = std::clamp(area.width, 1, roomWidth);
    area.height = std::clamp(area.height, 1, roomHeight);
    return area;
}

void VideoLayout::Zoom(bool horizontal, double step, bool keepAspect) {
    double& factor = horizontal ? zoomX_ : zoomY_;
    factor += step;
    if (factor <= 0.0) {
        factor -= step;
    }
    if (keepAspect) {
        (horizontal ? zoomY_ : zoomX_) = factor;
    }
    mode_ = kByHand;
}

void VideoLayout::Reset() {
    zoomX_ = zoomY_ = 1.0;
    mode_ = kOriginal;
}

void VideoLayout::KeepAspect() {
    if (zoomX_ > zoomY_) {
        zoomY_ = zoomX_;
    } else {
        zoomX_ = zoomY_;
    }
}

bool VideoLayout::Fill(Mode mode, double aspectRatio, PixelSize video, PixelSize area,
                       bool keepAspect) {
    if (video.width <= 0 || video.height <= 0) {
        return false;
    }
    const double byWidth = static_cast<double>(area.width) / video.width;
    const double byHeight = static_cast<double>(area.height) / video.height;
    if (keepAspect) {
        bool fitWidth = aspectRatio < 1.0;  // a portrait picture fills by its width
        if (mode == kFillWithoutClipping) {
            const double areaRatio =
                area.height > 0 ? static_cast<double>(area.width) / area.height : 0.0;
            fitWidth = areaRatio <= aspectRatio;
        }
        zoomX_ = zoomY_ = fitWidth ? byWidth : byHeight;
    } else {
        zoomX_ = byWidth;
        zoomY_ = byHeight;
    }
    mode_ = mode;
    return true;
}

PixelRect VideoLayout::Destination(PixelSize video, PixelSize area) const {
    const int width = static_cast<int>(video.width * zoomX_);
    const int height = static_cast<int>(video.height * zoomY_);
    return {(area.width - width) / 2, (area.height - height) / 2, width, height};
}

void VideoLayout::SwapPairs() {
    std::swap(zoomX_, otherZoomX_);
    std::swap(zoomY_, otherZoomY_);
}

void VideoLayout::ResetPairs() {
    zoomX_ = zoomY_ = otherZoomX_ = otherZoomY_ = 1.0;
    mode_ = kOriginal;
}
