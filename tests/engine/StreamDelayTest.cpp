// Sound and subtitles delayed against the picture: when the tone that starts
// at 2 s and the cue that starts at 2 s reach their sinks, in the running
// time the sinks play them at, against the running time of the picture's
// 2 s. Set while paused and while playing, after a seek and at another speed.
#include "FileBytes.h"
#include "PlayerFixture.h"
#include "SinkProbes.h"
#include "TestRegistry.h"
#include "engine/GstGraphParts.h"
#include "engine/GstHandles.h"

#include <gst/audio/audio.h>
#include <gst/gst.h>
#include <gst/video/video.h>

#include <cmath>
#include <filesystem>
#include <mutex>
#include <optional>

namespace {

using namespace velvaro::engine;
using velvaro::test::Media;
using velvaro::test::RendererSinkInput;
using velvaro::test::RunEventsUntil;
using velvaro::test::SinkProbe;

constexpr GstClockTime kOnset = 2 * GST_SECOND;  // of the tone and the cue

// What comes to a renderer's sink, or with `text` to the video renderer's
// overlay as text.
GstPadHandle SinkInput(IFilterGraph& graph, const char* renderer, bool text = false) {
    if (!text) {
        return RendererSinkInput(graph, renderer);
    }
    std::shared_ptr<IBaseFilter> filter;
    graph.FindFilterByName(renderer, &filter);
    auto* bin = dynamic_cast<GstFilter*>(filter.get());
    const GstPadHandle input(bin ? gst_element_get_static_pad(bin->element(), kSubtitleInputName)
                                 : nullptr);
    return GstPadHandle(input ? gst_ghost_pad_get_target(GST_GHOST_PAD(input.get())) : nullptr);
}

// What reaches one sink: its segment, and the running time of the first
// sound heard, cue come or picture with text on it since the restart.
class Arrivals {
public:
    enum class Kind { Sound, Cue, Picture };
    Arrivals(IFilterGraph& graph, const char* renderer, Kind kind)
        : kind_(kind),
          probe_(SinkInput(graph, renderer, kind == Kind::Cue),
                 [this](GstPad* pad, GstBuffer* buffer, const GstSegment& segment) {
                     Seen(pad, buffer, segment);
                 }) {}
    bool Attached() const { return probe_.Attached(); }
    void Restart() {
        probe_.Locked([this](const GstSegment&) { first_.reset(); });
    }
    std::optional<GstClockTime> First() {
        return probe_.Locked([this](const GstSegment&) { return first_; });
    }
    // The time of what came last.
    GstClockTime Last() {
        return probe_.Locked([this](const GstSegment&) { return last_; });
    }
    // The running time at which this sink plays the medium's `time`.
    GstClockTime RunningTimeOf(GstClockTime time) {
        return probe_.Locked([time](const GstSegment& segment) {
            return gst_segment_to_running_time(&segment, GST_FORMAT_TIME, time);
        });
    }

private:
    void Seen(GstPad* pad, GstBuffer* buffer, const GstSegment& segment) {
        last_ = GST_BUFFER_PTS(buffer);
        const GstCapsHandle caps(gst_pad_get_current_caps(pad));
        // A cue comes again after each seek: the last one counts.
        if ((first_ && kind_ != Kind::Cue) || !caps || !GST_BUFFER_PTS_IS_VALID(buffer)) {
            return;
        }
        const std::optional<GstClockTime> at =
            kind_ == Kind::Cue       ? std::optional(GST_BUFFER_PTS(buffer))
            : kind_ == Kind::Picture ? TextAt(caps.get(), buffer)
                                     : SoundAt(caps.get(), buffer);
        if (at) {
            const GstClockTime running =
                gst_segment_to_running_time(&segment, GST_FORMAT_TIME, *at);
            if (GST_CLOCK_TIME_IS_VALID(running)) {
                first_ = running;
            }
        }
    }
    // The time of the first sample louder than a tenth of full scale.
    static std::optional<GstClockTime> SoundAt(GstCaps* caps, GstBuffer* buffer) {
        GstAudioInfo format;
        GstMapInfo map;
        if (!gst_audio_info_from_caps(&format, caps) ||
            !gst_buffer_map(buffer, &map, GST_MAP_READ)) {
            return std::nullopt;
        }
        const int channels = GST_AUDIO_INFO_CHANNELS(&format);
        const gsize frames = map.size / GST_AUDIO_INFO_BPF(&format);
        std::optional<GstClockTime> at;
        for (gsize i = 0; i < frames && !at; ++i) {
            double sample = 0;
            if (GST_AUDIO_INFO_FORMAT(&format) == GST_AUDIO_FORMAT_F32) {
                sample = reinterpret_cast<const float*>(map.data)[i * channels];
            } else if (GST_AUDIO_INFO_FORMAT(&format) == GST_AUDIO_FORMAT_S16) {
                sample = reinterpret_cast<const gint16*>(map.data)[i * channels] / 32768.0;
            }
            if (std::abs(sample) > 0.1) {
                at = GST_BUFFER_PTS(buffer) +
                     gst_util_uint64_scale_int(i, GST_SECOND, GST_AUDIO_INFO_RATE(&format));
            }
        }
        gst_buffer_unmap(buffer, &map);
        return at;
    }
    // The picture's time when its lower half has text on it: the film is black.
    static std::optional<GstClockTime> TextAt(GstCaps* caps, GstBuffer* buffer) {
        GstVideoInfo format;
        GstVideoFrame frame;
        if (!gst_video_info_from_caps(&format, caps) ||
            !gst_video_frame_map(&frame, &format, buffer, GST_MAP_READ)) {
            return std::nullopt;
        }
        const auto* pixels = static_cast<const guint8*>(GST_VIDEO_FRAME_COMP_DATA(&frame, 0));
        const int stride = GST_VIDEO_FRAME_COMP_STRIDE(&frame, 0);
        const int step = GST_VIDEO_FRAME_COMP_PSTRIDE(&frame, 0);
        const int width = GST_VIDEO_FRAME_COMP_WIDTH(&frame, 0);
        const int height = GST_VIDEO_FRAME_COMP_HEIGHT(&frame, 0);
        int bright = 0;
        for (int y = height / 2; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                bright += pixels[y * stride + x * step] > 128;
            }
        }
        gst_video_frame_unmap(&frame);
        return bright > 20 ? std::optional(GST_BUFFER_PTS(buffer)) : std::nullopt;
    }

