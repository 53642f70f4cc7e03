#include "FrameScaler.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

// The loops below are written for the compiler to vectorise; on x86-64 it
// builds each twice, for AVX2 and for the baseline, and picks at load time.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#define VELVARO_VECTOR_CLONES [[gnu::target_clones("avx2", "default")]]
#else
#define VELVARO_VECTOR_CLONES
#endif

namespace velvaro::engine {

namespace {

// Every factor, 2.0 at most, must fit a signed sixteen-bit lane.
constexpr int kCoefficientBits = 13;
using Pixel [[gnu::may_alias]] = std::uint32_t;

// Where output sample `index` falls on `sourceCount` samples, in 1/65536ths,
// when each output sample spans `source / out` of them; centres aligned,
// clamped to the first and last sample.
std::int64_t SourcePosition(int index, std::int64_t source, std::int64_t out, int sourceCount) {
    const std::int64_t position = ((2 * index + 1) * source << 16) / (2 * out) - 32768;
    return std::clamp<std::int64_t>(position, 0, static_cast<std::int64_t>(sourceCount - 1) << 16);
}

VELVARO_VECTOR_CLONES
void BlendRows(const std::uint8_t* __restrict top, const std::uint8_t* __restrict bottom,
               int weight, int count, std::uint8_t* __restrict out) {
    // 255 * 256 + 128 fits sixteen bits: twice the lanes of int arithmetic.
    const auto bottomWeight = static_cast<std::uint16_t>(weight);
    const auto topWeight = static_cast<std::uint16_t>(256 - weight);
    for (int i = 0; i < count; ++i) {
        const auto sum =
            static_cast<std::uint16_t>(top[i] * topWeight + bottom[i] * bottomWeight + 128);
        out[i] = static_cast<std::uint8_t>(sum >> 8);
    }
}

// `row` must hold three bytes more than the last offset reaches, for the
// AVX2 path's four-byte loads.
void ResampleRowPlain(const std::uint8_t* __restrict row, const int* __restrict offsets,
                      const int* __restrict weights, int step, int begin, int count,
                      std::uint8_t* __restrict out) {
    for (int x = begin; x < count; ++x) {
        const int left = row[offsets[x]];
        const int right = row[offsets[x] + step];
        out[x] = static_cast<std::uint8_t>(left + (((right - left) * weights[x] + 128) >> 8));
    }
}

#if defined(__x86_64__) && defined(__GNUC__)
// Eight columns: compilers cannot gather single bytes, so this gathers the
// four bytes at each offset, both samples in one load.
[[gnu::target("avx2")]] inline __m256i ResampleEight(const std::uint8_t* row, const int* offsets,
                                                     const int* weights, __m128i shift) {
    const __m256i low = _mm256_set1_epi32(0xff);
    const __m256i at = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(offsets));
    const __m256i weight = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(weights));
    const __m256i bytes = _mm256_i32gather_epi32(reinterpret_cast<const int*>(row), at, 1);
    const __m256i left = _mm256_and_si256(bytes, low);
    const __m256i right = _mm256_and_si256(_mm256_srl_epi32(bytes, shift), low);
    const __m256i difference = _mm256_mullo_epi32(_mm256_sub_epi32(right, left), weight);
    return _mm256_add_epi32(
        left, _mm256_srai_epi32(_mm256_add_epi32(difference, _mm256_set1_epi32(128)), 8));
}

[[gnu::target("avx2")]] void ResampleRowAvx2(const std::uint8_t* row, const int* offsets,
                                             const int* weights, int step, int count,
                                             std::uint8_t* out) {
    const __m128i shift = _mm_cvtsi32_si128(8 * step);
    int x = 0;
    for (; x + 16 <= count; x += 16) {
        const __m256i first = ResampleEight(row, offsets + x, weights + x, shift);
        const __m256i second = ResampleEight(row, offsets + x + 8, weights + x + 8, shift);
        const __m256i words = _mm256_permute4x64_epi64(_mm256_packus_epi32(first, second), 0xd8);
        const __m128i bytes =
            _mm_packus_epi16(_mm256_castsi256_si128(words), _mm256_extracti128_si256(words, 1));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), bytes);
    }
    ResampleRowPlain(row, offsets, weights, step, x, count, out);
}

