#include "ProgramStreamSeeks.h"

#include <algorithm>
#include <cstring>
#include <mutex>

namespace velvaro::engine {

namespace {

// One demuxer's seek under way: the time asked for, by the seek's number.
struct PendingSeek {
    std::mutex mutex;
    guint32 seqnum = GST_SEQNUM_INVALID;
    GstClockTime target = GST_CLOCK_TIME_NONE;
};

constexpr const char* kPendingSeekKey = "velvaro-pending-seek";

PendingSeek* PendingOf(GstPad* pad) {
    GstObject* demuxer = gst_pad_get_parent(pad);
    if (!demuxer) {
        return nullptr;
    }
    auto* pending =
        static_cast<PendingSeek*>(g_object_get_data(G_OBJECT(demuxer), kPendingSeekKey));
    gst_object_unref(demuxer);
    return pending;
}

// Any thread: a forward exact seek on its way up to the demuxer.
GstPadProbeReturn OnSeek(GstPad* pad, GstPadProbeInfo* info, gpointer) {
    GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
    if (GST_EVENT_TYPE(event) != GST_EVENT_SEEK) {
        return GST_PAD_PROBE_OK;
    }
    gdouble rate = 0;
    GstFormat format = GST_FORMAT_UNDEFINED;
    GstSeekFlags flags = GST_SEEK_FLAG_NONE;
    GstSeekType startType = GST_SEEK_TYPE_NONE;
    GstSeekType stopType = GST_SEEK_TYPE_NONE;
    gint64 start = 0;
    gint64 stop = 0;
    gst_event_parse_seek(event, &rate, &format, &flags, &startType, &start, &stopType, &stop);
    PendingSeek* pending = PendingOf(pad);
    if (!pending || rate <= 0 || format != GST_FORMAT_TIME || !(flags & GST_SEEK_FLAG_ACCURATE) ||
        startType != GST_SEEK_TYPE_SET || start <= 0) {
        return GST_PAD_PROBE_OK;
    }
    const guint32 seqnum = gst_event_get_seqnum(event);
    {
        std::lock_guard lock(pending->mutex);
        pending->seqnum = seqnum;
        pending->target = static_cast<GstClockTime>(start);
    }
    const gint64 earlier = std::max<gint64>(0, start - static_cast<gint64>(kProgramStreamSeekLead));
    GstEvent* replacement =
        gst_event_new_seek(rate, format, flags, startType, earlier, stopType, stop);
    gst_event_set_seqnum(replacement, seqnum);
    gst_event_unref(event);
    GST_PAD_PROBE_INFO_DATA(info) = replacement;
    return GST_PAD_PROBE_OK;
}

// Streaming thread: the segment after the seek starts where it was asked to.
GstPadProbeReturn OnSegment(GstPad* pad, GstPadProbeInfo* info, gpointer) {
    GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
    if (GST_EVENT_TYPE(event) != GST_EVENT_SEGMENT) {
        return GST_PAD_PROBE_OK;
    }
    PendingSeek* pending = PendingOf(pad);
    if (!pending) {
        return GST_PAD_PROBE_OK;
    }
    GstClockTime target = GST_CLOCK_TIME_NONE;
    {
        std::lock_guard lock(pending->mutex);
        if (pending->seqnum != gst_event_get_seqnum(event)) {
            return GST_PAD_PROBE_OK;
        }
        target = pending->target;
    }
    const GstSegment* given = nullptr;
    gst_event_parse_segment(event, &given);
    if (given->format != GST_FORMAT_TIME || !GST_CLOCK_TIME_IS_VALID(target) ||
        target <= given->start || (GST_CLOCK_TIME_IS_VALID(given->stop) && target >= given->stop)) {
        return GST_PAD_PROBE_OK;
    }
    GstSegment segment;
    gst_segment_copy_into(given, &segment);
    segment.time += target - segment.start;
    segment.position = target;
    segment.start = target;
    GstEvent* replacement = gst_event_new_segment(&segment);
    gst_event_set_seqnum(replacement, gst_event_get_seqnum(event));
    gst_event_unref(event);
    GST_PAD_PROBE_INFO_DATA(info) = replacement;
    return GST_PAD_PROBE_OK;
}

void OnDemuxerPad(GstElement*, GstPad* pad, gpointer) {
    if (GST_PAD_IS_SRC(pad)) {
        gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_EVENT_UPSTREAM, &OnSeek, nullptr, nullptr);
        gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM, &OnSegment, nullptr, nullptr);
    }
}

void OnElementAdded(GstBin*, GstBin*, GstElement* element, gpointer) {
    GstElementFactory* factory = gst_element_get_factory(element);
    if (!factory || std::strcmp(gst_plugin_feature_get_name(factory), "mpegpsdemux") != 0) {
        return;
    }
    g_object_set_data_full(G_OBJECT(element), kPendingSeekKey, new PendingSeek,
                           [](gpointer data) { delete static_cast<PendingSeek*>(data); });
    g_signal_connect(element, "pad-added", G_CALLBACK(&OnDemuxerPad), nullptr);
}

}  // namespace

void MakeProgramStreamSeeksExact(GstBin* bin) {
    g_signal_connect(bin, "deep-element-added", G_CALLBACK(&OnElementAdded), nullptr);
}

}  // namespace velvaro::engine
