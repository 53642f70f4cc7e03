#include "PlaneScaler.h"

#include "VectorCode.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace velvaro::engine {

namespace {

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

#if defined(VELVARO_X86_VECTORS)
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
// shuffle each for the left and the right samples. Plain pointers, as
// stores to `out` could otherwise alias the vectors' own.
[[gnu::target("ssse3")]] void ResampleRowShuffled(const std::uint8_t* row,
                                                  const ColumnBlocks& blocks, int first,
                                                  std::uint8_t* out) {
    const auto load = [](const void* at) {
        return _mm_loadu_si128(static_cast<const __m128i*>(at));
    };
    const int* start = blocks.start.data();
    const std::uint8_t* left = blocks.left.data();
    const std::uint8_t* right = blocks.right.data();
    const std::int16_t* weight = blocks.weight.data();
    const __m128i half = _mm_set1_epi16(64);
    for (int block = first; block < blocks.Count(); ++block) {
        const __m128i source = load(row + start[block]);
        const __m128i leftSamples = _mm_shuffle_epi8(source, load(left + 16 * block));
        const __m128i rightSamples = _mm_shuffle_epi8(source, load(right + 16 * block));
        const __m128i difference =
            _mm_mullo_epi16(_mm_sub_epi16(rightSamples, leftSamples), load(weight + 8 * block));
        const __m128i value =
            _mm_add_epi16(leftSamples, _mm_srai_epi16(_mm_add_epi16(difference, half), 7));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out + 8 * block),
                         _mm_packus_epi16(value, value));
    }
}

[[gnu::target("avx2")]] inline __m256i Load256(const void* at) {
    return _mm256_loadu_si256(static_cast<const __m256i*>(at));
}

[[gnu::target("avx2")]] inline __m256i LoadTwo(const std::uint8_t* low, const std::uint8_t* high) {
    return _mm256_inserti128_si256(
        _mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(low))),
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(high)), 1);
}

// The same two blocks at a time, one in each half of the registers, since
// shuffles stay within their half. Returns how many blocks it did.
[[gnu::target("avx2")]] int ResampleRowShuffledAvx2(const std::uint8_t* row,
                                                    const ColumnBlocks& blocks, std::uint8_t* out) {
    const int* start = blocks.start.data();
    const std::uint8_t* left = blocks.left.data();
    const std::uint8_t* right = blocks.right.data();
    const std::int16_t* weight = blocks.weight.data();
    const int count = blocks.Count();
    const __m256i half = _mm256_set1_epi16(64);
    int block = 0;
    for (; block + 2 <= count; block += 2) {
        const __m256i source = LoadTwo(row + start[block], row + start[block + 1]);
        const __m256i leftSamples = _mm256_shuffle_epi8(source, Load256(left + 16 * block));
        const __m256i rightSamples = _mm256_shuffle_epi8(source, Load256(right + 16 * block));
        const __m256i difference = _mm256_mullo_epi16(_mm256_sub_epi16(rightSamples, leftSamples),
                                                      Load256(weight + 8 * block));
        const __m256i value =
            _mm256_add_epi16(leftSamples, _mm256_srai_epi16(_mm256_add_epi16(difference, half), 7));
        // Packing leaves each block's eight bytes twice in its own half;
        // the first copy of each, side by side.
        const __m256i bytes = _mm256_permute4x64_epi64(_mm256_packus_epi16(value, value), 0x08);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 8 * block),
                         _mm256_castsi256_si128(bytes));
    }
    return block;
}

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

}  // namespace

void ColumnBlocks::Resize(int count) {
    start.resize(count);
    left.resize(16 * static_cast<size_t>(count));
    right.resize(16 * static_cast<size_t>(count));
    weight.resize(8 * static_cast<size_t>(count));
}

