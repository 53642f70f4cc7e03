// Nearly every film reaches the screen as 8-bit 4:2:0 that has to be scaled
// to the window and turned into 32-bit pixels. Doing that in one tight pass
// costs a third of what general-purpose converters spend, which at 1080p is
// as much as decoding.
#pragma once

#include <cstdint>
#include <vector>

namespace velvaro::engine {

// One plane of a picture. `step` is the distance in bytes between two
// samples of a row: 2 for the interleaved chroma of NV12, else 1.
struct PlaneView {
    const std::uint8_t* data = nullptr;
    int stride = 0;
    int width = 0;
    int height = 0;
    int step = 1;
};

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

// Eight output columns for byte shuffles: the sixteen source bytes they
// read from `start`, which of them each column takes on its left and on its
// right (16-bit lanes, high bytes zeroed), and its weight, 0-128.
struct ColumnBlock {
    std::uint8_t left[16];
    std::uint8_t right[16];
    std::int16_t weight[8];
    int start;
};

// Scales with a bilinear filter (halving first, in steps, for anything
// smaller than half size) and upsamples chroma linearly. Keeps its scratch
// memory between pictures; one picture at a time.
class FrameScaler {
public:
    FrameScaler();

    void SetMatrix(const YuvMatrix& matrix);

    // `y`, `u` and `v` hold a 4:2:0 picture, the chroma planes half the
    // luma's size rounded up. Writes `width` x `height` BGRx pixels.
    void ScaleToBgrx(const PlaneView& y, const PlaneView& u, const PlaneView& v, std::uint8_t* out,
                     int outStride, int width, int height);

private:
    // How many source samples one output sample spans: the pictures' sizes,
    // not the planes', so that odd-sized chroma and halved planes keep their
    // samples where they belong.
    struct Ratio {
        std::int64_t source;
        std::int64_t out;
        bool Above2() const { return source > 2 * out; }
    };

    void ScalePlane(const PlaneView& source, Ratio across, Ratio down, std::uint8_t* out,
                    int outStride, int width, int height);
    PlaneView Shrunk(PlaneView source, Ratio* across, Ratio* down);
    void PlanColumns(const PlaneView& source, Ratio across, int width);
    void ResampleRow(const std::uint8_t* row, int step, int width, std::uint8_t* out) const;
    void ConvertRows(int width, int height, std::uint8_t* out, int outStride);

    YuvToRgb coefficients_;
    // The scaled planes, the picture's size.
    std::vector<std::uint8_t> luma_, blue_, red_;
    // Halved copies of a plane much larger than the output, two in turn.
    std::vector<std::uint8_t> halved_[2];
    // One row blended from two source rows.
    std::vector<std::uint8_t> blendedRow_;
    // Where each output column samples its source row, and the weight of
    // the right-hand sample, 0-256.
    std::vector<int> columnOffset_;
    std::vector<int> columnWeight_;
    // The same in blocks; empty when a block reaches too far.
    std::vector<ColumnBlock> columnBlocks_;
    // Chroma for one output row, half width, padded either side.
    std::vector<std::uint8_t> chromaRow_[2];
};

}  // namespace velvaro::engine
