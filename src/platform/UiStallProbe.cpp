#include "UiStallProbe.h"
#include "StartTiming.h"

namespace velvaro::platform {

namespace {

constexpr int kPeriod = 5;                // ms
constexpr double kStall = 2.0;            // ms late that get a line of their own
constexpr double kSummaryEvery = 1000.0;  // ms

}  // namespace

UiStallProbe::UiStallProbe() {
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(kPeriod);
    QObject::connect(&timer_, &QTimer::timeout, [this] { Tick(); });
    summarised_ = MonotonicMilliseconds();
    timer_.start();
}

UiStallProbe::~UiStallProbe() {
    Summarise(MonotonicMilliseconds());
}

void UiStallProbe::Tick() {
    const double now = MonotonicMilliseconds();
    ++ticks_;
    // The first tick only starts the measure: what came before it is the
    // window being made, before the event loop ran at all.
    if (previous_ == 0) {
        previous_ = now;
        return;
    }
    const double late = now - previous_ - kPeriod;
    previous_ = now;
    for (std::size_t i = 0; i < late_.size(); ++i) {
        if (late > 0.5 * static_cast<double>(i + 1)) {
            ++late_[i];
        }
    }
    if (late > kStall) {
        qCDebug(lcBench, "ui stall %.1f at %.1f ms", late, now);
    }
    if (now - summarised_ >= kSummaryEvery) {
        Summarise(now);
    }
}

void UiStallProbe::Summarise(double now) {
    qCDebug(lcBench, "ui ticks %d over 0.5 1 1.5 ms %d %d %d at %.1f ms", ticks_, late_[0],
            late_[1], late_[2], now);
    summarised_ = now;
    ticks_ = 0;
    late_ = {};
}

std::unique_ptr<UiStallProbe> StartUiStallProbe() {
    if (!lcBench().isDebugEnabled()) {
        return nullptr;
    }
    return std::make_unique<UiStallProbe>();
}

}  // namespace velvaro::platform