// Eight columns whose sources lie within sixteen bytes: one load, and a
// shuffle each for the left and the right samples.
[[gnu::target("ssse3")]] void ResampleRowShuffled(const std::uint8_t* row,
                                                  const ColumnBlock* blocks, int blockCount,
                                                  std::uint8_t* out) {
    const auto load = [](const void* at) {
        return _mm_loadu_si128(static_cast<const __m128i*>(at));
    };
    const __m128i half = _mm_set1_epi16(64);
    for (int block = 0; block < blockCount; ++block) {
        const ColumnBlock& plan = blocks[block];
        const __m128i source = load(row + plan.start);
        const __m128i left = _mm_shuffle_epi8(source, load(plan.left));
        const __m128i right = _mm_shuffle_epi8(source, load(plan.right));
        const __m128i difference = _mm_mullo_epi16(_mm_sub_epi16(right, left), load(plan.weight));
        const __m128i value =
            _mm_add_epi16(left, _mm_srai_epi16(_mm_add_epi16(difference, half), 7));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out + 8 * block),
                         _mm_packus_epi16(value, value));
    }
}

const bool kHaveAvx2 = __builtin_cpu_supports("avx2");
const bool kHaveSsse3 = __builtin_cpu_supports("ssse3");
#else
constexpr bool kHaveSsse3 = false;
#endif

VELVARO_VECTOR_CLONES
void HalvePairs(const std::uint8_t* __restrict top, const std::uint8_t* __restrict bottom,
                int count, std::uint8_t* __restrict out) {
    for (int x = 0; x < count; ++x) {
        out[x] = static_cast<std::uint8_t>(
            (top[2 * x] + top[2 * x + 1] + bottom[2 * x] + bottom[2 * x + 1] + 2) >> 2);
    }
}

void HalveBoth(const std::uint8_t* top, const std::uint8_t* bottom, int step, int sourceWidth,
               int count, std::uint8_t* out) {
    int x = 0;
    if (step == 1) {
        x = sourceWidth / 2;
        HalvePairs(top, bottom, x, out);
    }
    for (; x < count; ++x) {
        const int left = 2 * x * step;
        const int right = std::min(2 * x + 1, sourceWidth - 1) * step;
        out[x] = static_cast<std::uint8_t>(
            (top[left] + top[right] + bottom[left] + bottom[right] + 2) >> 2);
    }
}

VELVARO_VECTOR_CLONES
void HalveRows(const std::uint8_t* top, const std::uint8_t* bottom, int step, int count,
               std::uint8_t* out) {
    for (int x = 0; x < count; ++x) {
        out[x] = static_cast<std::uint8_t>((top[x * step] + bottom[x * step] + 1) >> 1);
    }
}

// Chroma for a row a quarter of a chroma sample from `near`, towards `far`,
// with the edge sample repeated on either side for widening.
VELVARO_VECTOR_CLONES
void NearChroma(const std::uint8_t* near, const std::uint8_t* far, int count, std::uint8_t* out) {
    for (int i = 0; i < count; ++i) {
        out[i + 1] = static_cast<std::uint8_t>((3 * near[i] + far[i] + 2) >> 2);
    }
    out[0] = out[1];
    out[count + 1] = out[count];
}

// Chroma comes as half-width rows padded with a sample either side (see
// NearChroma); each pixel takes three quarters of its nearest chroma
// sample and a quarter of the next one on its side.
int WidenedChroma(const std::uint8_t* padded, int x) {
    const int centre = x / 2 + 1;
    const int side = (x & 1) ? centre + 1 : centre - 1;
    return (3 * padded[centre] + padded[side] + 2) >> 2;
}

