#include "StartTiming.h"

#include <ctime>

Q_LOGGING_CATEGORY(lcBench, "velvaro.bench", QtWarningMsg)

namespace velvaro::platform {

double MonotonicMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) * 1000.0 + static_cast<double>(now.tv_nsec) / 1e6;
}

void NoteStartMoment(const char* moment) {
    if (!lcBench().isInfoEnabled()) {
        return;
    }
    qCInfo(lcBench, "%s at %.3f ms", moment, MonotonicMilliseconds());
}

}  // namespace velvaro::platform
