// The player's own decoders beside GStreamer's libav ones, on the same films.
#include "PlayerFixture.h"
#include "TestPipeline.h"

#include <algorithm>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace velvaro::engine;
using namespace velvaro::test;

struct Picture {
    GstClockTime time;
    std::string format;
    int width;
    int height;
    std::size_t pixels;  // a hash of what is visible
    bool operator==(const Picture&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Picture& picture) {
    return out << picture.time << " " << picture.format << " " << picture.width << "x"
               << picture.height << " #" << picture.pixels;
}

std::size_t HashOfPixels(GstSample* sample, const GstVideoInfo& info) {
    GstVideoFrame frame;
    if (!gst_video_frame_map(&frame, &info, gst_sample_get_buffer(sample), GST_MAP_READ)) {
        return 0;
    }
    std::string visible;
    for (guint plane = 0; plane < GST_VIDEO_FRAME_N_PLANES(&frame); ++plane) {
        const auto* data = static_cast<const char*>(GST_VIDEO_FRAME_PLANE_DATA(&frame, plane));
        const int bytes =
            GST_VIDEO_FRAME_COMP_WIDTH(&frame, plane) * GST_VIDEO_FRAME_COMP_PSTRIDE(&frame, plane);
        for (int row = 0; row < GST_VIDEO_FRAME_COMP_HEIGHT(&frame, plane); ++row) {
            visible.append(data + row * GST_VIDEO_FRAME_PLANE_STRIDE(&frame, plane), bytes);
        }
    }
    gst_video_frame_unmap(&frame);
    return std::hash<std::string>{}(visible);
}

struct Decoded {
    std::vector<Picture> pictures;
    guint memories = 0;                                  // of the first picture's buffer
    GstClockTime firstStreamTime = GST_CLOCK_TIME_NONE;  // past an edit list's start
    std::string error;                                   // the first the pipeline posted
    // What the decoder named "dec" decoded on when prerolled after the
    // seek, and at the end.
    int threadsAtTarget = -1;
    int threadsAtEnd = -1;
};

int ThreadsOf(const TestPipeline& pipeline) {
    int threads = -1;
    if (const GstElementHandle decoder = pipeline["dec"]) {
        g_object_get(decoder.get(), "threads", &threads, nullptr);
    }
    return threads;
}

// The appsink saying, as the player's own elements do, that it reads
// pictures at any strides and offsets.
GstPadProbeReturn OnAllocationQuery(GstPad*, GstPadProbeInfo* info, gpointer) {
    GstQuery* query = GST_PAD_PROBE_INFO_QUERY(info);
    if (GST_QUERY_TYPE(query) == GST_QUERY_ALLOCATION) {
        gst_query_add_allocation_meta(query, GST_VIDEO_META_API_TYPE, nullptr);
    }
    return GST_PAD_PROBE_OK;
}

// Every picture `launch` gives its appsink, played as fast as it decodes,
// from `from` on when given, reached by an exact seek.
Decoded Decode(const std::string& launch, bool anyLayout = false,
               GstClockTime from = GST_CLOCK_TIME_NONE) {
    Decoded decoded;
    const TestPipeline pipeline(launch + " ! appsink name=sink sync=false max-buffers=4");
    if (!pipeline) {
        return decoded;
    }
    if (anyLayout) {
        const GstPadHandle input(gst_element_get_static_pad(pipeline["sink"].get(), "sink"));
        gst_pad_add_probe(input.get(), GST_PAD_PROBE_TYPE_QUERY_DOWNSTREAM, &OnAllocationQuery,
                          nullptr, nullptr);
    }
    if (GST_CLOCK_TIME_IS_VALID(from)) {
        pipeline.SetState(GST_STATE_PAUSED);
        gst_element_get_state(pipeline.get(), nullptr, nullptr, 10 * GST_SECOND);
        gst_element_seek_simple(
            pipeline.get(), GST_FORMAT_TIME,
            static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE),
            static_cast<gint64>(from));
        gst_element_get_state(pipeline.get(), nullptr, nullptr, 10 * GST_SECOND);
        decoded.threadsAtTarget = ThreadsOf(pipeline);
    }
    pipeline.SetState(GST_STATE_PLAYING);
    GstVideoInfo info;
    while (const GstSampleHandle sample = pipeline.Pull()) {
        GstBuffer* buffer = gst_sample_get_buffer(sample.get());
        if (!gst_video_info_from_caps(&info, gst_sample_get_caps(sample.get()))) {
            break;
        }
        if (decoded.pictures.empty()) {
            decoded.memories = gst_buffer_n_memory(buffer);
            decoded.firstStreamTime = gst_segment_to_stream_time(
                gst_sample_get_segment(sample.get()), GST_FORMAT_TIME, GST_BUFFER_PTS(buffer));
        }
        decoded.pictures.push_back({GST_BUFFER_PTS(buffer), GST_VIDEO_INFO_NAME(&info),
                                    GST_VIDEO_INFO_WIDTH(&info), GST_VIDEO_INFO_HEIGHT(&info),
                                    HashOfPixels(sample.get(), info)});
    }
    decoded.threadsAtEnd = ThreadsOf(pipeline);
    GstBus* bus = gst_element_get_bus(pipeline.get());
    if (GstMessage* message = gst_bus_pop_filtered(bus, GST_MESSAGE_ERROR)) {
        GError* error = nullptr;
        gst_message_parse_error(message, &error, nullptr);
        decoded.error = error ? error->message : "error";
        g_clear_error(&error);
        gst_message_unref(message);
    }
    gst_object_unref(bus);
    return decoded;
}

