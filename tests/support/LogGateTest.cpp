// The test main's gate: Qt and GLib warnings and criticals fail the running
// test, from any thread, unless an ExpectLog takes them.
#include "ExpectLog.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <QLoggingCategory>

#include <glib.h>

#include <thread>

namespace {

using velvaro::test::ExpectLog;

Q_LOGGING_CATEGORY(engineLog, "velvaro.engine")

TEST(LogGateTest, UnexpectedWarningsAndCriticalsFailTheTest) {
    EXPECT_NONFATAL_FAILURE(qWarning("stray %d", 1), "unexpected warning [default] stray 1");
    EXPECT_NONFATAL_FAILURE(qCritical("stray"), "unexpected critical");
    EXPECT_NONFATAL_FAILURE(qCWarning(engineLog, "stray"), "[velvaro.engine] stray");
    EXPECT_NONFATAL_FAILURE(g_warning("stray"), "unexpected warning");
    EXPECT_NONFATAL_FAILURE(g_critical("stray"), "unexpected critical");
    EXPECT_NONFATAL_FAILURE_ON_ALL_THREADS(std::thread([] { qWarning("stray"); }).join(),
                                           "unexpected warning");
    // Debug and info output and the platform's own noise pass.
    qDebug("debug");
    qInfo("info");
    g_message("message");
    qWarning("This plugin does not support propagateSizeHints()");
    g_log("GStreamer", G_LOG_LEVEL_CRITICAL,
          "gst_clock_id_wait_async: assertion 'id != NULL' failed");
    // The same text from anywhere else is ours.
    EXPECT_NONFATAL_FAILURE(g_critical("gst_clock_id_wait_async: assertion 'id != NULL' failed"),
                            "unexpected critical");
}

TEST(LogGateTest, AnExpectLogTakesMatchingMessagesWhileItLives) {
    {
        ExpectLog volume(QtWarningMsg, QStringLiteral("^volume \\d+$"));
        ExpectLog engine(QtWarningMsg, QStringLiteral("broken"), QStringLiteral("velvaro.engine"));
        qWarning("volume 5");
        g_warning("volume 7");
        std::thread([] { qWarning("volume 9"); }).join();
        qCWarning(engineLog, "file broken");
        EXPECT_EQ(volume.Count(), 3);
        EXPECT_EQ(engine.Texts(), QStringList{QStringLiteral("file broken")});
        // Another type, another category or another text is not taken.
        EXPECT_NONFATAL_FAILURE(qCritical("volume 5"), "unexpected critical");
        EXPECT_NONFATAL_FAILURE(qWarning("broken"), "unexpected warning");
        EXPECT_NONFATAL_FAILURE(qWarning("volume x"), "unexpected warning");
        EXPECT_EQ(volume.Count(), 3);
    }
    EXPECT_NONFATAL_FAILURE(qWarning("volume 5"), "unexpected warning");
}

}  // namespace
