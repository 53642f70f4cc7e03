// Waiting in tests while the event loop runs.
#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QThread>

#include <functional>

namespace velvaro::test {

// Runs events until `condition` holds or the time is up; returns the condition.
inline bool RunEventsUntil(const std::function<bool()>& condition, int milliseconds = 5000) {
    const QDeadlineTimer deadline(milliseconds);
    while (!condition()) {
        if (deadline.hasExpired()) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return true;
}

inline void RunEventsFor(int milliseconds) {
    RunEventsUntil([] { return false; }, milliseconds);
}

}  // namespace velvaro::test
