// One plane of a picture scaled row by row, so that a whole scaled plane
// never has to be kept: a bilinear filter, with halving in steps first for
// anything smaller than half size.
#pragma once

#include <array>
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

// Output columns in blocks of eight, for byte shuffles: the sixteen source
// bytes block `b` reads from `start[b]`, which of them each column takes on
// its left and on its right (`left` and `right` from 16 * b, 16-bit lanes,
// high bytes zeroed), and its weight, 0-128 (`weight` from 8 * b). Kept
// side by side so that two blocks load as one.
struct ColumnBlocks {
    std::vector<int> start;
    std::vector<std::uint8_t> left;
    std::vector<std::uint8_t> right;
    std::vector<std::int16_t> weight;

    int Count() const { return static_cast<int>(start.size()); }
    void Resize(int count);
};

class PlaneScaler {
public:
    // How many source samples one output sample spans, from the pictures'
    // sizes rather than the planes', so that odd-sized chroma and halved
    // planes keep their samples where they belong.
    struct Ratio {
        std::int64_t source;
        std::int64_t out;
        bool Above2() const { return source > 2 * out; }
    };

    // Makes ready for rows `width` samples wide from `source`, which must
    // stay as it is until the last row.
    void Start(const PlaneView& source, Ratio across, Ratio down, int width);
    // Writes output row `y`.
    void Row(int y, std::uint8_t* out);

private:
    PlaneView Shrunk(PlaneView source, Ratio* across, Ratio* down);
    void PlanColumns(const PlaneView& source, Ratio across, int width);
    void ResampleRow(const std::uint8_t* row, int step, int width, std::uint8_t* out) const;
    void PrefetchRows(int y);

    PlaneView source_;
    Ratio down_{1, 1};
    int width_ = 0;
    bool sameWidth_ = true;
    // The last source row asked for ahead: rows are shared by output rows
    // next to each other, and asking twice costs as much as once.
    int prefetchedRow_ = -1;
    // Halved copies of a plane much larger than the output, two in turn.
    std::vector<std::uint8_t> halved_[2];
    // One row blended from two source rows.
    std::vector<std::uint8_t> blendedRow_;
    // Where each output column samples its source row, and the weight of
    // the right-hand sample, 0-256.
    std::vector<int> columnOffset_;
    std::vector<int> columnWeight_;
    // The same in blocks; empty when a block reaches too far.
    ColumnBlocks columnBlocks_;
    // Source width and step, ratio across and width the columns are for.
    std::array<std::int64_t, 5> plannedFor_{};
};

}  // namespace velvaro::engine
