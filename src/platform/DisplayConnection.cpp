#include "platform/DisplayConnection.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <xcb/xcb.h>

#include <unistd.h>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

namespace velvaro::platform {

namespace {

// A start usually has its application well within the first; only a slower
// one asks the X server whether it is there at all.
constexpr std::chrono::seconds kProbeAfter{1};
// Even a loaded machine's X server answers a connection long before this.
constexpr std::chrono::seconds kAnswerWithin{10};

// The variables that say which display to open, as the user set them.
std::string NamedDisplays() {
    std::string named;
    for (const char* name : {"QT_QPA_PLATFORM", "WAYLAND_DISPLAY", "DISPLAY"}) {
        if (qEnvironmentVariableIsEmpty(name)) {
            continue;
        }
        named += named.empty() ? "" : ", ";
        named += std::string(name) + "=\"" + qgetenv(name).toStdString() + '"';
    }
    return named.empty() ? std::string("none named") : named;
}

// Ends the process from any thread: the application is not there to close.
[[noreturn]] void CannotOpen(const char* why) {
    std::fprintf(stderr, "velvaro: cannot open the display (%s)%s\n", NamedDisplays().c_str(), why);
    std::fflush(stderr);
    _exit(1);
}

QtMessageHandler previousHandler = nullptr;

// What Qt says while it starts its platform, held back: should none start,
// its "could not load the platform plugin" lines would only mislead.
struct HeldMessage {
    QtMsgType type;
    std::string category;
    QString text;
};
std::mutex heldMutex;
std::vector<HeldMessage> held;

void Pass(const HeldMessage& message) {
    const QMessageLogContext context(nullptr, 0, nullptr, message.category.c_str());
    previousHandler(message.type, context, message.text);
}

// While the application is made, a fatal message can only be Qt's "no
// platform plugin could be initialized": it would abort.
void OnMessage(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    std::unique_lock lock(heldMutex);
    if (type == QtFatalMsg && text.contains(QLatin1String("platform plugin"))) {
        for (const HeldMessage& message : held) {
            if (message.category != "qt.qpa.plugin") {
                Pass(message);  // why each platform failed
            }
        }
        CannotOpen("");
    }
    if (type == QtFatalMsg) {
        lock.unlock();
        previousHandler(type, context, text);
        return;
    }
    held.push_back({type, context.category ? context.category : "default", text});
}

// Whether Qt is to connect to an X server: xcb asked for, or nothing asked
// for and Qt's default taken.
bool ConnectsToX() {
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    return !qEnvironmentVariableIsEmpty("DISPLAY") &&
           (platform.isEmpty() || platform.contains("xcb"));
}

struct Watch {
    std::mutex mutex;
    std::condition_variable changed;
    bool made = false;
    bool answered = false;
};

// The X server's answer to a connection of its own. Detached: a server that
// never answers keeps it waiting.
void Probe(const std::shared_ptr<Watch>& watch) {
    std::thread([watch] {
        xcb_disconnect(xcb_connect(nullptr, nullptr));
        std::lock_guard lock(watch->mutex);
        watch->answered = true;
        watch->changed.notify_all();
    }).detach();
}

// Ends the process when the application is not made in time and the X
// server does not answer either.
void WatchTheStart(const std::shared_ptr<Watch>& watch) {
    std::unique_lock lock(watch->mutex);
    if (watch->changed.wait_for(lock, kProbeAfter, [&] { return watch->made; })) {
        return;
    }
    lock.unlock();
    try {
        Probe(watch);
    } catch (const std::system_error&) {
        return;  // no thread to ask with: Qt's own connection decides
    }
    lock.lock();
    if (!watch->changed.wait_for(lock, kAnswerWithin,
                                 [&] { return watch->made || watch->answered; })) {
        CannotOpen(": the X server does not answer");
    }
}

}  // namespace

void MakeApplicationOnDisplay(const std::function<void()>& make) {
    previousHandler = qInstallMessageHandler(OnMessage);
    auto watch = std::make_shared<Watch>();
    std::thread watcher;
    if (ConnectsToX()) {
        try {
            watcher = std::thread(WatchTheStart, watch);
        } catch (const std::system_error&) {
            // No thread to be had: started unwatched.
        }
    }
    make();
    {
        std::lock_guard lock(watch->mutex);
        watch->made = true;
    }
    watch->changed.notify_all();
    if (watcher.joinable()) {
        watcher.join();
    }
    qInstallMessageHandler(previousHandler);
    std::lock_guard lock(heldMutex);
    for (const HeldMessage& message : held) {
        Pass(message);
    }
    held.clear();
}

}  // namespace velvaro::platform
