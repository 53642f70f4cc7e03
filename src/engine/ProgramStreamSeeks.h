// An MPEG program stream's demuxer seeks by the clock references of the
// packs, which run ahead of the pictures they carry; asked for a time, it
// starts after the key frame the pictures there need, and an exact seek
// shows the next key frame instead. Its seeks are turned into seeks from
// well before, with the segment still starting at the time asked for: the
// decoders decode from the key frame and drop what comes before the time.
#pragma once

#include <gst/gst.h>

namespace velvaro::engine {

// How far before the time asked for such a demuxer is sent: the packs'
// lead over their pictures and a DVD's longest group of pictures.
inline constexpr GstClockTime kProgramStreamSeekLead = 1500 * GST_MSECOND;

// From now on, for every MPEG program stream demuxer added anywhere
// inside `bin`.
void MakeProgramStreamSeeksExact(GstBin* bin);

}  // namespace velvaro::engine
