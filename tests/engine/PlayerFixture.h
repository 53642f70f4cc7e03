// What the engine tests share: the test media, players opened into an owner
// window that records the messages it is sent, and the engine's log.
#pragma once

#include "EventLoop.h"
#include "engine/CFilePlayer.h"
#include "i18n/CLanguageFile.h"

#include <QMutex>
#include <QStringList>
#include <QWidget>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>

namespace velvaro::test {

inline std::string Media(const std::string& name) {
    return VELVARO_TEST_MEDIA "/" + name;
}

inline std::wstring WideMedia(const std::string& name) {
    return QString::fromStdString(Media(name)).toStdWString();
}

// Records the window messages an engine sends its owner.
class Owner : public QWidget {
public:
    std::vector<std::pair<UINT, WPARAM>> messages;

    bool event(QEvent* event) override {
        if (event->type() != WindowMessageEvent::Type()) {
            return QWidget::event(event);
        }
        const auto* message = static_cast<WindowMessageEvent*>(event);
        messages.emplace_back(message->message, message->wParam);
        return true;
    }
    long Count(UINT message) const {
        return std::count_if(messages.begin(), messages.end(),
                             [message](const auto& m) { return m.first == message; });
    }
};

class PlayerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(language.LoadResource(250), 0) << "the English texts must be built in";
    }

    // A clock timer `timer` every 50 ms when not 0; a border of 0x00FF0000.
    std::unique_ptr<CFilePlayer> Open(const std::string& name, UINT timer = 0,
                                      QObject* report = nullptr) {
        return std::make_unique<CFilePlayer>(QRect(10, 20, 320, 240), report, &language, &owner,
                                             WideMedia(name), Media(name), timer, timer ? 50 : 0,
                                             0x00FF0000);
    }

    static long SettledState(CMediaPlayer& player) {
        player.WaitForState();
        long state = -1;
        player.GetState(&state);
        return state;
    }

    CLanguageFile language;
    Owner owner;
};

// The warnings the engine logs in its category (velvaro.engine) while one of
// these lives, recorded instead of printed; other messages pass on.
class EngineLog {
public:
    EngineLog() {
        warnings_.clear();  // nothing logs before the handler is in
        previous_ = qInstallMessageHandler(&Record);
    }
    ~EngineLog() { qInstallMessageHandler(previous_); }
    static QString Warnings() {
        const QMutexLocker locker(&lock_);
        return warnings_.join(u'\n');
    }

private:
    // Any thread: the bus reports where its messages are posted.
    static void Record(QtMsgType type, const QMessageLogContext& context, const QString& text) {
        const QtMessageHandler previous = previous_;
        if (qstrcmp(context.category, "velvaro.engine") != 0 && previous) {
            previous(type, context, text);
        } else if (type == QtWarningMsg) {
            const QMutexLocker locker(&lock_);
            warnings_ << text;
        }
    }

    static inline std::atomic<QtMessageHandler> previous_ = nullptr;
    static inline QMutex lock_;
    static inline QStringList warnings_;
};

}  // namespace velvaro::test
