#include "FreshStarts.h"

namespace velvaro::decoders {

namespace {

enum Found : unsigned { kIdr = 1, kVideoSet = 2, kSequenceSet = 4, kPictureSet = 8 };

unsigned Kind(UnitCodec codec, std::uint8_t header) {
    if (codec == UnitCodec::H264) {
        switch (header & 0x1f) {
            case 5:
                return kIdr;
            case 7:
                return kSequenceSet;
            case 8:
                return kPictureSet;
            default:
                return 0;
        }
    }
    // H.265's IDR_W_RADL and IDR_N_LP; a CRA's leading pictures may refer
    // to pictures before it.
    switch ((header >> 1) & 0x3f) {
        case 19:
        case 20:
            return kIdr;
        case 32:
            return kVideoSet;
        case 33:
            return kSequenceSet;
        case 34:
            return kPictureSet;
        default:
            return 0;
    }
}

// The kinds of the units in `picture`.
unsigned KindsIn(UnitCodec codec, std::span<const std::uint8_t> picture, int lengthSize) {
    const std::size_t size = picture.size();
    unsigned found = 0;
    if (lengthSize > 0) {
        const auto width = static_cast<std::size_t>(lengthSize);
        for (std::size_t at = 0; at + width < size;) {
            std::size_t length = 0;
            for (std::size_t i = 0; i < width; ++i) {
                length = length << 8 | picture[at + i];
            }
            at += width;
            if (length == 0 || length > size - at) {
                break;
            }
            found |= Kind(codec, picture[at]);
            at += length;
        }
        return found;
    }
    for (std::size_t at = 0; at + 3 < size; ++at) {
        if (picture[at] == 0 && picture[at + 1] == 0 && picture[at + 2] == 1) {
            found |= Kind(codec, picture[at + 3]);
            at += 2;
        }
    }
    return found;
}

}  // namespace

int UnitLengthSize(UnitCodec codec, std::span<const std::uint8_t> codecData) {
    // Both records start with version 1; Annex B data put there starts with 0.
    if (codecData.empty() || codecData[0] != 1) {
        return 0;
    }
    const std::size_t at = codec == UnitCodec::H264 ? 4 : 21;
    return at < codecData.size() ? (codecData[at] & 3) + 1 : 0;
}

bool StartsAfresh(UnitCodec codec, std::span<const std::uint8_t> picture, int lengthSize) {
    const unsigned found = KindsIn(codec, picture, lengthSize);
    if ((found & kIdr) == 0) {
        return false;
    }
    const unsigned sets = codec == UnitCodec::H264 ? kSequenceSet | kPictureSet
                                                   : kVideoSet | kSequenceSet | kPictureSet;
    return lengthSize > 0 || (found & sets) == sets;
}

}  // namespace velvaro::decoders
