// What the engine tests share: the test media, players opened for an owner
// that records the messages it is sent, and the pictures they hand a view.
#pragma once

#include "EventLoop.h"
#include "ExpectLog.h"
#include "engine/CFilePlayer.h"
#include "engine/FrameScaler.h"
#include "i18n/CLanguageFile.h"

#include <QImage>
#include <QStringList>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>

namespace velvaro::test {

inline std::string Media(const std::string& name) {
    return VELVARO_TEST_MEDIA "/" + name;
}

// How many entries a folder has, such as the threads or open files of the
// process under /proc/self.
inline int CountEntries(const char* folder) {
    const auto entries = std::filesystem::directory_iterator(folder);
    return static_cast<int>(std::distance(begin(entries), end(entries)));
}

// How many pixels of `area` in `image` are `counted`.
inline int CountPixels(const QImage& image, const QRect& area,
                       const std::function<bool(const QColor&)>& counted) {
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            count += counted(image.pixelColor(x, y));
        }
    }
    return count;
}

// The newest picture a player handed its video output, at `size` as a view
// scales it; null before the first.
inline QImage LatestPicture(const std::shared_ptr<velvaro::engine::VideoOutput>& output,
                            QSize size) {
    const auto picture = output ? output->Mailbox()->Latest() : nullptr;
    if (!picture) {
        return QImage();
    }
    if (!picture->NeedsScaling()) {
        const QImage pixels = picture->Pixels();
        return pixels.size() == size ? pixels.copy() : pixels.scaled(size);
    }
    QImage image(size, QImage::Format_RGB32);
    velvaro::engine::FrameScaler scaler;
    picture->ScaleToBgrx(scaler, image.bits(), static_cast<int>(image.bytesPerLine()), size.width(),
                         size.height());
    return image;
}

// Records the window messages an engine sends its owner.
class Owner : public QObject {
public:
    std::vector<std::pair<UINT, WPARAM>> messages;

    bool event(QEvent* event) override {
        if (event->type() != WindowMessageEvent::Type()) {
            return QObject::event(event);
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
                                      QStringList* report = nullptr) {
        return std::make_unique<CFilePlayer>(QRect(10, 20, 320, 240), report, &owner, Media(name),
                                             timer, timer ? 50 : 0, 0x00FF0000);
    }

    static void Seek(CMediaPlayer& player, long position) {
        player.SetPosition(position);
        player.WaitForState();
    }
    static long SettledState(CMediaPlayer& player) {
        player.WaitForState();
        long state = -1;
        player.GetState(&state);
        return state;
    }

    // The streams of one kind as "name:flags", or of one stream selector as
    // "group:flags" when `groups` is set.
    static std::vector<std::string> Streams(CMediaPlayer& player, int kind, bool groups = false) {
        std::vector<std::string> entries;
        for (int i = 0; i < player.GetStreamCount(kind); ++i) {
            std::string name;
            int flags = -1, askKind = kind;
            EXPECT_EQ(player.GetStreamName(i, nullptr, &flags, &askKind, &name, nullptr), S_OK);
            entries.push_back((groups ? std::to_string(askKind) : name) + ":" +
                              std::to_string(flags));
        }
        return entries;
    }
    using List = std::vector<std::string>;

    CLanguageFile language;
    Owner owner;
};

// Takes the warnings the engine logs while a test provokes them.
inline ExpectLog EngineWarnings() {
    return ExpectLog(QtWarningMsg, QString(), QStringLiteral("velvaro.engine"));
}

}  // namespace velvaro::test
