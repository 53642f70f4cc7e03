#include "session/LoopMarks.h"

#include <cstdint>
#include <cstdio>

namespace {

constexpr int kSkipStep = 1000;
constexpr double kRateLimit = 64.0;
constexpr int kWheelNotch = 120;

}  // namespace

void LoopMarks::Reset(int duration) {
    start_ = 0;
    end_ = duration;
}

bool LoopMarks::SetStart(int position) {
    if (position > end_) {
        return false;
    }
    start_ = position;
    loop_ = true;
    return true;
}

bool LoopMarks::SetEnd(int position) {
    if (position < start_) {
        return false;
    }
    end_ = position;
    loop_ = true;
    return true;
}

void LoopMarks::MarkAll(int duration) {
    start_ = 0;
    end_ = duration;
    loop_ = true;
}

int LoopMarks::HomeTarget() {
    const bool toMark = homeToMark_;
    homeToMark_ = !homeToMark_;
    return toMark ? start_ : 0;
}

int LoopMarks::EndTarget(int duration, bool playing, bool* rangeEnd) {
    const bool toMark = endToMark_;
    endToMark_ = !endToMark_;
    *rangeEnd = toMark && loop_ && playing;
    return toMark ? end_ : duration;
}

bool LoopMarks::JumpsBack(bool playing, int position, int maximum) const {
    return loop_ && playing && position >= end_ && position <= end_ + kJumpBackWindow &&
           end_ < maximum;
}

int SkipTarget(int position, int steps) {
    return position + static_cast<std::int16_t>(steps) * kSkipStep;
}

int WheelSteps(int delta) {
    return delta / kWheelNotch;
}

double NextFastForwardRate(double rate) {
    const double next = rate * 2;
    return next <= 0 || next >= kRateLimit ? 1.0 : next;
}

double NextFastBackwardRate(double rate) {
    const double next = rate * 2;
    return next >= 0 || next <= -kRateLimit ? -1.0 : next;
}

std::string ClockText(int hundredths) {
    const int seconds = hundredths / 100;
    char text[32];
    std::snprintf(text, sizeof text, "%.2i:%.2i:%.2i", seconds / 3600, seconds / 60 % 60,
                  seconds % 60);
    return text;
}