PlaneView PlaneScaler::Shrunk(PlaneView source, Ratio* across, Ratio* down) {
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

void PlaneScaler::PlanColumns(const PlaneView& source, Ratio across, int width) {
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
    columnBlocks_.Resize(kHaveSsse3 ? width / 8 : 0);
    for (int block = 0; block < columnBlocks_.Count(); ++block) {
        const int first = block * 8;
        const int start = columnOffset_[first];
        if (columnOffset_[first + 7] + source.step - start > 15) {
            columnBlocks_.Resize(0);
            break;
        }
        columnBlocks_.start[block] = start;
        std::uint8_t* left = &columnBlocks_.left[16 * block];
        std::uint8_t* right = &columnBlocks_.right[16 * block];
        for (int column = 0; column < 8; ++column) {
            const int offset = columnOffset_[first + column] - start;
            left[2 * column] = static_cast<std::uint8_t>(offset);
            right[2 * column] = static_cast<std::uint8_t>(offset + source.step);
            left[2 * column + 1] = right[2 * column + 1] = 0x80;
            columnBlocks_.weight[8 * block + column] =
                static_cast<std::int16_t>((columnWeight_[first + column] + 1) / 2);
        }
    }
}

void PlaneScaler::ResampleRow(const std::uint8_t* row, int step, int width,
                              std::uint8_t* out) const {
    int done = 0;
#if defined(VELVARO_X86_VECTORS)
    if (columnBlocks_.Count() > 0) {
        const int first = kHaveAvx2 ? ResampleRowShuffledAvx2(row, columnBlocks_, out) : 0;
        ResampleRowShuffled(row, columnBlocks_, first, out);
        done = columnBlocks_.Count() * 8;
    } else if (kHaveAvx2) {
        ResampleRowAvx2(row, columnOffset_.data(), columnWeight_.data(), step, width, out);
        return;
    }
#endif
    ResampleRowPlain(row, columnOffset_.data(), columnWeight_.data(), step, done, width, out);
}

void PlaneScaler::Start(const PlaneView& original, Ratio across, Ratio down, int width) {
    source_ = Shrunk(original, &across, &down);
    down_ = down;
    width_ = width;
    sameWidth_ = source_.width == width && across.source == across.out;
    // The plan outlives the picture: it changes only with the sizes.
    const std::array<std::int64_t, 5> plan{source_.width, source_.step, across.source, across.out,
                                           width};
    if (!sameWidth_ && plan != plannedFor_) {
        PlanColumns(source_, across, width);
        plannedFor_ = plan;
    }
    blendedRow_.resize((source_.width - 1) * source_.step + 1 + 16);
    prefetchedRow_ = -1;
}

// A decoded picture is seldom still in the cache when it is shown, and
// reading its rows waited on memory for most of their time: the next
// row's source is asked for while this one is worked on.
void PlaneScaler::PrefetchRows(int y) {
    if (y >= down_.out) {
        return;
    }
    const int rowBytes = (source_.width - 1) * source_.step + 1;
    const int top =
        static_cast<int>(SourcePosition(y, down_.source, down_.out, source_.height) >> 16);
    const int last = std::min(top + 1, source_.height - 1);
    for (int index = std::max(top, prefetchedRow_ + 1); index <= last; ++index) {
        const std::uint8_t* row =
            source_.data + static_cast<std::ptrdiff_t>(index) * source_.stride;
        for (int i = 0; i < rowBytes; i += 64) {
            __builtin_prefetch(row + i);
        }
    }
    prefetchedRow_ = std::max(prefetchedRow_, last);
}

void PlaneScaler::Row(int y, std::uint8_t* out) {
    const int rowBytes = (source_.width - 1) * source_.step + 1;
    const std::int64_t position = SourcePosition(y, down_.source, down_.out, source_.height);
    const int top = static_cast<int>(position >> 16);
    const int weight = static_cast<int>(position >> 8) & 0xff;
    const std::uint8_t* row = source_.data + static_cast<std::ptrdiff_t>(top) * source_.stride;
    PrefetchRows(y + 1);
    if (weight != 0) {
        BlendRows(row, row + source_.stride, weight, rowBytes, blendedRow_.data());
        row = blendedRow_.data();
    } else if (!sameWidth_) {
        // Resampling reads a little past the row's last sample.
        std::memcpy(blendedRow_.data(), row, rowBytes);
        row = blendedRow_.data();
    }
    if (!sameWidth_) {
        ResampleRow(row, source_.step, width_, out);
    } else if (source_.step == 1) {
        std::memcpy(out, row, width_);
    } else {
        for (int x = 0; x < width_; ++x) {
            out[x] = row[x * source_.step];
        }
    }
}

}  // namespace velvaro::engine
