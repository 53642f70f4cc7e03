// Which coded pictures a decoder opened anew can start at: nothing decoded
// after them refers to anything before them, and the parameter sets they
// need are at hand.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace velvaro::decoders {

enum class UnitCodec { H264, H265 };

// The bytes before each unit that give its length in `codecData` (an avcC
// or hvcC record, which holds the parameter sets), or 0 when units are
// separated by start codes and carry their parameter sets in the stream.
int UnitLengthSize(UnitCodec codec, std::span<const std::uint8_t> codecData);

// Whether `picture`, one picture's units, is an IDR picture with its
// parameter sets in the codec data (`lengthSize` above 0) or in itself.
bool StartsAfresh(UnitCodec codec, std::span<const std::uint8_t> picture, int lengthSize);

}  // namespace velvaro::decoders
