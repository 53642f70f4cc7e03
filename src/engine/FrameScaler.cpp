#include "FrameScaler.h"

#include "VectorCode.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace velvaro::engine {

namespace {

// Every factor, 2.0 at most, must fit a signed sixteen-bit lane.
constexpr int kCoefficientBits = 13;
using Pixel [[gnu::may_alias]] = std::uint32_t;

void NearChromaFrom(const std::uint8_t* near, const std::uint8_t* far, int begin, int count,
                    std::uint8_t* out) {
    for (int i = begin; i < count; ++i) {
        out[i + 1] = static_cast<std::uint8_t>((3 * near[i] + far[i] + 2) >> 2);
    }
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

#if defined(VELVARO_X86_VECTORS)
[[gnu::target("avx2")]] inline __m256i Widen(const std::uint8_t* at) {
    return _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at)));
}

[[gnu::target("avx2")]] inline __m256i Load32(const std::uint8_t* at) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
}

// (3 * near + side + 2) / 4 exactly, in bytes: the rounded-down mean of
// the two, then the rounded-up mean of that and `near`.
[[gnu::target("avx2")]] inline __m256i QuarterTowards(__m256i near, __m256i side) {
    const __m256i up = _mm256_avg_epu8(near, side);
    const __m256i odd = _mm256_and_si256(_mm256_xor_si256(near, side), _mm256_set1_epi8(1));
    return _mm256_avg_epu8(near, _mm256_sub_epi8(up, odd));
}

// A padded half-width chroma row (see NearChroma) widened to `count`
// pixels, as WidenedChroma, thirty-two chroma samples at a time. Reads up
// to 34 bytes past the row's samples and writes up to 63 past `count`.
[[gnu::target("avx2")]] void WidenChromaRow(const std::uint8_t* padded, int count,
                                            std::uint8_t* out) {
    for (int i = 0; 2 * i < count; i += 32) {
        const __m256i near = Load32(padded + i + 1);
        const __m256i even = QuarterTowards(near, Load32(padded + i));
        const __m256i odd = QuarterTowards(near, Load32(padded + i + 2));
        // Interleaving works within each half: samples 0-7 and 16-23, 8-15 and 24-31.
        const __m256i low = _mm256_unpacklo_epi8(even, odd);
        const __m256i high = _mm256_unpackhi_epi8(even, odd);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 2 * i),
                            _mm256_permute2x128_si256(low, high, 0x20));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 2 * i + 32),
                            _mm256_permute2x128_si256(low, high, 0x31));
    }
}

[[gnu::target("avx2")]] inline void NearChromaThirtyTwo(const std::uint8_t* near,
                                                        const std::uint8_t* far, int i,
                                                        std::uint8_t* out) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i + 1),
                        QuarterTowards(Load32(near + i), Load32(far + i)));
}

// NearChroma's samples, for rows of 32 or more; returns how many it did.
[[gnu::target("avx2")]] int NearChromaAvx2(const std::uint8_t* near, const std::uint8_t* far,
                                           int count, std::uint8_t* out) {
    if (count < 32) {
        return 0;
    }
    for (int i = 0; i + 32 <= count; i += 32) {
        NearChromaThirtyTwo(near, far, i, out);
    }
    // The last few again with the ones before them.
    NearChromaThirtyTwo(near, far, count - 32, out);
    return count;
}

// Sixteen pixels' widened chroma, centred on zero, times 256.
[[gnu::target("avx2")]] inline __m256i CentredChroma(const std::uint8_t* widened) {
    return _mm256_xor_si256(_mm256_slli_epi16(Widen(widened), 8),
                            _mm256_set1_epi16(static_cast<std::int16_t>(0x8000)));
}

// The matrix in sixteen-bit lanes.
struct LaneCoefficients {
    __m256i lumaGain, lumaBias, vToR, uToG, vToG, uToB, opaque;
};

[[gnu::target("avx2")]] inline __m256i Lanes(int value) {
    return _mm256_set1_epi16(static_cast<std::int16_t>(value));
}

[[gnu::target("avx2")]] LaneCoefficients LanesOf(const YuvToRgb& k) {
    return {Lanes(k.lumaGain), Lanes(k.lumaBias), Lanes(k.vToR), Lanes(k.uToG),
            Lanes(k.vToG),     Lanes(k.uToB),     Lanes(255)};
}

// Sixteen pixels from `x`, with chroma widened by WidenChromaRow, in
// sixteen-bit lanes, in 64ths of a level; saturating sums clamp what the
// lanes cannot hold, and packing to bytes clamps to 0-255.
[[gnu::target("avx2")]] inline void ConvertSixteen(const std::uint8_t* luma,
                                                   const std::uint8_t* blue,
                                                   const std::uint8_t* red,
                                                   const LaneCoefficients& k, int x, Pixel* out) {
    const __m256i y = Widen(luma + x);
    // (y * 257 * gain) >> 16 is y times the scale, in 64ths.
    const __m256i level = _mm256_adds_epi16(
        _mm256_mulhi_epu16(_mm256_or_si256(y, _mm256_slli_epi16(y, 8)), k.lumaGain), k.lumaBias);
    // (c * 256 * factor + 2^14) >> 15 is c times the factor, in 64ths.
    const __m256i u = CentredChroma(blue + x);
    const __m256i v = CentredChroma(red + x);
    const __m256i r =
        _mm256_srai_epi16(_mm256_adds_epi16(level, _mm256_mulhrs_epi16(v, k.vToR)), 6);
    const __m256i g = _mm256_srai_epi16(
        _mm256_subs_epi16(_mm256_subs_epi16(level, _mm256_mulhrs_epi16(u, k.uToG)),
                          _mm256_mulhrs_epi16(v, k.vToG)),
        6);
    const __m256i b =
        _mm256_srai_epi16(_mm256_adds_epi16(level, _mm256_mulhrs_epi16(u, k.uToB)), 6);
    // Everything below works within each half, pixels 0-7 and 8-15: blue
    // and red bytes, green and alpha bytes, then blue-green and red-alpha
    // pairs, then whole pixels 0-3 and 8-11, 4-7 and 12-15.
    const __m256i blueRed = _mm256_packus_epi16(b, r);
    const __m256i greenAlpha = _mm256_packus_epi16(g, k.opaque);
    const __m256i blueGreen = _mm256_unpacklo_epi8(blueRed, greenAlpha);
    const __m256i redAlpha = _mm256_unpackhi_epi8(blueRed, greenAlpha);
    const __m256i low = _mm256_unpacklo_epi16(blueGreen, redAlpha);
    const __m256i high = _mm256_unpackhi_epi16(blueGreen, redAlpha);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + x),
                        _mm256_permute2x128_si256(low, high, 0x20));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + x + 8),
                        _mm256_permute2x128_si256(low, high, 0x31));
}

