// Video decoders of the commonest films over libavcodec alone. GStreamer's
// own libav plugin links well over a hundred libraries (every format,
// filter and network protocol libavformat and libavfilter know), which is
// the longest wait of a film's first open; these link two.
#pragma once

#include <gst/gst.h>

namespace velvaro::decoders {

// Registers a decoder for each codec libavcodec has, at `rank`; false when
// it has none of them.
bool RegisterAvVideoDecoders(guint rank);

}  // namespace velvaro::decoders
