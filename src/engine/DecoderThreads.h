// Software video decoders default to a thread more than the machine has
// cores, and every thread keeps pictures of its own in flight: memory and
// switching that buy nothing when one thread keeps up with the film.
#pragma once

#include <gst/gst.h>

namespace velvaro::engine {

// Threads for a film of `width` x `height` at `framesPerSecond` (0 when
// unknown): one per 1080p at 30 frames a second, at least one, at most
// one per core.
int DecoderThreadsFor(int width, int height, double framesPerSecond, unsigned cores);

// From now on, every H.264, H.265, VP8, VP9 and AV1 decoder added anywhere
// inside `bin` gets its thread count when it learns the film's size.
void SizeDecoderThreads(GstBin* bin);

}  // namespace velvaro::engine