// `widened` holds room for two rows of `count` + 64 bytes.
[[gnu::target("avx2")]] void ConvertRowAvx2(const std::uint8_t* luma, const std::uint8_t* blue,
                                            const std::uint8_t* red, const YuvToRgb& k, int count,
                                            Pixel* out, std::uint8_t* widened) {
    if (count < 16) {
        ConvertRow(luma, blue, red, k, 0, count, out);
        return;
    }
    std::uint8_t* wideBlue = widened;
    std::uint8_t* wideRed = widened + count + 64;
    WidenChromaRow(blue, count, wideBlue);
    WidenChromaRow(red, count, wideRed);
    const LaneCoefficients lanes = LanesOf(k);
    int x = 0;
    for (; x + 16 <= count; x += 16) {
        ConvertSixteen(luma, wideBlue, wideRed, lanes, x, out);
    }
    // The last few pixels again with the ones before them, not one by one.
    if (x < count) {
        ConvertSixteen(luma, wideBlue, wideRed, lanes, count - 16, out);
    }
}
#endif

// Chroma for a row a quarter of a chroma sample from `near`, towards `far`,
// with the edge sample repeated on either side for widening.
void NearChroma(const std::uint8_t* near, const std::uint8_t* far, int count, std::uint8_t* out) {
    int done = 0;
#if defined(VELVARO_X86_VECTORS)
    if (kHaveAvx2) {
        done = NearChromaAvx2(near, far, count, out);
    }
#endif
    NearChromaFrom(near, far, done, count, out);
    out[0] = out[1];
    out[count + 1] = out[count];
}

void ConvertRowFast(const std::uint8_t* luma, const std::uint8_t* blue, const std::uint8_t* red,
                    const YuvToRgb& k, int count, Pixel* out, std::uint8_t* widened) {
#if defined(VELVARO_X86_VECTORS)
    if (kHaveAvx2) {
        ConvertRowAvx2(luma, blue, red, k, count, out, widened);
        return;
    }
#endif
    static_cast<void>(widened);
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

void FrameScaler::ScaleToBgrx(const PlaneView& y, const PlaneView& u, const PlaneView& v,
                              std::uint8_t* out, int outStride, int width, int height) {
    if (width <= 0 || height <= 0 || y.width <= 0 || y.height <= 0 || u.width <= 0 ||
        u.height <= 0 || v.width <= 0 || v.height <= 0) {
        return;
    }
    const int chromaWidth = (width + 1) / 2;
    const int chromaHeight = (height + 1) / 2;
    const PlaneScaler::Ratio across{y.width, width};
    const PlaneScaler::Ratio down{y.height, height};
    luma_.Start(y, across, down, width);
    chroma_[0].Start(u, across, down, chromaWidth);
    chroma_[1].Start(v, across, down, chromaWidth);
    lumaRow_.resize(width);
    widenedChroma_.resize(2 * (static_cast<std::size_t>(width) + 64));
    for (int plane = 0; plane < 2; ++plane) {
        // Widening reads up to 34 bytes past the samples.
        nearChroma_[plane].resize(chromaWidth + 2 + 48);
        for (ChromaRow& row : chromaRows_[plane]) {
            row.samples.resize(chromaWidth);
            row.index = -1;
        }
    }
    for (int row = 0; row < height; ++row) {
        luma_.Row(row, lumaRow_.data());
        // Chroma sits between two luma rows: an even row is a quarter of a
        // sample below its chroma row's centre, an odd row a quarter above.
        const int near = row / 2;
        const int far = (row & 1) ? std::min(near + 1, chromaHeight - 1) : std::max(near - 1, 0);
        for (int plane = 0; plane < 2; ++plane) {
            NearChroma(ScaledChroma(plane, near), ScaledChroma(plane, far), chromaWidth,
                       nearChroma_[plane].data());
        }
        ConvertRowFast(lumaRow_.data(), nearChroma_[0].data(), nearChroma_[1].data(), coefficients_,
                       width,
                       reinterpret_cast<Pixel*>(out + static_cast<std::ptrdiff_t>(row) * outStride),
                       widenedChroma_.data());
    }
}

const std::uint8_t* FrameScaler::ScaledChroma(int plane, int index) {
    // Rows are asked for one before, at and one after a point that only
    // moves on: three kept rows scale each once.
    ChromaRow& row = chromaRows_[plane][static_cast<size_t>(index) % 3];
    if (row.index != index) {
        chroma_[plane].Row(index, row.samples.data());
        row.index = index;
    }
    return row.samples.data();
}

}  // namespace velvaro::engine
