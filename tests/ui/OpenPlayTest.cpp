// Opening, playing, pausing, stopping and closing through the window
// procedure, with the titles, status texts and command states each shows.
#include "PlayerWindow.h"

#include "ui/PlayerStatusBar.h"

namespace velvaro::test {
namespace {

const std::vector<int> kMediumCommands = {
    IDM_DATEI_SCHLIESSEN, IDM_VIDEO_EIGENSCHAFTEN,       IDM_WIEDERGABE_WIEDERGABE_PAUSE,
    IDM_WIEDERGABE_STOPP, IDM_WIEDERGABE_ALLESMARKIEREN, IDM_WIEDERGABE_NORMAL};
const std::vector<int> kMediumButtons = {IDTBB_PLAY, IDTBB_PAUSE, IDTBB_STOP, IDTBB_FASTBACKWARD,
                                         IDTBB_FASTFORWARD};

using OpenPlayTest = PlayerWindowTest;

TEST_F(OpenPlayTest, EmptyWindowShowsSplashSizeAndGreysMediumCommands) {
    Start();
    ExpectState({.title = QStringLiteral("Velvaro"),
                 .greyedCommands = kMediumCommands,
                 .enabledButtons = std::vector<int>{IDTBB_OPEN, IDTBB_LOOP, IDTBB_QUIT},
                 .indeterminateButtons = kMediumButtons});
    EXPECT_EQ(window->ClientSize().width(), 450);
    EXPECT_EQ(VideoAreaHeight(), 250);
    EXPECT_EQ(window->StatusText(7), QStringLiteral("\t\t1.2.0.3"));
    EXPECT_FALSE(window->PositionSlider()->isEnabled());
    EXPECT_FALSE(window->VolumeSlider()->isEnabled());
    EXPECT_FALSE(window->Style() & WS_THICKFRAME);
}

TEST_F(OpenPlayTest, VideoOpensPlayingWithTitleStatusAndStates) {
    Start(Media("multi.mkv"));
    ExpectState({.title = QStringLiteral("Velvaro - multi.mkv - PLAY"),
                 .playState = 2,
                 .enabledCommands = kMediumCommands,
                 .enabledButtons = kMediumButtons});
    EXPECT_TRUE(Enabled(IDM_ANSICHT_VOLLBILD));
    EXPECT_TRUE(Enabled(IDM_AUDIO_STUMM));
    EXPECT_TRUE(ButtonEnabled(IDTBB_CLIPPING));
    EXPECT_TRUE(ButtonEnabled(IDTBB_MUTE));
    EXPECT_FALSE(ButtonEnabled(IDTBB_PREVTRACKCHAPTER));  // no playlist
    EXPECT_EQ(window->StatusText(1), QStringLiteral("00:00:06"));
    EXPECT_EQ(window->StatusText(2), QStringLiteral("100%"));
    EXPECT_EQ(window->StatusText(3), QStringLiteral("100%"));
    EXPECT_EQ(window->StatusText(4), QStringLiteral("320 x 240"));
    EXPECT_EQ(window->StatusText(5), QStringLiteral("320 x 240"));
    EXPECT_TRUE(window->Style() & WS_THICKFRAME);
    // The window fits the video at its own size.
    EXPECT_EQ(window->ClientSize().width(), 320);
    EXPECT_EQ(VideoAreaHeight(), 240);
    EXPECT_EQ(window->PositionSlider()->maximum(), window->Player()->GetDuration());
    EXPECT_EQ(window->MarkEnd(), window->Player()->GetDuration());
    // The clock timer moves the slider and the time.
    ASSERT_TRUE(WaitFor([this] { return window->PositionSlider()->value() >= 100; }));
    EXPECT_EQ(window->StatusText(0), QStringLiteral("00:00:01"));
    ASSERT_TRUE(WaitFor([this] { return window->StatusText(6).endsWith(QStringLiteral(" fps")); }));
}

TEST_F(OpenPlayTest, PausePlayAndStopChangeTitleAndState) {
    Start(Media("multi.mkv"));
    Command(IDM_WIEDERGABE_WIEDERGABE_PAUSE);
    ExpectState({.title = QStringLiteral("Velvaro - multi.mkv - PAUSE"), .playState = 1});
    Command(IDTBB_PLAY);
    ExpectState({.title = QStringLiteral("Velvaro - multi.mkv - PLAY"), .playState = 2});
    Spin(300);
    Key(VK_SPACE);
    EXPECT_EQ(window->PlayState(), 1);
    Command(IDTBB_STOP);
    ExpectState({.title = QStringLiteral("Velvaro - multi.mkv - STOP"), .playState = 0});
    ASSERT_TRUE(WaitFor([this] { return window->Player()->GetPosition() == 0; }));
    // Having played a while, stopping offers the jump back.
    EXPECT_TRUE(Enabled(IDM_WIEDERGABE_SPRINGELETZTESTELLE));
    EXPECT_TRUE(ButtonEnabled(IDTBB_JUMPLASTPOSITION));
}

TEST_F(OpenPlayTest, WithoutAutomaticStartTheFirstPictureWaitsStopped) {
    settings->startMediaAutomatically = 0;
    Start(Media("multi.mkv"));
    Spin(300);
    ExpectState({.title = QStringLiteral("Velvaro - multi.mkv - STOP"), .playState = 0});
    EXPECT_FALSE(Video()->isHidden());
}

TEST_F(OpenPlayTest, EndOfMediaStopsAndLoopRestartsAtTheMark) {
    Start(Media("video-only.mkv"));
    window->Player()->SetPosition(window->Player()->GetDuration() - 80);
    ASSERT_TRUE(WaitFor([this] { return window->PlayState() == 0; }));
    ExpectState({.title = QStringLiteral("Velvaro - video-only.mkv - STOP")});

    Key('L');
    EXPECT_TRUE(window->IsLooping());
    Command(IDTBB_PLAY);
    window->Player()->SetPosition(window->Player()->GetDuration() - 80);
    // The end event sends it back to the mark start and it keeps playing.
    ASSERT_TRUE(WaitFor([this] { return window->Player()->GetPosition() < 200; }));
    Spin(300);
    EXPECT_EQ(window->PlayState(), 2);
    EXPECT_TRUE(window->windowTitle().endsWith(QStringLiteral(" - PLAY")));
}

TEST_F(OpenPlayTest, AudioOnlyGreysPictureCommandsAndKeepsTheIdleSize) {
    Start(Media("audio.mp3"));
    ExpectState({.title = QStringLiteral("Velvaro - audio.mp3 - PLAY"),
                 .greyedCommands = std::vector<int>{IDM_ANSICHT_ORIGINAL, IDM_ANSICHT_VOLLBILD,
                                                    IDM_AUDIO_AUDIOTRACKOEFFNEN},
                 .enabledButtons = std::vector<int>{IDTBB_MUTE, IDTBB_PLAY},
                 .indeterminateButtons = std::vector<int>{IDTBB_CLIPPING, IDTBB_SCREENSHOT}});
    EXPECT_TRUE(window->VolumeSlider()->isEnabled());
    EXPECT_EQ(window->ClientSize().width(), 450);
    EXPECT_TRUE(window->StatusText(4).isEmpty());
}

TEST_F(OpenPlayTest, CloseReturnsToTheEmptyWindowAndKeepsTheVolume) {
    Start(Media("multi.mkv"));
    window->Player()->SetVolume(-1500);
    Command(IDM_DATEI_SCHLIESSEN);
    EXPECT_EQ(window->Player(), nullptr);
    EXPECT_EQ(settings->volume, -1500);
    ExpectState({.title = QStringLiteral("Velvaro"),
                 .greyedCommands = kMediumCommands,
                 .indeterminateButtons = kMediumButtons});
    EXPECT_EQ(window->ClientSize().width(), 450);
    EXPECT_TRUE(WaitFor([this] { return Video() == nullptr; }));
}

TEST_F(OpenPlayTest, SecondOpenStoresTheFirstVolumeAndCompanionSoundPlays) {
    Start(Media("multi.mkv"));
    window->Player()->SetVolume(-700);
    OpenFile(Media("companion/film.mp4"));
    EXPECT_EQ(settings->volume, -700);
    EXPECT_TRUE(window->FilePlayer()->HasExternalAudio());
    EXPECT_TRUE(Checked(IDM_AUDIO_AUDIOTRACKOEFFNEN));
}

TEST_F(OpenPlayTest, ASilentFileAfterOneWithSoundGreysTheVolumeSlider) {
    Start(Media("multi.mkv"));
    EXPECT_TRUE(window->VolumeSlider()->isEnabled());
    OpenFile(Media("video-only.mkv"));
    EXPECT_FALSE(window->VolumeSlider()->isEnabled());
    EXPECT_FALSE(ButtonEnabled(IDTBB_MUTE));
    EXPECT_FALSE(Enabled(IDM_AUDIO_STUMM));
}

TEST_F(OpenPlayTest, UnplayableFileLeavesTheEmptyWindow) {
    Start();
    std::string caption;
    AnswerMessageBox(&caption);
    window->OpenMedia(QString::fromStdString(Media("not-media.avi")), false);
    EXPECT_FALSE(caption.empty());
    EXPECT_EQ(window->Player(), nullptr);
    ExpectState({.title = QStringLiteral("Velvaro"), .greyedCommands = kMediumCommands});
}

TEST_F(OpenPlayTest, DroppedFilesOpenOneOrBuildAPlaylist) {
    Start();
    QStringList one{QString::fromStdString(Media("audio.wav"))};
    SendMessage(window.get(), WM_DROPFILES, 0, reinterpret_cast<LPARAM>(&one));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Velvaro - audio.wav - PLAY"));
    EXPECT_FALSE(ButtonEnabled(IDTBB_NEXTTRACKCHAPTER));

    QStringList two{QString::fromStdString(Media("audio.wav")),
                    QString::fromStdString(Media("audio.mp3"))};
    SendMessage(window.get(), WM_DROPFILES, 0, reinterpret_cast<LPARAM>(&two));
    // Sorted: audio.mp3 first; the playlist's buttons come alive.
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Velvaro - audio.mp3 - PLAY"));
    EXPECT_TRUE(ButtonEnabled(IDTBB_NEXTTRACKCHAPTER));
    EXPECT_TRUE(Enabled(IDM_PLAYLIST_NAECHSTERTITEL));
}

TEST_F(OpenPlayTest, DraggingTheSliderSeeksAfterHalfASecondAndResumesOnRelease) {
    Start(Media("multi.mkv"));
    window->PositionSlider()->setValue(300);
    SendMessage(window.get(), WM_HSCROLL, MakeWParam(SB_THUMBTRACK, 300), ID_Slider);
    long state = -1;
    ASSERT_TRUE(WaitFor([&] { return window->Player()->GetState(&state) == S_OK && state == 1; }));
    EXPECT_EQ(window->PlayState(), 2);  // the window's state does not change
    // Within half a second the timer only shows the thumb's place.
    SendMessage(window.get(), WM_TIMER, ID_Clock_Timer, 0);
    EXPECT_EQ(window->StatusText(0), QStringLiteral("00:00:03"));
    EXPECT_LT(window->Player()->GetPosition(), 300);
    Spin(550);
    SendMessage(window.get(), WM_TIMER, ID_Clock_Timer, 0);
    ASSERT_TRUE(WaitFor([this] { return window->Player()->GetPosition() == 300; }));

    window->PositionSlider()->setValue(400);
    SendMessage(window.get(), WM_HSCROLL, MakeWParam(SB_THUMBPOSITION, 400), ID_Slider);
    ASSERT_TRUE(WaitFor([&] { return window->Player()->GetState(&state) == S_OK && state == 2; }));
    EXPECT_GE(window->Player()->GetPosition(), 400);
}

TEST_F(OpenPlayTest, VolumeSliderSetsTheEngineAndTheMuteDisplay) {
    Start(Media("multi.mkv"));
    window->VolumeSlider()->setValue(0);
    SendMessage(window.get(), WM_HSCROLL, MakeWParam(SB_THUMBPOSITION, 0), ID_VolumeSlider);
    EXPECT_EQ(window->Player()->GetVolume(), -10000);
    EXPECT_TRUE(Checked(IDM_AUDIO_STUMM));
    window->VolumeSlider()->setValue(50);
    SendMessage(window.get(), WM_HSCROLL, MakeWParam(SB_THUMBTRACK, 50), ID_VolumeSlider);
    EXPECT_EQ(window->Player()->GetVolume(), -301);
    EXPECT_FALSE(Checked(IDM_AUDIO_STUMM));
}

TEST_F(OpenPlayTest, VolumeSliderMapping) {
    EXPECT_EQ(CPlayerDlg::VolumeFromSliderPosition(50), -301);
    EXPECT_EQ(CPlayerDlg::VolumeFromSliderPosition(100), 0);
    EXPECT_EQ(CPlayerDlg::VolumeFromSliderPosition(0), -10000);
    EXPECT_EQ(CPlayerDlg::SliderPositionFromVolume(-2000), 1);
    EXPECT_EQ(CPlayerDlg::SliderPositionFromVolume(0), 100);
    EXPECT_EQ(CPlayerDlg::SliderPositionFromVolume(-10000), 0);
}

}  // namespace
}  // namespace velvaro::test
