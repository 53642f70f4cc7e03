// Plays one file through CFilePlayer, or a DVD through CDvdPlayer, into a real
// top-level window and prints, as key=value lines, what it cost: time from
// opening to the first frame on screen, CPU time per second of media, peak
// memory and the frames put on screen. bench/playback/run starts it under Xvfb next
// to gst-play-1.0.
//
//   bench_playback [--dvd] FILE|FOLDER [WIDTH HEIGHT]
//
// A folder (a VIDEO_TS folder or the disc folder holding one) is played as a
// DVD from its first play to the end of the disc; --dvd does the same for a
// disc image.
//
// With VELVARO_BENCH_SEEKS=FPS:k60,e118,... it plays nothing and instead
// seeks while paused to each listed frame (k: a key frame, e: a frame that
// needs the frames from the key frame before it decoded first) and prints
// how long each took until that frame was painted, with the median of each
// kind; bench/playback/whole uses it.
#include "engine/CDvdPlayer.h"
#include "engine/CFilePlayer.h"
#include "i18n/CLanguageFile.h"
#include "video/VideoWidget.h"

#include <QApplication>
#include <QFileInfo>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// The border colour, 0x00BBGGRR.
constexpr COLORREF kBorder = 0x00FF00FF;

double Milliseconds(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

double Seconds(const timeval& time) {
    return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
}

// The program's main window as far as the engine is concerned: it holds the
// video window, receives the graph events, and stops the event loop at the
// end of the medium.
class Owner : public QWidget {
public:
    CMediaPlayer* player = nullptr;
    VideoWidget* video = nullptr;
    bool completed = false;
    bool aborted = false;
    bool sawFirstFrame = false;
    Clock::time_point firstFrame;
    int shownAtEnd = 0;

    bool event(QEvent* event) override {
        if (event->type() == WindowMessageEvent::Type()) {
            const auto* message = static_cast<WindowMessageEvent*>(event);
            if (message->message == WM_GRAPH_EVENT && player) {
                DrainGraphEvents();
            }
            return true;
        }
        return QWidget::event(event);
    }

    // After each event: the first picture is on screen once the event that
    // put it there (a repaint or the video window's own present) is done.
    void NoteFirstFrame() {
        if (video && !sawFirstFrame && video->PicturesShown() > 0) {
            firstFrame = Clock::now();
            sawFirstFrame = true;
        }
    }

private:
    void DrainGraphEvents() {
        long code = 0;
        LONG_PTR param1 = 0;
        LONG_PTR param2 = 0;
        while (player->GetEvent(&code, &param1, &param2) == S_OK) {
            completed = completed || code == EC_COMPLETE;
            aborted = aborted || code == EC_ERRORABORT;
        }
        if (completed || aborted) {
            shownAtEnd = video ? video->PicturesShown() : 0;
            QCoreApplication::exit(0);
        }
    }
};

class BenchApplication : public QApplication {
public:
    using QApplication::QApplication;
    Owner* owner = nullptr;

    bool notify(QObject* receiver, QEvent* event) override {
        const bool handled = QApplication::notify(receiver, event);
        if (owner) {
            owner->NoteFirstFrame();
        }
        return handled;
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

double Median(std::vector<double> values) {
    if (values.empty()) {
        return 0.0;
    }
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// The seeks of VELVARO_BENCH_SEEKS, while paused: from SetPosition until the
// graph has prerolled again (the frame handed to the video window) and the
// window has painted it. Where the engine's current frame is not the one
// asked for, that is printed too.
int RunSeeks(CMediaPlayer& player, QWidget& video, const QString& spec) {
    const QStringList parts = spec.split(u':');
    bool rateOk = false;
    const double rate = parts.value(0).toDouble(&rateOk);
    if (parts.size() != 2 || !rateOk || rate <= 0) {
        std::fprintf(stderr, "bench_playback: VELVARO_BENCH_SEEKS is FPS:k60,e118,...\n");
        return 2;
    }
    player.Pause();
    player.WaitForState();
    std::vector<double> key;
    std::vector<double> exact;
    for (const QString& seek : parts[1].split(u',', Qt::SkipEmptyParts)) {
        bool frameOk = false;
        const long long frame = seek.mid(1).toLongLong(&frameOk);
        const QChar kind = seek.isEmpty() ? QChar() : seek.front();
        if (!frameOk || frame < 0 || (kind != u'k' && kind != u'e')) {
            std::fprintf(stderr, "bench_playback: bad seek %s\n", qPrintable(seek));
            return 2;
        }
        // The first hundredth inside the frame.
        const int position =
            static_cast<int>(std::ceil(static_cast<double>(frame) * 100.0 / rate - 1e-6));
        const auto start = Clock::now();
        player.SetPosition(position);
        // Prerolled again: the frame is in the video window's mailbox.
        player.WaitForState();
        QApplication::processEvents();
        video.repaint();
        const double took = Milliseconds(start, Clock::now());
        // Frames count from the stream's time 0, as positions do, also where
        // its first frame comes later (a program stream's).
        if (const LONGLONG landed = player.GetCurrentFrame(); landed != frame) {
            std::printf("seek_%lld_landed_on=%lld\n", frame, static_cast<long long>(landed));
        }
        (kind == u'k' ? key : exact).push_back(took);
        std::printf("seek_%s_frame_%lld_ms=%.1f\n", kind == u'k' ? "key" : "exact", frame, took);
    }
    std::printf("seek_key_ms=%.1f\n", Median(key));
    std::printf("seek_exact_ms=%.1f\n", Median(exact));
    std::fflush(stdout);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    BenchApplication app(argc, argv);
    std::vector<std::string> args(argv + 1, argv + argc);
    bool dvd = !args.empty() && args.front() == "--dvd";
    if (dvd) {
        args.erase(args.begin());
    }
    if (args.size() != 1 && args.size() != 3) {
        std::fprintf(stderr, "usage: bench_playback [--dvd] FILE|FOLDER [WIDTH HEIGHT]\n");
        return 2;
    }
    const std::string path = args[0];
    dvd = dvd || QFileInfo(QString::fromStdString(path)).isDir();
    const int width = args.size() == 3 ? std::atoi(args[1].c_str()) : 1280;
    const int height = args.size() == 3 ? std::atoi(args[2].c_str()) : 720;
    if (width <= 0 || height <= 0) {
        std::fprintf(stderr, "bench_playback: bad window size\n");
        return 2;
    }

    CLanguageFile language;
    if (language.LoadResource(250) != 0) {
        std::fprintf(stderr, "bench_playback: the English texts are not built in\n");
        return 1;
    }

    // The window exists before the file is opened, as in the program.
    Owner owner;
    owner.setWindowTitle(QStringLiteral("bench_playback"));
    owner.resize(width, height);
    owner.show();
    if (!WaitUntil([&] { return owner.windowHandle() && owner.windowHandle()->isExposed(); },
                   5000)) {
        std::fprintf(stderr, "bench_playback: the window never appeared (no display?)\n");
        return 1;
    }
    WaitUntil([] { return false; }, 200);

    rusage before{};
    getrusage(RUSAGE_SELF, &before);
    const auto start = Clock::now();
    const QRect rect(0, 0, width, height);
    std::unique_ptr<CMediaPlayer> player;
    bool opened = false;
    // The constructor returns once the graph has prerolled: the first frame
    // is decoded and waiting in the renderer. The DVD engine also runs the
    // disc for a moment to learn the picture's size.
    if (dvd) {
        auto disc = std::make_unique<CDvdPlayer>(rect, nullptr, &owner, path, 0, 0, kBorder);
        opened = disc->GetRenderStatus() == 0;
        player = std::move(disc);
    } else {
        auto file = std::make_unique<CFilePlayer>(rect, nullptr, &owner, path, 0, 0, kBorder);
        opened = file->GetOpenResult() == S_OK;
        player = std::move(file);
    }
    const auto openedAt = Clock::now();
    if (!opened || player->HasVideo() != S_OK) {
        std::fprintf(stderr, "bench_playback: cannot play %s with a picture\n", path.c_str());
        return 1;
    }
    // As the program's window does once a medium has opened.
    owner.video = VideoWidget::Attach(player->GetVideoOutput(), &owner);
    owner.player = player.get();
    app.owner = &owner;
    player->SetDestinationPosition(0, 0, width, height);
    if (const QString seeks = qEnvironmentVariable("VELVARO_BENCH_SEEKS"); !seeks.isEmpty()) {
        return RunSeeks(*player, *owner.video, seeks);
    }
    player->Play();

    // The renderer's measured frame rate, sampled while playing. A DVD knows
    // its title's length and position only once the title is on screen, and
    // may no longer answer after the disc's end: keep the last answers.
    std::vector<double> rates;
    int duration = player->GetDuration();
    int position = 0;
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout, &owner, [&] {
        if (owner.completed) {
            return;
        }
        duration = std::max(duration, player->GetDuration());
        position = std::max(position, player->GetPosition());
        if (position >= 100) {
            rates.push_back(player->GetFrameRate());
        }
    });
    sampler.start(500);
    // Give up 30 s after the medium should have ended (two minutes while a
    // disc's length is not known yet).
    QTimer watchdog;
    QObject::connect(&watchdog, &QTimer::timeout, &owner, [&] {
        const double limit = duration > 0 ? duration / 100.0 + 30 : 120;
        if (Milliseconds(openedAt, Clock::now()) / 1000.0 > limit) {
            QCoreApplication::exit(3);
        }
    });
    watchdog.start(1000);
    const int loop = app.exec();
    sampler.stop();
    watchdog.stop();

    const auto finished = Clock::now();
    rusage after{};
    getrusage(RUSAGE_SELF, &after);
    duration = std::max(duration, player->GetDuration());
    position = std::max(position, player->GetPosition());
    if (loop != 0 || !owner.completed) {
        std::fprintf(stderr, "bench_playback: playback %s before the end\n",
                     owner.aborted ? "failed" : "timed out");
        return 1;
    }
    if (!owner.sawFirstFrame) {
        std::fprintf(stderr, "bench_playback: no frame ever reached the window\n");
        return 1;
    }

    const double user = Seconds(after.ru_utime) - Seconds(before.ru_utime);
    const double system = Seconds(after.ru_stime) - Seconds(before.ru_stime);
    // The DVD engine's times are whole seconds; a disc that reached its end
    // played all of its title.
    const double media = (dvd ? duration : std::min(position, duration)) / 100.0;
    double rateMean = 0.0;
    for (double rate : rates) {
        rateMean += rate / static_cast<double>(rates.size());
    }
    const double rateMin = rates.empty() ? 0.0 : *std::min_element(rates.begin(), rates.end());

    std::printf("file=%s\n", path.c_str());
    std::printf("engine=%s\n", dvd ? "dvd" : "file");
    std::printf("window=%dx%d\n", width, height);
    std::printf("open_ms=%.1f\n", Milliseconds(start, openedAt));
    std::printf("first_frame_ms=%.1f\n", Milliseconds(start, owner.firstFrame));
    std::printf("media_seconds=%.2f\n", media);
    std::printf("wall_seconds=%.2f\n", Milliseconds(start, finished) / 1000.0);
    std::printf("cpu_user_seconds=%.3f\n", user);
    std::printf("cpu_system_seconds=%.3f\n", system);
    std::printf("cpu_per_media_second=%.4f\n", media > 0 ? (user + system) / media : 0.0);
    std::printf("peak_rss_kb=%ld\n", after.ru_maxrss);
    std::printf("frames_shown=%d\n", owner.shownAtEnd);
    std::printf("sink_fps_mean=%.2f\n", rateMean);
    std::printf("sink_fps_min=%.2f\n", rateMin);
    std::fflush(stdout);
    player.reset();
    return 0;
}
