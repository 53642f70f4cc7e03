// Moments of a start, to measure it by: off unless
// QT_LOGGING_RULES="velvaro.bench.info=true". The engine logs the playback
// benchmark's figures in the same category, at debug level.
#pragma once

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcBench)

namespace velvaro::platform {

// Milliseconds on the monotonic clock, the one the benchmarks read.
double MonotonicMilliseconds();

// Logs the moment with the time of the monotonic clock, the clock a launcher
// can read just before it starts the program.
void NoteStartMoment(const char* moment);

}  // namespace velvaro::platform