void ConvertRow(const std::uint8_t* luma, const std::uint8_t* blue, const std::uint8_t* red,
                const YuvToRgb& k, int begin, int count, Pixel* out) {
    constexpr int kRound = 1 << (kCoefficientBits - 1);
    for (int x = begin; x < count; ++x) {
        const int y = (luma[x] - k.yOffset) * k.yScale + kRound;
        const int u = WidenedChroma(blue, x) - 128;
        const int v = WidenedChroma(red, x) - 128;
        const int r = std::clamp((y + k.vToR * v) >> kCoefficientBits, 0, 255);
        const int g = std::clamp((y - k.uToG * u - k.vToG * v) >> kCoefficientBits, 0, 255);
        const int b = std::clamp((y + k.uToB * u) >> kCoefficientBits, 0, 255);
        out[x] = 0xff000000u | static_cast<std::uint32_t>(r << 16 | g << 8 | b);
    }
}

#if defined(__x86_64__) && defined(__GNUC__)
[[gnu::target("avx2")]] inline __m256i Widen(const std::uint8_t* at) {
    return _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at)));
}

[[gnu::target("avx2")]] inline __m128i WidenEight(const std::uint8_t* at) {
    return _mm_cvtepu8_epi16(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(at)));
}

// Sixteen pixels' chroma from the padded half-width row, as WidenedChroma.
[[gnu::target("avx2")]] inline __m256i WidenChroma(const std::uint8_t* padded, int x) {
    const std::uint8_t* at = padded + x / 2;
    const __m128i centre = WidenEight(at + 1);
    const __m128i three = _mm_add_epi16(_mm_add_epi16(centre, centre), centre);
    const __m128i two = _mm_set1_epi16(2);
    const __m128i even =
        _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(three, WidenEight(at)), two), 2);
    const __m128i odd =
        _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(three, WidenEight(at + 2)), two), 2);
    return _mm256_set_m128i(_mm_unpackhi_epi16(even, odd), _mm_unpacklo_epi16(even, odd));
}

// From 64ths of a level to 0-255.
[[gnu::target("avx2")]] inline __m256i Finish(__m256i value) {
    return _mm256_min_epi16(_mm256_max_epi16(_mm256_srai_epi16(value, 6), _mm256_setzero_si256()),
                            _mm256_set1_epi16(255));
}

