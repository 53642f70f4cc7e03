#include "VideoPicture.h"

#include "GstHandles.h"
#include "GstPictureViews.h"

namespace velvaro::engine {

// The mapped frame holds its own reference to the buffer, never the sample:
// appsink hands out its working sample, and after a flush while playing it
// writes into it again, which fails while another holder shares it.
struct VideoPicture::Mapped {
    GstVideoFrame frame{};
    YuvMatrix matrix;
    bool needsScaling = false;
    bool isMapped = false;
    std::int64_t time = -1;  // in the medium, not the buffer's own time

    ~Mapped() {
        if (isMapped) {
            gst_video_frame_unmap(&frame);
        }
    }
};

std::shared_ptr<VideoPicture> VideoPicture::Map(GstBuffer* buffer, const GstVideoInfo* info) {
    const GstVideoFormat format = GST_VIDEO_INFO_FORMAT(info);
    if (!buffer || (format != GST_VIDEO_FORMAT_BGRx && !IsFrameScalerFormat(format))) {
        return nullptr;
    }
    auto mapped = std::make_unique<Mapped>();
    mapped->isMapped = gst_video_frame_map(&mapped->frame, info, buffer, GST_MAP_READ);
    if (!mapped->isMapped) {
        return nullptr;
    }
    mapped->needsScaling = format != GST_VIDEO_FORMAT_BGRx;
    mapped->matrix = MatrixOf(*info);
    return std::shared_ptr<VideoPicture>(new VideoPicture(std::move(mapped)));
}

std::shared_ptr<const VideoPicture> VideoPicture::Map(GstSample* sample) {
    GstVideoInfo info;
    if (!gst_video_info_from_caps(&info, gst_sample_get_caps(sample))) {
        return nullptr;
    }
    return WithTime(Map(gst_sample_get_buffer(sample), &info), sample);
}

// A segment may start past its buffers' times (an edit list that skips the
// film's first pictures): the picture's place in the medium is its stream time.
std::shared_ptr<const VideoPicture> VideoPicture::WithTime(std::shared_ptr<VideoPicture> picture,
                                                           GstSample* sample) {
    if (!picture) {
        return nullptr;
    }
    const GstClockTime pts = GST_BUFFER_PTS(picture->mapped_->frame.buffer);
    const GstSegment* segment = gst_sample_get_segment(sample);
    if (GST_CLOCK_TIME_IS_VALID(pts) && segment && segment->format == GST_FORMAT_TIME) {
        guint64 time = 0;
        if (gst_segment_to_stream_time_full(segment, GST_FORMAT_TIME, pts, &time) > 0) {
            picture->mapped_->time = static_cast<std::int64_t>(time);
        }
    }
    return picture;
}

VideoPicture::VideoPicture(std::unique_ptr<Mapped> mapped) : mapped_(std::move(mapped)) {}

VideoPicture::~VideoPicture() = default;

QSize VideoPicture::Size() const {
    return QSize(GST_VIDEO_FRAME_WIDTH(&mapped_->frame), GST_VIDEO_FRAME_HEIGHT(&mapped_->frame));
}

std::int64_t VideoPicture::Time() const {
    return mapped_->time;
}

std::int64_t VideoPicture::Duration() const {
    const GstClockTime duration = GST_BUFFER_DURATION(mapped_->frame.buffer);
    return GST_CLOCK_TIME_IS_VALID(duration) ? static_cast<std::int64_t>(duration) : -1;
}

bool VideoPicture::NeedsScaling() const {
    return mapped_->needsScaling;
}

QImage VideoPicture::Pixels() const {
    if (mapped_->needsScaling) {
        return QImage();
    }
    const GstVideoFrame& frame = mapped_->frame;
    return QImage(static_cast<const uchar*>(GST_VIDEO_FRAME_PLANE_DATA(&frame, 0)),
                  GST_VIDEO_FRAME_WIDTH(&frame), GST_VIDEO_FRAME_HEIGHT(&frame),
                  GST_VIDEO_FRAME_PLANE_STRIDE(&frame, 0), QImage::Format_RGB32);
}

void VideoPicture::ScaleToBgrx(FrameScaler& scaler, std::uint8_t* out, int outStride, int width,
                               int height) const {
    if (!mapped_->needsScaling) {
        return;
    }
    const GstVideoFrame* frame = &mapped_->frame;
    scaler.SetMatrix(mapped_->matrix);
    scaler.ScaleToBgrx(ComponentOf(frame, GST_VIDEO_COMP_Y), ComponentOf(frame, GST_VIDEO_COMP_U),
                       ComponentOf(frame, GST_VIDEO_COMP_V), out, outStride, width, height);
}

// Holding the caps keeps their address from being reused by other caps.
struct PictureMapper::Format {
    GstCapsHandle caps;
    GstVideoInfo info{};
    bool readable = false;
};

PictureMapper::PictureMapper() : format_(std::make_unique<Format>()) {}

PictureMapper::~PictureMapper() = default;

std::shared_ptr<const VideoPicture> PictureMapper::Map(GstSample* sample) {
    GstCaps* caps = gst_sample_get_caps(sample);
    if (!caps) {
        return nullptr;
    }
    if (caps != format_->caps.get()) {
        format_->caps.reset(gst_caps_ref(caps));
        format_->readable = gst_video_info_from_caps(&format_->info, caps);
    }
    if (!format_->readable) {
        return nullptr;
    }
    return VideoPicture::WithTime(VideoPicture::Map(gst_sample_get_buffer(sample), &format_->info),
                                  sample);
}

}  // namespace velvaro::engine
