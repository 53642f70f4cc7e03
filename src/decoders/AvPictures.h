// Decoded pictures of libavcodec as GStreamer's: their format and colours,
// and their planes handed on without a copy, or copied.
#pragma once

#include <gst/video/gstvideodecoder.h>
#include <gst/video/video.h>

extern "C" {
#include <libavcodec/avcodec.h>
}

namespace velvaro::decoders {

// GST_VIDEO_FORMAT_UNKNOWN for a pixel format GStreamer has no name for.
GstVideoFormat FormatOf(int pixelFormat);
// What the stream says of its colours wins over the defaults for its size.
void TakeColours(const AVFrame& picture, GstVideoInfo* info);
// The codec's own planes, read-only (it may still refer to them), each
// holding a reference to the picture: no copy. Whoever writes into the
// picture gets a copy of it.
GstFlowReturn WrapPicture(const AVFrame& picture, const GstVideoInfo& info,
                          GstVideoCodecFrame* frame);
// Into a buffer of the decoder's pool.
GstFlowReturn CopyPicture(GstVideoDecoder* decoder, const AVFrame& picture,
                          const GstVideoInfo& info, GstVideoCodecFrame* frame);

}  // namespace velvaro::decoders
