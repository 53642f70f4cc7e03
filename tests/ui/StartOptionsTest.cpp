// The command-line options as the window applies them, with their pair
// rules, at start and after every open.
#include "PlayerWindow.h"

#include <QScreen>

namespace velvaro::test {
namespace {

using StartOptionsTest = PlayerWindowTest;

TEST_F(StartOptionsTest, SizeAsPixelsOrAsAFactor) {
    commandLine.SetSize("640x480");
    Start(Media("multi.mkv"));
    EXPECT_EQ(window->ClientSize().width(), 640);
    EXPECT_EQ(VideoAreaHeight(), 480);

    commandLine.SetSize("0.5X");
    OpenFile(Media("multi.mkv"));
    EXPECT_EQ(window->ClientSize().width(), 160);
    EXPECT_EQ(VideoAreaHeight(), 120);

    for (const char* ignored : {"640", "x480", "0x2"}) {
        commandLine.SetSize(ignored);
        OpenFile(Media("multi.mkv"));
        EXPECT_EQ(window->ClientSize().width(), 320) << ignored;
    }
}

TEST_F(StartOptionsTest, WindowPositionFromACornerUnlessCentreIsGivenToo) {
    commandLine.SetWindowPosition("100,50,rightbottom");
    Start();
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(window->WindowRect().topLeft(), QPoint(screen.width() - 100, screen.height() - 50));

    commandLine.SetWindowPosition("100,50");
    window->ApplyStartOptions();
    EXPECT_EQ(window->WindowRect().topLeft(), QPoint(100, 50));

    commandLine.SetWindowPosition("30,40");
    commandLine.SetCenter(1);
    window->ApplyStartOptions();
    EXPECT_EQ(window->WindowRect().topLeft(), QPoint(100, 50));

    commandLine.SetWindowPosition("");
    window->ApplyStartOptions();
    const QRect outer = window->WindowRect();
    EXPECT_EQ(outer.left(), (screen.width() - outer.width()) / 2);
}

TEST_F(StartOptionsTest, LoopPairCancelsAndCloseSticks) {
    commandLine.SetLoop(1);
    Start();
    EXPECT_TRUE(window->IsLooping());
    EXPECT_TRUE(Checked(IDM_WIEDERGABE_ENDLOSSCHLEIFE));
    EXPECT_EQ(window->ToolButtonImage(IDTBB_LOOP), 9);
    commandLine.SetNoLoop(1);
    window->ApplyStartOptions();
    EXPECT_TRUE(window->IsLooping());  // both given: neither acts
    commandLine.SetLoop(0);
    window->ApplyStartOptions();
    EXPECT_FALSE(window->IsLooping());
    EXPECT_FALSE(window->QuitsAfterPlayback());
}

TEST_F(StartOptionsTest, BorderColourNeedsTwoCommas) {
    commandLine.SetBorderColour("255,255,255");
    Start();
    EXPECT_EQ(window->BorderColour(), 0xFFFFFFu);
    commandLine.SetBorderColour("0,0");
    window->ApplyStartOptions();
    EXPECT_EQ(window->BorderColour(), 0xFFFFFFu);
    commandLine.SetBorderColour("1,2,3");
    window->ApplyStartOptions();
    EXPECT_EQ(window->BorderColour(), 0x030201u);
}

TEST_F(StartOptionsTest, BorderOptionsSwitchTheSizingFrame) {
    commandLine.SetNoBorder(1);
    Start(Media("multi.mkv"));
    EXPECT_FALSE(window->Style() & WS_THICKFRAME);
    commandLine.SetNoBorder(0);
    commandLine.SetBorder(1);
    window->ApplyStartOptions();
    EXPECT_TRUE(window->Style() & WS_THICKFRAME);
    EXPECT_TRUE(window->Style() & WS_MAXIMIZEBOX);
}

TEST_F(StartOptionsTest, JumpMuteAndPauseActOnAnOpenMedium) {
    commandLine.SetJumpPosition("2.5");
    commandLine.SetMute(1);
    commandLine.SetPause(1);
    Start(Media("multi.mkv"));
    EXPECT_EQ(window->PlayState(), 1);
    EXPECT_TRUE(window->windowTitle().endsWith(QStringLiteral(" - PAUSE")));
    EXPECT_EQ(window->Player()->GetVolume(), -10000);
    EXPECT_TRUE(Checked(IDM_AUDIO_STUMM));
    ASSERT_TRUE(WaitFor([this] { return window->Player()->GetPosition() == 250; }));

    // Pause on a paused medium does nothing; mute on a muted one neither.
    window->ApplyStartOptions();
    EXPECT_EQ(window->PlayState(), 1);
    EXPECT_EQ(window->Player()->GetVolume(), -10000);

    commandLine.SetPause(0);
    commandLine.SetPlay(1);
    commandLine.SetMute(0);
    commandLine.SetNoMute(1);
    commandLine.SetJumpPosition("0");
    window->ApplyStartOptions();
    EXPECT_EQ(window->PlayState(), 2);
    EXPECT_NE(window->Player()->GetVolume(), -10000);
}

TEST_F(StartOptionsTest, FullscreenPairOnlyWithAMedium) {
    commandLine.SetFullscreen(1);
    Start();
    EXPECT_FALSE(window->IsFullscreen());
    OpenFile(Media("multi.mkv"));
    EXPECT_TRUE(window->IsFullscreen());
    commandLine.SetNoFullscreen(1);
    window->ApplyStartOptions();
    EXPECT_TRUE(window->IsFullscreen());  // both given: neither acts
    commandLine.SetFullscreen(0);
    window->ApplyStartOptions();
    EXPECT_FALSE(window->IsFullscreen());
}

TEST_F(StartOptionsTest, CompactOptionAgainstTheStoredSetting) {
    settings->compactView = 1;
    commandLine.SetNoCompact(1);
    Start();
    // A one-off: the view is normal, the stored preference stays.
    EXPECT_FALSE(window->ToolBar()->isHidden());
    EXPECT_FALSE(Checked(IDM_ANSICHT_VIDEOPUR));
    EXPECT_EQ(settings->compactView, 1);
    window.reset();

    commandLine.SetCompact(1);  // both given: the setting decides
    settings->compactView = 1;
    Start();
    EXPECT_TRUE(window->ToolBar()->isHidden());
    EXPECT_TRUE(Checked(IDM_ANSICHT_VIDEOPUR));
}

TEST_F(StartOptionsTest, CloseEndsTheWindowAfterPlayback) {
    commandLine.ParseParam("close", true, false);
    Start(Media("video-only.mkv"));
    EXPECT_TRUE(window->QuitsAfterPlayback());
    window->Player()->SetPosition(window->Player()->GetDuration() - 50);
    ASSERT_TRUE(WaitFor([this] { return !window->isVisible(); }));
    EXPECT_EQ(window->result(), 0);
}

}  // namespace
}  // namespace velvaro::test
