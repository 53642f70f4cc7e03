// The command-line options as the window applies them, with their pair
// rules, at start and after every open. What the texts of "size", "wndpos"
// and "bordercol" mean is tested with their values.
#include "PlayerWindow.h"

#include <QRegularExpression>
#include <QScreen>

#include <fstream>

namespace {

using StartOptionsTest = PlayerWindowTest;

TEST_F(StartOptionsTest, SizePositionAndColourApplyAtStartAndAfterEveryOpen) {
    commandLine.SetSize("640x480");
    commandLine.SetWindowPosition("100,50,rightbottom");
    commandLine.SetBorderColour("1,2,3");
    Start(Media("multi.mkv"));
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(window->frameGeometry().topLeft(),
              QPoint(screen.width() - 100, screen.height() - 50));
    EXPECT_EQ(ClientSize().width(), 640);
    EXPECT_EQ(VideoAreaHeight(), 480);
    EXPECT_EQ(BorderColour(), 0x030201u);

    commandLine.SetSize("0.5x");
    commandLine.SetWindowPosition("30,40");
    commandLine.SetCenter(1);  // both given: neither acts
    commandLine.SetBorderColour("0,0");
    OpenFile(Media("multi.mkv"));
    EXPECT_EQ(ClientSize().width(), 160);
    EXPECT_EQ(window->frameGeometry().topLeft(),
              QPoint(screen.width() - 100, screen.height() - 50));
    EXPECT_EQ(BorderColour(), 0x030201u);

    commandLine.SetWindowPosition("");
    window->ApplyStartOptions();
    const QRect outer = window->frameGeometry();
    EXPECT_EQ(outer.topLeft(),
              QPoint((screen.width() - outer.width()) / 2, (screen.height() - outer.height()) / 2));
}

TEST_F(StartOptionsTest, PairsCancelAndTheBorderOptionsSwitchTheSizingFrame) {
    commandLine.SetLoop(1);
    commandLine.SetFullscreen(1);
    commandLine.SetNoBorder(1);
    Start();
    EXPECT_TRUE(Checked(IDM_WIEDERGABE_ENDLOSSCHLEIFE));
    EXPECT_EQ(ButtonImage(IDTBB_LOOP), 9);
    EXPECT_FALSE(window->IsFullscreen());  // only with a medium
    OpenFile(Media("multi.mkv"));
    EXPECT_TRUE(window->IsFullscreen());
    EXPECT_FALSE(Style() & WS_THICKFRAME);
    commandLine.SetNoLoop(1);
    commandLine.SetNoFullscreen(1);
    commandLine.SetBorder(1);  // both given: neither acts
    window->ApplyStartOptions();
    EXPECT_TRUE(Marks().Looping());
    EXPECT_TRUE(window->IsFullscreen());
    EXPECT_FALSE(Style() & WS_THICKFRAME);
    commandLine.SetLoop(0);
    commandLine.SetFullscreen(0);
    commandLine.SetNoBorder(0);
    window->ApplyStartOptions();
    EXPECT_FALSE(Marks().Looping());
    EXPECT_FALSE(window->IsFullscreen());
    EXPECT_EQ(Style() & (WS_THICKFRAME | WS_MAXIMIZEBOX), WS_THICKFRAME | WS_MAXIMIZEBOX);
}

TEST_F(StartOptionsTest, JumpMuteAndPauseActOnAnOpenMedium) {
    commandLine.SetJumpPosition("2.5");
    commandLine.SetMute(1);
    commandLine.SetPause(1);
    Start(Media("multi.mkv"));
    EXPECT_EQ(Title(), QStringLiteral("Velvaro - multi.mkv - PAUSE"));
    EXPECT_EQ(window->Player()->GetVolume(), -10000);
    EXPECT_TRUE(Checked(IDM_AUDIO_STUMM));
    ASSERT_TRUE(WaitFor([this] { return Position() == 250; }));
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

TEST_F(StartOptionsTest, CompactOptionAgainstTheStoredSetting) {
    settings->compactView = 1;
    commandLine.SetNoCompact(1);
    Start();
    // A one-off: the view is normal, the stored preference stays.
    EXPECT_FALSE(ToolBar()->isHidden());
    EXPECT_FALSE(Checked(IDM_ANSICHT_VIDEOPUR));
    EXPECT_EQ(settings->compactView, 1);
    window.reset();
    commandLine.SetCompact(1);  // both given: the setting decides
    Start();
    EXPECT_TRUE(ToolBar()->isHidden());

    // Opened while the window is built: centred on the video.
    window.reset();
    commandLine.SetNoBorder(1);
    commandLine.SetNoSplash(1);
    Start(Media("multi.mkv"));
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(window->pos(), QPoint((screen.width() - 320) / 2, (screen.height() - 240) / 2));
}

}  // namespace

TEST_F(StartOptionsTest, AWindowOnADamagedRegistrySaysWhereTheOldSettingsAreForAWhile) {
    velvaro::platform::CloseRegistry();
    std::ofstream(registryPath()) << std::string(8192, '#');
    testing::internal::CaptureStderr();
    Start(Media("video-only.mkv"));
    testing::internal::GetCapturedStderr();
    const QString notice = StatusText(0);
    EXPECT_TRUE(notice.contains(QString::fromStdString(registryPath() + ".broken")))
        << notice.toStdString();
    Timer();
    EXPECT_EQ(StatusText(0), notice) << "kept in place of the time";
    ExpireNotice();
    Timer();
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d$"))
                    .match(StatusText(0))
                    .hasMatch())
        << StatusText(0).toStdString();
    EXPECT_TRUE(std::filesystem::exists(registryPath() + ".broken"));
}
