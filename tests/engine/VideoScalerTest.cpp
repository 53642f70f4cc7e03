// The renderer's own scaler: its pictures against what they should be at
// every kind of size change, and the element negotiating in real graphs.
#include "engine/FrameScaler.h"
#include "engine/GstHandles.h"
#include "engine/GstVideoScaler.h"
#include "engine/MediaFramework.h"

#include <gst/app/gstappsink.h>
#include <gst/base/gstbasetransform.h>
#include <gst/video/video.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using velvaro::engine::FrameScaler;
using velvaro::engine::GCharHandle;
using velvaro::engine::GstCapsHandle;
using velvaro::engine::GstElementHandle;
using velvaro::engine::GstSampleHandle;
using velvaro::engine::PlaneView;
using velvaro::engine::YuvMatrix;

struct Size {
    int width;
    int height;
};

// A 4:2:0 picture of slow waves, which any sound filter reproduces alike:
// a shifted row or column, a wrong matrix, misplaced chroma or a bad edge
// stands out.
struct Picture {
    Size size;
    std::vector<std::uint8_t> y, u, v;

    explicit Picture(Size s) : size(s) {
        const int cw = (s.width + 1) / 2;
        const int ch = (s.height + 1) / 2;
        y.resize(static_cast<size_t>(s.width) * s.height);
        u.resize(static_cast<size_t>(cw) * ch);
        v.resize(u.size());
        // Waves a fixed share of the picture long, so that shrinking keeps them.
        const auto wave = [](int at, int length, double periods) {
            return std::sin(6.283185 * periods * (at + 0.5) / length);
        };
        for (int row = 0; row < s.height; ++row) {
            for (int column = 0; column < s.width; ++column) {
                const double value = 126 + 100 * wave(column, s.width, 3) * wave(row, s.height, 2);
                y[static_cast<size_t>(row) * s.width + column] = static_cast<std::uint8_t>(value);
            }
        }
        for (int row = 0; row < ch; ++row) {
            for (int column = 0; column < cw; ++column) {
                const size_t at = static_cast<size_t>(row) * cw + column;
                u[at] = static_cast<std::uint8_t>(128 + 90 * wave(column, cw, 1.5));
                v[at] = static_cast<std::uint8_t>(128 + 90 * wave(row, ch, 1));
            }
        }
    }

    PlaneView Y() const { return {y.data(), size.width, size.width, size.height, 1}; }
    PlaneView U() const { return Chroma(u); }
    PlaneView V() const { return Chroma(v); }
    PlaneView Chroma(const std::vector<std::uint8_t>& plane) const {
        const int cw = (size.width + 1) / 2;
        return {plane.data(), cw, cw, (size.height + 1) / 2, 1};
    }
};

std::vector<std::uint8_t> Scaled(const Picture& picture, Size to, const YuvMatrix& matrix = {}) {
    FrameScaler scaler;
    scaler.SetMatrix(matrix);
    std::vector<std::uint8_t> out(static_cast<size_t>(to.width) * to.height * 4, 0);
    scaler.ScaleToBgrx(picture.Y(), picture.U(), picture.V(), out.data(), to.width * 4, to.width,
                       to.height);
    return out;
}

// What the picture should be, worked out in floating point for each pixel
// on its own: every plane sampled bilinearly where the pixel's centre falls,
// then BT.709's studio-range matrix.
double Sample(const std::vector<std::uint8_t>& plane, int width, int height, double x, double y) {
    x = std::clamp(x, 0.0, width - 1.0);
    y = std::clamp(y, 0.0, height - 1.0);
    const int left = std::min(static_cast<int>(x), std::max(width - 2, 0));
    const int top = std::min(static_cast<int>(y), std::max(height - 2, 0));
    const int right = std::min(left + 1, width - 1);
    const int bottom = std::min(top + 1, height - 1);
    const double fx = x - left;
    const double fy = y - top;
    const auto at = [&](int column, int row) {
        return static_cast<double>(plane[static_cast<size_t>(row) * width + column]);
    };
    return (at(left, top) * (1 - fx) + at(right, top) * fx) * (1 - fy) +
           (at(left, bottom) * (1 - fx) + at(right, bottom) * fx) * fy;
}

