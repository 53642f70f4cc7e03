// The key table through WM_PLAYER_KEYDOWN / WM_PLAYER_KEYUP, and the
// pre-translation of real key events into those messages.
#include "PlayerWindow.h"

#include "ui/PlayerStatusBar.h"

#include <QKeyEvent>

namespace velvaro::test {
namespace {

using KeyTableTest = PlayerWindowTest;

TEST_F(KeyTableTest, ShutdownNeedsCtrlHeld) {
    Start();
    Key('S');
    EXPECT_FALSE(window->IsShutdownArmed());
    Key(VK_CONTROL);
    Key('S');
    EXPECT_TRUE(window->IsShutdownArmed());
    EXPECT_EQ(window->ToolButtonImage(IDTBB_SHUTDOWN), 28);
    KeyUp(VK_CONTROL);
    Key('S');
    EXPECT_TRUE(window->IsShutdownArmed());  // S alone changes nothing
    Command(IDTBB_SHUTDOWN);
    EXPECT_FALSE(window->IsShutdownArmed());
    EXPECT_EQ(window->ToolButtonImage(IDTBB_SHUTDOWN), 13);
}

TEST_F(KeyTableTest, EscapeTogglesFullscreenOnlyForVideo) {
    Start(Media("audio.mp3"));
    Key(VK_ESCAPE);
    EXPECT_FALSE(window->IsFullscreen());
    OpenFile(Media("multi.mkv"));
    const QRect before = window->geometry();
    Key(VK_ESCAPE);
    EXPECT_TRUE(window->IsFullscreen());
    EXPECT_TRUE(window->windowState() & Qt::WindowFullScreen);
    EXPECT_TRUE(window->StatusBar()->isHidden());
    Key('V');
    EXPECT_FALSE(window->IsFullscreen());
    EXPECT_EQ(window->geometry(), before);
    EXPECT_FALSE(window->StatusBar()->isHidden());
}

TEST_F(KeyTableTest, ArrowsZoomTheVideoWithoutADiscEngine) {
    Start(Media("multi.mkv"));
    settings->aspectRatio = 0;
    Key(VK_RIGHT);
    EXPECT_DOUBLE_EQ(window->HorizontalZoom(), 1.05);
    EXPECT_DOUBLE_EQ(window->VerticalZoom(), 1.0);
    Key(VK_CONTROL);  // Ctrl only moves through a disc's menu buttons
    Key(VK_UP);
    KeyUp(VK_CONTROL);
    EXPECT_DOUBLE_EQ(window->VerticalZoom(), 1.05);
    Key(VK_LEFT);
    Key(VK_DOWN);
    EXPECT_DOUBLE_EQ(window->HorizontalZoom(), 1.0);
    EXPECT_DOUBLE_EQ(window->VerticalZoom(), 1.0);
    EXPECT_EQ(window->ZoomMode(), 1);
}

TEST_F(KeyTableTest, KeysOutsideTheTableDoNothing) {
    Start(Media("multi.mkv"));
    const QString title = window->windowTitle();
    const QRect geometry = window->geometry();
    for (UINT key : {0x21u /* page up */, 0x22u /* page down */, 0x08u, 0x7Cu /* F13 */, 0u}) {
        Key(key);
    }
    EXPECT_EQ(window->windowTitle(), title);
    EXPECT_EQ(window->geometry(), geometry);
    EXPECT_DOUBLE_EQ(window->HorizontalZoom(), 1.0);
}

TEST_F(KeyTableTest, SpaceNumpadFiveAndMiddleButtonToggleTheState) {
    Start(Media("multi.mkv"));
    Key(VK_SPACE);
    EXPECT_EQ(window->PlayState(), 1);
    Key(VK_NUMPAD5);
    EXPECT_EQ(window->PlayState(), 2);
    SendMessage(window.get(), WM_MBUTTONDOWN, 0, 0);
    EXPECT_EQ(window->PlayState(), 1);
}

TEST_F(KeyTableTest, LoopMuteAndVolumeKeys) {
    Start(Media("multi.mkv"));
    Key('L');
    EXPECT_TRUE(window->IsLooping());
    EXPECT_TRUE(Checked(IDM_WIEDERGABE_ENDLOSSCHLEIFE));
    EXPECT_EQ(window->ToolButtonImage(IDTBB_LOOP), 9);
    EXPECT_EQ(window->PositionSlider()->SelectionEnd(), window->MarkEnd());
    Key('L');
    EXPECT_FALSE(window->IsLooping());
    EXPECT_EQ(window->ToolButtonImage(IDTBB_LOOP), 10);

    window->Player()->SetVolume(0);
    Key('M');
    EXPECT_EQ(window->Player()->GetVolume(), -10000);
    EXPECT_TRUE(Checked(IDM_AUDIO_STUMM));
    EXPECT_FALSE(Enabled(IDM_AUDIO_LEISER));
    EXPECT_EQ(window->ToolButtonImage(IDTBB_MUTE), 15);
    Key('M');
    EXPECT_EQ(window->Player()->GetVolume(), 0);
    EXPECT_FALSE(Enabled(IDM_AUDIO_LAUTER));  // already full
    Key(VK_SUBTRACT);
    EXPECT_EQ(window->VolumeSlider()->value(), 99);
    Key(VK_ADD);
    EXPECT_EQ(window->Player()->GetVolume(), 0);
}

TEST_F(KeyTableTest, BarKeysAndCompactKeyIgnoredInFullscreen) {
    Start(Media("multi.mkv"));
    Key(VK_F8);
    EXPECT_EQ(settings->statusBar, 0);
    Key(VK_F8);
    EXPECT_EQ(settings->statusBar, 1);
    Key('V');
    Key('K');
    Key(VK_F7);
    EXPECT_EQ(settings->compactView, 0);
    EXPECT_EQ(settings->toolBar, 1);
}

TEST_F(KeyTableTest, RealKeyEventsBecomePlayerMessages) {
    Start(Media("multi.mkv"));
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
    // Sent to a child: the window takes it before the slider could.
    QApplication::sendEvent(window->PositionSlider(), &press);
    QApplication::sendEvent(window->PositionSlider(), &release);
    EXPECT_EQ(window->PlayState(), 2);  // key-down is posted
    QApplication::processEvents();
    EXPECT_EQ(window->PlayState(), 1);

    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(window.get(), &enter);
    QApplication::processEvents();
    EXPECT_TRUE(window->isVisible());  // Enter does not end the dialog
}

}  // namespace
}  // namespace velvaro::test
