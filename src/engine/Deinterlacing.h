// Interlaced pictures hold two half-pictures, the even rows and the odd,
// taken a field apart: shown as they are, everything that moves is combed.
// A deinterlacer makes a whole picture of each half again.
#pragma once

namespace velvaro::engine {

// Automatic: the pictures the decoder marks interlaced (DVDs, television
// recordings, H.264 coded in fields), never progressive ones. On: every
// picture, marked or not. Off: none.
enum class Deinterlacing { Automatic, On, Off };

// Graphs built from now on start with `mode`; a graph already built keeps
// its own until told (IBasicVideo2::SetDeinterlacing). Any thread.
void SetDeinterlacingOfNewGraphs(Deinterlacing mode);
Deinterlacing DeinterlacingOfNewGraphs();

}  // namespace velvaro::engine
