#include "VideoStreamEnd.h"

#include "GstHandles.h"

#include <cstring>

namespace velvaro::engine {

namespace {

bool CarriesVideo(GstPad* pad) {
    const GstCapsHandle caps(gst_pad_get_current_caps(pad));
    return caps && gst_caps_get_size(caps.get()) > 0 &&
           g_str_has_prefix(gst_structure_get_name(gst_caps_get_structure(caps.get(), 0)),
                            "video/");
}

// Streaming thread of a decodebin3 queue's output, ahead of decodebin3's
// own look at it: the stream's end goes to the decoder straight away, past
// the queue's output, while decodebin3 goes on holding the original.
GstPadProbeReturn OnQueueOutputEvent(GstPad* pad, GstPadProbeInfo* info, gpointer) {
    if (GST_EVENT_TYPE(GST_PAD_PROBE_INFO_EVENT(info)) != GST_EVENT_EOS || !CarriesVideo(pad)) {
        return GST_PAD_PROBE_OK;
    }
    if (const GstPadHandle decoder{gst_pad_get_peer(pad)}) {
        gst_pad_send_event(decoder.get(), gst_event_new_eos());
    }
    return GST_PAD_PROBE_OK;
}

// Called as the queue adds the pad, before decodebin3 puts its own probe on it.
void OnQueuePadAdded(GstElement*, GstPad* pad, gpointer) {
    if (GST_PAD_IS_SRC(pad)) {
        gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM, &OnQueueOutputEvent, nullptr,
                          nullptr);
    }
}

void OnElementAdded(GstBin*, GstBin* parent, GstElement* element, gpointer) {
    GstElementFactory* factory = gst_element_get_factory(element);
    GstElementFactory* parentFactory = gst_element_get_factory(GST_ELEMENT(parent));
    if (factory && parentFactory &&
        std::strcmp(gst_plugin_feature_get_name(factory), "multiqueue") == 0 &&
        std::strcmp(gst_plugin_feature_get_name(parentFactory), "decodebin3") == 0) {
        g_signal_connect(element, "pad-added", G_CALLBACK(&OnQueuePadAdded), nullptr);
    }
}

}  // namespace

void EndVideoStreamsOnTime(GstBin* bin) {
    g_signal_connect(bin, "deep-element-added", G_CALLBACK(&OnElementAdded), nullptr);
}

}  // namespace velvaro::engine
