// The renderer's own scaler: its pictures against what they should be at
// every kind of size change, and the element negotiating in real graphs.
#include "TestPipeline.h"
#include "engine/FrameScaler.h"
#include "engine/GstVideoScaler.h"

#include <gst/base/gstbasetransform.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using namespace velvaro::engine;
using Bytes = std::vector<std::uint8_t>;

struct Size {
    int width, height;
};

// A 4:2:0 picture of slow waves, which any sound filter reproduces alike:
// a shifted row or column, a wrong matrix, misplaced chroma or a bad edge
// stands out.
struct Picture {
    Size size, chroma;
    Bytes y, u, v, uv;  // uv: the chroma interleaved, as NV12 has it

    explicit Picture(Size s) : size(s), chroma{(s.width + 1) / 2, (s.height + 1) / 2} {
        // Waves a fixed share of the picture long, so that shrinking keeps them.
        const auto wave = [](int at, int length, double periods) {
            return std::sin(6.283185 * periods * (at + 0.5) / length);
        };
        for (int row = 0; row < s.height; ++row) {
            for (int column = 0; column < s.width; ++column) {
                y.push_back(static_cast<std::uint8_t>(126 + 100 * wave(column, s.width, 3) *
                                                                wave(row, s.height, 2)));
            }
        }
        for (int row = 0; row < chroma.height; ++row) {
            for (int column = 0; column < chroma.width; ++column) {
                u.push_back(static_cast<std::uint8_t>(128 + 90 * wave(column, chroma.width, 1.5)));
                v.push_back(static_cast<std::uint8_t>(128 + 90 * wave(row, chroma.height, 1)));
                uv.insert(uv.end(), {u.back(), v.back()});
            }
        }
    }

    PlaneView Y() const { return {y.data(), size.width, size.width, size.height, 1}; }
    PlaneView U(bool interleaved = false) const { return Chroma(interleaved, 0); }
    PlaneView V(bool interleaved = false) const { return Chroma(interleaved, 1); }
    PlaneView Chroma(bool interleaved, int plane) const {
        if (interleaved) {
            return {uv.data() + plane, 2 * chroma.width, chroma.width, chroma.height, 2};
        }
        return {(plane ? v : u).data(), chroma.width, chroma.width, chroma.height, 1};
    }
};

Bytes Scaled(const Picture& picture, Size to, const YuvMatrix& matrix = {}) {
    FrameScaler scaler;
    scaler.SetMatrix(matrix);
    Bytes out(static_cast<size_t>(to.width) * to.height * 4, 0);
    scaler.ScaleToBgrx(picture.Y(), picture.U(), picture.V(), out.data(), to.width * 4, to.width,
                       to.height);
    return out;
}

// What the picture should be, worked out in floating point for each pixel
// on its own: every plane sampled bilinearly where the pixel's centre falls,
// then BT.709's studio-range matrix.
double Sample(const Bytes& plane, Size size, double x, double y) {
    x = std::clamp(x, 0.0, size.width - 1.0);
    y = std::clamp(y, 0.0, size.height - 1.0);
    const int left = std::min(static_cast<int>(x), std::max(size.width - 2, 0));
    const int top = std::min(static_cast<int>(y), std::max(size.height - 2, 0));
    const int right = std::min(left + 1, size.width - 1);
    const int bottom = std::min(top + 1, size.height - 1);
    const double fx = x - left;
    const double fy = y - top;
    const auto at = [&](int column, int row) {
        return static_cast<double>(plane[static_cast<size_t>(row) * size.width + column]);
    };
    return (at(left, top) * (1 - fx) + at(right, top) * fx) * (1 - fy) +
           (at(left, bottom) * (1 - fx) + at(right, bottom) * fx) * fy;
}

Bytes Reference(const Picture& picture, Size to) {
    Bytes out;
    const auto level = [](double value) {
        return static_cast<std::uint8_t>(std::lround(std::clamp(value, 0.0, 255.0)));
    };
    for (int row = 0; row < to.height; ++row) {
        for (int column = 0; column < to.width; ++column) {
            const double x = (column + 0.5) * picture.size.width / to.width - 0.5;
            const double y = (row + 0.5) * picture.size.height / to.height - 0.5;
            // Chroma sits at the centre of the two by two luma samples it covers.
            const double u = Sample(picture.u, picture.chroma, (x - 0.5) / 2, (y - 0.5) / 2) - 128;
            const double v = Sample(picture.v, picture.chroma, (x - 0.5) / 2, (y - 0.5) / 2) - 128;
            const double luma = (Sample(picture.y, picture.size, x, y) - 16) * 255 / 219;
            const double scale = 255.0 / 224;
            out.insert(out.end(), {level(luma + 1.8556 * scale * u),
                                   level(luma - (0.1873 * u + 0.4681 * v) * scale),
                                   level(luma + 1.5748 * scale * v), 0xff});
        }
    }
    return out;
}