// Sixteen pixels in sixteen-bit lanes, in 64ths of a level; saturating sums
// clamp what the lanes cannot hold, and the clamp to 0-255 follows anyway.
[[gnu::target("avx2")]] void ConvertRowAvx2(const std::uint8_t* luma, const std::uint8_t* blue,
                                            const std::uint8_t* red, const YuvToRgb& k, int count,
                                            Pixel* out) {
    const __m256i lumaGain = _mm256_set1_epi16(static_cast<std::int16_t>(k.lumaGain));
    const __m256i lumaBias = _mm256_set1_epi16(static_cast<std::int16_t>(k.lumaBias));
    const __m256i chromaZero = _mm256_set1_epi16(128);
    const __m256i vToR = _mm256_set1_epi16(static_cast<std::int16_t>(k.vToR));
    const __m256i uToG = _mm256_set1_epi16(static_cast<std::int16_t>(k.uToG));
    const __m256i vToG = _mm256_set1_epi16(static_cast<std::int16_t>(k.vToG));
    const __m256i uToB = _mm256_set1_epi16(static_cast<std::int16_t>(k.uToB));
    const __m256i opaque = _mm256_set1_epi16(static_cast<std::int16_t>(0xff00));
    int x = 0;
    for (; x + 16 <= count; x += 16) {
        const __m256i y = Widen(luma + x);
        // (y * 257 * gain) >> 16 is y times the scale, in 64ths.
        const __m256i level = _mm256_adds_epi16(
            _mm256_mulhi_epu16(_mm256_or_si256(y, _mm256_slli_epi16(y, 8)), lumaGain), lumaBias);
        // (c * 256 * factor + 2^14) >> 15 is c times the factor, in 64ths.
        const __m256i u = _mm256_slli_epi16(_mm256_sub_epi16(WidenChroma(blue, x), chromaZero), 8);
        const __m256i v = _mm256_slli_epi16(_mm256_sub_epi16(WidenChroma(red, x), chromaZero), 8);
        const __m256i r = Finish(_mm256_adds_epi16(level, _mm256_mulhrs_epi16(v, vToR)));
        const __m256i g = Finish(_mm256_subs_epi16(
            _mm256_subs_epi16(level, _mm256_mulhrs_epi16(u, uToG)), _mm256_mulhrs_epi16(v, vToG)));
        const __m256i b = Finish(_mm256_adds_epi16(level, _mm256_mulhrs_epi16(u, uToB)));
        const __m256i blueGreen = _mm256_or_si256(b, _mm256_slli_epi16(g, 8));
        const __m256i redAlpha = _mm256_or_si256(r, opaque);
        // Unpacking works within each half: pixels 0-3 and 8-11, 4-7 and 12-15.
        const __m256i low = _mm256_unpacklo_epi16(blueGreen, redAlpha);
        const __m256i high = _mm256_unpackhi_epi16(blueGreen, redAlpha);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + x),
                            _mm256_permute2x128_si256(low, high, 0x20));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + x + 8),
                            _mm256_permute2x128_si256(low, high, 0x31));
    }
    ConvertRow(luma, blue, red, k, x, count, out);
}
#endif

void ConvertRowFast(const std::uint8_t* luma, const std::uint8_t* blue, const std::uint8_t* red,
                    const YuvToRgb& k, int count, Pixel* out) {
#if defined(__x86_64__) && defined(__GNUC__)
    if (kHaveAvx2) {
        ConvertRowAvx2(luma, blue, red, k, count, out);
        return;
    }
#endif
    ConvertRow(luma, blue, red, k, 0, count, out);
}

int Fixed(double value) {
    return static_cast<int>(std::lround(value * (1 << kCoefficientBits)));
}

}  // namespace

FrameScaler::FrameScaler() {
    SetMatrix(YuvMatrix{});
}

void FrameScaler::SetMatrix(const YuvMatrix& matrix) {
    const double kg = 1.0 - matrix.kr - matrix.kb;
    const double lumaScale = matrix.fullRange ? 1.0 : 255.0 / 219.0;
    const double chromaScale = matrix.fullRange ? 1.0 : 255.0 / 224.0;
    coefficients_.yOffset = matrix.fullRange ? 0 : 16;
    coefficients_.yScale = Fixed(lumaScale);
    coefficients_.vToR = Fixed(2.0 * (1.0 - matrix.kr) * chromaScale);
    coefficients_.uToB = Fixed(2.0 * (1.0 - matrix.kb) * chromaScale);
    coefficients_.uToG = Fixed(2.0 * matrix.kb * (1.0 - matrix.kb) / kg * chromaScale);
    coefficients_.vToG = Fixed(2.0 * matrix.kr * (1.0 - matrix.kr) / kg * chromaScale);
    coefficients_.lumaGain = static_cast<int>(std::lround(lumaScale * 64.0 * 65536.0 / 257.0));
    coefficients_.lumaBias =
        32 - static_cast<int>(std::lround(coefficients_.yOffset * lumaScale * 64.0));
}

