// The pitch a listener hears: a tone's cycles per second of the time the
// audio renderer's sink plays them in.
#pragma once

#include "engine/GstGraphParts.h"
#include "engine/GstHandles.h"

#include <gst/audio/audio.h>
#include <gst/gst.h>

#include <mutex>

namespace velvaro::test {

using velvaro::engine::GstCapsHandle;
using velvaro::engine::GstFilter;
using velvaro::engine::GstPadHandle;
using velvaro::engine::kAudioRendererName;

// Counts the rising zero crossings of the first channel as they reach the
// sink, against the running time the sink plays them in.
class HeardPitch {
public:
    explicit HeardPitch(IGraphBuilder& graph) {
        std::shared_ptr<IBaseFilter> renderer;
        graph.FindFilterByName(kAudioRendererName, &renderer);
        auto* bin = dynamic_cast<GstFilter*>(renderer.get());
        if (!bin) {
            return;
        }
        GstIterator* sinks = gst_bin_iterate_sinks(GST_BIN(bin->element()));
        GValue found = G_VALUE_INIT;
        if (gst_iterator_next(sinks, &found) == GST_ITERATOR_OK) {
            pad_.reset(gst_element_get_static_pad(GST_ELEMENT(g_value_get_object(&found)), "sink"));
            g_value_unset(&found);
        }
        gst_iterator_free(sinks);
        if (pad_) {
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
                                                               GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM),
                                  &OnData, this, nullptr);
        }
    }
    ~HeardPitch() {
        if (pad_) {
            gst_pad_remove_probe(pad_.get(), probe_);
        }
    }
    bool Attached() const { return pad_ != nullptr; }
    // Starts counting afresh.
    void Restart() {
        std::lock_guard lock(mutex_);
        crossings_ = 0;
        played_ = 0;
    }
    // Cycles per second heard since the restart; 0 before a tenth of a second.
    double Hertz() {
        std::lock_guard lock(mutex_);
        return played_ < GST_SECOND / 10 ? 0 : crossings_ * double(GST_SECOND) / double(played_);
    }

private:
    static GstPadProbeReturn OnData(GstPad* pad, GstPadProbeInfo* info, gpointer data) {
        auto* self = static_cast<HeardPitch*>(data);
        std::lock_guard lock(self->mutex_);
        if (info->type & GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM) {
            GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
            if (GST_EVENT_TYPE(event) == GST_EVENT_SEGMENT) {
                const GstSegment* segment = nullptr;
                gst_event_parse_segment(event, &segment);
                self->segment_ = *segment;
            } else if (GST_EVENT_TYPE(event) == GST_EVENT_FLUSH_STOP) {
                self->last_ = 0;
            }
            return GST_PAD_PROBE_OK;
        }
        const GstCapsHandle caps(gst_pad_get_current_caps(pad));
        GstAudioInfo format;
        GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info);
        GstMapInfo map;
        if (!caps || !gst_audio_info_from_caps(&format, caps.get()) ||
            self->segment_.format != GST_FORMAT_TIME || !GST_BUFFER_PTS_IS_VALID(buffer) ||
            !gst_buffer_map(buffer, &map, GST_MAP_READ)) {
            return GST_PAD_PROBE_OK;
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

            self->crossings_ += self->last_ < 0 && sample >= 0;
            self->last_ = sample;
        }
        gst_buffer_unmap(buffer, &map);
        const GstClockTime start = GST_BUFFER_PTS(buffer);
        const GstClockTime end =
            start + gst_util_uint64_scale_int(frames, GST_SECOND, GST_AUDIO_INFO_RATE(&format));
        const GstClockTime from =
            gst_segment_to_running_time(&self->segment_, GST_FORMAT_TIME, start);
        const GstClockTime to = gst_segment_to_running_time(&self->segment_, GST_FORMAT_TIME, end);
        if (GST_CLOCK_TIME_IS_VALID(from) && GST_CLOCK_TIME_IS_VALID(to)) {
            self->played_ += to > from ? to - from : from - to;
        }
        return GST_PAD_PROBE_OK;
    }

    GstPadHandle pad_;
    gulong probe_ = 0;
    std::mutex mutex_;
    GstSegment segment_{};
    double last_ = 0;
    long crossings_ = 0;
    GstClockTime played_ = 0;
};

}  // namespace velvaro::test
