// How FrameScaler sees a mapped GStreamer picture: which formats it takes,
// the colour matrix and the planes.
#pragma once

#include "FrameScaler.h"

#include <gst/video/video.h>

namespace velvaro::engine {

bool IsFrameScalerFormat(GstVideoFormat format);

// Pictures without a stated matrix get the one their size implies, as
// converters commonly assume.
YuvMatrix MatrixOf(const GstVideoInfo& info);

PlaneView ComponentOf(const GstVideoFrame* frame, guint component);

}  // namespace velvaro::engine
