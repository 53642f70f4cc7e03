// decodebin3 holds back the end of each stream until every stream has
// ended, so that it can switch streams up to the last moment. A video
// decoder keeps its last pictures (the ones still to be put in display
// order) until it hears of the end: when the sound runs on a little
// longer, they come late, and the last one is dropped as late.
#pragma once

#include <gst/gst.h>

namespace velvaro::engine {

// From now on, the video decoders behind every decodebin3 inside `bin`
// hear of their stream's end as soon as the last of it has reached them.
void EndVideoStreamsOnTime(GstBin* bin);

}  // namespace velvaro::engine
