// What a listener hears as the speed keys change the speed: the film's tone
// keeps its pitch from half to double speed and rises beyond.
#include "PlayerWindow.h"
#include "SinkProbes.h"

namespace {

using velvaro::test::RunEventsFor;

using SpeedKeysTest = PlayerWindowTest;

TEST_F(SpeedKeysTest, TheToneKeepsItsPitchFromHalfToDoubleSpeedAndRisesBeyond) {
    Start(Media("multi.mkv"));
    ASSERT_TRUE(Playing());
    velvaro::test::HeardPitch pitch(*FilePlayer()->Graph());
    ASSERT_TRUE(pitch.Attached());
    const std::tuple<UINT, double, double> steps[] = {{VK_NUMPAD7, 0.5, 440.0},
                                                      {VK_NUMPAD8, 1.0, 440.0},
                                                      {VK_NUMPAD9, 2.0, 440.0},
                                                      {VK_NUMPAD9, 4.0, 1760.0}};
    for (const auto& [key, rate, heard] : steps) {
        Key(key);
        ASSERT_EQ(window->Player()->GetRate(), rate);
        RunEventsFor(150);  // what was queued before the speed changed
        pitch.Restart();
        ASSERT_TRUE(WaitFor([&] { return pitch.Hertz() > 0; }, 3000)) << rate;
        RunEventsFor(200);
        EXPECT_NEAR(pitch.Hertz(), heard, heard / 88) << "at " << rate << "x";
    }
}

}  // namespace
