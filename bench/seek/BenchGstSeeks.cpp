// GStreamer's own exact seeks, as gst-play-1.0 makes them with its accurate
// flag: playbin with the desktop's video sink, paused, each time given
// sought with FLUSH | ACCURATE; the milliseconds until the pipeline has
// prerolled again (ASYNC_DONE). One line per seek, `seek_ms=<ms>`.
//
//   bench_gst_seeks CLIP SECONDS...
#include <gst/gst.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

namespace {

struct Unref {
    void operator()(gpointer object) const { gst_object_unref(object); }
};
using Element = std::unique_ptr<GstElement, Unref>;
using Bus = std::unique_ptr<GstBus, Unref>;

// Waits for the pipeline to preroll; false on an error or after 20 s.
bool Prerolled(GstBus* bus) {
    for (;;) {
        GstMessage* message = gst_bus_timed_pop_filtered(
            bus, 20 * GST_SECOND,
            static_cast<GstMessageType>(GST_MESSAGE_ASYNC_DONE | GST_MESSAGE_ERROR));
        if (!message) {
            return false;
        }
        const bool done = GST_MESSAGE_TYPE(message) == GST_MESSAGE_ASYNC_DONE;
        gst_message_unref(message);
        return done;
    }
}

}  // namespace

int main(int argc, char** argv) {
    gst_init(&argc, &argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_gst_seeks CLIP SECONDS...\n");
        return 2;
    }
    gchar* uri = gst_filename_to_uri(argv[1], nullptr);
    const Element pipeline(gst_element_factory_make("playbin", nullptr));
    if (!uri || !pipeline) {
        std::fprintf(stderr, "bench_gst_seeks: no playbin or no such file\n");
        return 1;
    }
    g_object_set(pipeline.get(), "uri", uri, nullptr);
    g_free(uri);
    if (GstElement* sink = gst_element_factory_make("fakesink", nullptr)) {
        g_object_set(pipeline.get(), "audio-sink", sink, nullptr);
    }
    const Bus bus(gst_element_get_bus(pipeline.get()));
    gst_element_set_state(pipeline.get(), GST_STATE_PAUSED);
    int status = 0;
    if (!Prerolled(bus.get())) {
        std::fprintf(stderr, "bench_gst_seeks: the clip did not preroll\n");
        status = 1;
    }
    for (int i = 2; i < argc && status == 0; ++i) {
        const auto position = static_cast<gint64>(std::atof(argv[i]) * GST_SECOND);
        const auto start = std::chrono::steady_clock::now();
        if (!gst_element_seek_simple(
                pipeline.get(), GST_FORMAT_TIME,
                static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE),
                position) ||
            !Prerolled(bus.get())) {
            std::fprintf(stderr, "bench_gst_seeks: no answer to the seek to %s\n", argv[i]);
            status = 1;
            break;
        }
        const std::chrono::duration<double, std::milli> took =
            std::chrono::steady_clock::now() - start;
        std::printf("seek_ms=%.1f\n", took.count());
        std::fflush(stdout);
    }
    gst_element_set_state(pipeline.get(), GST_STATE_NULL);
    return status;
}
