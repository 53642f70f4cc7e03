// Software video decoders default to a thread more than the machine has
// cores, and every thread keeps pictures of its own in flight: memory and
// switching that buy nothing when one thread keeps up with the film. And
// decoding straight into GStreamer's buffers saves no copy (the decoder
// base class copies every picture the codec still refers to) while both
// keep their own set of pictures.
#pragma once

#include <gst/gst.h>

namespace velvaro::engine {

// Threads for a film of `width` x `height` at `framesPerSecond` (0 when
// unknown): one per 1080p at 30 frames a second, at least one, at most
// one per core.
int DecoderThreadsFor(int width, int height, double framesPerSecond, unsigned cores);

// From now on, every H.264, H.265, VP8, VP9 and AV1 decoder added anywhere
// inside `bin` gets its thread count when it learns the film's size, and
// decodes into memory of its own.
void TuneVideoDecoders(GstBin* bin);

}  // namespace velvaro::engine
