// The file engine playing the real test media into a real owner window.
#include "EventLoop.h"
#include "engine/CFilePlayer.h"
#include "i18n/CLanguageFile.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <dirent.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <vector>

namespace {

std::string Media(const std::string& name) {
    return std::string(VELVARO_TEST_MEDIA) + "/" + name;
}

// Records the window messages an engine sends its owner.
class Owner : public QWidget {
public:
    std::vector<std::pair<UINT, WPARAM>> messages;

    bool event(QEvent* event) override {
        if (event->type() == WindowMessageEvent::Type()) {
            const auto* message = static_cast<WindowMessageEvent*>(event);
            messages.emplace_back(message->message, message->wParam);
            return true;
        }
        return QWidget::event(event);
    }
    int Count(UINT message) const {
        return static_cast<int>(
            std::count_if(messages.begin(), messages.end(),
                          [message](const auto& m) { return m.first == message; }));
    }
};

bool WaitFor(const std::function<bool()>& done, int milliseconds = 5000) {
    return velvaro::test::RunEventsUntil(done, milliseconds);
}

int CountEntries(const char* folder) {
    int count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder)) {
        ++count;
    }
    return count;
}

class FilePlayerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(language.LoadResource(250), 0) << "the English texts must be built in";
        owner.resize(640, 480);
    }

    std::unique_ptr<CFilePlayer> Open(const std::string& name, UINT timer = 0) {
        const std::string path = Media(name);
        return std::make_unique<CFilePlayer>(QRect(10, 20, 320, 240), nullptr, &language, &owner,
                                             std::wstring(path.begin(), path.end()), path, timer,
                                             timer ? 50 : 0, 0x00FF0000);
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

TEST_F(FilePlayerTest, ReportsPictureAndSoundOfEachFile) {
    struct Expected {
        const char* file;
        bool video;
        bool audio;
    };
    for (const auto& [file, video, audio] :
         {Expected{"multi.mkv", true, true}, Expected{"multi.mp4", true, true},
          Expected{"audio.mp3", false, true}, Expected{"audio.wav", false, true},
          Expected{"video-only.mkv", true, false}, Expected{"mpeg2-169.mpg", true, false}}) {
        auto player = Open(file);
        EXPECT_EQ(player->GetOpenResult(), S_OK) << file;
        EXPECT_EQ(player->HasVideo() == S_OK, video) << file;
        EXPECT_EQ(player->HasAudio() == S_OK, audio) << file;
        EXPECT_EQ(player->GetFileName(), Media(file));
        EXPECT_GT(player->GetDuration(), 100) << file;
    }
}

TEST_F(FilePlayerTest, UnplayableFileIsReportedInTheLanguage) {
    QString caption, text;
    QTimer::singleShot(0, [&] {
        WaitFor([] { return QApplication::activeModalWidget() != nullptr; });
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            caption = box->windowTitle();
            text = box->text();
            box->accept();
        }
    });
    auto player = Open("not-media.avi");
    EXPECT_LT(player->GetOpenResult(), 0);
    EXPECT_NE(player->HasVideo(), S_OK);
    EXPECT_NE(player->HasAudio(), S_OK);
    EXPECT_EQ(caption, QStringLiteral("Error"));
    const QString expectedStart = QStringLiteral("Can't open file \"%1\"\nReason: ")
                                      .arg(QString::fromStdString(Media("not-media.avi")));
    EXPECT_TRUE(text.startsWith(expectedStart)) << text.toStdString();
    EXPECT_GT(text.size(), expectedStart.size()) << "the reason is missing";
}

TEST_F(FilePlayerTest, DisplaySizeFollowsThePictureAspect) {
    auto player = Open("mpeg2-169.mpg");
    int width = 0, height = 0;
    player->GetVideoSize(&width, &height);
    EXPECT_EQ(width, 720);
    EXPECT_EQ(height, 405);
    long x = 0, y = 0;
    EXPECT_EQ(player->GetPreferredAspectRatio(&x, &y), S_OK);
    EXPECT_EQ(x * 9, y * 16);
    EXPECT_NEAR(player->GetAspectRatio(), 16.0 / 9.0, 0.01);
}

