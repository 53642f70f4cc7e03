// The A-B marks and the endless loop between them, the Home and End keys
// that alternate between the marks and the ends, and the steps of skipping
// and of the play speeds. Positions are in hundredths of a second.
#pragma once

#include <string>

class LoopMarks {
public:
    // The timer jumps back once the position is this far past the mark end.
    static constexpr int kJumpBackWindow = 50;

    int Start() const { return start_; }
    int End() const { return end_; }
    bool Looping() const { return loop_; }
    void SetLooping(bool on) { loop_ = on; }

    // A new medium: the whole of it is marked.
    void Reset(int duration);
    // A mark that would cross the other is refused (false); a mark set
    // switches the loop on.
    bool SetStart(int position);
    bool SetEnd(int position);
    // Clearing the marks loops the whole medium.
    void MarkAll(int duration);
    // Home: the mark start, the next time the medium's start, and so on.
    int HomeTarget();
    // End: the mark end, the next time `duration`, and so on. `rangeEnd` is
    // set when the mark end is reached while looping playback, which counts
    // as the end of the medium.
    int EndTarget(int duration, bool playing, bool* rangeEnd);
    // The clock timer's check: back to the mark start? A mark end at the
    // slider's `maximum` is left to the end of the medium.
    bool JumpsBack(bool playing, int position, int maximum) const;

private:
    int start_ = 0;
    int end_ = 0;
    bool loop_ = false;
    bool homeToMark_ = true;
    bool endToMark_ = true;
};

// Ten seconds a step; `steps` is a signed 16-bit count. Below 0 when the
// skip goes back past the start.
int SkipTarget(int position, int steps);
// Skip steps of a wheel delta: whole notches of 120, truncated towards 0.
int WheelSteps(int delta);
// Fast forwards doubles the rate up to 32, then normal speed again; fast
// backwards starts at -1 and doubles down to -32, then -1 again.
double NextFastForwardRate(double rate);
double NextFastBackwardRate(double rate);
// "hh:mm:ss" of a position, in whole seconds.
std::string ClockText(int hundredths);
