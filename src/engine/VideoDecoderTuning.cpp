#include "VideoDecoderTuning.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <thread>

namespace velvaro::engine {

namespace {

// What one thread of a software decoder comfortably keeps up with.
constexpr double kPixelsPerSecondPerThread = 1920.0 * 1088.0 * 30.0;
constexpr double kUnknownFrameRate = 30.0;

// The codecs whose decoders decode a picture per thread, each keeping its
// own in flight. MPEG-1/2 decoders split pictures instead, and an MPEG
// program stream decoded on one thread has been seen to starve its picture
// queue while the sound's was full: those keep the decoder's own count.
bool HoldsPicturesPerThread(const char* codec) {
    for (const char* name :
         {"video/x-h264", "video/x-h265", "video/x-vp8", "video/x-vp9", "video/x-av1"}) {
        if (std::strcmp(codec, name) == 0) {
            return true;
        }
    }
    return false;
}

// Streaming thread: the decoder's format arrives; the property is read
// when the decoder opens its codec for that format, just after.
GstPadProbeReturn OnDecoderEvent(GstPad* pad, GstPadProbeInfo* info, gpointer) {
    GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
    if (GST_EVENT_TYPE(event) != GST_EVENT_CAPS) {
        return GST_PAD_PROBE_OK;
    }
    GstCaps* caps = nullptr;
    gst_event_parse_caps(event, &caps);
    const GstStructure* format = gst_caps_get_structure(caps, 0);
    if (!HoldsPicturesPerThread(gst_structure_get_name(format))) {
        return GST_PAD_PROBE_OK;
    }
    int width = 0;
    int height = 0;
    int rateN = 0;
    int rateD = 1;
    gst_structure_get_int(format, "width", &width);
    gst_structure_get_int(format, "height", &height);
    gst_structure_get_fraction(format, "framerate", &rateN, &rateD);
    const double rate = rateD > 0 ? static_cast<double>(rateN) / rateD : 0.0;
    const int threads = DecoderThreadsFor(width, height, rate, std::thread::hardware_concurrency());
    GstElement* decoder = gst_pad_get_parent_element(pad);
    if (decoder) {
        g_object_set(decoder, "max-threads", threads, nullptr);
        GParamSpec* direct =
            g_object_class_find_property(G_OBJECT_GET_CLASS(decoder), "direct-rendering");
        if (direct && direct->value_type == G_TYPE_BOOLEAN) {
            g_object_set(decoder, "direct-rendering", FALSE, nullptr);
        }
        gst_object_unref(decoder);
    }
    return GST_PAD_PROBE_OK;
}

void OnElementAdded(GstBin*, GstBin*, GstElement* element, gpointer) {
    GstElementFactory* factory = gst_element_get_factory(element);
    const char* klass =
        factory ? gst_element_factory_get_metadata(factory, GST_ELEMENT_METADATA_KLASS) : nullptr;
    if (!klass || !std::strstr(klass, "Decoder") || !std::strstr(klass, "Video")) {
        return;
    }
    GParamSpec* threads = g_object_class_find_property(G_OBJECT_GET_CLASS(element), "max-threads");
    GstPad* input = gst_element_get_static_pad(element, "sink");
    if (threads && threads->value_type == G_TYPE_INT && input) {
        gst_pad_add_probe(input, GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM, &OnDecoderEvent, nullptr,
                          nullptr);
    }
    if (input) {
        gst_object_unref(input);
    }
}

}  // namespace

int DecoderThreadsFor(int width, int height, double framesPerSecond, unsigned cores) {
    const double rate = framesPerSecond > 0.0 ? framesPerSecond : kUnknownFrameRate;
    const double load = std::max(0, width) * static_cast<double>(std::max(0, height)) * rate /
                        kPixelsPerSecondPerThread;
    const int wanted = static_cast<int>(std::ceil(load - 1e-9));
    return std::clamp(wanted, 1, static_cast<int>(std::max(1u, cores)));
}

void TuneVideoDecoders(GstBin* bin) {
    g_signal_connect(bin, "deep-element-added", G_CALLBACK(&OnElementAdded), nullptr);
}

}  // namespace velvaro::engine
