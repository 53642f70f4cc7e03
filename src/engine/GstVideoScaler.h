// The video renderer's scaler: takes any raw picture and gives BGRx of the
// size downstream asks for, through FrameScaler for 8-bit 4:2:0 and through
// GStreamer's general converter for everything else. 8-bit 4:2:0 passes
// through untouched where downstream takes it.
#pragma once

namespace velvaro::engine {

inline constexpr const char* kVideoScalerElement = "velvaroscale";
// What the scaler passes through untouched.
inline constexpr const char* kScalerPassThroughCaps =
    "video/x-raw,format=(string){ I420, YV12, NV12 }";

// Makes the element known to GStreamer. Once GStreamer is initialised;
// later calls do nothing.
void RegisterVideoScaler();

}  // namespace velvaro::engine
