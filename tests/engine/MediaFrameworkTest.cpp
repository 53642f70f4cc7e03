// GStreamer loading in the background, and where the hardware decoders are
// preferred: machines with render nodes are described, as this one has none.
#include "PlayerFixture.h"
#include "engine/HardwareDecoding.h"
#include "engine/MediaFramework.h"

namespace {

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
