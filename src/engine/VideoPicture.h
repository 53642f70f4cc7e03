// A picture the video renderer hands to the window, kept mapped for reading
// while anyone holds it. Films in 8-bit 4:2:0 come at their decoded size,
// and the window scales them as it paints, straight into its own pixels:
// one pass over the picture and no copy between. Anything else comes as
// BGRx already at the window's size.
#pragma once

#include "FrameScaler.h"

#include <QImage>
#include <QSize>

#include <cstdint>
#include <memory>

typedef struct _GstSample GstSample;

namespace velvaro::engine {

class VideoPicture {
public:
    // Holds the picture of `sample` mapped; null when it is no picture or
    // cannot be read.
    static std::shared_ptr<const VideoPicture> Map(GstSample* sample);
    ~VideoPicture();
    VideoPicture(const VideoPicture&) = delete;
    VideoPicture& operator=(const VideoPicture&) = delete;

    QSize Size() const;
    // Whether the picture is still to be scaled, with ScaleToBgrx.
    bool NeedsScaling() const;
    // A picture already scaled: its pixels, which live as long as this.
    QImage Pixels() const;
    // Writes the picture scaled to `width` x `height` BGRx at `out`.
    void ScaleToBgrx(FrameScaler& scaler, std::uint8_t* out, int outStride, int width,
                     int height) const;

private:
    struct Mapped;
    explicit VideoPicture(std::unique_ptr<Mapped> mapped);

    std::unique_ptr<Mapped> mapped_;
};

}  // namespace velvaro::engine
