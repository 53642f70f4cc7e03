// The pitch a listener hears at each speed: the tone's cycles per second of
// the time the sink plays them in. From half to double speed the film's
// 440 Hz stays 440 Hz; faster, the sound rises with the speed as before.
#include "PlayerFixture.h"
#include "SinkProbes.h"

#include <cmath>

namespace {

using namespace velvaro::engine;
using velvaro::test::HeardPitch;
using velvaro::test::Media;
using velvaro::test::RunEventsUntil;

TEST(SoundSpeedTest, TheToneKeepsItsPitchFromHalfToDoubleSpeedAndRisesBeyond) {
    const auto graph = CreateFilterGraph();
    ASSERT_EQ(graph->RenderFile(Media("multi.mkv")), S_OK);
    HeardPitch pitch(*graph);
    ASSERT_TRUE(pitch.Attached());
    ASSERT_EQ(graph->Run(), S_OK);
    for (const auto& [rate, heard] :
         {std::pair{1.0, 440.0}, {1.5, 440.0}, {0.5, 440.0}, {2.0, 440.0}, {4.0, 1760.0}}) {
        SCOPED_TRACE(rate);
        ASSERT_EQ(graph->SetRate(rate), S_OK);
        velvaro::test::RunEventsFor(200);  // what was queued before the rate changed
        pitch.Restart();
        ASSERT_TRUE(RunEventsUntil([&] { return pitch.Hertz() > 0; }, 3000));
        velvaro::test::RunEventsFor(300);
        EXPECT_NEAR(pitch.Hertz(), heard, heard / 88) << "at " << rate << "x";
    }
}

}  // namespace
