// Plays a film through CFilePlayer in a real window while the position
// bar's previews of it are asked for at random places, one hover after the
// other, and prints as key=value lines how long each took from the hover
// to its picture painted in a popup, their median and worst, and the
// frames the playing film showed. bench/preview/run starts it under Xvfb.
//
//   bench_preview FILE [HOVERS]
//
// HOVERS (50 unless given) of 0 plays the film once without previews, for
// the frames it shows alone. The film starts again from the beginning
// whenever it ends before the hovers are through; `plays` says how often.
#include "engine/CFilePlayer.h"
#include "engine/FramePreviews.h"
#include "i18n/CLanguageFile.h"
#include "video/VideoWidget.h"

#include <QApplication>
#include <QLabel>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// The border colour, 0x00BBGGRR.
constexpr COLORREF kBorder = 0x00FF00FF;
// A hover's picture that takes longer counts as this long, and the next comes.
constexpr int kGiveUpMs = 2000;
// Between a picture shown and the next hover, as a hand moves on.
constexpr int kPauseMs = 50;

double Milliseconds(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

// The film's window: it receives the graph events and starts the film again
// at its end while hovers remain, else ends the run.
class Owner : public QWidget {
public:
    CMediaPlayer* player = nullptr;
    std::function<bool()> wantsMore;
    int plays = 1;
    bool failed = false;

    bool event(QEvent* event) override {
        if (event->type() != WindowMessageEvent::Type()) {
            return QWidget::event(event);
        }
        if (static_cast<WindowMessageEvent*>(event)->message == WM_GRAPH_EVENT && player) {
            long code = 0;
            LONG_PTR param1 = 0;
            LONG_PTR param2 = 0;
            while (player->GetEvent(&code, &param1, &param2) == S_OK) {
                if (code == EC_ERRORABORT) {
                    failed = true;
                    QCoreApplication::exit(1);
                } else if (code == EC_COMPLETE && wantsMore && wantsMore()) {
                    ++plays;
                    player->SetPosition(0);
                    player->Play();
                } else if (code == EC_COMPLETE) {
                    QCoreApplication::exit(0);
                }
            }
        }
        return true;
    }
};

bool WaitUntil(const std::function<bool()>& done, int milliseconds) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
    while (!done()) {
        if (Clock::now() > deadline) {
            return false;
        }
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: bench_preview FILE [HOVERS]\n");
        return 2;
    }
    const std::string path = argv[1];
    const int hovers = argc == 3 ? std::atoi(argv[2]) : 50;
    if (hovers < 0) {
        std::fprintf(stderr, "bench_preview: bad number of hovers\n");
        return 2;
    }
    CLanguageFile language;
    if (language.LoadResource(250) != 0) {
        std::fprintf(stderr, "bench_preview: the English texts are not built in\n");
        return 1;
    }

    const int width = 1280;
    const int height = 720;
    Owner owner;
    owner.setWindowTitle(QStringLiteral("bench_preview"));
    owner.resize(width, height);
    owner.show();
    if (!WaitUntil([&] { return owner.windowHandle() && owner.windowHandle()->isExposed(); },
                   5000)) {
        std::fprintf(stderr, "bench_preview: the window never appeared (no display?)\n");
        return 1;
    }
    auto player = std::make_unique<CFilePlayer>(QRect(0, 0, width, height), nullptr, &owner, path,
                                                0, 0, kBorder);
    if (player->GetOpenResult() != S_OK || player->HasVideo() != S_OK) {
        std::fprintf(stderr, "bench_preview: cannot play %s with a picture\n", path.c_str());
        return 1;
    }
    VideoWidget::Attach(player->GetVideoOutput(), &owner);
    player->SetDestinationPosition(0, 0, width, height);
    owner.player = player.get();
    const int duration = player->GetDuration();  // hundredths

    // The popup, as the window's: a tool tip above the film.
    QLabel popup(&owner, Qt::ToolTip | Qt::FramelessWindowHint);
    std::vector<double> took;
    std::mt19937 random(20261210);
    std::uniform_int_distribution<int> place(0, std::max(0, duration * 10 - 1));
    int asked = -1;
    Clock::time_point hovered;
    QTimer giveUp;
    giveUp.setSingleShot(true);
    std::function<void()> hover;
    const auto next = [&] {
        giveUp.stop();
        if (static_cast<int>(took.size()) < hovers) {
            QTimer::singleShot(kPauseMs, &owner, hover);
        }
    };
    velvaro::engine::FramePreviews previews(
        path, QSize(192, 108), &owner, [&](const velvaro::engine::FramePreview& preview) {
            if (preview.requested != asked || preview.picture.isNull()) {
                return;
            }
            popup.setPixmap(QPixmap::fromImage(preview.picture));
            popup.adjustSize();
            popup.move(owner.mapToGlobal(QPoint(width / 2, height - popup.height() - 20)));
            popup.show();
            popup.repaint();
            took.push_back(Milliseconds(hovered, Clock::now()));
            asked = -1;
            next();
        });
    QObject::connect(&giveUp, &QTimer::timeout, &owner, [&] {
        took.push_back(kGiveUpMs);
        asked = -1;
        next();
    });
    hover = [&] {
        asked = place(random);
        hovered = Clock::now();
        giveUp.start(kGiveUpMs);
        previews.Request(asked);
    };
    owner.wantsMore = [&] { return static_cast<int>(took.size()) < hovers; };

    player->Play();
    if (hovers > 0) {
        QTimer::singleShot(500, &owner, hover);
    }
    // Give up a minute after the hovers should be through.
    QTimer::singleShot(60000 + hovers * kGiveUpMs, &owner, [] { QCoreApplication::exit(3); });
    const int loop = app.exec();
    if (loop != 0 || owner.failed) {
        std::fprintf(stderr, "bench_preview: playback %s\n", owner.failed ? "failed" : "timed out");
        return 1;
    }

    std::vector<double> sorted = took;
    std::sort(sorted.begin(), sorted.end());
    std::printf("file=%s\n", path.c_str());
    std::printf("hovers=%zu\n", took.size());
    std::printf("plays=%d\n", owner.plays);
    std::printf("frames_shown=%d\n", player->GetFramesDrawn());
    if (!sorted.empty()) {
        const size_t middle = sorted.size() / 2;
        const double median =
            sorted.size() % 2 ? sorted[middle] : (sorted[middle - 1] + sorted[middle]) / 2;
        std::printf("hover_to_picture_median_ms=%.1f\n", median);
        std::printf("hover_to_picture_worst_ms=%.1f\n", sorted.back());
        std::printf("hovers_given_up=%ld\n",
                    static_cast<long>(std::count(took.begin(), took.end(), kGiveUpMs)));
    }
    return 0;
}
