// The window's client area inside: where the bars sit and where the picture
// goes, its zoom and fill commands over the window's VideoLayout.
#pragma once

#include "session/VideoLayout.h"
#include "ui/ViewParts.h"

class FullscreenView;

class VideoArea {
public:
    // `fullscreen` is only read once the window runs.
    VideoArea(ViewParts parts, const FullscreenView& fullscreen);

    bool HasVideo() const;
    // The bars' heights; a hidden bar counts 0.
    BarHeights Bars() const;
    // What the window adds to its client area.
    PixelSize FrameSize() const;
    // The client size without a medium is the splash picture's.
    int SplashHeight() const { return splashHeight_; }

    // The menu bar at the top, the client area below it.
    void PlaceClientArea();
    void PlaceControlBars();
    // The position bar's row below the video area.
    void PlaceSliders(int areaWidth, int top);
    void GetVideoAreaSize(int* width, int* height) const;
    // The video window over the video area and the picture inside it.
    void LayoutVideo();

    void Zoom(bool horizontal, double step);
    void OnVideoReset();
    void OnAspectRatio();
    void OnFillScreen();
    void OnFillWithoutClipping();
    void OnToggleFill();

private:
    void Fill(VideoLayout::Mode mode);
    CMediaPlayer* Engine() const { return parts_.engine(); }

    ViewParts parts_;
    const FullscreenView& fullscreen_;
    int splashHeight_;
};
