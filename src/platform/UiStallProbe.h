// How long the UI thread keeps its event loop waiting, for the
// responsiveness benchmark: off unless QT_LOGGING_RULES has
// "velvaro.bench.debug=true". A precise 5-ms timer on the thread notes how
// late each tick comes (the time since the previous tick less 5 ms, on the
// monotonic clock; the first tick only starts the measure) and logs in the
// category velvaro.bench
//   "ui stall <ms> at <monotonic ms>" for each lateness above 2 ms, and
//   "ui ticks <n> over 0.5 1 1.5 ms <a> <b> <c> at <monotonic ms>" once a
//   second and at the end: the ticks since the last such line, and how many
//   of them came more than 0.5, 1 and 1.5 ms late.
#pragma once

#include <QTimer>

#include <array>
#include <memory>

namespace velvaro::platform {

class UiStallProbe {
public:
    UiStallProbe();
    ~UiStallProbe();
    UiStallProbe(const UiStallProbe&) = delete;
    UiStallProbe& operator=(const UiStallProbe&) = delete;

private:
    void Tick();
    void Summarise(double now);

    QTimer timer_;
    double previous_ = 0;  // monotonic ms of the last tick; 0 before the first
    double summarised_ = 0;
    int ticks_ = 0;
    std::array<int, 3> late_{};  // over 0.5, 1 and 1.5 ms
};

// A probe running on the calling thread while the benchmark's log is on;
// null otherwise.
std::unique_ptr<UiStallProbe> StartUiStallProbe();

}  // namespace velvaro::platform