    const Kind kind_;
    std::optional<GstClockTime> first_;
    GstClockTime last_ = GST_CLOCK_TIME_NONE;
    SinkProbe probe_;
};

// Milliseconds of running time from the picture's 2 s to the first arrival.
double Lag(Arrivals& arrivals, Arrivals& picture) {
    const auto first = arrivals.First();
    const GstClockTime onset = picture.RunningTimeOf(kOnset);
    if (!first || !GST_CLOCK_TIME_IS_VALID(onset)) {
        return NAN;
    }
    return (static_cast<double>(*first) - static_cast<double>(onset)) / GST_MSECOND;
}

TEST(StreamDelayTest, SoundAndTextReachTheirSinksLaterOrEarlierByTheirDelays) {
    // The same film beside a subtitle file with the same cue.
    const velvaro::test::TestFolder folder;
    std::filesystem::copy_file(Media("onset.mkv"), folder / "film.mkv");
    velvaro::test::WriteBytes(folder / "film.srt", "1\n00:00:02,000 --> 00:00:03,000\nNow\n");
    struct Case {
        std::string film;
        int subtitles;  // which of them is shown
        double rate;
        int audio;     // ms
        int subtitle;  // ms
        bool whilePlaying;
    };
    // Sound and the film's own text later, set while paused; sound and the
    // file's text earlier, set while playing at one and a half speed; the
    // film's own text earlier by more than the film is read ahead of its
    // pictures. All from a seek, to half a second.
    for (const Case& step : {Case{Media("onset.mkv"), 0, 1.0, 500, 400, false},
                             Case{folder / "film.mkv", 1, 1.5, -250, -300, true},
                             Case{Media("onset.mkv"), 0, 1.0, 0, -1200, false}}) {
        SCOPED_TRACE(step.film);
        const auto graph = CreateFilterGraph();
        ASSERT_EQ(graph->RenderFile(step.film), S_OK);
        graph->FinishRender();
        Arrivals sound(*graph, kAudioRendererName, Arrivals::Kind::Sound);
        Arrivals cue(*graph, kVideoRendererName, Arrivals::Kind::Cue);
        Arrivals text(*graph, kVideoRendererName, Arrivals::Kind::Picture);
        ASSERT_TRUE(sound.Attached());
        ASSERT_TRUE(cue.Attached());
        ASSERT_TRUE(text.Attached());
        ASSERT_EQ(graph->SelectStreamOfType(MajorType::Subtitle, step.subtitles), S_OK);
        long state = 0;
        LONGLONG start = 5000000;  // 0.5 s
        ASSERT_EQ(graph->SetRate(step.rate), S_OK);
        ASSERT_EQ(graph->SetPositions(&start, AM_SEEKING_AbsolutePositioning, nullptr, 0), S_OK);
        graph->GetState(5000, &state);
        cue.Restart();
        if (step.whilePlaying) {
            ASSERT_EQ(graph->Run(), S_OK);
            velvaro::test::RunEventsFor(100);
        }
        ASSERT_EQ(graph->SetAudioDelay(LONGLONG{step.audio} * GST_MSECOND), S_OK);
        ASSERT_EQ(graph->SetSubtitleDelay(LONGLONG{step.subtitle} * GST_MSECOND), S_OK);
        sound.Restart();
        text.Restart();
        ASSERT_EQ(graph->Run(), S_OK);
        ASSERT_TRUE(RunEventsUntil([&] { return sound.First() && text.First(); }, 8000))
            << "sound " << sound.First().has_value() << ", text " << text.First().has_value();
        ASSERT_TRUE(cue.First());
        // The tone to the sample (at other speeds the tempo's overlapping
        // windows blur its start by a few milliseconds), the cue to the
        // nanosecond. The overlay draws it on the picture whose time holds
        // its start; after a seek the pictures may run up to a tenth of a
        // second ahead of the text (pictures are 40 ms of the film apart).
        const double frame = 40 / step.rate;
        EXPECT_NEAR(Lag(sound, text), step.audio, step.rate == 1.0 ? 2 : 30);
        EXPECT_NEAR(Lag(cue, text), step.subtitle, 0.001);
        EXPECT_GT(Lag(text, text), step.subtitle - frame - 1);
        EXPECT_LT(Lag(text, text), step.subtitle + frame + 100);
        // The position is the picture's, whatever the sound does.
        ASSERT_EQ(graph->Pause(), S_OK);
        graph->GetState(5000, &state);
        LONGLONG position = 0;
        ASSERT_EQ(graph->GetCurrentPosition(&position), S_OK);
        EXPECT_NEAR(static_cast<double>(position) * 100, static_cast<double>(text.Last()),
                    50.0 * GST_MSECOND);
        graph->Stop();
    }
}

}  // namespace
