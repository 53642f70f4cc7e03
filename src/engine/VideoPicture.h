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

typedef struct _GstBuffer GstBuffer;
typedef struct _GstSample GstSample;
typedef struct _GstVideoInfo GstVideoInfo;

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
    // Where in the medium the picture stands (its stream time) and how long
    // it lasts, in nanoseconds; -1 when not known.
    std::int64_t Time() const;
    std::int64_t Duration() const;
    // Whether the picture is still to be scaled, with ScaleToBgrx.
    bool NeedsScaling() const;
    // A picture already scaled: its pixels, which live as long as this.
    QImage Pixels() const;
    // Writes the picture scaled to `width` x `height` BGRx at `out`.
    void ScaleToBgrx(FrameScaler& scaler, std::uint8_t* out, int outStride, int width,
                     int height) const;

private:
    friend class PictureMapper;
    struct Mapped;
    explicit VideoPicture(std::unique_ptr<Mapped> mapped);
    static std::shared_ptr<VideoPicture> Map(GstBuffer* buffer, const GstVideoInfo* info);
    static std::shared_ptr<const VideoPicture> WithTime(std::shared_ptr<VideoPicture> picture,
                                                        GstSample* sample);

    std::unique_ptr<Mapped> mapped_;
};

// Maps the pictures of one stream, one at a time, as VideoPicture::Map
// does; their caps are read again only when they change, not for every
// picture.
class PictureMapper {
public:
    PictureMapper();
    ~PictureMapper();
    PictureMapper(const PictureMapper&) = delete;
    PictureMapper& operator=(const PictureMapper&) = delete;

    std::shared_ptr<const VideoPicture> Map(GstSample* sample);

private:
    struct Format;
    std::unique_ptr<Format> format_;
};

}  // namespace velvaro::engine
