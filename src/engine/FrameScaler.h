// Nearly every film reaches the screen as 8-bit 4:2:0 that has to be scaled
// to the window and turned into 32-bit pixels. Doing that in one tight pass
// costs a third of what general-purpose converters spend, which at 1080p is
// as much as decoding.
#pragma once

#include "PlaneScaler.h"

#include <cstdint>
#include <vector>

namespace velvaro::engine {

// How Y'CbCr codes map to RGB: the luma weights of red and blue, and
// whether the codes span 0-255 or the studio range 16-235.
struct YuvMatrix {
    double kr = 0.2126;
    double kb = 0.0722;
    bool fullRange = false;
};

// A YuvMatrix in fixed point.
struct YuvToRgb {
    int yOffset = 16;
    int yScale = 0;
    int vToR = 0;
    int uToG = 0;
    int vToG = 0;
    int uToB = 0;
    // For sixteen-bit lanes: luma times 257 to times the luma scale in
    // 64ths, after taking the high half; and the offset and rounding after.
    int lumaGain = 0;
    int lumaBias = 0;
};

// Scales with PlaneScaler and upsamples chroma linearly, a row at a time
// from source to screen. Keeps its scratch memory between pictures; one
// picture at a time.
class FrameScaler {
public:
    FrameScaler();

    void SetMatrix(const YuvMatrix& matrix);

    // `y`, `u` and `v` hold a 4:2:0 picture, the chroma planes half the
    // luma's size rounded up. Writes `width` x `height` BGRx pixels.
    void ScaleToBgrx(const PlaneView& y, const PlaneView& u, const PlaneView& v, std::uint8_t* out,
                     int outStride, int width, int height);

private:
    // A scaled chroma row, and which one it is.
    struct ChromaRow {
        std::vector<std::uint8_t> samples;
        int index = -1;
    };

    const std::uint8_t* ScaledChroma(int plane, int index);

    YuvToRgb coefficients_;
    PlaneScaler luma_;
    PlaneScaler chroma_[2];
    std::vector<std::uint8_t> lumaRow_;
    // The last three scaled rows of each chroma plane.
    ChromaRow chromaRows_[2][3];
    // Chroma for one output row, half width, padded either side.
    std::vector<std::uint8_t> nearChroma_[2];
    // The same widened to the row's pixels, both planes.
    std::vector<std::uint8_t> widenedChroma_;
};

}  // namespace velvaro::engine
