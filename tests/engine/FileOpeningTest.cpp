// Opening a file on a thread of its own: the answer comes back to the
// window's thread once, with the rendered graph or the reason it failed,
// and a dropped opening lets go at once, even of a file that hangs.
#include "PlayerFixture.h"
#include "engine/FileOpening.h"

#include <QElapsedTimer>
#include <QObject>
#include <QThread>

#include <memory>

namespace {

using namespace velvaro::engine;
using namespace velvaro::test;

TEST(FileOpeningTest, AnswersOnceWithTheGraphOrWhyAndADropLetsGoAtOnce) {
    QObject window;
    const auto log = EngineWarnings();
    struct Case {
        const char* file;
        bool opens;
    };
    for (const auto& [file, opens] : {Case{"multi.mkv", true}, Case{"not-media.avi", false}}) {
        SCOPED_TRACE(file);
        int answers = 0;
        QThread* answeredOn = nullptr;
        FileOpening opening(Media(file), &window, [&] {
            ++answers;
            answeredOn = QThread::currentThread();
        });
        ASSERT_TRUE(RunEventsUntil([&] { return answers > 0; }, 15000));
        RunEventsFor(50);
        EXPECT_EQ(std::tuple(answers, answeredOn), std::tuple(1, QThread::currentThread()));
        EXPECT_EQ(SUCCEEDED(opening.Result()), opens);
        const auto graph = opening.TakeGraph();
        ASSERT_TRUE(graph);
        EXPECT_EQ(graph->GetErrorText(opening.Result()).empty(), opens);
    }

    // A file whose open hangs for seconds: dropped, it lets go at once.
    int answers = 0;
    auto hanging =
        std::make_unique<FileOpening>(Media("damaged/huge.y4m"), &window, [&] { ++answers; });
    RunEventsFor(300);
    QElapsedTimer clock;
    clock.start();
    hanging.reset();
    EXPECT_LT(clock.elapsed(), 100);
    EXPECT_TRUE(WaitForOpeningThreads(std::chrono::seconds(1))) << "its thread did not end";
    RunEventsFor(50);
    EXPECT_EQ(answers, 0);
}

}  // namespace