std::string Source(const char* file) {
    return "filesrc location=\"" + Media(file) + "\"";
}

TEST(OwnDecoders, GiveThePicturesOfLibavAtTheSameTimesInTheSameOrder) {
    const struct {
        const char* file;
        const char* path;  // from the file to the decoder
        const char* ours;
        const char* libav;
        const char* format;
    } films[] = {
        {"video-only.mkv", "matroskademux ! h264parse", "velvaroh264dec", "avdec_h264", "I420"},
        // Stored in another order than shown.
        {"bframes-longer-sound.mp4", "qtdemux name=d d.video_0 ! h264parse", "velvaroh264dec",
         "avdec_h264", "I420"},
        {"hevc-10bit.mkv", "matroskademux ! h265parse", "velvaroh265dec", "avdec_h265",
         "I420_10LE"},
        // Coded in fields, as on a DVD.
        {"interlaced-mpeg2.mpg", "mpegpsdemux ! mpegvideoparse", "velvarompegvideodec",
         "avdec_mpeg2video", "I420"},
        {"vcd/MPEGAV/AVSEQ01.DAT", "mpegpsdemux ! mpegvideoparse", "velvarompegvideodec",
         "avdec_mpegvideo", "I420"},
    };
    for (const auto& film : films) {
        SCOPED_TRACE(film.file);
        const std::string front = Source(film.file) + " ! " + film.path + " ! ";
        const Decoded libav = Decode(front + film.libav);
        // Copied into the sink's layout, and the codec's own planes passed on.
        for (const bool anyLayout : {false, true}) {
            SCOPED_TRACE(anyLayout ? "planes passed on" : "copied");
            const Decoded ours = Decode(front + film.ours, anyLayout);
            EXPECT_EQ(ours.error, "");
            ASSERT_GE(ours.pictures.size(), 25u);
            EXPECT_EQ(ours.memories, anyLayout ? 3u : 1u);
            EXPECT_EQ(ours.pictures.front().format, film.format);
            EXPECT_EQ(ours.pictures, libav.pictures);
            for (std::size_t i = 1; i < ours.pictures.size(); ++i) {
                ASSERT_GT(ours.pictures[i].time, ours.pictures[i - 1].time) << "picture " << i;
            }
        }
    }
}

// Before an exact seek's target, the pictures nothing refers to are not
// decoded at all; the ones that are must still make the target whole. They
// are decoded on every core; from the next key frame on, the film goes on
// on the threads it was given, every picture as libav's.
TEST(OwnDecoders, AnExactSeekBetweenKeyFramesGivesThePicturesOfLibav) {
    const unsigned cores = std::thread::hardware_concurrency();
    // A B-frame 21 frames after the first key frame, 4 before the next.
    const GstClockTime target = 840 * GST_MSECOND;
    const int all = static_cast<int>(std::max(1u, cores));
    const struct {
        const char* parse;
        int maxThreads;
        int threadsAtTarget;
        int threadsAtEnd;
    } ways[] = {
        {"h264parse ! video/x-h264, stream-format=avc", 1, all, 1},
        {"h264parse config-interval=-1 ! video/x-h264, stream-format=byte-stream", 1, all, 1},
        // Without its parameter sets a key frame is no place to start anew.
        {"h264parse ! video/x-h264, stream-format=byte-stream", 1, all, all},
        // Pictures in flight on two threads when the seek flushes them.
        {"h264parse ! video/x-h264, stream-format=avc", 2, std::max(all, 2), 2},
    };
    for (const auto& way : ways) {
        SCOPED_TRACE(std::string(way.parse) + " on " + std::to_string(way.maxThreads));
        const std::string front = Source("bframes-longer-sound.mp4") +
                                  " ! qtdemux name=d d.video_0 ! " + way.parse + " ! ";
        const Decoded libav = Decode(front + "avdec_h264", false, target);
        const Decoded ours =
            Decode(front + "velvaroh264dec name=dec max-threads=" + std::to_string(way.maxThreads),
                   false, target);
        EXPECT_EQ(ours.error, "");
        ASSERT_FALSE(ours.pictures.empty());
        EXPECT_EQ(ours.firstStreamTime, target);
        EXPECT_EQ(ours.pictures, libav.pictures);
        EXPECT_EQ(ours.threadsAtTarget, way.threadsAtTarget);
        EXPECT_EQ(ours.threadsAtEnd, way.threadsAtEnd);
    }
}

