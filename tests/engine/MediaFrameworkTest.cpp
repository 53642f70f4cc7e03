// GStreamer loading in the background, and where the hardware decoders are
// preferred: machines with render nodes are described, as this one has none.
#include "PlayerFixture.h"
#include "engine/GstHandles.h"
#include "engine/HardwareDecoding.h"
#include "engine/MediaFramework.h"
#include "engine/VideoDecoderTuning.h"

#include <cstring>

namespace {

using velvaro::engine::DecoderThreadsFor;
using velvaro::engine::HardwareDecodersToPrefer;
using velvaro::engine::RenderNode;
using velvaro::test::RunEventsUntil;
using Names = std::vector<std::string>;

const Names kRegistry = {"avdec_h264",   "vah264dec",  "vah265dec", "vavp9dec",
                         "vaapih264dec", "vapostproc", "vaav1dec",  "dav1ddec"};
const Names kVaDecoders = {"vah264dec", "vah265dec", "vavp9dec", "vaav1dec"};

TEST(HardwareDecoding, OnlyAUsableRenderNodeWithItsVaDecodersIsPreferred) {
    const RenderNode usable{"/dev/dri/renderD128", true};
    const RenderNode locked{"/dev/dri/renderD128", false};
    EXPECT_EQ(HardwareDecodersToPrefer({}, kRegistry, nullptr), Names{}) << "no render node";
    EXPECT_EQ(HardwareDecodersToPrefer({locked}, kRegistry, nullptr), Names{})
        << "a node that does not open for writing";
    EXPECT_EQ(HardwareDecodersToPrefer({usable}, kRegistry, nullptr), kVaDecoders);
    EXPECT_EQ(HardwareDecodersToPrefer({usable}, {"avdec_h264", "vaapih264dec"}, nullptr), Names{})
        << "no decoders of the va plugin";
    EXPECT_EQ(HardwareDecodersToPrefer({{"/dev/dri/card0", true}}, kRegistry, nullptr), Names{})
        << "a card is no render node";
}

TEST(DecoderThreads, OneThreadPer1080pAt30FramesWithinTheCores) {
    EXPECT_EQ(DecoderThreadsFor(320, 240, 25.0, 8), 1);
    EXPECT_EQ(DecoderThreadsFor(1920, 1080, 30.0, 8), 1);
    EXPECT_EQ(DecoderThreadsFor(1920, 1080, 60.0, 8), 2);
    EXPECT_EQ(DecoderThreadsFor(3840, 2160, 30.0, 8), 4);
    EXPECT_EQ(DecoderThreadsFor(3840, 2160, 30.0, 2), 2) << "never more than the cores";
    EXPECT_EQ(DecoderThreadsFor(3840, 2160, 0.0, 8), 4) << "an unknown rate counts as 30";
    EXPECT_EQ(DecoderThreadsFor(0, 0, 0.0, 0), 1) << "nothing known: one thread";
}

struct DecoderSettings {
    int threads = -1;
    bool directRendering = true;
};

// How a decoder is set once a graph holding it has prerolled.
DecoderSettings DecoderAfterPreroll(const std::string& file) {
    GError* failure = nullptr;
    GstElement* parsed = gst_parse_launch(
        ("filesrc location=\"" + velvaro::test::Media(file) + "\" ! decodebin3 ! fakesink").c_str(),
        &failure);
    velvaro::engine::GstElementHandle pipeline(parsed ? GST_ELEMENT(gst_object_ref_sink(parsed))
                                                      : nullptr);
    if (!pipeline) {
        ADD_FAILURE() << (failure ? failure->message : "");
        return {};
    }
    velvaro::engine::TuneVideoDecoders(GST_BIN(pipeline.get()));
    gst_element_set_state(pipeline.get(), GST_STATE_PAUSED);
    EXPECT_EQ(gst_element_get_state(pipeline.get(), nullptr, nullptr, 10 * GST_SECOND),
              GST_STATE_CHANGE_SUCCESS);
    DecoderSettings settings;
    GstIterator* elements = gst_bin_iterate_recurse(GST_BIN(pipeline.get()));
    GValue item = G_VALUE_INIT;
    while (gst_iterator_next(elements, &item) == GST_ITERATOR_OK) {
        auto* element = GST_ELEMENT(g_value_get_object(&item));
        GstElementFactory* factory = gst_element_get_factory(element);
        const char* klass =
            factory ? gst_element_factory_get_metadata(factory, GST_ELEMENT_METADATA_KLASS) : "";
        if (std::strstr(klass, "Decoder") && std::strstr(klass, "Video")) {
            g_object_get(element, "max-threads", &settings.threads, nullptr);
            // Without the property, the decoder copies into memory of its own.
            gboolean direct = FALSE;
            if (g_object_class_find_property(G_OBJECT_GET_CLASS(element), "direct-rendering")) {
                g_object_get(element, "direct-rendering", &direct, nullptr);
            }
            settings.directRendering = direct;
        }
        g_value_reset(&item);
    }
    gst_iterator_free(elements);
    gst_element_set_state(pipeline.get(), GST_STATE_NULL);
    return settings;
}

TEST(DecoderThreads, AnH264DecoderGetsItsCountAndItsOwnMemoryAnMpeg2OneKeepsItsSettings) {
    velvaro::engine::EnsureMediaFramework();
    const DecoderSettings h264 = DecoderAfterPreroll("video-only.mkv");
    EXPECT_EQ(h264.threads, 1) << "320x240 H.264";
    EXPECT_FALSE(h264.directRendering);
    const DecoderSettings mpeg2 = DecoderAfterPreroll("mpeg2-169.mpg");
    EXPECT_EQ(mpeg2.threads, 0) << "the decoder's own: automatic";
    EXPECT_TRUE(mpeg2.directRendering);
}

TEST(HardwareDecoding, TheSwitchTurnsItOffOnlyWithZero) {
    const std::vector<RenderNode> nodes = {{"/dev/dri/renderD128", true}};
    EXPECT_EQ(HardwareDecodersToPrefer(nodes, kRegistry, "0"), Names{});
    EXPECT_EQ(HardwareDecodersToPrefer(nodes, kRegistry, "1"), kVaDecoders);
    EXPECT_EQ(HardwareDecodersToPrefer(nodes, kRegistry, ""), kVaDecoders);
}

// The plain names drive the first node; a second node's decoders carry its name.
TEST(HardwareDecoding, EachDecoderFollowsItsOwnNode) {
    const Names decoders = {"vah264dec", "varenderD129h264dec", "varenderD130h264dec"};
    EXPECT_EQ(
        HardwareDecodersToPrefer({{"/dev/dri/renderD129", true}, {"/dev/dri/renderD128", false}},
                                 decoders, nullptr),
        Names{"varenderD129h264dec"});
    EXPECT_EQ(
        HardwareDecodersToPrefer({{"/dev/dri/renderD128", true}, {"/dev/dri/renderD129", false}},
                                 decoders, nullptr),
        Names{"vah264dec"});
}

using MediaFrameworkTest = velvaro::test::PlayerTest;

// Each test runs in a process of its own, so this start is the first.
TEST_F(MediaFrameworkTest, AnOpenRightAfterTheBackgroundStartPlays) {
    velvaro::engine::StartMediaFramework();
    auto player = Open("multi.mkv");
    EXPECT_EQ(player->HasVideo(), S_OK);
    player->Play();
    EXPECT_EQ(SettledState(*player), State_Running);
    EXPECT_TRUE(RunEventsUntil([&] { return player->GetPosition() >= 50; }));
}

}  // namespace
