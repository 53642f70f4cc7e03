// A still picture held for its text: it carries the text once that comes,
// goes without it at the limit, and an ended wait's limit leaves the next
// wait alone. On a real text renderer over a black picture.
#include "engine/GstHandles.h"
#include "engine/MediaFramework.h"
#include "engine/TextWait.h"

#include <gst/app/gstappsink.h>
#include <gst/app/gstappsrc.h>
#include <gst/video/video.h>
#include <gtest/gtest.h>

#include <cstring>

namespace {

using velvaro::engine::GstElementHandle;
using velvaro::engine::GstSampleHandle;
using velvaro::engine::TextWait;

// A black picture through a text renderer into a sink; text is pushed by hand.
class TextGraph {
public:
    TextGraph() {
        velvaro::engine::EnsureMediaFramework();
        GError* error = nullptr;
        pipeline_.reset(GST_ELEMENT(gst_object_ref_sink(gst_parse_launch(
            "videotestsrc pattern=black num-buffers=1 ! video/x-raw,format=I420,width=320,"
            "height=240 ! textoverlay name=renderer wait-text=false ! appsink name=sink "
            "appsrc name=text format=time caps=text/x-raw,format=utf8 ! renderer.text_sink",
            &error))));
        if (error) {
            ADD_FAILURE() << error->message;
            g_error_free(error);
        }
        renderer_.reset(gst_bin_get_by_name(GST_BIN(pipeline_.get()), "renderer"));
        sink_.reset(gst_bin_get_by_name(GST_BIN(pipeline_.get()), "sink"));
        text_.reset(gst_bin_get_by_name(GST_BIN(pipeline_.get()), "text"));
    }
    ~TextGraph() { gst_element_set_state(pipeline_.get(), GST_STATE_NULL); }

    GstElement* Renderer() const { return renderer_.get(); }
    void Pause() { gst_element_set_state(pipeline_.get(), GST_STATE_PAUSED); }
    // The still picture, once the renderer lets it go.
    GstSampleHandle Picture(GstClockTime timeout) {
        return GstSampleHandle(gst_app_sink_try_pull_preroll(GST_APP_SINK(sink_.get()), timeout));
    }
    void PushText(const char* words) {
        GstBuffer* buffer = gst_buffer_new_memdup(words, std::strlen(words));
        GST_BUFFER_PTS(buffer) = 0;
        GST_BUFFER_DURATION(buffer) = 10 * GST_SECOND;
        ASSERT_EQ(gst_app_src_push_buffer(GST_APP_SRC(text_.get()), buffer), GST_FLOW_OK);
    }
    bool WaitsForText() const {
        gboolean waits = FALSE;
        g_object_get(renderer_.get(), "wait-text", &waits, nullptr);
        return waits;
    }

    // Text is drawn white on the black picture.
    static int BrightPixels(GstSample* sample) {
        GstMapInfo map;
        GstBuffer* buffer = gst_sample_get_buffer(sample);
        if (!gst_buffer_map(buffer, &map, GST_MAP_READ)) {
            return -1;
        }
        int bright = 0;
        for (size_t i = 0; i < 320 * 240; ++i) {
            bright += map.data[i] > 150;
        }
        gst_buffer_unmap(buffer, &map);
        return bright;
    }

private:
    GstElementHandle pipeline_, renderer_, sink_, text_;
};

TEST(TextWait, AHeldPictureCarriesItsTextOnceThatComes) {
    TextGraph graph;
    TextWait wait;
    wait.Begin(graph.Renderer(), 30 * GST_SECOND);
    graph.Pause();
    EXPECT_FALSE(graph.Picture(300 * GST_MSECOND)) << "held while no text has come";

    graph.PushText("WWWWWW");
    const GstSampleHandle picture = graph.Picture(10 * GST_SECOND);
    ASSERT_TRUE(picture);
    EXPECT_GT(TextGraph::BrightPixels(picture.get()), 10);

    EXPECT_TRUE(graph.WaitsForText());
    wait.End();
    EXPECT_FALSE(graph.WaitsForText()) << "the pictures after go as they come";
}

TEST(TextWait, WithoutTextThePictureGoesAtTheLimit) {
    TextGraph graph;
    TextWait wait;
    wait.Begin(graph.Renderer(), 200 * GST_MSECOND);
    graph.Pause();
    const GstSampleHandle picture = graph.Picture(10 * GST_SECOND);
    ASSERT_TRUE(picture);
    EXPECT_EQ(TextGraph::BrightPixels(picture.get()), 0);
    EXPECT_FALSE(graph.WaitsForText());
}

TEST(TextWait, AnEndedWaitsLimitLeavesTheNextWaitAlone) {
    TextGraph graph;
    TextWait wait;
    wait.Begin(graph.Renderer(), 50 * GST_MSECOND);
    wait.End();
    EXPECT_FALSE(graph.WaitsForText());
    wait.Begin(graph.Renderer(), 30 * GST_SECOND);
    graph.Pause();
    EXPECT_FALSE(graph.Picture(500 * GST_MSECOND)) << "still held past the first limit";
    graph.PushText("WWWWWW");
    EXPECT_TRUE(graph.Picture(10 * GST_SECOND));
}

}  // namespace