TEST_F(FilePlayerTest, PlaysPausesAndStopsKeepingThePosition) {
    auto player = Open("multi.mkv");
    EXPECT_EQ(SettledState(*player), State_Stopped);
    EXPECT_EQ(player->Play(), S_OK);
    EXPECT_EQ(SettledState(*player), State_Running);
    ASSERT_TRUE(WaitFor([&] { return player->GetPosition() >= 50; }));
    player->PlayPause();
    EXPECT_EQ(SettledState(*player), State_Paused);
    const int paused = player->GetPosition();
    EXPECT_GE(paused, 50);
    EXPECT_EQ(player->Stop(), S_OK);
    EXPECT_EQ(SettledState(*player), State_Stopped);
    EXPECT_NEAR(player->GetPosition(), paused, 1);
    player->PlayPause();
    EXPECT_EQ(SettledState(*player), State_Running);
}

TEST_F(FilePlayerTest, SeeksClampToJustBeforeTheEnd) {
    auto player = Open("multi.mkv");
    const int duration = player->GetDuration();
    EXPECT_EQ(player->SetPosition(250), S_OK);
    player->WaitForState();
    EXPECT_EQ(player->GetPosition(), 250);
    EXPECT_EQ(player->SetPosition(duration + 500), S_OK);
    player->WaitForState();
    EXPECT_EQ(player->GetPosition(), duration - 1);
}

TEST_F(FilePlayerTest, EndOfMediaIsAGraphEventAndPlayThereReturnsOne) {
    auto player = Open("audio.wav");
    player->SetPosition(player->GetDuration() - 30);
    player->Play();
    ASSERT_TRUE(WaitFor([&] { return owner.Count(WM_GRAPH_EVENT) > 0; }));
    long code = 0;
    LONG_PTR param1 = 0, param2 = 0;
    ASSERT_EQ(player->GetEvent(&code, &param1, &param2), S_OK);
    EXPECT_EQ(code, EC_COMPLETE);
    EXPECT_LT(player->GetEvent(&code, &param1, &param2), 0) << "only one event was due";
    EXPECT_GE(player->GetPosition(), player->GetDuration());
    EXPECT_EQ(player->Play(), 1);
}

TEST_F(FilePlayerTest, VolumeAndBalanceOutsideTheirRangesBecomeZero) {
    auto player = Open("audio.mp3");
    EXPECT_EQ(player->SetVolume(-2500), S_OK);
    EXPECT_EQ(player->GetVolume(), -2500);
    EXPECT_EQ(player->SetVolume(5), S_OK);
    EXPECT_EQ(player->GetVolume(), 0);
    EXPECT_EQ(player->SetVolume(-10000), S_OK);
    EXPECT_EQ(player->GetVolume(), -10000);
    EXPECT_EQ(player->SetBalance(3000), S_OK);
    EXPECT_EQ(player->GetBalance(), 3000);
    EXPECT_EQ(player->SetBalance(-20000), S_OK);
    EXPECT_EQ(player->GetBalance(), 0);

    auto silent = Open("video-only.mkv");
    EXPECT_LT(silent->SetVolume(-100), 0);
    EXPECT_EQ(silent->GetVolume(), 0);
}

TEST_F(FilePlayerTest, FasterRatesPlayFaster) {
    auto player = Open("multi.mkv");
    EXPECT_EQ(player->GetRate(), 1.0);
    EXPECT_EQ(player->SetRate(4.0), S_OK);
    EXPECT_EQ(player->GetRate(), 4.0);
    QElapsedTimer clock;
    clock.start();
    player->Play();
    ASSERT_TRUE(WaitFor([&] { return player->GetPosition() >= 200; }));
    // Two seconds of film in well under two seconds of time.
    EXPECT_LT(clock.elapsed(), 1500);
    EXPECT_LT(player->SetRate(0.0), 0);
    EXPECT_EQ(player->GetRate(), 4.0);
}