std::vector<std::uint8_t> Reference(const Picture& picture, Size to) {
    const int cw = (picture.size.width + 1) / 2;
    const int ch = (picture.size.height + 1) / 2;
    std::vector<std::uint8_t> out(static_cast<size_t>(to.width) * to.height * 4);
    const auto level = [](double value) {
        return static_cast<std::uint8_t>(std::lround(std::clamp(value, 0.0, 255.0)));
    };
    for (int row = 0; row < to.height; ++row) {
        for (int column = 0; column < to.width; ++column) {
            const auto where = [&](int at, int count, int planeCount) {
                return (at + 0.5) * planeCount / count - 0.5;
            };
            const double y = Sample(picture.y, picture.size.width, picture.size.height,
                                    where(column, to.width, picture.size.width),
                                    where(row, to.height, picture.size.height));
            // Chroma sits at the centre of the two by two luma samples it covers.
            const double chromaX = (where(column, to.width, picture.size.width) - 0.5) / 2;
            const double chromaY = (where(row, to.height, picture.size.height) - 0.5) / 2;
            const double u = Sample(picture.u, cw, ch, chromaX, chromaY) - 128;
            const double v = Sample(picture.v, cw, ch, chromaX, chromaY) - 128;
            const double luma = (y - 16) * 255 / 219;
            const double scale = 255.0 / 224;
            std::uint8_t* pixel = out.data() + (static_cast<size_t>(row) * to.width + column) * 4;
            pixel[0] = level(luma + 1.8556 * scale * u);
            pixel[1] = level(luma - (0.1873 * u + 0.4681 * v) * scale);
            pixel[2] = level(luma + 1.5748 * scale * v);
            pixel[3] = 0xff;
        }
    }
    return out;
}

struct Difference {
    double mean = 0;
    double farShare = 0;  // of samples more than 8 levels apart
    bool opaque = true;
};

// Inside a two-pixel border: at the edges, where there is nothing beyond
// to blend with, sound filters differ most.
Difference Compare(const std::vector<std::uint8_t>& ours, const std::vector<std::uint8_t>& truth,
                   Size size) {
    Difference difference;
    size_t far = 0;
    size_t samples = 0;
    for (int row = 0; row < size.height; ++row) {
        for (int column = 0; column < size.width; ++column) {
            const size_t at = (static_cast<size_t>(row) * size.width + column) * 4;
            difference.opaque = difference.opaque && ours[at + 3] == 0xff;
            if (std::min(row, size.height - 1 - row) < 2 ||
                std::min(column, size.width - 1 - column) < 2) {
                continue;
            }
            for (size_t channel = 0; channel < 3; ++channel) {
                const int delta = std::abs(ours[at + channel] - truth[at + channel]);
                difference.mean += delta;
                far += delta > 8;
                ++samples;
            }
        }
    }
    difference.mean /= static_cast<double>(std::max<size_t>(samples, 1));
    difference.farShare =
        static_cast<double>(far) / static_cast<double>(std::max<size_t>(samples, 1));
    return difference;
}

TEST(FrameScaler, DrawsWhatTheWavesShouldLookLikeAtEveryKindOfSizeChange) {
    struct Case {
        Size from;
        Size to;
        const char* what;
    };
    const Case cases[] = {
        {{1920, 1080}, {1700, 956}, "1080p into a window"},
        {{720, 576}, {1280, 720}, "a DVD enlarged"},
        {{3840, 2160}, {800, 450}, "2160p to less than half: halved first"},
        {{1920, 1080}, {1920, 1080}, "the same size, converted only"},
        {{333, 201}, {101, 77}, "odd sizes down"},
        {{101, 77}, {333, 201}, "odd sizes up"},
        {{640, 360}, {640, 90}, "only the height"},
        {{640, 360}, {1500, 360}, "only the width"},
        {{2, 2}, {7, 5}, "the smallest picture 4:2:0 holds"},
    };
    for (const Case& c : cases) {
        const Picture picture(c.from);
        const Difference difference =
            Compare(Scaled(picture, c.to), Reference(picture, c.to), c.to);
        EXPECT_LT(difference.mean, 1.0) << c.what;
        EXPECT_LT(difference.farShare, 0.001) << c.what;
        EXPECT_TRUE(difference.opaque) << c.what;
    }
}

TEST(FrameScaler, FlatColoursComeOutTheColoursTheirMatrixMeans) {
    struct Case {
        YuvMatrix matrix;
        int y, u, v;
        int blue, green, red;
        const char* what;
    };
    const Case cases[] = {
        {{0.2126, 0.0722, false}, 63, 102, 240, 0, 0, 255, "BT.709 studio red"},
        {{0.299, 0.114, false}, 81, 90, 240, 0, 0, 255, "BT.601 studio red"},
        {{0.299, 0.114, false}, 145, 54, 34, 0, 255, 0, "BT.601 studio green"},
        {{0.299, 0.114, true}, 29, 255, 107, 255, 0, 0, "BT.601 full-range blue"},
        {{0.2126, 0.0722, false}, 235, 128, 128, 255, 255, 255, "white"},
        {{0.2126, 0.0722, false}, 16, 128, 128, 0, 0, 0, "black"},
        {{0.2126, 0.0722, false}, 4, 128, 128, 0, 0, 0, "below black"},
        {{0.2126, 0.0722, false}, 250, 128, 128, 255, 255, 255, "above white"},
    };
    for (const Case& c : cases) {
        Picture picture({70, 40});
        std::fill(picture.y.begin(), picture.y.end(), static_cast<std::uint8_t>(c.y));
        std::fill(picture.u.begin(), picture.u.end(), static_cast<std::uint8_t>(c.u));
        std::fill(picture.v.begin(), picture.v.end(), static_cast<std::uint8_t>(c.v));
        const std::vector<std::uint8_t> out = Scaled(picture, {53, 31}, c.matrix);
        for (size_t i = 0; i < out.size(); i += 4) {
            ASSERT_NEAR(out[i], c.blue, 2) << c.what << " at " << i / 4;
            ASSERT_NEAR(out[i + 1], c.green, 2) << c.what << " at " << i / 4;
            ASSERT_NEAR(out[i + 2], c.red, 2) << c.what << " at " << i / 4;
        }
    }
}