PlaneView FrameScaler::Shrunk(PlaneView source, Ratio* across, Ratio* down) {
    // Two taps see only two of every three or more source samples; halving
    // first keeps a much smaller picture from flickering and aliasing.
    for (int turn = 0; across->Above2() || down->Above2(); turn ^= 1) {
        const bool acrossColumns = across->Above2();
        const bool acrossRows = down->Above2();
        across->out *= acrossColumns ? 2 : 1;
        down->out *= acrossRows ? 2 : 1;
        const int halvedWidth = acrossColumns ? (source.width + 1) / 2 : source.width;
        const int halvedHeight = acrossRows ? (source.height + 1) / 2 : source.height;
        std::vector<std::uint8_t>& target = halved_[turn];
        target.resize(static_cast<size_t>(halvedWidth) * halvedHeight);
        for (int row = 0; row < halvedHeight; ++row) {
            const int top = acrossRows ? 2 * row : row;
            const int bottom = acrossRows ? std::min(top + 1, source.height - 1) : row;
            const std::uint8_t* topRow =
                source.data + static_cast<std::ptrdiff_t>(top) * source.stride;
            const std::uint8_t* bottomRow =
                source.data + static_cast<std::ptrdiff_t>(bottom) * source.stride;
            std::uint8_t* out = target.data() + static_cast<size_t>(row) * halvedWidth;
            if (acrossColumns) {
                HalveBoth(topRow, bottomRow, source.step, source.width, halvedWidth, out);
            } else {
                HalveRows(topRow, bottomRow, source.step, halvedWidth, out);
            }
        }
        source = PlaneView{target.data(), halvedWidth, halvedWidth, halvedHeight, 1};
    }
    return source;
}

void FrameScaler::PlanColumns(const PlaneView& source, Ratio across, int width) {
    columnOffset_.resize(width);
    columnWeight_.resize(width);
    for (int x = 0; x < width; ++x) {
        const std::int64_t position = SourcePosition(x, across.source, across.out, source.width);
        int column = static_cast<int>(position >> 16);
        int weight = static_cast<int>(position >> 8) & 0xff;
        // The right-hand sample must exist: at the last column, take it
        // whole from the one before.
        if (column >= source.width - 1) {
            column = std::max(source.width - 2, 0);
            weight = source.width > 1 ? 256 : 0;
        }
        columnOffset_[x] = column * source.step;
        columnWeight_[x] = weight;
    }
    columnBlocks_.resize(kHaveSsse3 ? width / 8 : 0);
    for (size_t block = 0; block < columnBlocks_.size(); ++block) {
        ColumnBlock& plan = columnBlocks_[block];
        const int first = static_cast<int>(block) * 8;
        plan.start = columnOffset_[first];
        if (columnOffset_[first + 7] + source.step - plan.start > 15) {
            columnBlocks_.clear();
            break;
        }
        for (int column = 0; column < 8; ++column) {
            const int offset = columnOffset_[first + column] - plan.start;
            plan.left[2 * column] = static_cast<std::uint8_t>(offset);
            plan.right[2 * column] = static_cast<std::uint8_t>(offset + source.step);
            plan.left[2 * column + 1] = plan.right[2 * column + 1] = 0x80;
            plan.weight[column] =
                static_cast<std::int16_t>((columnWeight_[first + column] + 1) / 2);
        }
    }
}

void FrameScaler::ResampleRow(const std::uint8_t* row, int step, int width,
                              std::uint8_t* out) const {
    int done = 0;
#if defined(__x86_64__) && defined(__GNUC__)
    if (!columnBlocks_.empty()) {
        ResampleRowShuffled(row, columnBlocks_.data(), static_cast<int>(columnBlocks_.size()), out);
        done = static_cast<int>(columnBlocks_.size()) * 8;
    } else if (kHaveAvx2) {
        ResampleRowAvx2(row, columnOffset_.data(), columnWeight_.data(), step, width, out);
        return;
    }
#endif
    ResampleRowPlain(row, columnOffset_.data(), columnWeight_.data(), step, done, width, out);
}

