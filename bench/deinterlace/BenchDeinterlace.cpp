// What each deinterlacing method costs and what it leaves of the combs, on
// an interlaced clip: the clip is decoded as the player decodes it (a
// queue after the decoder, the deinterlacer after that) as fast as it goes,
// each picture taken at the end.
//
//   bench_deinterlace [--runs N] [--seconds S] CLIP
//
// For each method: pictures out per second of media; CPU seconds (user and
// system, every thread of the process) per second of media, the median of
// N runs, and the part of it over decoding alone ("off"); and the comb
// energy, the mean difference between neighbouring rows of the luma, over
// the pictures of the first two seconds; and the detail lost where the
// picture stands still (the clip's lower half): the mean difference from
// the picture as decoded, whose two fields agree there, so weaving them is
// right and halving the rows is not. Only the first S seconds of the clip
// are played (all of it by default).
#include "engine/GstGraphParts.h"

#include <gst/app/gstappsink.h>
#include <gst/gst.h>
#include <gst/video/video.h>
#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace {

struct Method {
    const char* label;
    const char* element;  // the part between the queue and the sink
};

constexpr Method kMethods[] = {
    {"off", "deinterlace mode=disabled"},
    {"linear", "deinterlace method=linear fields=all"},
    {"vfir", "deinterlace method=vfir fields=all"},
    {"scalerbob", "deinterlace method=scalerbob fields=all"},
    {"greedyl", "deinterlace method=greedyl fields=all"},
    {"greedyh", "deinterlace method=greedyh fields=all"},
    {"tomsmocomp", "deinterlace method=tomsmocomp fields=all"},
    {"yadif", "deinterlace method=yadif fields=all"},
    {"yadif (one per frame)", "deinterlace method=yadif fields=top"},
    {"avdeinterlace", "avdeinterlace"},
};

