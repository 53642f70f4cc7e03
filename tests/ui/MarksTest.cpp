// The A-B marks and the loop between them, the jumps to the marks and the
// ends, skipping, play speeds, volume steps with mute, and screenshots, on
// real media through the window procedure.
#include "PlayerWindow.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <algorithm>
#include <cstring>
#include <filesystem>

namespace velvaro::test {
namespace {

namespace fs = std::filesystem;

class MarksTest : public PlayerWindowTest {
protected:
    std::string Link(const std::string& name, const std::string& medium) {
        const fs::path link = folder().path() / name;
        fs::create_symlink(Media(medium), link);
        return link.string();
    }

    int Position() const { return window->Player()->GetPosition(); }

    // Paused at `position`, with the position bar showing it as the clock
    // timer puts it there.
    void PauseAt(int position) {
        Command(IDTBB_PAUSE);
        window->Player()->SetPosition(position);
        ASSERT_TRUE(WaitFor([&] { return Position() == position; })) << Position();
        SendMessage(window.get(), WM_TIMER, ID_Clock_Timer, 0);
        ASSERT_EQ(window->PositionSlider()->value(), position);
    }

    void ExpectSelection(int start, int end) const {
        EXPECT_EQ(window->PositionSlider()->SelectionStart(), start);
        EXPECT_EQ(window->PositionSlider()->SelectionEnd(), end);
    }
};

TEST_F(MarksTest, MarksRefuseToCrossAndPlaybackLoopsBetweenThem) {
    Start(Media("long.mkv"));
    const int duration = window->Player()->GetDuration();
    ASSERT_GT(duration, 2300);
    EXPECT_FALSE(window->IsLooping());

    PauseAt(1000);
    Key('I');
    EXPECT_EQ(window->MarkStart(), 1000);
    EXPECT_TRUE(window->IsLooping());
    EXPECT_TRUE(Checked(IDM_WIEDERGABE_ENDLOSSCHLEIFE));
    EXPECT_EQ(window->ToolButtonImage(IDTBB_LOOP), 9);
    ExpectSelection(1000, duration);

    // An end before the start is refused, and so is a start after the end.
    PauseAt(500);
    Key('O');
    EXPECT_EQ(window->MarkEnd(), duration);
    PauseAt(2000);
    Command(IDM_WIEDERGABE_MARKIERUNGSENDESETZEN);
    EXPECT_EQ(window->MarkEnd(), 2000);
    ExpectSelection(1000, 2000);
    ASSERT_TRUE(WaitFor([this] { return Position() == 1000; }));
    PauseAt(2100);
    Command(IDM_WIEDERGABE_MARKIERUNGSANFANGSETZEN);
    EXPECT_EQ(window->MarkStart(), 1000);
    ExpectSelection(1000, 2000);

    // Playing into the mark end goes back to the mark start within half a second.
    Command(IDTBB_PLAY);
    window->Player()->SetPosition(1850);
    int highest = 0;
    bool reachedEnd = false;
    ASSERT_TRUE(WaitFor([&] {
        const int now = Position();
        highest = std::max(highest, now);
        reachedEnd = reachedEnd || now >= 1990;
        return reachedEnd && now >= 1000 && now < 1400;
    })) << Position();
    EXPECT_LE(highest, 2080);
    Spin(300);
    EXPECT_GT(Position(), 1000);
    EXPECT_EQ(window->PlayState(), 2);
}

TEST_F(MarksTest, MarkAllLoopsTheWholeMediumAndTheLoopToggleClearsTheSelection) {
    Start();
    Key(VK_DELETE);  // nothing to mark without a medium
    EXPECT_FALSE(window->IsLooping());

    OpenFile(Media("long.mkv"));
    const int duration = window->Player()->GetDuration();
    PauseAt(1500);
    Key('I');
    PauseAt(1800);
    Key('O');
    Key(VK_DELETE);
    EXPECT_EQ(window->MarkStart(), 0);
    EXPECT_EQ(window->MarkEnd(), duration);
    EXPECT_TRUE(window->IsLooping());
    ExpectSelection(0, duration);

    Key('L');
    EXPECT_FALSE(window->IsLooping());
    EXPECT_FALSE(Checked(IDM_WIEDERGABE_ENDLOSSCHLEIFE));
    EXPECT_EQ(window->ToolButtonImage(IDTBB_LOOP), 10);
    EXPECT_GT(window->PositionSlider()->SelectionStart(), window->PositionSlider()->SelectionEnd());
    // The marks themselves stay for the next time the loop is switched on.
    Key('L');
    ExpectSelection(0, duration);
}

TEST_F(MarksTest, HomeAndEndAlternateBetweenTheMarksAndTheEnds) {
    Start(Media("long.mkv"));
    const int duration = window->Player()->GetDuration();
    PauseAt(1000);
    Key('I');
    PauseAt(2000);
    Key('O');
    Key('L');  // looping off: End only seeks
    PauseAt(1500);

    Key(VK_HOME);
    EXPECT_TRUE(WaitFor([this] { return Position() == 1000; })) << Position();
    Key(VK_HOME);
    EXPECT_TRUE(WaitFor([this] { return Position() == 0; })) << Position();
    Command(IDM_WIEDERGABE_SPRINGEZUMARKIERUNGSVIDEOANFANG);
    EXPECT_TRUE(WaitFor([this] { return Position() == 1000; })) << Position();

    Key(VK_END);
    EXPECT_TRUE(WaitFor([this] { return Position() == 2000; })) << Position();
    Key(VK_END);
    EXPECT_TRUE(WaitFor([&] { return Position() >= duration - 5; })) << Position();
    Command(IDM_WIEDERGABE_SPRINGEZUMARKIERUNGSVIDEOENDE);
    EXPECT_TRUE(WaitFor([this] { return Position() == 2000; })) << Position();
    EXPECT_EQ(window->PlayState(), 1);
}

TEST_F(MarksTest, EndWhileLoopingPlaysOnFromTheMarkStart) {
    Start(Media("long.mkv"));
    PauseAt(1000);
    Key('I');
    PauseAt(2000);
    Key('O');
    Command(IDTBB_PLAY);
    window->Player()->SetPosition(1200);
    ASSERT_TRUE(WaitFor([this] { return Position() > 1250; }));

    Key(VK_END);
    ASSERT_TRUE(WaitFor([this] { return Position() >= 1000 && Position() < 1200; })) << Position();
    Spin(300);
    EXPECT_GT(Position(), 1000);
    EXPECT_EQ(window->PlayState(), 2);
    EXPECT_TRUE(window->windowTitle().endsWith(QStringLiteral(" - PLAY")));
}

TEST_F(MarksTest, SkipMovesTenSecondsAndStopsAtTheEnds) {
    Start();
    Key('X');  // nothing to skip without a medium
    OpenFile(Media("long.mkv"));
    const int duration = window->Player()->GetDuration();
    PauseAt(500);
    Key('Y');
    EXPECT_TRUE(WaitFor([this] { return Position() == 0; })) << Position();
    Key('X');
    EXPECT_TRUE(WaitFor([this] { return Position() == 1000; })) << Position();
    Command(IDM_WIEDERGABE_SCHNELLESVORSPULEN);
    EXPECT_TRUE(WaitFor([this] { return Position() == 2000; })) << Position();
    Key('X');
    EXPECT_TRUE(WaitFor([&] { return Position() >= duration - 5; })) << Position();
    Command(IDM_WIEDERGABE_SCHNELLESZURUECKSPULEN);
    EXPECT_TRUE(WaitFor([&] { return std::abs(Position() - (duration - 1000)) <= 5; }))
        << Position();
    // The step count is a signed 16-bit number: 0xFFFF is one step back.
    PauseAt(1500);
    window->Skip(0xFFFF);
    EXPECT_TRUE(WaitFor([this] { return Position() == 500; })) << Position();
    window->Skip(2);
    EXPECT_TRUE(WaitFor([this] { return Position() == 2500 || Position() >= 2395; })) << Position();
}

TEST_F(MarksTest, SkippingBackPastTheStartOpensThePreviousPlaylistEntry) {
    const std::string first = Link("1.mkv", "video-only.mkv");
    const std::string second = Link("2.mkv", "long.mkv");
    const std::string third = Link("3.mkv", "multi.mkv");
    Start();
    window->OpenFiles({QString::fromStdString(first), QString::fromStdString(second),
                       QString::fromStdString(third)});
    ASSERT_EQ(window->windowTitle(), QStringLiteral("Velvaro - 1.mkv - PLAY"));
    // In the first entry there is nothing before: the start.
    PauseAt(500);
    Key('Y');
    EXPECT_TRUE(WaitFor([this] { return Position() == 0; })) << Position();
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Velvaro - 1.mkv - PAUSE"));

    // On to the third entry through the ends of the first two.
    for (const char* next : {"2.mkv", "3.mkv"}) {
        Command(IDTBB_PLAY);
        window->Player()->SetPosition(window->Player()->GetDuration() - 50);
        const QString title = QStringLiteral("Velvaro - %1 - PLAY").arg(QLatin1String(next));
        ASSERT_TRUE(WaitFor([&] { return window->windowTitle() == title; }))
            << window->windowTitle().toStdString();
    }
    PauseAt(500);
    Key('Y');
    ASSERT_TRUE(WaitFor([this] {
        return window->windowTitle().startsWith(QStringLiteral("Velvaro - 2.mkv"));
    })) << window->windowTitle().toStdString();
    const int target = window->Player()->GetDuration() - 1000;
    EXPECT_TRUE(WaitFor([&] { return std::abs(Position() - target) <= 30; })) << Position();
    EXPECT_TRUE(ButtonEnabled(IDTBB_NEXTTRACKCHAPTER));  // still in the playlist
}

TEST_F(MarksTest, PlaySpeedsFollowTheirSequences) {
    Start(Media("long.mkv"));
    EXPECT_EQ(window->Player()->GetRate(), 1.0);
    // Fast forwards doubles up to 32 and the sixth press is normal speed again.
    for (double expected : {2.0, 4.0, 8.0, 16.0, 32.0, 1.0}) {
        Command(IDTBB_FASTFORWARD);
        EXPECT_EQ(window->Player()->GetRate(), expected);
    }
    Key(VK_NUMPAD9);
    EXPECT_EQ(window->Player()->GetRate(), 2.0);
    Key(VK_NUMPAD8);
    EXPECT_EQ(window->Player()->GetRate(), 1.0);

    // Backwards starts at -1 from any forward speed and doubles down to -32.
    Command(IDM_PLAYSPEED_PLAYFASTFORWARDS);
    for (double expected : {-1.0, -2.0, -4.0, -8.0, -16.0, -32.0, -1.0}) {
        Command(IDTBB_FASTBACKWARD);
        EXPECT_EQ(window->Player()->GetRate(), expected);
    }

    Key(VK_NUMPAD7);
    EXPECT_EQ(window->Player()->GetRate(), 0.5);
    Command(IDM_PLAYSPEED_PLAYSLOWBACKWARDS);
    EXPECT_EQ(window->Player()->GetRate(), -0.5);

    // Starting playback is always at normal speed.
    Command(IDM_PLAYSPEED_PLAYFASTFORWARDS);
    Command(IDTBB_PAUSE);
    Command(IDTBB_PLAY);
    EXPECT_EQ(window->Player()->GetRate(), 1.0);
}

TEST_F(MarksTest, VolumeStepsOnThePercentScaleAndMuteRestoresTheLastVolume) {
    Start(Media("multi.mkv"));
    window->VolumeSlider()->setValue(1);
    SendMessage(window.get(), WM_HSCROLL, MakeWParam(SB_THUMBPOSITION, 1), ID_VolumeSlider);
    // The slider's 1% (the mapping's -1999, a rounding away from -2000).
    const int onePercent = window->Player()->GetVolume();
    ASSERT_EQ(CPlayerDlg::SliderPositionFromVolume(onePercent), 1);

    Key(VK_SUBTRACT);
    EXPECT_EQ(window->Player()->GetVolume(), -10000);
    EXPECT_EQ(window->VolumeSlider()->value(), 0);
    EXPECT_TRUE(Checked(IDM_AUDIO_STUMM));
    EXPECT_FALSE(Enabled(IDM_AUDIO_LEISER));
    EXPECT_TRUE(Enabled(IDM_AUDIO_LAUTER));
    EXPECT_EQ(window->ToolButtonImage(IDTBB_MUTE), 15);
    // At 0% quieter does nothing and keeps the volume to go back to.
    Command(IDM_AUDIO_LEISER);
    EXPECT_EQ(window->Player()->GetVolume(), -10000);

    Command(IDTBB_MUTE);
    EXPECT_EQ(window->Player()->GetVolume(), onePercent);
    EXPECT_EQ(window->VolumeSlider()->value(), 1);
    EXPECT_FALSE(Checked(IDM_AUDIO_STUMM));
    EXPECT_TRUE(Enabled(IDM_AUDIO_LEISER));
    EXPECT_EQ(window->ToolButtonImage(IDTBB_MUTE), 14);

    // Louder from silence is 1%; from 99% it is full and greys louder.
    Key('M');
    Key(VK_ADD);
    EXPECT_EQ(window->Player()->GetVolume(), onePercent);
    EXPECT_FALSE(Checked(IDM_AUDIO_STUMM));
    window->VolumeSlider()->setValue(99);
    SendMessage(window.get(), WM_HSCROLL, MakeWParam(SB_THUMBPOSITION, 99), ID_VolumeSlider);
    EXPECT_TRUE(Enabled(IDM_AUDIO_LAUTER));
    Command(IDM_AUDIO_LAUTER);
    EXPECT_EQ(window->Player()->GetVolume(), 0);
    EXPECT_EQ(window->VolumeSlider()->value(), 100);
    EXPECT_FALSE(Enabled(IDM_AUDIO_LAUTER));

    // A film without sound leaves the volume commands idle.
    Command(IDM_DATEI_SCHLIESSEN);
    OpenFile(Media("video-only.mkv"));
    Key(VK_ADD);
    Key(VK_SUBTRACT);
    Key('M');
    EXPECT_EQ(window->VolumeSlider()->value(), 0);
    EXPECT_FALSE(window->VolumeSlider()->isEnabled());
    EXPECT_FALSE(Checked(IDM_AUDIO_STUMM));
}

TEST_F(MarksTest, ScreenshotIsABitmapNamedAfterTheFilm) {
    const fs::path shots = folder().path() / "shots";
    fs::create_directories(shots);
    settings->screenshotDirectory = shots.string();
    const QDir dir(QString::fromStdString(shots.string()));
    const auto bitmaps = [&dir] { return dir.entryList(QDir::Files, QDir::Name); };

    Start(Link("my.film.mkv", "multi.mkv"));
    Spin(300);
    Key(VK_F12);
    QStringList files = bitmaps();
    ASSERT_EQ(files.size(), 1);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^my\\.film_\\d+\\.bmp$"))
                    .match(files.first())
                    .hasMatch())
        << files.first().toStdString();
    // Playback goes on.
    EXPECT_EQ(window->PlayState(), 2);
    long state = -1;
    window->Player()->GetState(&state);
    EXPECT_EQ(state, 2);