void FrameScaler::ScalePlane(const PlaneView& original, Ratio across, Ratio down, std::uint8_t* out,
                             int outStride, int width, int height) {
    const PlaneView source = Shrunk(original, &across, &down);
    const bool sameWidth = source.width == width && across.source == across.out;
    if (!sameWidth) {
        PlanColumns(source, across, width);
    }
    const int rowBytes = (source.width - 1) * source.step + 1;
    blendedRow_.resize(rowBytes + 16);
    for (int y = 0; y < height; ++y) {
        const std::int64_t position = SourcePosition(y, down.source, down.out, source.height);
        const int top = static_cast<int>(position >> 16);
        const int weight = static_cast<int>(position >> 8) & 0xff;
        const std::uint8_t* row = source.data + static_cast<std::ptrdiff_t>(top) * source.stride;
        if (weight != 0) {
            BlendRows(row, row + source.stride, weight, rowBytes, blendedRow_.data());
            row = blendedRow_.data();
        } else if (!sameWidth) {
            // Resampling reads a little past the row's last sample.
            std::memcpy(blendedRow_.data(), row, rowBytes);
            row = blendedRow_.data();
        }
        std::uint8_t* target = out + static_cast<std::ptrdiff_t>(y) * outStride;
        if (!sameWidth) {
            ResampleRow(row, source.step, width, target);
        } else if (source.step == 1) {
            std::memcpy(target, row, width);
        } else {
            for (int x = 0; x < width; ++x) {
                target[x] = row[x * source.step];
            }
        }
    }
}

void FrameScaler::ScaleToBgrx(const PlaneView& y, const PlaneView& u, const PlaneView& v,
                              std::uint8_t* out, int outStride, int width, int height) {
    if (width <= 0 || height <= 0 || y.width <= 0 || y.height <= 0 || u.width <= 0 ||
        u.height <= 0 || v.width <= 0 || v.height <= 0) {
        return;
    }
    const int chromaWidth = (width + 1) / 2;
    const int chromaHeight = (height + 1) / 2;
    luma_.resize(static_cast<size_t>(width) * height);
    blue_.resize(static_cast<size_t>(chromaWidth) * chromaHeight);
    red_.resize(blue_.size());
    const Ratio across{y.width, width};
    const Ratio down{y.height, height};
    ScalePlane(y, across, down, luma_.data(), width, width, height);
    ScalePlane(u, across, down, blue_.data(), chromaWidth, chromaWidth, chromaHeight);
    ScalePlane(v, across, down, red_.data(), chromaWidth, chromaWidth, chromaHeight);
    ConvertRows(width, height, out, outStride);
}

void FrameScaler::ConvertRows(int width, int height, std::uint8_t* out, int outStride) {
    const int chromaWidth = (width + 1) / 2;
    const int chromaHeight = (height + 1) / 2;
    for (auto& row : chromaRow_) {
        // The sixteen-pixel path loads sixteen bytes from the last block.
        row.resize(chromaWidth + 2 + 16);
    }
    const std::uint8_t* planes[2] = {blue_.data(), red_.data()};
    for (int y = 0; y < height; ++y) {
        // Chroma sits between two luma rows: an even row is a quarter of a
        // sample below its chroma row's centre, an odd row a quarter above.
        const int near = y / 2;
        const int far = (y & 1) ? std::min(near + 1, chromaHeight - 1) : std::max(near - 1, 0);
        for (int plane = 0; plane < 2; ++plane) {
            const std::uint8_t* base = planes[plane];
            NearChroma(base + static_cast<size_t>(near) * chromaWidth,
                       base + static_cast<size_t>(far) * chromaWidth, chromaWidth,
                       chromaRow_[plane].data());
        }
        ConvertRowFast(luma_.data() + static_cast<size_t>(y) * width, chromaRow_[0].data(),
                       chromaRow_[1].data(), coefficients_, width,
                       reinterpret_cast<Pixel*>(out + static_cast<std::ptrdiff_t>(y) * outStride));
    }
}

}  // namespace velvaro::engine
