// Keys with conditions of their own, and the pre-translation of real key
// events into the window's key messages. The plain key table is driven by
// the tests of the commands it stands for.
#include "PlayerWindow.h"

#include <QKeyEvent>

namespace {

using KeyTableTest = PlayerWindowTest;

TEST_F(KeyTableTest, BarKeysAreIgnoredInFullscreenAndRealKeyEventsBecomeMessages) {
    Start(Media("multi.mkv"));
    Key(VK_F8);
    EXPECT_EQ(ShownBars(), QStringLiteral("title menu tool position"));
    Key(VK_F8);
    Key('V');
    Key('K');
    Key(VK_F7);
    Key(VK_ESCAPE);
    EXPECT_EQ(ShownBars(), QStringLiteral("title menu tool status position"));
    Key('K');
    EXPECT_EQ(ShownBars(), QString());

    QKeyEvent press(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
    // Sent to a child: the window takes it before the slider could.
    QApplication::sendEvent(PositionSlider(), &press);
    QApplication::sendEvent(PositionSlider(), &release);
    EXPECT_TRUE(Playing());  // key-down is posted
    QApplication::processEvents();
    EXPECT_FALSE(Playing());
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(window.get(), &enter);
    QApplication::processEvents();
    EXPECT_TRUE(window->isVisible());  // Enter does not end the dialog
}

}  // namespace
