// The A-B marks, jumps, skips, speeds and screenshots through the window.
#include "PlayerWindow.h"

#include <QDir>
#include <QRegularExpression>

namespace {

using MarksTest = PlayerWindowTest;
using Range = PlayerState::Range;

TEST_F(MarksTest, MarksLoopHomeEndAndSpeeds) {
    Start(Media("long.mkv"));
    const int duration = window->Player()->GetDuration();
    PauseAt(1000);
    Key('I');
    ExpectState({.marks = Range{1000, duration}, .buttonImages = {{IDTBB_LOOP, 9}}});
    PauseAt(500);
    Key('O');
    ExpectState({.marks = Range{1000, duration}});  // an end before the start was taken
    PauseAt(2000);
    Command(IDM_WIEDERGABE_MARKIERUNGSENDESETZEN);
    ExpectState({.marks = Range{1000, 2000}});
    ASSERT_TRUE(PositionComes(1000));
    // Playing into the mark end goes back to the mark start within half a second.
    Command(IDTBB_PLAY);
    window->Player()->SetPosition(1850);
    int highest = 0;
    ASSERT_TRUE(WaitFor([&] {
        highest = std::max(highest, Position());
        return highest >= 1990 && Position() >= 1000 && Position() < 1400;
    })) << Position();
    EXPECT_LE(highest, 2080);

    // Home and End jump; while looping, the mark end is the end of the range.
    PauseAt(1500);
    Key(VK_HOME);
    EXPECT_TRUE(PositionComes(1000));
    Command(IDM_WIEDERGABE_SPRINGEZUMARKIERUNGSVIDEOANFANG);
    EXPECT_TRUE(PositionComes(0));
    Key(VK_END);  // paused: only a seek
    EXPECT_TRUE(
        WaitFor([this] { return Position() == 2000 && window->Session().State().play == 1; }));
    Command(IDTBB_PLAY);
    window->Player()->SetPosition(1200);
    ASSERT_TRUE(WaitFor([this] { return Position() > 1250; }));
    Key(VK_END);
    ASSERT_TRUE(WaitFor([this] { return Position() >= 1000 && Position() < 1200; })) << Position();
    Spin(300);
    EXPECT_TRUE(Position() > 1000 && Playing());

    Key(VK_DELETE);  // all marked, still looping
    ExpectState({.marks = Range{0, duration}});
    Key('L');  // no loop, no selection
    ExpectState({.marks = kNoMarks, .buttonImages = {{IDTBB_LOOP, 10}}});
    Key('L');  // the marks stay for the next time
    ExpectState({.marks = Range{0, duration}});

    // Play speeds from every input; starting playback is at normal speed.
    const std::pair<std::function<void()>, double> steps[] = {
        {[this] { Command(IDTBB_FASTFORWARD); }, 2.0},
        {[this] { Key(VK_NUMPAD9); }, 4.0},
        {[this] { Key(VK_NUMPAD8); }, 1.0},
        {[this] { Command(IDTBB_FASTBACKWARD); }, -1.0},
        {[this] { Command(IDM_PLAYSPEED_PLAYFASTBACKWARDS); }, -2.0},
        {[this] { Key(VK_NUMPAD7); }, 0.5},
        {[this] { Command(IDM_PLAYSPEED_PLAYSLOWBACKWARDS); }, -0.5},
        {[this] { Command(IDTBB_PAUSE), Command(IDTBB_PLAY); }, 1.0}};
    for (const auto& [act, rate] : steps) {
        act();
        EXPECT_EQ(window->Player()->GetRate(), rate);
    }
}

TEST_F(MarksTest, SkipStopsAtTheStartOrOpensThePreviousPlaylistItem) {
    const std::string first = Link("1.mkv", "video-only.mkv");
    const std::string second = Link("2.mkv", "long.mkv");
    const std::string third = Link("3.mkv", "multi.mkv");
    Start();
    Key('X');  // nothing to skip without a medium
    ASSERT_EQ(OpenAll({third, first, second}), TitleOf("1.mkv"));
    PauseAt(500);
    Key('Y');  // in the first item there is nothing before: the start
    EXPECT_TRUE(PositionComes(0));
    EXPECT_EQ(Title(), TitleOf("1.mkv", "PAUSE"));

    const auto playIntoTheEnd = [this](const char* next) {
        Command(IDTBB_PLAY);
        window->Player()->SetPosition(window->Player()->GetDuration() - 50);
        ASSERT_TRUE(TitleComes(TitleOf(next)));
    };
    playIntoTheEnd("2.mkv");
    PauseAt(50);
    Key('X');
    EXPECT_TRUE(PositionComes(1050));
    playIntoTheEnd("3.mkv");
    PauseAt(500);
    Command(IDM_WIEDERGABE_SCHNELLESZURUECKSPULEN);
    ASSERT_TRUE(WaitFor([this] { return Title().startsWith(u"Velvaro - 2.mkv"_s); }))
        << Title().toStdString();
    const int target = window->Player()->GetDuration() - 1000;
    EXPECT_TRUE(WaitFor([&] { return std::abs(Position() - target) <= 30; })) << Position();
    EXPECT_TRUE(ButtonEnabled(IDTBB_NEXTTRACKCHAPTER));  // still in the playlist
}

// Full stop and comma step a paused picture one frame on and back (the
// engine's tests step further); a playing one goes on as it was.
TEST_F(MarksTest, FrameStepKeysMoveAPausedPictureOneFrame) {
    Start(Media("multi.mkv"));
    Key(VK_OEM_PERIOD);
    EXPECT_EQ(window->Session().State().play, State_Running);
    ASSERT_TRUE(WaitFor([&] { return window->Player()->GetPosition() >= 40; }));
    Key(VK_SPACE);
    ASSERT_TRUE(WaitFor([&] { return EngineState() == State_Paused; }));
    Spin(100);
    const LONGLONG frame = window->Player()->GetCurrentFrame();
    ASSERT_GE(frame, 1);
    Key(VK_OEM_PERIOD);
    EXPECT_TRUE(WaitFor([&] { return window->Player()->GetCurrentFrame() == frame + 1; }, 3000));
    Key(VK_OEM_COMMA);
    EXPECT_TRUE(WaitFor([&] { return window->Player()->GetCurrentFrame() == frame; }, 3000));
    EXPECT_EQ(window->Session().State().play, State_Paused);
}

TEST_F(MarksTest, ScreenshotIsNamedAfterTheFilmAndPlaybackGoesOn) {
    const std::filesystem::path shots = folder().path() / "shots";
    const QDir dir(QString::fromStdString(shots.string()));
    // The one file in the folder, which is emptied for the next.
    const auto shot = [&] {
        const QStringList files = dir.entryList(QDir::Files);
        std::filesystem::remove_all(shots);
        std::filesystem::create_directories(shots);
        return files.join(u' ').replace(QRegularExpression(u"\\d+"_s), u"N"_s);
    };
    shot();
    settings->screenshotDirectory = shots.string();
    Start(Link("my.film.mkv", "multi.mkv"));
    Spin(300);
    Key(VK_F12);
    EXPECT_EQ(shot(), u"my.film_N.bmp"_s);
    EXPECT_EQ(EngineState(), 2);
    // A name without a dot gives no base; the folder may end in a slash.
    settings->screenshotDirectory = shots.string() + "/";
    OpenFile(Link("nodot", "multi.mkv"));
    Spin(300);
    Command(IDTBB_SCREENSHOT);
    EXPECT_EQ(shot(), u"_N.bmp"_s);
    OpenFile(Media("audio.mp3"));  // sound alone has no picture to save
    Command(IDM_VIDEO_SCREENSHOT);
    EXPECT_EQ(shot(), QString());
}

}  // namespace