TEST(FrameScaler, InterleavedChromaGivesWhatSeparatePlanesGive) {
    const Picture picture({333, 201});
    std::vector<std::uint8_t> interleaved(picture.u.size() * 2);
    for (size_t i = 0; i < picture.u.size(); ++i) {
        interleaved[2 * i] = picture.u[i];
        interleaved[2 * i + 1] = picture.v[i];
    }
    const int cw = (picture.size.width + 1) / 2;
    const int ch = (picture.size.height + 1) / 2;
    for (const Size to : {Size{500, 300}, Size{160, 90}, Size{333, 201}}) {
        std::vector<std::uint8_t> out(static_cast<size_t>(to.width) * to.height * 4);
        FrameScaler scaler;
        scaler.ScaleToBgrx(picture.Y(), {interleaved.data(), 2 * cw, cw, ch, 2},
                           {interleaved.data() + 1, 2 * cw, cw, ch, 2}, out.data(), to.width * 4,
                           to.width, to.height);
        EXPECT_EQ(out, Scaled(picture, to)) << to.width << "x" << to.height;
    }
}

TEST(FrameScaler, WritesOnlyInsideItsRowsAndKeepsNothingFromTheLastPicture) {
    const Size to{123, 45};
    const int stride = to.width * 4 + 20;
    std::vector<std::uint8_t> out(static_cast<size_t>(stride) * to.height, 0x5a);
    FrameScaler scaler;
    const Picture big({1920, 1080});
    const Picture small({64, 48});
    scaler.ScaleToBgrx(big.Y(), big.U(), big.V(), out.data(), stride, to.width, to.height);
    scaler.ScaleToBgrx(small.Y(), small.U(), small.V(), out.data(), stride, to.width, to.height);
    const std::vector<std::uint8_t> fresh = Scaled(small, to);
    for (int row = 0; row < to.height; ++row) {
        const std::uint8_t* line = out.data() + static_cast<size_t>(row) * stride;
        ASSERT_TRUE(std::equal(line, line + to.width * 4, fresh.data() + row * to.width * 4))
            << "row " << row;
        for (int pad = to.width * 4; pad < stride; ++pad) {
            ASSERT_EQ(line[pad], 0x5a) << "row " << row;
        }
    }
}

// videotestsrc in the given format and size, through the scaler, into an
// appsink that keeps its samples.
class ScalerGraph {
public:
    // `source` continues "videotestsrc num-buffers=3 ": its properties, then
    // "! caps" and more.
    ScalerGraph(const std::string& source, const std::string& output) {
        velvaro::engine::EnsureMediaFramework();
        velvaro::engine::RegisterVideoScaler();
        const std::string description = "videotestsrc num-buffers=3 " + source + " ! " +
                                        velvaro::engine::kVideoScalerElement + " name=scaler ! " +
                                        output + " ! appsink name=sink sync=false";
        GError* error = nullptr;
        pipeline_.reset(
            GST_ELEMENT(gst_object_ref_sink(gst_parse_launch(description.c_str(), &error))));
        if (error) {
            ADD_FAILURE() << error->message;
            g_error_free(error);
        }
    }
    ~ScalerGraph() {
        if (pipeline_) {
            gst_element_set_state(pipeline_.get(), GST_STATE_NULL);
        }
    }

    GstElement* Find(const char* name) const {
        return gst_bin_get_by_name(GST_BIN(pipeline_.get()), name);
    }

    GstSampleHandle FirstSample() {
        GstElementHandle sink(gst_bin_get_by_name(GST_BIN(pipeline_.get()), "sink"));
        gst_element_set_state(pipeline_.get(), GST_STATE_PLAYING);
        return GstSampleHandle(
            gst_app_sink_try_pull_sample(GST_APP_SINK(sink.get()), 10 * GST_SECOND));
    }

private:
    GstElementHandle pipeline_;
};

struct SampleFacts {
    std::string format;
    int width = 0;
    int height = 0;
    std::uint32_t centre = 0;
};

