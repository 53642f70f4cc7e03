// The video renderer's scaler: takes any raw picture and gives BGRx of the
// size downstream asks for, through FrameScaler for 8-bit 4:2:0 and through
// GStreamer's general converter for everything else. 8-bit 4:2:0 passes
// through untouched where downstream takes it.
#pragma once

#include <gst/gst.h>

namespace velvaro::engine {

inline constexpr const char* kVideoScalerElement = "velvaroscale";

// What the window takes from the scaler: 8-bit 4:2:0 untouched, or BGRx on
// square pixels, `width` x `height` when both are above 0.
GstCaps* WindowCaps(int width, int height);

// Makes the element known to GStreamer. Once GStreamer is initialised;
// later calls do nothing.
void RegisterVideoScaler();

}  // namespace velvaro::engine
