// Two tone files of a playlist one after the other: the second, prerolled
// while the first plays, starts where the first ends. The gap is measured at
// the audio renderer on the pipeline clock: from the end of the first file's
// last buffer, where its sink renders it, to the moment the second file's
// sink renders its first.
#include "PlayerFixture.h"
#include "SinkProbes.h"
#include "engine/GraphSuccession.h"
#include "engine/GstGraphParts.h"
#include "engine/GstHandles.h"

#include <QTemporaryDir>

#include <gst/gst.h>

#include <cmath>
#include <cstdint>
#include <fstream>
#include <mutex>

namespace {

using namespace velvaro::engine;
using velvaro::test::RunEventsUntil;

// A 440 Hz tone, 16-bit mono.
void WriteTone(const std::string& path, double seconds) {
    constexpr std::uint32_t kRate = 48000;
    const auto frames = static_cast<std::uint32_t>(seconds * kRate);
    std::ofstream file(path, std::ios::binary);
    const auto put = [&file](std::uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) {
            file.put(static_cast<char>((value >> (8 * i)) & 0xFF));
        }
    };
    file.write("RIFF", 4);
    put(36 + frames * 2, 4);
    file.write("WAVEfmt ", 8);
    put(16, 4);
    put(1, 2);  // PCM
    put(1, 2);  // mono
    put(kRate, 4);
    put(kRate * 2, 4);
    put(2, 2);
    put(16, 2);
    file.write("data", 4);
    put(frames * 2, 4);
    for (std::uint32_t i = 0; i < frames; ++i) {
        put(static_cast<std::uint16_t>(
                static_cast<std::int16_t>(16000 * std::sin(2 * M_PI * 440 * i / kRate))),
            2);
    }
}

// When the graph's audio sink renders: the clock time it took its first
// buffer, and the clock time at which its last buffer ends.
class RenderedSound {
public:
    explicit RenderedSound(IFilterGraph& graph)
        : sink_(velvaro::test::RendererSink(graph, kAudioRendererName)) {
        if (sink_ &&
            g_object_class_find_property(G_OBJECT_GET_CLASS(sink_.get()), "signal-handoffs")) {
            g_object_set(sink_.get(), "signal-handoffs", TRUE, nullptr);
            g_signal_connect(sink_.get(), "handoff", G_CALLBACK(&OnRendered), this);
        }
    }
    ~RenderedSound() {
        if (sink_) {
            g_signal_handlers_disconnect_by_data(sink_.get(), this);
        }
    }
    bool Attached() const { return sink_ != nullptr; }
    bool Rendered() {
        std::lock_guard lock(mutex_);
        return first_ != GST_CLOCK_TIME_NONE;
    }
    GstClockTime First() {
        std::lock_guard lock(mutex_);
        return first_;
    }
    GstClockTime LastEnd() {
        std::lock_guard lock(mutex_);
        return lastEnd_;
    }

private:
    // The sink's streaming thread, once the buffer's time has come.
    static void OnRendered(GstElement* sink, GstBuffer* buffer, GstPad* pad, RenderedSound* self) {
        std::unique_ptr<GstClock, GstObjectUnref> clock(gst_element_get_clock(sink));
        GstEvent* sticky = gst_pad_get_sticky_event(pad, GST_EVENT_SEGMENT, 0);
        if (!clock || !sticky || !GST_BUFFER_PTS_IS_VALID(buffer) ||
            !GST_BUFFER_DURATION_IS_VALID(buffer)) {
            if (sticky) {
                gst_event_unref(sticky);
            }
            return;
        }
        const GstSegment* segment = nullptr;
        gst_event_parse_segment(sticky, &segment);
        const GstClockTime end = gst_segment_to_running_time(
            segment, GST_FORMAT_TIME, GST_BUFFER_PTS(buffer) + GST_BUFFER_DURATION(buffer));
        gst_event_unref(sticky);
        const GstClockTime now = gst_clock_get_time(clock.get());
        std::lock_guard lock(self->mutex_);
        if (self->first_ == GST_CLOCK_TIME_NONE) {
            self->first_ = now;
        }
        self->lastEnd_ = gst_element_get_base_time(sink) + end;
    }

    GstElementHandle sink_;
    std::mutex mutex_;
    GstClockTime first_ = GST_CLOCK_TIME_NONE;
    GstClockTime lastEnd_ = GST_CLOCK_TIME_NONE;
};

TEST(GaplessTest, TheNextToneStartsWithinTwentyMillisecondsOfTheFirstsEnd) {
    QTemporaryDir folder;
    const std::string one = folder.filePath(QStringLiteral("one.wav")).toStdString();
    const std::string two = folder.filePath(QStringLiteral("two.wav")).toStdString();
    WriteTone(one, 0.55);
    WriteTone(two, 0.5);
    const auto first = CreateFilterGraph();
    const auto next = CreateFilterGraph();
    ASSERT_EQ(first->RenderFile(one), S_OK);
    ASSERT_EQ(next->RenderFile(two), S_OK);
    ASSERT_EQ(next->Pause(), S_OK);  // prerolled while the first plays
    RenderedSound firstSound(*first);
    RenderedSound nextSound(*next);
    ASSERT_TRUE(firstSound.Attached() && nextSound.Attached());

    const GraphSuccession succession(*first, next);
    ASSERT_EQ(first->Run(), S_OK);
    ASSERT_TRUE(RunEventsUntil([&] { return nextSound.Rendered(); }, 5000))
        << "the next tone did not start on its own";
    const auto gap = static_cast<GstClockTimeDiff>(nextSound.First() - firstSound.LastEnd());
    EXPECT_LE(std::abs(gap), 20 * GST_MSECOND)
        << "gap " << static_cast<double>(gap) / GST_MSECOND << " ms";
    first->Stop();
    next->Stop();
}

}  // namespace
