// The volume slider's scale: slider positions 0..100 against volume in
// 1/100 dB (-10000 silent .. 0 full). Shared by the window's volume slider
// and the audio settings dialog.
#pragma once

#include <cmath>

namespace volume_slider {

inline int VolumeFromPosition(int position) {
    return static_cast<int>(std::log10(position * 1e8 + 1) * 1000 - 10000);
}

inline int PositionFromVolume(int volume) {
    // One power instead of a product, so 0 dB is exactly 100 and -2000 exactly 1.
    return static_cast<int>(std::pow(10.0, (volume + 10000) / 1000.0 - 8));
}

}  // namespace volume_slider
