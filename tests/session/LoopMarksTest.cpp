// The marks, jumps, speeds and clock text as values. (The runtime playlist
// is walked through the window's playlist commands.)
#include "session/LoopMarks.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

namespace {

TEST(LoopMarksTest, MarksNeverCrossAndSettingOneLoops) {
    LoopMarks marks;
    marks.Reset(3000);
    EXPECT_FALSE(marks.SetEnd(-1));
    EXPECT_FALSE(marks.Looping());
    EXPECT_TRUE(marks.SetStart(1000));
    EXPECT_TRUE(marks.Looping());
    EXPECT_FALSE(marks.SetEnd(999));
    EXPECT_TRUE(marks.SetEnd(2000));
    EXPECT_FALSE(marks.SetStart(2001));
    EXPECT_TRUE(marks.SetStart(2000));  // an empty range is a range
    marks.SetLooping(false);
    marks.MarkAll(3000);
    EXPECT_TRUE(marks.Looping());
    EXPECT_EQ(marks.Start() + marks.End(), 3000);
    marks.SetStart(500);
    marks.Reset(4000);  // a new medium; the loop stays as it was
    EXPECT_EQ(marks.Start() + marks.End(), 4000);
    EXPECT_TRUE(marks.Looping());
}

TEST(LoopMarksTest, HomeAndEndAlternateAndTheTimerJumpsBackPastTheMarkEnd) {
    LoopMarks marks;
    marks.Reset(3000);
    marks.SetStart(1000);
    marks.SetEnd(2000);
    EXPECT_EQ((std::vector{marks.HomeTarget(), marks.HomeTarget(), marks.HomeTarget()}),
              (std::vector{1000, 0, 1000}));
    // Reaching the mark end ends the range only while looping playback.
    const std::tuple<bool, bool, int, bool> ends[] = {
        {true, true, 2000, true},   {true, true, 3000, false},  {false, true, 2000, false},
        {false, true, 3000, false}, {true, false, 2000, false}, {true, false, 3000, false}};
    for (const auto& [looping, playing, target, rangeEnd] : ends) {
        marks.SetLooping(looping);
        bool ended = !rangeEnd;
        EXPECT_EQ(marks.EndTarget(3000, playing, &ended), target);
        EXPECT_EQ(ended, rangeEnd) << target << looping << playing;
    }
    // Within half a second past it; a mark end at the slider's maximum is
    // left to the end of the medium.
    const std::tuple<bool, bool, int, int, bool> jumps[] = {
        {true, true, 1999, 3000, false},  {true, true, 2000, 3000, true},
        {true, true, 2050, 3000, true},   {true, true, 2051, 3000, false},
        {true, false, 2000, 3000, false}, {true, true, 2000, 2000, false},
        {false, true, 2000, 3000, false}};
    for (const auto& [looping, playing, position, maximum, back] : jumps) {
        marks.SetLooping(looping);
        EXPECT_EQ(marks.JumpsBack(playing, position, maximum), back) << position << looping;
    }
}

TEST(LoopMarksTest, SkipsWheelNotchesSpeedsAndClock) {
    // The count a signed 16-bit number.
    EXPECT_EQ((std::vector{SkipTarget(500, 1), SkipTarget(500, -1), SkipTarget(1500, 0xFFFF),
                           SkipTarget(0, 0x10002)}),
              (std::vector{1500, -500, 500, 2000}));
    // Whole notches, towards zero.
    EXPECT_EQ((std::vector{WheelSteps(119), WheelSteps(-359), WheelSteps(-32768)}),
              (std::vector{0, -2, -273}));
    std::vector<double> forwards{1.0};
    std::vector<double> backwards{4.0};
    for (int press = 0; press < 7; ++press) {
        forwards.push_back(NextFastForwardRate(forwards.back()));
        backwards.push_back(NextFastBackwardRate(backwards.back()));
    }
    EXPECT_EQ(forwards, (std::vector<double>{1, 2, 4, 8, 16, 32, 1, 2}));
    EXPECT_EQ(backwards, (std::vector<double>{4, -1, -2, -4, -8, -16, -32, -1}));
    EXPECT_EQ(NextFastForwardRate(-2.0), 1.0);
    EXPECT_EQ((std::vector{ClockText(599), ClockText(366199), ClockText(36000000)}),
              (std::vector<std::string>{"00:00:05", "01:01:01", "100:00:00"}));
}

}  // namespace
