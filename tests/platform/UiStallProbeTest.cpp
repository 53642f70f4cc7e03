// The responsiveness benchmark's probe of the UI thread, on this thread's
// event loop.
#include "EventLoop.h"
#include "platform/StartTiming.h"
#include "platform/UiStallProbe.h"

#include <QRegularExpression>
#include <QStringList>
#include <QThread>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

QStringList* benchLines = nullptr;
QtMessageHandler passOn = nullptr;

void Catch(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (benchLines && qstrcmp(context.category, "velvaro.bench") == 0) {
        benchLines->append(text);
        return;
    }
    passOn(type, context, text);
}

}  // namespace

using velvaro::platform::StartUiStallProbe;

// Only with the benchmarks' log on, a thread kept from its events for 100 ms
// shows as one stall that long.
TEST(UiStallProbeTest, AThreadKeptBusyShowsAsAStallOfThatLength) {
    EXPECT_EQ(StartUiStallProbe(), nullptr) << "started without the benchmarks' log";
    QStringList lines;
    benchLines = &lines;
    passOn = qInstallMessageHandler(Catch);
    QLoggingCategory::setFilterRules(QStringLiteral("velvaro.bench.debug=true"));
    {
        const auto probe = StartUiStallProbe();
        ASSERT_NE(probe, nullptr);
        velvaro::test::RunEventsFor(100);
        QThread::msleep(100);
        velvaro::test::RunEventsFor(100);
    }
    QLoggingCategory::setFilterRules({});
    qInstallMessageHandler(passOn);
    benchLines = nullptr;

    double longest = 0;
    int ticks = 0;
    const QRegularExpression stall(QStringLiteral("^ui stall ([0-9.]+) at [0-9.]+ ms$"));
    const QRegularExpression summary(
        QStringLiteral("^ui ticks ([0-9]+) over 0.5 1 1.5 ms [0-9]+ [0-9]+ [0-9]+ at [0-9.]+ ms$"));
    for (const QString& line : lines) {
        if (const auto match = stall.match(line); match.hasMatch()) {
            longest = std::max(longest, match.captured(1).toDouble());
        } else if (const auto match = summary.match(line); match.hasMatch()) {
            ticks += match.captured(1).toInt();
        } else {
            ADD_FAILURE() << line.toStdString();
        }
    }
    EXPECT_GE(longest, 94.0) << lines.join(QLatin1Char('\n')).toStdString();
    EXPECT_LT(longest, 400.0) << lines.join(QLatin1Char('\n')).toStdString();
    EXPECT_GE(ticks, 10) << lines.join(QLatin1Char('\n')).toStdString();
}
