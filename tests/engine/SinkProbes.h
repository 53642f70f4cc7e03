// What reaches a renderer's sink, told in the running time the sink plays it
// at: the pitch a listener hears, and the probe other listeners build on.
#pragma once

#include "engine/GstGraphParts.h"
#include "engine/GstHandles.h"

#include <gst/audio/audio.h>
#include <gst/gst.h>

#include <functional>
#include <mutex>

namespace velvaro::test {

using velvaro::engine::GstCapsHandle;
using velvaro::engine::GstElementHandle;
using velvaro::engine::GstFilter;
using velvaro::engine::GstPadHandle;
using velvaro::engine::kAudioRendererName;

// The first sink inside the renderer named `renderer`; null without one.
inline GstElementHandle RendererSink(IGraphBuilder& graph, const char* renderer) {
    std::shared_ptr<IBaseFilter> filter;
    graph.FindFilterByName(renderer, &filter);
    auto* bin = dynamic_cast<GstFilter*>(filter.get());
    GstElementHandle sink;
    if (bin) {
        velvaro::engine::ForEachItem(gst_bin_iterate_sinks(GST_BIN(bin->element())),
                                     [&sink](gpointer item) {
                                         sink.reset(GST_ELEMENT(gst_object_ref(item)));
                                         return false;
                                     });
    }
    return sink;
}

inline GstPadHandle RendererSinkInput(IGraphBuilder& graph, const char* renderer) {
    const GstElementHandle sink = RendererSink(graph, renderer);
    return GstPadHandle(sink ? gst_element_get_static_pad(sink.get(), "sink") : nullptr);
}

// Hands every buffer that passes `pad` to `seen`, with the segment in force
// there, on the streaming thread and under the lock `Locked` takes; a flush
// calls `flushed` the same way. Declared after what the callbacks touch, so
// it goes first.
class SinkProbe {
public:
    using Seen = std::function<void(GstPad*, GstBuffer*, const GstSegment&)>;
    SinkProbe(GstPadHandle pad, Seen seen, std::function<void()> flushed = {})
        : pad_(std::move(pad)), seen_(std::move(seen)), flushed_(std::move(flushed)) {
        if (!pad_) {
            return;
        }
        // The segment the sink has now; the probe hears the next ones.
        gst_segment_init(&segment_, GST_FORMAT_TIME);
        if (GstEvent* sticky = gst_pad_get_sticky_event(pad_.get(), GST_EVENT_SEGMENT, 0)) {
            const GstSegment* segment = nullptr;
            gst_event_parse_segment(sticky, &segment);
            segment_ = *segment;
            gst_event_unref(sticky);
        }
        probe_ =
            gst_pad_add_probe(pad_.get(),
                              static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BUFFER |
                                                           GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM |
                                                           GST_PAD_PROBE_TYPE_EVENT_FLUSH),
                              &OnData, this, nullptr);
    }
    ~SinkProbe() {
        if (pad_) {
            gst_pad_remove_probe(pad_.get(), probe_);
        }
    }
    SinkProbe(const SinkProbe&) = delete;
    SinkProbe& operator=(const SinkProbe&) = delete;

    bool Attached() const { return pad_ != nullptr; }
    // Runs `read` with the segment in force, apart from the streaming thread.
    template <class Read>
    auto Locked(Read read) {
        std::lock_guard lock(mutex_);
        return read(static_cast<const GstSegment&>(segment_));
    }

private:
    static GstPadProbeReturn OnData(GstPad* pad, GstPadProbeInfo* info, gpointer data) {
        auto* self = static_cast<SinkProbe*>(data);
        std::lock_guard lock(self->mutex_);
        if (info->type & (GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM | GST_PAD_PROBE_TYPE_EVENT_FLUSH)) {
            GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
            if (GST_EVENT_TYPE(event) == GST_EVENT_SEGMENT) {
                const GstSegment* segment = nullptr;
                gst_event_parse_segment(event, &segment);
                self->segment_ = *segment;
            } else if (GST_EVENT_TYPE(event) == GST_EVENT_FLUSH_STOP && self->flushed_) {
                self->flushed_();
            }
            return GST_PAD_PROBE_OK;
        }
        self->seen_(pad, GST_PAD_PROBE_INFO_BUFFER(info), self->segment_);
        return GST_PAD_PROBE_OK;
    }

    GstPadHandle pad_;
    Seen seen_;
    std::function<void()> flushed_;
    gulong probe_ = 0;
    std::mutex mutex_;
    GstSegment segment_{};
};

// Counts the rising zero crossings of the first channel as they reach the
// audio renderer's sink, against the running time the sink plays them in.
class HeardPitch {
public:
    explicit HeardPitch(IGraphBuilder& graph)
        : probe_(
              RendererSinkInput(graph, kAudioRendererName),
              [this](GstPad* pad, GstBuffer* buffer, const GstSegment& segment) {
                  Count(pad, buffer, segment);
              },
              [this] { last_ = 0; }) {}
    bool Attached() const { return probe_.Attached(); }
    // Starts counting afresh.
    void Restart() {
        probe_.Locked([this](const GstSegment&) { crossings_ = 0, played_ = 0; });
    }
    // Cycles per second heard since the restart; 0 before a tenth of a second.
    double Hertz() {
        return probe_.Locked([this](const GstSegment&) {
            return played_ < GST_SECOND / 10 ? 0
                                             : crossings_ * double(GST_SECOND) / double(played_);
        });
    }

private:
    void Count(GstPad* pad, GstBuffer* buffer, const GstSegment& segment) {
        const GstCapsHandle caps(gst_pad_get_current_caps(pad));
        GstAudioInfo format;
        GstMapInfo map;
        if (!caps || !gst_audio_info_from_caps(&format, caps.get()) ||
            segment.format != GST_FORMAT_TIME || !GST_BUFFER_PTS_IS_VALID(buffer) ||
            !gst_buffer_map(buffer, &map, GST_MAP_READ)) {
            return;
        }
        const int channels = GST_AUDIO_INFO_CHANNELS(&format);
        const gsize frames = map.size / GST_AUDIO_INFO_BPF(&format);
        for (gsize i = 0; i < frames; ++i) {
            double sample = 0;
            if (GST_AUDIO_INFO_FORMAT(&format) == GST_AUDIO_FORMAT_F32) {
                sample = reinterpret_cast<const float*>(map.data)[i * channels];
            } else if (GST_AUDIO_INFO_FORMAT(&format) == GST_AUDIO_FORMAT_S16) {
                sample = reinterpret_cast<const gint16*>(map.data)[i * channels];
            }
            crossings_ += last_ < 0 && sample >= 0;
            last_ = sample;
        }
        gst_buffer_unmap(buffer, &map);
        const GstClockTime start = GST_BUFFER_PTS(buffer);
        const GstClockTime end =
            start + gst_util_uint64_scale_int(frames, GST_SECOND, GST_AUDIO_INFO_RATE(&format));
        const GstClockTime from = gst_segment_to_running_time(&segment, GST_FORMAT_TIME, start);
        const GstClockTime to = gst_segment_to_running_time(&segment, GST_FORMAT_TIME, end);
        if (GST_CLOCK_TIME_IS_VALID(from) && GST_CLOCK_TIME_IS_VALID(to)) {
            played_ += to > from ? to - from : from - to;
        }
    }

    double last_ = 0;
    long crossings_ = 0;
    GstClockTime played_ = 0;
    SinkProbe probe_;
};

}  // namespace velvaro::test
