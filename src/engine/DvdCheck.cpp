// velvaro-dvdcheck PATH: opens a DVD volume and reads its first block in a
// process of its own. libdvdread crashes on some damaged discs; here that
// takes down only this process, and the player sees a failed check.
// Exit 0: the disc reads; 1: it does not; 2: wrong call; 3: no answer in time.
#include "engine/GstHandles.h"

#include <gst/gst.h>

#include <atomic>

namespace {

using velvaro::engine::GstBusHandle;
using velvaro::engine::GstElementHandle;
using velvaro::engine::GstMessageHandle;
using velvaro::engine::GstPadHandle;

constexpr GstClockTime kPatience = 15 * GST_SECOND;
constexpr GstClockTime kPoll = 50 * GST_MSECOND;

std::atomic<bool> gotData{false};

GstPadProbeReturn OnData(GstPad*, GstPadProbeInfo*, gpointer) {
    gotData = true;
    return GST_PAD_PROBE_OK;
}

// Each output ends in a sink that neither waits nor syncs.
void OnPad(GstElement*, GstPad* pad, gpointer pipeline) {
    GstElement* sink = gst_element_factory_make("fakesink", nullptr);
    if (!sink) {
        return;
    }
    g_object_set(sink, "sync", FALSE, "async", FALSE, nullptr);
    gst_bin_add(GST_BIN(pipeline), sink);
    gst_element_sync_state_with_parent(sink);
    const GstPadHandle input(gst_element_get_static_pad(sink, "sink"));
    gst_pad_link(pad, input.get());
    gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_BUFFER, &OnData, nullptr, nullptr);
}

int Check(const char* path) {
    GstElementHandle pipeline(GST_ELEMENT(gst_object_ref_sink(gst_pipeline_new("check"))));
    GstElement* navigator = gst_element_factory_make("rsndvdbin", nullptr);
    if (!navigator) {
        return 1;
    }
    g_object_set(navigator, "device", path, nullptr);
    gst_bin_add(GST_BIN(pipeline.get()), navigator);
    g_signal_connect(navigator, "pad-added", G_CALLBACK(&OnPad), pipeline.get());
    GstBusHandle bus(gst_pipeline_get_bus(GST_PIPELINE(pipeline.get())));
    int result = 3;
    if (gst_element_set_state(pipeline.get(), GST_STATE_PAUSED) == GST_STATE_CHANGE_FAILURE) {
        result = 1;
    }
    for (GstClockTime waited = 0; result == 3 && waited < kPatience; waited += kPoll) {
        const GstMessageHandle error(
            gst_bus_timed_pop_filtered(bus.get(), kPoll, GST_MESSAGE_ERROR));
        if (error) {
            result = 1;
        } else if (gotData) {
            result = 0;
        }
    }
    gst_element_set_state(pipeline.get(), GST_STATE_NULL);
    return result;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        return 2;
    }
    gst_init(nullptr, nullptr);
    return Check(argv[1]);
}