SampleFacts FactsOf(GstSample* sample) {
    SampleFacts facts;
    if (!sample) {
        return facts;
    }
    GstVideoInfo info;
    if (!gst_video_info_from_caps(&info, gst_sample_get_caps(sample))) {
        return facts;
    }
    facts.format = gst_video_format_to_string(GST_VIDEO_INFO_FORMAT(&info));
    facts.width = info.width;
    facts.height = info.height;
    GstVideoFrame frame;
    if (gst_video_frame_map(&frame, &info, gst_sample_get_buffer(sample), GST_MAP_READ)) {
        const auto* row = static_cast<const std::uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(&frame, 0)) +
                          (info.height / 2) * GST_VIDEO_FRAME_PLANE_STRIDE(&frame, 0);
        std::memcpy(&facts.centre, row + (info.width / 2) * 4, 4);
        gst_video_frame_unmap(&frame);
    }
    return facts;
}

TEST(VideoScalerElement, GivesBgrxOfTheSizeDownstreamAsksForWithTheColoursKept) {
    // Solid red through every path: FrameScaler's and the general converter's.
    for (const char* format : {"I420", "NV12", "YV12", "Y444", "I420_10LE", "RGB"}) {
        ScalerGraph graph(
            "pattern=solid-color foreground-color=0xffff0000 ! "
            "video/x-raw,width=320,height=240 ! videoconvert ! "
            "video/x-raw,format=" +
                std::string(format),
            "video/x-raw,format=BGRx,width=200,height=112");
        const SampleFacts facts = FactsOf(graph.FirstSample().get());
        EXPECT_EQ(facts.format, "BGRx") << format;
        EXPECT_EQ(facts.width, 200) << format;
        EXPECT_EQ(facts.height, 112) << format;
        EXPECT_NEAR(static_cast<int>(facts.centre >> 16 & 0xff), 255, 3) << format;
        EXPECT_NEAR(static_cast<int>(facts.centre >> 8 & 0xff), 0, 3) << format;
        EXPECT_NEAR(static_cast<int>(facts.centre & 0xff), 0, 3) << format;
    }
}

TEST(VideoScalerElement, KeepsThePicturesShapeUntilASizeIsAskedFor) {
    // A PAL DVD's 16:15 pixels, shown on square ones.
    ScalerGraph graph("! video/x-raw,format=I420,width=720,height=576,pixel-aspect-ratio=16/15",
                      "video/x-raw,format=BGRx,pixel-aspect-ratio=1/1");
    const SampleFacts facts = FactsOf(graph.FirstSample().get());
    EXPECT_EQ(facts.width, 768);
    EXPECT_EQ(facts.height, 576);
}

TEST(VideoScalerElement, PassesBgrxOfTheRightSizeThroughUntouched) {
    ScalerGraph graph("! video/x-raw,format=BGRx,width=320,height=240",
                      "video/x-raw,format=BGRx,width=320,height=240");
    const SampleFacts facts = FactsOf(graph.FirstSample().get());
    EXPECT_EQ(facts.width, 320);
    GstElementHandle scaler(graph.Find("scaler"));
    ASSERT_TRUE(scaler);
    EXPECT_TRUE(gst_base_transform_is_passthrough(GST_BASE_TRANSFORM(scaler.get())));
}

// Downstream as the renderer asks: 4:2:0 for the window to scale, else BGRx
// of the window's size.
TEST(VideoScalerElement, PassesFilmsInFourTwoZeroThroughForTheWindowToScale) {
    velvaro::engine::EnsureMediaFramework();
    GstCapsHandle window(velvaro::engine::WindowCaps(200, 112));
    const GCharHandle text(gst_caps_to_string(window.get()));
    const std::string renderer = text.get();
    const std::pair<const char*, const char*> cases[] = {
        {"I420", "I420"}, {"NV12", "NV12"}, {"YV12", "YV12"}, {"Y444", "BGRx"}, {"RGB", "BGRx"}};
    for (const auto& [format, expected] : cases) {
        ScalerGraph graph("! video/x-raw,width=320,height=240,pixel-aspect-ratio=16/15,format=" +
                              std::string(format),
                          renderer);
        const SampleFacts facts = FactsOf(graph.FirstSample().get());
        EXPECT_EQ(facts.format, expected) << format;
        const bool passed = facts.format != "BGRx";
        EXPECT_EQ(facts.width, passed ? 320 : 200) << format;
        EXPECT_EQ(facts.height, passed ? 240 : 112) << format;
        GstElementHandle scaler(graph.Find("scaler"));
        ASSERT_TRUE(scaler);
        EXPECT_EQ(gst_base_transform_is_passthrough(GST_BASE_TRANSFORM(scaler.get())), passed)
            << format;
    }
}

}  // namespace
