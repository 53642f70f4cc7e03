// Talking to helper processes in tests: their output line by line, and an
// end that always comes.
#pragma once

#include <QDeadlineTimer>
#include <QProcess>
#include <QString>

namespace velvaro::test {

// The next line the process prints; empty when none comes in time.
inline QString NextLine(QProcess& process, int milliseconds = 3000) {
    const QDeadlineTimer deadline(milliseconds);
    while (!process.canReadLine()) {
        if (deadline.hasExpired() ||
            !process.waitForReadyRead(static_cast<int>(deadline.remainingTime()))) {
            return {};
        }
    }
    return QString::fromUtf8(process.readLine()).chopped(1);
}

inline void Stop(QProcess& process) {
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished(5000);
    }
}

}  // namespace velvaro::test