// Flat colours under each matrix; codes past black and white clamp.
TEST(FrameScaler, FlatColoursComeOutTheColoursTheirMatrixMeans) {
    const YuvMatrix bt709{0.2126, 0.0722, false}, bt601{0.299, 0.114, false};
    const struct {
        YuvMatrix matrix;
        int y, u, v;
        int blue, green, red;
        const char* what;
    } cases[] = {
        {bt709, 63, 102, 240, 0, 0, 255, "BT.709 studio red"},
        {bt601, 81, 90, 240, 0, 0, 255, "BT.601 studio red"},
        {bt601, 145, 54, 34, 0, 255, 0, "BT.601 studio green"},
        {{0.299, 0.114, true}, 29, 255, 107, 255, 0, 0, "BT.601 full-range blue"},
        {bt709, 4, 128, 128, 0, 0, 0, "below black"},
        {bt709, 250, 128, 128, 255, 255, 255, "above white"},
    };
    for (const auto& c : cases) {
        Picture picture({70, 40});
        std::ranges::fill(picture.y, static_cast<std::uint8_t>(c.y));
        std::ranges::fill(picture.u, static_cast<std::uint8_t>(c.u));
        std::ranges::fill(picture.v, static_cast<std::uint8_t>(c.v));
        const Bytes out = Scaled(picture, {53, 31}, c.matrix);
        for (size_t i = 0; i < out.size(); i += 4) {
            ASSERT_TRUE(std::abs(out[i] - c.blue) <= 2 && std::abs(out[i + 1] - c.green) <= 2 &&
                        std::abs(out[i + 2] - c.red) <= 2)
                << c.what << " at " << i / 4 << ": " << +out[i] << " " << +out[i + 1] << " "
                << +out[i + 2];
        }
    }
}

// A player keeps one scaler for the whole film and beyond: whatever it drew
// before, at whatever sizes, each picture comes out as a new scaler draws it
// from separate planes, NV12's interleaved chroma too. Into rows with room
// beyond them, which a bigger picture filled before, only the rows are
// written. At each kind of size change the picture is what the waves should
// look like: inside a two-pixel border, for at the edges, where there is
// nothing beyond to blend with, sound filters differ most.
TEST(FrameScaler, DrawsTheWavesAtEveryKindOfSizeChangeAsANewScalerWould) {
    const Picture hd({1920, 1080}), uhd({3840, 2160}), sd({720, 576}), odd({333, 201}),
        small({101, 77}), wide({640, 360}), tiny({2, 2});
    const struct {
        const Picture* picture;
        Size to;
        bool interleaved;
        const char* what;
        bool truth = true;  // compared with the reference
    } steps[] = {
        {&hd, {1700, 956}, false, "1080p into a window"},
        {&hd, {1700, 956}, false, "the next picture alike", false},
        {&hd, {1280, 956}, false, "only the width changed", false},
        {&hd, {1280, 720}, false, "only the height changed", false},
        {&uhd, {1280, 720}, false, "2160p, halved first", false},
        {&hd, {1280, 720}, false, "1080p again", false},
        {&sd, {1280, 720}, false, "a DVD enlarged"},
        {&hd, {500, 300}, false, "1080p to 500x300", false},
        {&odd, {500, 300}, true, "chroma interleaved", false},
        {&odd, {500, 300}, false, "the same in separate planes", false},
        {&hd, {160, 90}, false, "1080p to 160x90", false},
        {&odd, {160, 90}, true, "chroma interleaved, smaller", false},
        {&hd, {333, 201}, false, "1080p to 333x201", false},
        {&odd, {333, 201}, true, "chroma interleaved, its own size", false},
        {&uhd, {800, 450}, false, "2160p to less than half: halved first"},
        {&hd, {1920, 1080}, false, "the same size, converted only"},
        {&odd, {101, 77}, false, "odd sizes down"},
        {&small, {333, 201}, false, "odd sizes up"},
        {&wide, {640, 90}, false, "only the height"},
        {&wide, {1500, 360}, false, "only the width"},
        {&tiny, {7, 5}, false, "the smallest picture 4:2:0 holds"},
    };
    FrameScaler kept;
    Bytes out;
    Size size{};
    for (const auto& step : steps) {
        SCOPED_TRACE(step.what);
        const Picture& picture = *step.picture;
        const Size to = step.to;
        const int stride = to.width * 4 + 20;
        if (to.width != size.width || to.height != size.height) {
            out.assign(static_cast<size_t>(stride) * to.height, 0x5a);
            size = to;
        }
        kept.ScaleToBgrx(picture.Y(), picture.U(step.interleaved), picture.V(step.interleaved),
                         out.data(), stride, to.width, to.height);
        const Bytes fresh = Scaled(picture, to);
        for (int row = 0; row < to.height; ++row) {
            const std::uint8_t* line = out.data() + static_cast<size_t>(row) * stride;
            ASSERT_TRUE(std::equal(line, line + to.width * 4, &fresh[row * to.width * 4]) &&
                        std::all_of(line + to.width * 4, line + stride,
                                    [](std::uint8_t b) { return b == 0x5a; }))
                << "row " << row;
        }
        for (size_t at = 3; at < fresh.size(); at += 4) {
            ASSERT_EQ(fresh[at], 0xff) << "opaque";
        }
        if (!step.truth) {
            continue;
        }
        const Bytes truth = Reference(picture, to);
        double sum = 0, samples = 0, far = 0;
        for (int row = 2; row < to.height - 2; ++row) {
            for (int column = 2; column < to.width - 2; ++column) {
                for (size_t at = (static_cast<size_t>(row) * to.width + column) * 4, end = at + 3;
                     at < end; ++at) {
                    const int delta = std::abs(fresh[at] - truth[at]);
                    sum += delta;
                    far += delta > 8;
                    ++samples;
                }
            }
        }
        EXPECT_LT(sum / std::max(samples, 1.0), 1.0);
        EXPECT_LT(far / std::max(samples, 1.0), 0.001) << "of samples more than 8 levels apart";
    }
}

