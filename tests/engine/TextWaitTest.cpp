// A still picture held for its text, on a real text renderer.
#include "TestPipeline.h"
#include "engine/TextWait.h"

#include <gst/app/gstappsrc.h>

#include <algorithm>
#include <cstring>

namespace {

using namespace velvaro::engine;

// A black picture through a text renderer into a sink; text is pushed by hand.
struct TextGraph {
    TestPipeline pipeline{
        "videotestsrc pattern=black num-buffers=1 ! video/x-raw,format=I420,width=320,"
        "height=240 ! textoverlay name=renderer wait-text=false ! appsink name=sink "
        "appsrc name=text format=time caps=text/x-raw,format=utf8 ! renderer.text_sink"};
    GstElementHandle renderer = pipeline["renderer"], sink = pipeline["sink"],
                     text = pipeline["text"];

    void Pause() { pipeline.SetState(GST_STATE_PAUSED); }

    // The bright pixels of the still picture, text drawn white on black,
    // once the renderer lets it go; -1 while it holds it.
    int BrightPixels(GstClockTime timeout) {
        const GstSampleHandle picture(
            gst_app_sink_try_pull_preroll(GST_APP_SINK(sink.get()), timeout));
        GstMapInfo map;
        if (!picture || !gst_buffer_map(gst_sample_get_buffer(picture.get()), &map, GST_MAP_READ)) {
            return -1;
        }
        const int bright = static_cast<int>(
            std::count_if(map.data, map.data + 320 * 240, [](std::uint8_t y) { return y > 150; }));
        gst_buffer_unmap(gst_sample_get_buffer(picture.get()), &map);
        return bright;
    }
    void PushText(const char* words) {
        GstBuffer* buffer = gst_buffer_new_memdup(words, std::strlen(words));
        GST_BUFFER_PTS(buffer) = 0;
        GST_BUFFER_DURATION(buffer) = 10 * GST_SECOND;
        ASSERT_EQ(gst_app_src_push_buffer(GST_APP_SRC(text.get()), buffer), GST_FLOW_OK);
    }
    bool WaitsForText() const {
        gboolean waits = FALSE;
        g_object_get(renderer.get(), "wait-text", &waits, nullptr);
        return waits;
    }
};

// Held past an ended wait's limit, which must not end the next one; without
// text, the picture goes at the limit.
TEST(TextWait, AHeldPictureCarriesItsTextOnceThatComesOrGoesWithoutAtTheLimit) {
    TextGraph graph, silent;
    TextWait wait, limited;
    wait.Begin(graph.renderer.get(), 50 * GST_MSECOND);
    wait.End();
    EXPECT_FALSE(graph.WaitsForText());
    wait.Begin(graph.renderer.get(), 30 * GST_SECOND);
    limited.Begin(silent.renderer.get(), 200 * GST_MSECOND);
    graph.Pause();
    silent.Pause();
    EXPECT_EQ(graph.BrightPixels(500 * GST_MSECOND), -1) << "held while no text has come";
    graph.PushText("WWWWWW");
    EXPECT_GT(graph.BrightPixels(10 * GST_SECOND), 10);
    EXPECT_TRUE(graph.WaitsForText());
    wait.End();
    EXPECT_FALSE(graph.WaitsForText()) << "the pictures after go as they come";
    EXPECT_EQ(silent.BrightPixels(10 * GST_SECOND), 0) << "without text";
    EXPECT_FALSE(silent.WaitsForText());
}

}  // namespace