TEST_F(FilePlayerTest, RatesUpToThirtyTwoAndBackwards) {
    for (const char* file : {"multi.mkv", "multi.mp4"}) {
        auto player = Open(file);
        EXPECT_EQ(player->SetRate(32.0), S_OK) << file;
        EXPECT_EQ(player->GetRate(), 32.0);
        player->SetPosition(300);
        player->WaitForState();
        ASSERT_EQ(player->SetRate(-1.0), S_OK) << file;
        EXPECT_EQ(player->GetRate(), -1.0);
        player->Play();
        EXPECT_TRUE(WaitFor([&] { return player->GetPosition() < 250; }, 3000))
            << file << " did not play backwards";
    }
}

TEST_F(FilePlayerTest, FrameNumbersFollowThePosition) {
    auto player = Open("multi.mkv");
    player->SetPosition(100);
    player->WaitForState();
    EXPECT_EQ(player->GetCurrentFrame(), 25);
    auto sound = Open("audio.wav");
    EXPECT_EQ(sound->GetCurrentFrame(), -1);
}

TEST_F(FilePlayerTest, ScreenshotIsABitmapNamedByFrame) {
    const auto folder = std::filesystem::temp_directory_path() / "velvaro-shots";
    std::filesystem::create_directories(folder);
    auto player = Open("multi.mkv");
    player->SetPosition(200);
    player->WaitForState();
    player->SaveScreenshot((folder / "multi").string());
    const auto file = folder / "multi_50.bmp";
    ASSERT_TRUE(std::filesystem::exists(file));
    std::ifstream in(file, std::ios::binary);
    std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)), {});
    const auto u32 = [&](size_t at) {
        std::uint32_t v = 0;
        std::memcpy(&v, bytes.data() + at, 4);
        return v;
    };
    const std::uint32_t stride = 320 * 3;
    ASSERT_EQ(bytes.size(), 54 + stride * 240);
    EXPECT_EQ(bytes[0], 'B');
    EXPECT_EQ(bytes[1], 'M');
    EXPECT_EQ(u32(2), bytes.size());
    EXPECT_EQ(u32(6), 0u);
    EXPECT_EQ(u32(10), 54u);
    EXPECT_EQ(u32(14), 40u);
    EXPECT_EQ(u32(18), 320u);
    EXPECT_EQ(u32(22), 240u);
    EXPECT_EQ(bytes[28], 24);
    // A real picture, not an empty buffer.
    EXPECT_GT(
        std::count_if(bytes.begin() + 54, bytes.end(), [](unsigned char b) { return b > 40; }),
        10000);
    // The state before the screenshot comes back.
    long state = -1;
    player->GetState(&state);
    EXPECT_EQ(state, State_Stopped);
    std::filesystem::remove_all(folder);

    auto sound = Open("audio.mp3");
    sound->SaveScreenshot((folder / "sound").string());
    EXPECT_FALSE(std::filesystem::exists(folder));
}

TEST_F(FilePlayerTest, VideoWindowIsAChildOfTheOwnerAtTheGivenPlace) {
    auto player = Open("multi.mkv", 104);
    int width = 0, height = 0;
    player->GetWindowSize(&width, &height);
    EXPECT_EQ(width, 320);
    EXPECT_EQ(height, 240);
    player->SetWindowPosition(0, 0, 400, 300);
    player->GetWindowSize(&width, &height);
    EXPECT_EQ(width, 400);
    // The clock timer reaches the owner as WM_TIMER 104.
    ASSERT_TRUE(WaitFor([&] { return owner.Count(WM_TIMER) >= 2; }));
    EXPECT_EQ(owner.messages.back().second, 104u);
    player.reset();
    const int timers = owner.Count(WM_TIMER);
    WaitFor([] { return false; }, 200);
    EXPECT_EQ(owner.Count(WM_TIMER), timers) << "the timer outlived its engine";
}

TEST_F(FilePlayerTest, ThePictureIsShownBeforePlayingAndTheRateWhilePlaying) {
    auto player = Open("multi.mkv");
    auto* video = owner.findChild<QWidget*>();
    ASSERT_NE(video, nullptr);
    const QColor border(0, 0, 255);  // the border colour given as 0x00FF0000
    const auto centre = [video] {
        return video->grab().toImage().pixelColor(video->width() / 2, video->height() / 2);
    };
    EXPECT_TRUE(WaitFor([&] { return centre() != border; }, 2000))
        << "a stopped film shows its first frame";
    EXPECT_EQ(player->GetFrameRate(), 0.0);
    player->Play();
    ASSERT_TRUE(WaitFor([&] { return player->GetPosition() >= 150; }));
    // 25 frames a second, give or take a busy machine.
    EXPECT_GT(player->GetFrameRate(), 10.0);
    EXPECT_LT(player->GetFrameRate(), 40.0);
}

