// Work off the window's thread whose answer comes back to it, or never
// once the work is dropped or its window gone.
#include "EventLoop.h"
#include "platform/BackgroundWork.h"

#include <QObject>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <semaphore>
#include <string_view>

namespace {

using namespace velvaro::platform;
using namespace velvaro::test;

TEST(BackgroundWorkTest, TheAnswerRunsOnTheContextsThreadAndNotAfterADropOrTheContextsEnd) {
    QObject context;
    QThread* workedOn = nullptr;
    QThread* answeredOn = nullptr;
    int answers = 0;
    const BackgroundWork work(&context, [&] {
        workedOn = QThread::currentThread();
        return [&] {
            answeredOn = QThread::currentThread();
            ++answers;
        };
    });
    ASSERT_TRUE(RunEventsUntil([&] { return answers > 0; }));
    RunEventsFor(50);
    EXPECT_EQ(answers, 1);
    EXPECT_NE(workedOn, QThread::currentThread());
    EXPECT_EQ(answeredOn, QThread::currentThread());

    // Dropped while it works, or with its answer already on the way, or its
    // context gone while it works: no answer.
    for (const char* when : {"working", "posted", "context gone"}) {
        const std::string_view drop = when;
        std::binary_semaphore started(0);
        std::binary_semaphore release(0);
        std::atomic<bool> finished = false;
        auto owner = std::make_unique<QObject>();
        auto dropped = std::make_unique<BackgroundWork>(owner.get(), [&] {
            started.release();
            if (drop != "posted") {
                release.acquire();
            }
            finished = true;
            return [&] { ++answers; };
        });
        started.acquire();
        if (drop == "posted") {
            ASSERT_TRUE(RunEventsUntil([&] { return finished.load(); }, 5000));
            QThread::msleep(20);  // the answer is posted by now
        }
        if (drop == "context gone") {
            owner.reset();
        } else {
            dropped.reset();
        }
        release.release();
        EXPECT_TRUE(RunEventsUntil([&] { return finished.load(); })) << when;
        RunEventsFor(50);
        EXPECT_EQ(answers, 1) << when;
    }
}

}  // namespace