// Bytes overwritten in the middle of the film: the pictures around them
// still come, and the film ends as it should, as with libav's.
TEST(OwnDecoders, PlayDamagedDataThroughToTheEnd) {
    const std::string front =
        Source("damaged/middle.mkv") + " ! matroskademux name=d d.video_0 ! h264parse ! ";
    const Decoded ours = Decode(front + "velvaroh264dec");
    const Decoded libav = Decode(front + "avdec_h264");
    EXPECT_EQ(ours.error, libav.error);
    EXPECT_EQ(ours.pictures.size(), libav.pictures.size());
    EXPECT_GE(ours.pictures.size(), 100u);
}

}  // namespace

// Asked how pictures may be laid out while a seek flushes what follows, the
// decoder hears no answer; it keeps passing its planes on and asks again,
// rather than copying every picture from then on.
TEST(OwnDecoders, KeepPassingTheirPlanesOnWhenASeekCutsTheQuestionShort) {
    const TestPipeline pipeline(Source("bframes-longer-sound.mp4") +
                                " ! qtdemux name=d d.video_0 ! h264parse ! velvaroh264dec name=dec "
                                "! appsink name=sink sync=false max-buffers=4");
    ASSERT_TRUE(pipeline);
    const GstPadHandle input(gst_element_get_static_pad(pipeline["sink"].get(), "sink"));
    gst_pad_add_probe(input.get(), GST_PAD_PROBE_TYPE_QUERY_DOWNSTREAM, &OnAllocationQuery, nullptr,
                      nullptr);
    pipeline.SetState(GST_STATE_PAUSED);
    ASSERT_EQ(gst_element_get_state(pipeline.get(), nullptr, nullptr, 10 * GST_SECOND),
              GST_STATE_CHANGE_SUCCESS);
    // Asked again, mid-film, and a flush comes before the answer.
    struct Question {
        std::atomic<bool> armed = false;
        std::atomic<bool> cutShort = false;
    } question;
    const GstPadHandle output(gst_element_get_static_pad(pipeline["dec"].get(), "src"));
    gst_pad_add_probe(
        output.get(), GST_PAD_PROBE_TYPE_QUERY_DOWNSTREAM,
        +[](GstPad* pad, GstPadProbeInfo* info, gpointer data) {
            auto* asked = static_cast<Question*>(data);
            if (GST_QUERY_TYPE(GST_PAD_PROBE_INFO_QUERY(info)) != GST_QUERY_ALLOCATION ||
                !asked->armed || asked->cutShort.exchange(true)) {
                return GST_PAD_PROBE_OK;
            }
            gst_pad_push_event(pad, gst_event_new_flush_start());
            return GST_PAD_PROBE_DROP;
        },
        &question, nullptr);
    question.armed = true;
    gst_pad_send_event(output.get(), gst_event_new_reconfigure());
    pipeline.SetState(GST_STATE_PLAYING);
    for (int waited = 0; !question.cutShort && waited < 500; ++waited) {
        g_usleep(10000);
    }
    ASSERT_TRUE(question.cutShort);
    ASSERT_TRUE(gst_element_seek_simple(
        pipeline["d"].get(), GST_FORMAT_TIME,
        static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE), 0));
    int pictures = 0;
    while (const GstSampleHandle sample = pipeline.Pull(5 * GST_SECOND)) {
        ASSERT_EQ(gst_buffer_n_memory(gst_sample_get_buffer(sample.get())), 3u)
            << "picture " << pictures;
        ++pictures;
    }
    EXPECT_GE(pictures, 25);
}
