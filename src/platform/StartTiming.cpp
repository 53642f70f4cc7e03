#include "StartTiming.h"

#include <ctime>

Q_LOGGING_CATEGORY(lcBench, "velvaro.bench", QtWarningMsg)

namespace velvaro::platform {

void NoteStartMoment(const char* moment) {
    if (!lcBench().isInfoEnabled()) {
        return;
    }
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const double milliseconds =
        static_cast<double>(now.tv_sec) * 1000.0 + static_cast<double>(now.tv_nsec) / 1e6;
    qCInfo(lcBench, "%s at %.3f ms", moment, milliseconds);
}

}  // namespace velvaro::platform