constexpr GstClockTime kCombSpan = 2 * GST_SECOND;

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return double(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// A picture's luma, row after row.
struct Luma {
    int width = 0;
    int height = 0;
    std::vector<guint8> pixels;
    int At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

Luma LumaOf(GstSample* sample) {
    Luma luma;
    GstVideoInfo info;
    GstVideoFrame frame;
    if (!gst_video_info_from_caps(&info, gst_sample_get_caps(sample)) ||
        !GST_VIDEO_INFO_IS_YUV(&info) ||
        !gst_video_frame_map(&frame, &info, gst_sample_get_buffer(sample), GST_MAP_READ)) {
        return luma;
    }
    const auto* plane = static_cast<const guint8*>(GST_VIDEO_FRAME_PLANE_DATA(&frame, 0));
    const int stride = GST_VIDEO_FRAME_PLANE_STRIDE(&frame, 0);
    const int step = GST_VIDEO_FRAME_COMP_PSTRIDE(&frame, 0);
    luma.width = GST_VIDEO_FRAME_COMP_WIDTH(&frame, 0);
    luma.height = GST_VIDEO_FRAME_COMP_HEIGHT(&frame, 0);
    luma.pixels.reserve(static_cast<size_t>(luma.width) * luma.height);
    for (int y = 0; y < luma.height; ++y) {
        for (int x = 0; x < luma.width; ++x) {
            luma.pixels.push_back(plane[static_cast<size_t>(y) * stride + x * step]);
        }
    }
    gst_video_frame_unmap(&frame);
    return luma;
}

// Mean absolute difference between neighbouring rows.
double CombEnergy(const Luma& luma) {
    double sum = 0;
    for (int y = 0; y + 1 < luma.height; ++y) {
        for (int x = 0; x < luma.width; ++x) {
            sum += std::abs(luma.At(x, y) - luma.At(x, y + 1));
        }
    }
    return luma.height > 1 ? sum / (double(luma.width) * (luma.height - 1)) : 0;
}

// Mean absolute difference from `decoded` over the lower half.
double StillLoss(const Luma& luma, const Luma& decoded) {
    if (luma.width != decoded.width || luma.height != decoded.height || luma.height < 2) {
        return -1;
    }
    double sum = 0;
    for (int y = luma.height / 2; y < luma.height; ++y) {
        for (int x = 0; x < luma.width; ++x) {
            sum += std::abs(luma.At(x, y) - decoded.At(x, y));
        }
    }
    return sum / (double(luma.width) * (luma.height - luma.height / 2));
}

struct Figures {
    double cpu = 0;                            // seconds
    double media = 0;                          // seconds of the clip played
    long pictures = 0;                         // out of the deinterlacer
    double comb = 0;                           // mean over the first kCombSpan
    double stillLoss = -1;                     // against the pictures as decoded, when given
    std::vector<Luma> kept;                    // the pictures of the first kCombSpan, when asked
    GstClockTime start = GST_CLOCK_TIME_NONE;  // of the first picture
    bool failed = false;
};

// One pass through the clip; with `comb`, the pictures' comb energy too,
// their loss against `decoded` (pictures a frame apart from the clip's
// start) when given, and the pictures themselves with `keep`.
Figures Play(const std::string& clip, const Method& method, GstClockTime limit, bool comb,
             const Figures* decoded = nullptr, bool keep = false) {
    Figures figures;
    gchar* quoted = g_strescape(clip.c_str(), nullptr);
    const std::string description = std::string("filesrc location=\"") + quoted +
                                    "\" ! decodebin3 ! queue ! " + method.element +
                                    " ! appsink name=sink sync=false max-buffers=4";
    g_free(quoted);
    GError* error = nullptr;
    GstElement* pipeline = gst_parse_launch(description.c_str(), &error);
    if (!pipeline || error) {
        std::fprintf(stderr, "%s: %s\n", method.label, error ? error->message : "no pipeline");
        g_clear_error(&error);
        if (pipeline) {
            gst_object_unref(pipeline);
        }
        figures.failed = true;
        return figures;
    }
    GstElement* sink = gst_bin_get_by_name(GST_BIN(pipeline), "sink");
    const double start = CpuSeconds();
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    GstClockTime first = GST_CLOCK_TIME_NONE;
    GstClockTime last = 0;
    double combSum = 0;
    double lossSum = 0;
    long combed = 0;
    long compared = 0;
    while (GstSample* sample = gst_app_sink_pull_sample(GST_APP_SINK(sink))) {
        const GstClockTime time = GST_BUFFER_PTS(gst_sample_get_buffer(sample));
        if (GST_CLOCK_TIME_IS_VALID(time)) {
            first = GST_CLOCK_TIME_IS_VALID(first) ? std::min(first, time) : time;
            last = std::max(last, time);
        }
        ++figures.pictures;
        if (comb && GST_CLOCK_TIME_IS_VALID(time) && time - first < kCombSpan) {
            Luma luma = LumaOf(sample);
            combSum += CombEnergy(luma);
            ++combed;
            if (decoded && time >= decoded->start &&
                (time - decoded->start) / (GST_SECOND / 25) < decoded->kept.size()) {
                const Luma& frame = decoded->kept[(time - decoded->start) / (GST_SECOND / 25)];
                lossSum += StillLoss(luma, frame);
                ++compared;
            }
            if (keep) {
                figures.kept.push_back(std::move(luma));
            }
        }
        gst_sample_unref(sample);
        if (GST_CLOCK_TIME_IS_VALID(first) && last - first >= limit) {
            break;
        }
    }
    figures.cpu = CpuSeconds() - start;
    if (GstMessage* failure = gst_bus_pop_filtered(GST_ELEMENT_BUS(pipeline), GST_MESSAGE_ERROR)) {
        gst_message_parse_error(failure, &error, nullptr);
        std::fprintf(stderr, "%s: %s\n", method.label, error->message);
        g_clear_error(&error);
        gst_message_unref(failure);
        figures.failed = true;
    }
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(sink);
    gst_object_unref(pipeline);
    // The last picture lasts a frame of its own; counted at 25 a second.
    figures.media = GST_CLOCK_TIME_IS_VALID(first) ? double(last - first) / GST_SECOND + 0.04 : 0;
    figures.comb = combed ? combSum / combed : 0;
    figures.stillLoss = compared ? lossSum / compared : -1;
    figures.start = first;
    figures.failed = figures.failed || figures.pictures == 0;
    return figures;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
    gst_init(&argc, &argv);
    int runs = 3;
    double seconds = 0;
    std::string clip;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--runs" && i + 1 < argc) {
            runs = std::max(1, std::atoi(argv[++i]));
        } else if (argument == "--seconds" && i + 1 < argc) {
            seconds = std::atof(argv[++i]);
        } else {
            clip = argument;
        }
    }
    if (clip.empty()) {
        std::fprintf(stderr, "usage: bench_deinterlace [--runs N] [--seconds S] CLIP\n");
        return 2;
    }
    const GstClockTime limit =
        seconds > 0 ? GstClockTime(seconds * GST_SECOND) : GST_CLOCK_TIME_NONE;
    std::printf("%s, median of %d run%s; the player's method: %s\n", clip.c_str(), runs,
                runs == 1 ? "" : "s", velvaro::engine::kDeinterlaceMethod);
    std::printf("%-22s %10s %12s %12s %8s %10s\n", "method", "pictures/s", "CPU s/s", "over off",
                "comb", "still loss");
    std::optional<double> off;
    Figures decoded;
    for (const Method& method : kMethods) {
        std::vector<double> cpu;
        const bool first = &method == &kMethods[0];
        Figures figures = Play(clip, method, limit, true, first ? nullptr : &decoded, first);
        if (first) {
            decoded = std::move(figures);
            figures = decoded;
            figures.kept.clear();
        }
        for (int run = 0; run < runs && !figures.failed; ++run) {
            const Figures timed = Play(clip, method, limit, false);
            figures.failed = timed.failed;
            cpu.push_back(timed.cpu / std::max(timed.media, 0.04));
        }
        if (figures.failed) {
            std::printf("%-22s %10s\n", method.label, "failed");
            continue;
        }
        const double perSecond = Median(cpu);
        if (!off) {
            off = perSecond;
        }
        std::printf("%-22s %10.1f %12.3f %12.3f %8.2f %10.2f\n", method.label,
                    double(figures.pictures) / std::max(figures.media, 0.04), perSecond,
                    perSecond - *off, figures.comb, first ? 0.0 : figures.stillLoss);
    }
    return 0;
}