struct ScalerOutput {
    std::string format;
    int width = 0;
    int height = 0;
    bool passthrough = false;
    std::uint32_t centre = 0;  // as BGRx
};

// The first picture of videotestsrc in `input` caps, through the scaler,
// into an appsink asking for `output` caps.
ScalerOutput ThroughScaler(const std::string& input, const std::string& output) {
    RegisterVideoScaler();
    const TestPipeline pipeline("videotestsrc num-buffers=3 " + input + " ! " +
                                kVideoScalerElement + " name=scaler ! " + output +
                                " ! appsink name=sink sync=false");
    pipeline.SetState(GST_STATE_PLAYING);
    const GstSampleHandle sample = pipeline.Pull();
    ScalerOutput out;
    GstVideoInfo info;
    GstVideoFrame frame;
    if (sample && gst_video_info_from_caps(&info, gst_sample_get_caps(sample.get()))) {
        out = {gst_video_format_to_string(GST_VIDEO_INFO_FORMAT(&info)), info.width, info.height,
               gst_base_transform_is_passthrough(GST_BASE_TRANSFORM(pipeline["scaler"].get())) !=
                   FALSE};
        if (gst_video_frame_map(&frame, &info, gst_sample_get_buffer(sample.get()), GST_MAP_READ)) {
            std::memcpy(&out.centre,
                        static_cast<const std::uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(&frame, 0)) +
                            (info.height / 2) * GST_VIDEO_FRAME_PLANE_STRIDE(&frame, 0) +
                            (info.width / 2) * 4,
                        4);
            gst_video_frame_unmap(&frame);
        }
    }
    return out;
}

// Solid red through every path, FrameScaler's and the general converter's,
// into BGRx of the size downstream asks for, or passed on untouched.
TEST(VideoScalerElement, GivesWhatDownstreamAsksForWithTheColoursKept) {
    EnsureMediaFramework();
    const GstCapsHandle window(WindowCaps(200, 112));
    const std::string renderer = GCharHandle(gst_caps_to_string(window.get())).get();
    const auto check = [](const std::string& format, const std::string& size,
                          const std::string& output, const ScalerOutput& expected) {
        SCOPED_TRACE(format + " " + size + " into " + output);
        const ScalerOutput out =
            ThroughScaler("pattern=solid-color foreground-color=0xffff0000 ! video/x-raw," + size +
                              " ! videoconvert ! video/x-raw,format=" + format,
                          output);
        EXPECT_EQ(
            std::tuple(out.format, out.width, out.height, out.passthrough),
            std::tuple(expected.format, expected.width, expected.height, expected.passthrough));
        if (out.format == "BGRx") {
            EXPECT_NEAR(static_cast<int>(out.centre >> 16 & 0xff), 255, 3);
            EXPECT_NEAR(static_cast<int>(out.centre >> 8 & 0xff), 0, 3);
            EXPECT_NEAR(static_cast<int>(out.centre & 0xff), 0, 3);
        }
    };
    const std::string film = "width=320,height=240";
    for (const char* format : {"I420", "NV12", "YV12", "Y444", "I420_10LE", "RGB"}) {
        check(format, film, "video/x-raw,format=BGRx,width=200,height=112",
              {"BGRx", 200, 112, false});
    }
    check("BGRx", film, "video/x-raw,format=BGRx," + film, {"BGRx", 320, 240, true});
    // A PAL DVD's 16:15 pixels keep their shape on square ones.
    check("I420", "width=720,height=576,pixel-aspect-ratio=16/15",
          "video/x-raw,format=BGRx,pixel-aspect-ratio=1/1", {"BGRx", 768, 576, false});
    // As the renderer asks: 4:2:0 for the window to scale, else BGRx of the
    // window's size.
    for (const auto& [format, passed] : {std::pair{"I420", true},
                                         {"NV12", true},
                                         {"YV12", true},
                                         {"Y444", false},
                                         {"RGB", false}}) {
        check(
            format, film + ",pixel-aspect-ratio=16/15", renderer,
            passed ? ScalerOutput{format, 320, 240, true} : ScalerOutput{"BGRx", 200, 112, false});
    }
}

}  // namespace
