// A still picture held for its text: it carries the text once that comes,
// goes without it at the limit, and an ended wait's limit leaves the next
// wait alone. On a real text renderer over a black picture.
#include "engine/GstHandles.h"
#include "engine/MediaFramework.h"
#include "engine/TextWait.h"

#include <gst/app/gstappsink.h>
#include <gst/app/gstappsrc.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace {

using velvaro::engine::GstElementHandle;
using velvaro::engine::TextWait;

// A black picture through a text renderer into a sink; text is pushed by hand.
struct TextGraph {
    TextGraph() {
        velvaro::engine::EnsureMediaFramework();
        pipeline.reset(GST_ELEMENT(gst_object_ref_sink(gst_parse_launch(
            "videotestsrc pattern=black num-buffers=1 ! video/x-raw,format=I420,width=320,"
            "height=240 ! textoverlay name=renderer wait-text=false ! appsink name=sink "
            "appsrc name=text format=time caps=text/x-raw,format=utf8 ! renderer.text_sink",
            nullptr))));
        renderer.reset(gst_bin_get_by_name(GST_BIN(pipeline.get()), "renderer"));
        sink.reset(gst_bin_get_by_name(GST_BIN(pipeline.get()), "sink"));
        text.reset(gst_bin_get_by_name(GST_BIN(pipeline.get()), "text"));
    }
    ~TextGraph() { gst_element_set_state(pipeline.get(), GST_STATE_NULL); }

    void Pause() { gst_element_set_state(pipeline.get(), GST_STATE_PAUSED); }

    // The bright pixels of the still picture, text drawn white on black,
    // once the renderer lets it go; -1 while it holds it.
    int BrightPixels(GstClockTime timeout) {
        const velvaro::engine::GstSampleHandle picture(
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

    GstElementHandle pipeline, renderer, sink, text;
};

TEST(TextWait, AHeldPictureCarriesItsTextOnceThatComes) {
    TextGraph graph;
    TextWait wait;
    // Held past an ended wait's limit, which must not end this one.
    wait.Begin(graph.renderer.get(), 50 * GST_MSECOND);
    wait.End();
    EXPECT_FALSE(graph.WaitsForText());
    wait.Begin(graph.renderer.get(), 30 * GST_SECOND);
    graph.Pause();
    EXPECT_EQ(graph.BrightPixels(500 * GST_MSECOND), -1) << "held while no text has come";
    graph.PushText("WWWWWW");
    EXPECT_GT(graph.BrightPixels(10 * GST_SECOND), 10);
    EXPECT_TRUE(graph.WaitsForText());
    wait.End();
    EXPECT_FALSE(graph.WaitsForText()) << "the pictures after go as they come";
}

TEST(TextWait, WithoutTextThePictureGoesAtTheLimit) {
    TextGraph graph;
    TextWait wait;
    wait.Begin(graph.renderer.get(), 200 * GST_MSECOND);
    graph.Pause();
    EXPECT_EQ(graph.BrightPixels(10 * GST_SECOND), 0);
    EXPECT_FALSE(graph.WaitsForText());
}

}  // namespace
