#include "WindowMessage.h"

#include <QCoreApplication>
#include <QTimer>

#include <map>

namespace {

// Lives as a child of the window, so its timers die with the window.
class WindowTimers : public QObject {
public:
    explicit WindowTimers(QObject* window) : QObject(window) {}

    static WindowTimers* Of(QObject* window, bool create) {
        // No meta-object of its own, so findChild would match any child.
        for (QObject* child : window->children()) {
            if (auto* timers = dynamic_cast<WindowTimers*>(child)) {
                return timers;
            }
        }
        return create ? new WindowTimers(window) : nullptr;
    }

    void Start(UINT id, UINT milliseconds) {
        auto& timer = timers_[id];
        if (!timer) {
            timer = new QTimer(this);
            QObject* window = parent();
            QObject::connect(timer, &QTimer::timeout, this,
                             [window, id] { SendMessage(window, WM_TIMER, id, 0); });
        }
        timer->start(static_cast<int>(milliseconds));
    }

    bool Stop(UINT id) {
        const auto found = timers_.find(id);
        if (found == timers_.end()) {
            return false;
        }
        // A timer may be stopped from its own tick: gone once that returns.
        found->second->stop();
        found->second->deleteLater();
        timers_.erase(found);
        return true;
    }

private:
    std::map<UINT, QTimer*> timers_;
};

}  // namespace

WindowMessageEvent::WindowMessageEvent(UINT message, WPARAM wParam, LPARAM lParam)
    : QEvent(Type()), message(message), wParam(wParam), lParam(lParam) {}

QEvent::Type WindowMessageEvent::Type() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

void PostMessage(QObject* window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (window) {
        QCoreApplication::postEvent(window, new WindowMessageEvent(message, wParam, lParam));
    }
}

LRESULT SendMessage(QObject* window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!window) {
        return 0;
    }
    WindowMessageEvent event(message, wParam, lParam);
    QCoreApplication::sendEvent(window, &event);
    return event.result;
}

bool SetTimer(QObject* window, UINT id, UINT milliseconds) {
    if (!window || id == 0) {
        return false;
    }
    WindowTimers::Of(window, true)->Start(id, milliseconds);
    return true;
}

bool KillTimer(QObject* window, UINT id) {
    auto* timers = window ? WindowTimers::Of(window, false) : nullptr;
    return timers && timers->Stop(id);
}