TEST_F(FilePlayerTest, FilterPropertiesOpenCaptionedWithTheFiltersName) {
    auto player = Open("multi.mkv");
    QStringList captions;
    std::function<void()> closeNext = [&] {
        if (auto* dialog = QApplication::activeModalWidget()) {
            captions << dialog->windowTitle();
            dialog->close();
        }
        if (captions.size() < 2) {
            QTimer::singleShot(50, closeNext);
        }
    };
    QTimer::singleShot(50, closeNext);
    player->ShowFilterProperties("Video Renderer", &owner);
    EXPECT_EQ(captions, QStringList{QStringLiteral("Video Renderer")});
    captions.clear();
    player->ShowFilterProperties("No Such Filter", &owner);
    EXPECT_TRUE(captions.isEmpty());
    captions << QString() << QString();  // stop the closer
    WaitFor([] { return false; }, 150);
}

TEST_F(FilePlayerTest, ReportListsFiltersWithTheirPins) {
    QListWidget report;
    const std::string path = Media("multi.mkv");
    CFilePlayer player(QRect(0, 0, 320, 240), &report, &language, &owner,
                       std::wstring(path.begin(), path.end()), path, 0, 0, 0);
    player.ReportFilterGraph();
    QStringList lines;
    for (int i = 0; i < report.count(); ++i) {
        lines << report.item(i)->text();
    }
    const int renderer = static_cast<int>(lines.indexOf(QStringLiteral("Video Renderer")));
    ASSERT_GE(renderer, 0) << lines.join(QLatin1Char('\n')).toStdString();
    ASSERT_LT(renderer + 1, lines.size());
    EXPECT_EQ(lines[renderer + 1].trimmed(), QStringLiteral("Input (in), connected"));

    CFilePlayer silent(QRect(0, 0, 320, 240), nullptr, &language, &owner,
                       std::wstring(path.begin(), path.end()), path, 0, 0, 0);
    silent.ReportFilterGraph();  // no report window: nothing to do, no crash
}

TEST_F(FilePlayerTest, FilterListNamesTheGraphsFilters) {
    auto player = Open("multi.mkv");
    QMenu menu;
    menu.addAction(QStringLiteral("old entry"));
    const int count = player->FillFilterList(&menu, FILTERLIST_MENU);
    const auto actions = menu.actions();
    ASSERT_EQ(actions.size(), count);
    QStringList names;
    for (int i = 0; i < actions.size(); ++i) {
        EXPECT_EQ(actions[i]->data().toInt(), 59000 + i);
        names << actions[i]->text();
    }
    EXPECT_TRUE(names.contains(QStringLiteral("Video Renderer")));
    EXPECT_TRUE(names.contains(QStringLiteral("Matroska Splitter")));
    EXPECT_FALSE(names.contains(QStringLiteral("old entry")));

    QListWidget list;
    EXPECT_EQ(player->FillFilterList(&list, FILTERLIST_LISTBOX), count);
    EXPECT_GT(list.count(), 0);
    EXPECT_LE(list.count(), count);
}

TEST_F(FilePlayerTest, ClosingWhilePlayingLeavesNothingBehind) {
    const auto cycle = [this] {
        auto player = Open("multi.mkv", 104);
        player->Play();
        WaitFor([&] { return player->GetPosition() > 20; });
    };
    cycle();  // thread pools settle on the first run
    const int threads = CountEntries("/proc/self/task");
    const int files = CountEntries("/proc/self/fd");
    for (int i = 0; i < 3; ++i) {
        cycle();
    }
    WaitFor([] { return false; }, 300);
    EXPECT_LE(CountEntries("/proc/self/task"), threads);
    EXPECT_LE(CountEntries("/proc/self/fd"), files);
    EXPECT_TRUE(owner.findChildren<QWidget*>().isEmpty()) << "a video window was left behind";
}

}  // namespace
