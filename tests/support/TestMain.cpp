// The main of every test program. A program that needs a Qt application
// object names its class in VELVARO_TEST_APPLICATION (QCoreApplication,
// QGuiApplication or QApplication); the object lives while the tests run,
// not while they are only listed.
//
// Qt warnings, criticals and fatal messages, and GLib warnings and
// criticals, fail the running test unless an ExpectLog takes them; outside
// any test they fail the program's exit code. All messages still go to
// standard error as before.
#include "ExpectLog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QMutex>

#include <glib.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace velvaro::test {
namespace {

// Warnings that are the platform's own and say nothing about our code,
// each by the start of its text.
constexpr const char* kPlatformNoise[] = {
    // Qt's offscreen platform cannot pass size limits on (fixed-size windows
    // ask it to on every show), raise a window, or grab the keyboard (menus
    // do when they pop up).
    "This plugin does not support propagateSizeHints()",
    "This plugin does not support raise()",
    "This plugin does not support grabbing the keyboard",
    // A session without a runtime folder (containers, CI): Qt says so once
    // when its application object starts.
    "QStandardPaths: XDG_RUNTIME_DIR not set",
};

// GStreamer's own faults, each by its domain and whole text, that a test of
// ours cannot avoid. The DVD source, pausing while it schedules a navigation
// packet, hands the clock an id that the pause has just cleared; the packet
// is scheduled again on the next play.
constexpr std::pair<const char*, const char*> kUpstreamCriticals[] = {
    {"GStreamer", "gst_clock_id_wait_async: assertion 'id != NULL' failed"},
};

// Constant-initialised, so ready before any message can come.
constinit QMutex watchLock;
constinit std::vector<ExpectLog*> watches;

std::atomic<bool> testsRunning = false;
std::atomic<int> unexpectedOutsideTests = 0;
QtMessageHandler qtPrinter = nullptr;

void Judge(QtMsgType type, const QString& category, const QString& text) {
    if (type != QtWarningMsg && type != QtCriticalMsg && type != QtFatalMsg) {
        return;
    }
    for (const char* noise : kPlatformNoise) {
        if (type == QtWarningMsg && text.startsWith(QLatin1String(noise))) {
            return;
        }
    }
    for (const auto& [domain, fault] : kUpstreamCriticals) {
        if (type == QtCriticalMsg && category == QLatin1String(domain) &&
            text == QLatin1String(fault)) {
            return;
        }
    }
    {
        const QMutexLocker locker(&watchLock);
        for (ExpectLog* watch : watches) {
            if (watch->Take(type, category, text)) {
                return;
            }
        }
    }
    const char* name = type == QtWarningMsg    ? "warning"
                       : type == QtCriticalMsg ? "critical"
                                               : "fatal";
    const std::string what = std::string("unexpected ") + name + " [" + category.toStdString() +
                             "] " + text.toStdString();
    if (testsRunning) {
        ADD_FAILURE() << what;
    } else {
        ++unexpectedOutsideTests;
        std::fprintf(stderr, "%s (outside any test)\n", what.c_str());
    }
}

void OnQtMessage(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    Judge(type, QString::fromUtf8(context.category ? context.category : ""), text);
    qtPrinter(type, context, text);
}

GLogWriterOutput OnGLibMessage(GLogLevelFlags level, const GLogField* fields, gsize count,
                               gpointer) {
    const QtMsgType type = level & G_LOG_LEVEL_ERROR      ? QtFatalMsg
                           : level & G_LOG_LEVEL_CRITICAL ? QtCriticalMsg
                           : level & G_LOG_LEVEL_WARNING  ? QtWarningMsg
                                                          : QtDebugMsg;
    if (type != QtDebugMsg) {
        QString domain;
        QString text;
        for (gsize i = 0; i < count; ++i) {
            const auto* value = static_cast<const char*>(fields[i].value);
            const qsizetype length = fields[i].length < 0 ? qstrlen(value) : fields[i].length;
            if (qstrcmp(fields[i].key, "MESSAGE") == 0) {
                text = QString::fromUtf8(value, length);
            } else if (qstrcmp(fields[i].key, "GLIB_DOMAIN") == 0) {
                domain = QString::fromUtf8(value, length);
            }
        }
        Judge(type, domain, text);
    }
    return g_log_writer_default(level, fields, count, nullptr);
}

// Before the statics of the program are made, so their messages count too.
__attribute__((constructor(101))) void InstallLogGates() {
    qtPrinter = qInstallMessageHandler(OnQtMessage);
    g_log_set_writer_func(OnGLibMessage, nullptr, nullptr);
}

// Notifying the shell writes desktop entries and default applications: every
// test, and every program it starts, writes into a private tree instead of
// the real home. Tests that need their own folders still set them later.
__attribute__((constructor(101))) void KeepOutOfTheRealHome() {
#ifdef VELVARO_TEST_XDG_HOME
    setenv("XDG_DATA_HOME", VELVARO_TEST_XDG_HOME "/data", 1);
    setenv("XDG_CONFIG_HOME", VELVARO_TEST_XDG_HOME "/config", 1);
    // GStreamer's plugin registry stays where it is: building it afresh
    // costs seconds. What we cache goes into the private tree.
    if (!std::getenv("GST_REGISTRY")) {
        const char* cache = std::getenv("XDG_CACHE_HOME");
        const char* home = std::getenv("HOME");
        const std::string folder = cache && *cache ? std::string(cache)
                                   : home          ? std::string(home) + "/.cache"
                                                   : std::string();
        if (!folder.empty()) {
            setenv("GST_REGISTRY", (folder + "/gstreamer-1.0/registry.x86_64.bin").c_str(), 1);
        }
    }
    setenv("XDG_CACHE_HOME", VELVARO_TEST_XDG_HOME "/cache", 1);
#endif
}

}  // namespace

ExpectLog::ExpectLog(QtMsgType type, const QString& pattern, const QString& category)
    : type_(type), pattern_(pattern), category_(category) {
    EXPECT_TRUE(pattern_.isValid()) << pattern.toStdString();
    const QMutexLocker locker(&watchLock);
    watches.push_back(this);
}

ExpectLog::~ExpectLog() {
    const QMutexLocker locker(&watchLock);
    std::erase(watches, this);
}

bool ExpectLog::Take(QtMsgType type, const QString& category, const QString& text) {
    if (type != type_ || (!category_.isEmpty() && category != category_) ||
        !pattern_.match(text).hasMatch()) {
        return false;
    }
    texts_ << text;
    ++count_;
    return true;
}

QStringList ExpectLog::Texts() const {
    const QMutexLocker locker(&watchLock);
    return texts_;
}

}  // namespace velvaro::test

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
#ifdef VELVARO_TEST_APPLICATION
    std::unique_ptr<QCoreApplication> application;
    if (!GTEST_FLAG_GET(list_tests)) {
        // Widgets are driven offscreen; nothing appears on a real display.
        qputenv("QT_QPA_PLATFORM", "offscreen");
        application = std::make_unique<VELVARO_TEST_APPLICATION>(argc, argv);
    }
#endif
    velvaro::test::testsRunning = true;
    const int result = RUN_ALL_TESTS();
    velvaro::test::testsRunning = false;
#ifdef VELVARO_TEST_APPLICATION
    application.reset();
#endif
    return result != 0 || velvaro::test::unexpectedOutsideTests > 0 ? 1 : 0;
}
