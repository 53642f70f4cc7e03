// GStreamer loading in the background, and which decoders are preferred and
// how they are set. Render nodes are described, as this machine has none.
#include "PlayerFixture.h"
#include "TestPipeline.h"
#include "engine/HardwareDecoding.h"
#include "engine/VideoDecoderTuning.h"

#include <cstdlib>
#include <cstring>

namespace {

using namespace velvaro::engine;
using namespace velvaro::test;
using Names = std::vector<std::string>;

const Names kRegistry = {"avdec_h264",   "vah264dec",  "vah265dec", "vavp9dec",
                         "vaapih264dec", "vapostproc", "vaav1dec",  "dav1ddec"};
const Names kVaDecoders = {"vah264dec", "vah265dec", "vavp9dec", "vaav1dec"};

TEST(HardwareDecoding, OnlyAUsableRenderNodeWithItsVaDecodersIsPreferred) {
    const RenderNode usable{"/dev/dri/renderD128", true};
    EXPECT_EQ(HardwareDecodersToPrefer({}, kRegistry, nullptr), Names{}) << "no render node";
    EXPECT_EQ(HardwareDecodersToPrefer({{"/dev/dri/renderD128", false}}, kRegistry, nullptr),
              Names{})
        << "a node that does not open for writing";
    EXPECT_EQ(HardwareDecodersToPrefer({{"/dev/dri/card0", true}}, kRegistry, nullptr), Names{})
        << "a card is no render node";
    EXPECT_EQ(HardwareDecodersToPrefer({usable}, {"avdec_h264", "vaapih264dec"}, nullptr), Names{})
        << "no decoders of the va plugin";
    // The switch turns it off only with zero.
    for (const char* setting : {static_cast<const char*>(nullptr), "1", "", "0"}) {
        EXPECT_EQ(HardwareDecodersToPrefer({usable}, kRegistry, setting),
                  setting && *setting == '0' ? Names{} : kVaDecoders);
    }
    // The plain names drive the first node; a second node's decoders carry its name.
    const Names decoders = {"vah264dec", "varenderD129h264dec", "varenderD130h264dec"};
    EXPECT_EQ(HardwareDecodersToPrefer({{"/dev/dri/renderD129", true}, {usable.path, false}},
                                       decoders, nullptr),
              Names{"varenderD129h264dec"});
    EXPECT_EQ(HardwareDecodersToPrefer({usable, {"/dev/dri/renderD129", false}}, decoders, nullptr),
              Names{"vah264dec"});
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

// The factory, the thread count and whether it decodes into its sink's memory.
using DecoderSettings = std::tuple<std::string, int, bool>;

// How the video decoder a film's open takes is set once it has prerolled.
DecoderSettings DecoderAfterPreroll(const std::string& file) {
    const TestPipeline pipeline("filesrc location=\"" + Media(file) + "\" ! decodebin3 ! fakesink");
    if (!pipeline) {
        return {};
    }
    TuneVideoDecoders(GST_BIN(pipeline.get()));
    pipeline.SetState(GST_STATE_PAUSED);
    EXPECT_EQ(gst_element_get_state(pipeline.get(), nullptr, nullptr, 10 * GST_SECOND),
              GST_STATE_CHANGE_SUCCESS);
    DecoderSettings settings{"", -1, true};
    ForEachItem(gst_bin_iterate_recurse(GST_BIN(pipeline.get())), [&](gpointer item) {
        auto* element = GST_ELEMENT(item);
        GstElementFactory* factory = gst_element_get_factory(element);
        const char* klass =
            factory ? gst_element_factory_get_metadata(factory, GST_ELEMENT_METADATA_KLASS) : "";
        if (std::strstr(klass, "Decoder") && std::strstr(klass, "Video")) {
            std::get<0>(settings) = GST_OBJECT_NAME(factory);
            g_object_get(element, "max-threads", &std::get<1>(settings), nullptr);
            // Without the property, the decoder copies into memory of its own.
            gboolean direct = FALSE;
            if (g_object_class_find_property(G_OBJECT_GET_CLASS(element), "direct-rendering")) {
                g_object_get(element, "direct-rendering", &direct, nullptr);
            }
            std::get<2>(settings) = direct;
        }
        return true;
    });
    return settings;
}

// H.264, H.265 and MPEG-2 go to the player's own decoders, the first two
// sized to the film; MPEG-2 decoders split pictures on threads of their
// own count.
TEST(DecoderThreads, TheDecodersAFilmsOpenTakesGetTheirCountAndMemory) {
    EXPECT_EQ(DecoderAfterPreroll("video-only.mkv"), DecoderSettings("velvaroh264dec", 1, false));
    EXPECT_EQ(DecoderAfterPreroll("hevc-10bit.mkv"), DecoderSettings("velvaroh265dec", 1, false));
    EXPECT_EQ(DecoderAfterPreroll("mpeg2-169.mpg"),
              DecoderSettings("velvarompegvideodec", 0, false));
}

// Asked for, as the bench does to weigh the two, libav's decoders take the
// own ones' place and are set the same way. Each test runs in a process of
// its own, so this start is the first.
TEST(DecoderThreads, WithTheLibavSwitchItsDecodersTakeTheOwnOnesPlace) {
    ASSERT_EQ(setenv("VELVARO_DECODERS", "libav", 1), 0);
    EXPECT_EQ(DecoderAfterPreroll("video-only.mkv"), DecoderSettings("avdec_h264", 1, false));
    EXPECT_EQ(DecoderAfterPreroll("hevc-10bit.mkv"), DecoderSettings("avdec_h265", 1, false));
}

using MediaFrameworkTest = PlayerTest;

// Each test runs in a process of its own, so this start is the first.
TEST_F(MediaFrameworkTest, AnOpenRightAfterTheBackgroundStartPlays) {
    StartMediaFramework();
    auto player = Open("multi.mkv");
    EXPECT_EQ(player->HasVideo(), S_OK);
    player->Play();
    EXPECT_EQ(SettledState(*player), State_Running);
    EXPECT_TRUE(RunEventsUntil([&] { return player->GetPosition() >= 50; }));
}

}  // namespace
