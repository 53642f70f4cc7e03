// Milliseconds a picture takes from the decoder's 8-bit 4:2:0 to BGRx of
// the window's size: FrameScaler beside GStreamer's converter doing both at
// once (videoconvertscale) and in two steps (videoscale ! videoconvert).
#include "engine/FrameScaler.h"

#include <gst/gst.h>
#include <gst/video/video.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

using velvaro::engine::FrameScaler;
using velvaro::engine::PlaneView;

constexpr int kFrames = 60;
constexpr int kRounds = 5;

template <typename Work>
double BestMillisecondsPerFrame(Work work) {
    double best = 1e300;
    for (int round = 0; round < kRounds; ++round) {
        const auto start = std::chrono::steady_clock::now();
        for (int frame = 0; frame < kFrames; ++frame) {
            work();
        }
        const std::chrono::duration<double, std::milli> took =
            std::chrono::steady_clock::now() - start;
        best = std::min(best, took.count() / kFrames);
    }
    return best;
}

// A video frame of its own memory, filled with a moving pattern.
class Frame {
public:
    Frame(GstVideoFormat format, int width, int height) {
        gst_video_info_set_format(&info_, format, width, height);
        buffer_ = gst_buffer_new_allocate(nullptr, info_.size, nullptr);
        gst_video_frame_map(&frame_, &info_, buffer_, GST_MAP_READWRITE);
        for (guint plane = 0; plane < GST_VIDEO_FRAME_N_PLANES(&frame_); ++plane) {
            auto* data = static_cast<std::uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(&frame_, plane));
            const int stride = GST_VIDEO_FRAME_PLANE_STRIDE(&frame_, plane);
            for (int row = 0; row < GST_VIDEO_FRAME_COMP_HEIGHT(&frame_, plane); ++row) {
                for (int column = 0; column < stride; ++column) {
                    data[row * stride + column] = static_cast<std::uint8_t>(row * 3 + column * 7);
                }
            }
        }
    }
    ~Frame() {
        gst_video_frame_unmap(&frame_);
        gst_buffer_unref(buffer_);
    }
    Frame(const Frame&) = delete;
    Frame& operator=(const Frame&) = delete;

    GstVideoFrame* Get() { return &frame_; }
    GstVideoInfo* Info() { return &info_; }
    PlaneView Component(guint component) {
        return {static_cast<const std::uint8_t*>(GST_VIDEO_FRAME_COMP_DATA(&frame_, component)),
                GST_VIDEO_FRAME_COMP_STRIDE(&frame_, component),
                GST_VIDEO_FRAME_COMP_WIDTH(&frame_, component),
                GST_VIDEO_FRAME_COMP_HEIGHT(&frame_, component), 1};
    }

private:
    GstVideoInfo info_;
    GstBuffer* buffer_ = nullptr;
    GstVideoFrame frame_;
};

// videoscale's default method, "bilinear".
GstStructure* Bilinear() {
    return gst_structure_new("config", GST_VIDEO_CONVERTER_OPT_RESAMPLER_METHOD,
                             GST_TYPE_VIDEO_RESAMPLER_METHOD, GST_VIDEO_RESAMPLER_METHOD_LINEAR,
                             nullptr);
}

void Measure(const char* what, int fromWidth, int fromHeight, int toWidth, int toHeight) {
    Frame source(GST_VIDEO_FORMAT_I420, fromWidth, fromHeight);
    Frame scaled(GST_VIDEO_FORMAT_I420, toWidth, toHeight);
    Frame target(GST_VIDEO_FORMAT_BGRx, toWidth, toHeight);

    FrameScaler scaler;
    const double ours = BestMillisecondsPerFrame([&] {
        scaler.ScaleToBgrx(source.Component(GST_VIDEO_COMP_Y), source.Component(GST_VIDEO_COMP_U),
                           source.Component(GST_VIDEO_COMP_V),
                           static_cast<std::uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(target.Get(), 0)),
                           GST_VIDEO_FRAME_PLANE_STRIDE(target.Get(), 0), toWidth, toHeight);
    });

    GstVideoConverter* both = gst_video_converter_new(source.Info(), target.Info(), Bilinear());
    const double together = BestMillisecondsPerFrame(
        [&] { gst_video_converter_frame(both, source.Get(), target.Get()); });
    gst_video_converter_free(both);

    GstVideoConverter* scale = gst_video_converter_new(source.Info(), scaled.Info(), Bilinear());
    GstVideoConverter* convert = gst_video_converter_new(scaled.Info(), target.Info(), nullptr);
    const double steps = BestMillisecondsPerFrame([&] {
        gst_video_converter_frame(scale, source.Get(), scaled.Get());
        gst_video_converter_frame(convert, scaled.Get(), target.Get());
    });
    gst_video_converter_free(scale);
    gst_video_converter_free(convert);

    std::printf("%-30s %6.2f ms %8.2f ms %8.2f ms %7.2fx\n", what, ours, together, steps,
                steps / ours);
}

}  // namespace

int main(int argc, char** argv) {
    gst_init(&argc, &argv);
    std::printf("best of %d rounds of %d frames, ms a frame, one thread\n", kRounds, kFrames);
    std::printf("%-30s %9s %11s %11s %8s\n", "picture", "Velvaro", "convertscale", "two steps",
                "gain");
    Measure("1080p into 1700x956", 1920, 1080, 1700, 956);
    Measure("2160p into 1700x956", 3840, 2160, 1700, 956);
    Measure("576p into 1700x956", 720, 576, 1700, 956);
    Measure("1080p at 1920x1080", 1920, 1080, 1920, 1080);
    Measure("1080p into 640x360", 1920, 1080, 640, 360);
    return 0;
}