    QFile file(dir.filePath(files.first()));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    ASSERT_GT(bytes.size(), 54);
    EXPECT_EQ(bytes.left(2), QByteArray("BM"));
    std::uint32_t fileSize = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::memcpy(&fileSize, bytes.constData() + 2, 4);
    std::memcpy(&width, bytes.constData() + 18, 4);
    std::memcpy(&height, bytes.constData() + 22, 4);
    EXPECT_EQ(fileSize, static_cast<std::uint32_t>(bytes.size()));
    EXPECT_EQ(width, 320);
    EXPECT_EQ(std::abs(height), 240);

    // A name without a dot gives no base; the folder may end in a slash.
    settings->screenshotDirectory = shots.string() + "/";
    OpenFile(Link("nodot", "multi.mkv"));
    Spin(300);
    Command(IDTBB_SCREENSHOT);
    files = bitmaps();
    ASSERT_EQ(files.size(), 2);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^_\\d+\\.bmp$")).match(files.first()).hasMatch())
        << files.first().toStdString();

    // Sound alone has no picture to save.
    OpenFile(Media("audio.mp3"));
    Command(IDM_VIDEO_SCREENSHOT);
    EXPECT_EQ(bitmaps().size(), 2);
}

}  // namespace
}  // namespace velvaro::test
