// Where the picture goes, as arithmetic: the zoom pair of the window and the
// one of fullscreen, keep-aspect, the two fill modes, the destination
// rectangle inside the video window and the window sizes around a video area.
#pragma once

#include <string>

struct PixelSize {
    int width = 0;
    int height = 0;
    bool operator==(const PixelSize&) const = default;
};

struct PixelRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool operator==(const PixelRect&) const = default;
};

// A zoom factor as the status bar shows it: "105%".
std::string ZoomText(double factor);

// The volume slider sits at the right end of the position bar's row.
inline constexpr int kVolumeSliderWidth = 80;

// Heights of the bars around the video area; a hidden bar counts 0.
struct BarHeights {
    int toolbar = 0;
    int positionBar = 0;
    int statusBar = 0;
    bool toolbarOnTop = true;

    int Total() const { return toolbar + positionBar + statusBar; }
    // Where the video area starts below the client area's top.
    int TopOffset() const { return toolbarOnTop ? toolbar : 0; }
};

// The video area's height in a client area; in fullscreen the bars have gone.
int VideoAreaHeight(int clientHeight, const BarHeights& bars, bool fullscreen);
// The window's outer size around a video area of `area`; `frame` is what the
// window adds to its client area.
PixelSize WindowSizeFor(PixelSize area, PixelSize frame, const BarHeights& bars);
// The video area for a window that shows `video` at its own size: that size
// when the window fits into `available`, otherwise the largest area of the
// same shape whose window does (at least 1 x 1).
PixelSize FitVideoArea(PixelSize video, PixelSize frame, const BarHeights& bars,
                       PixelSize available);

class VideoLayout {
public:
    enum Mode { kOriginal, kByHand, kFill, kFillWithoutClipping };
    static constexpr double kZoomStep = 0.05;

    double HorizontalZoom() const { return zoomX_; }
    double VerticalZoom() const { return zoomY_; }
    int ZoomMode() const { return mode_; }

    // By hand, one factor by `step`; a factor that would not stay above 0 is
    // left as it was. With keep-aspect the other factor follows.
    void Zoom(bool horizontal, double step, bool keepAspect);
    // The original video size.
    void Reset();
    // Keep-aspect switched on: both factors take the larger one.
    void KeepAspect();
    // kFill covers the area, clipping the picture; kFillWithoutClipping
    // shows all of it. Stretched unless `keepAspect`. False, and nothing
    // changes, for a video without a size.
    bool Fill(Mode mode, double aspectRatio, PixelSize video, PixelSize area, bool keepAspect);
    // The picture's rectangle inside an area: centred, negative where it is
    // larger than the area.
    PixelRect Destination(PixelSize video, PixelSize area) const;
    // Entering and leaving fullscreen: each has a pair of its own.
    void SwapPairs();
    // A new medium: both pairs back to 1.0.
    void ResetPairs();

private:
    double zoomX_ = 1.0;
    double zoomY_ = 1.0;
    double otherZoomX_ = 1.0;
    double otherZoomY_ = 1.0;
    int mode_ = kOriginal;
};
