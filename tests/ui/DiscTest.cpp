// Discs in the window, on the generated test discs: opening a disc folder,
// its title and times, and its menus by keys, clicks and commands.
#include "PlayerWindow.h"

#include "ExpectLog.h"

#include "engine/CDvdPlayer.h"
#include "engine/VideoWidget.h"

#include <QMouseEvent>

namespace {

class DiscTest : public PlayerWindowTest {
protected:
    CDvdPlayer* Dvd() const { return dynamic_cast<CDvdPlayer*>(window->Player()); }
    // The title shown: its chapter count tells the menu disc's titles apart
    // (title 1 has three, title 2 one, a menu none).
    int Chapters() const { return Dvd() ? Dvd()->GetStreamCount(STREAM_CHAPTERS) : -1; }
    // Where a point of the disc's picture (720x576) is in the client area.
    QPoint ClientPoint(int x, int y) const {
        const VideoWidget* video = nullptr;
        for (QObject* child : Client()->children()) {
            video = video ? video : dynamic_cast<const VideoWidget*>(child);
        }
        const QRect picture = video->Destination().translated(video->pos());
        return {picture.left() + x * picture.width() / 720,
                picture.top() + y * picture.height() / 576};
    }
    void Click(QPoint point) {
        for (const auto type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
            QMouseEvent event(type, point, Client()->mapToGlobal(point), Qt::LeftButton,
                              type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                              Qt::NoModifier);
            QApplication::sendEvent(Client(), &event);
        }
    }
};

TEST_F(DiscTest, AFolderFromTheCommandLinePlaysItsDiscAndItsMenusAnswer) {
    Start(Media("dvd/menu"));
    ASSERT_NE(Dvd(), nullptr);
    ExpectState({.title = QStringLiteral("Velvaro - menu - PLAY"),
                 .enabledCommands = {IDM_WIEDERGABE_STOPP, IDM_DATEI_SCHLIESSEN},
                 .enabledButtons = {IDTBB_PREVTRACKCHAPTER, IDTBB_NEXTTRACKCHAPTER}});
    // The root menu: no length. Ctrl+Down to button 2, Enter: title 2.
    ASSERT_TRUE(WaitFor([this] { return Dvd()->GetButtonAtPosition({0, 0}) == 0; }));
    Key(VK_CONTROL);
    Key(VK_DOWN);
    KeyUp(VK_CONTROL);
    Key(VK_RETURN);
    EXPECT_TRUE(WaitFor([this] { return Chapters() == 1; }));
    EXPECT_TRUE(WaitFor([this] { return StatusText(1) == QStringLiteral("00:00:06"); }))
        << StatusText(1).toStdString();

    // The root menu command, then a click on button 1: title 1.
    Command(IDM_NAVIGATION_SHOWROOTMENU);
    EXPECT_TRUE(WaitFor([this] { return StatusText(1) == QStringLiteral("00:00:00"); }));
    EXPECT_TRUE(WaitFor([this] {
        Click(ClientPoint(360, 180));
        return Chapters() == 3;
    }));
}

TEST_F(DiscTest, ADamagedDiscLeavesTheWindowIdle) {
    Start();
    const velvaro::test::ExpectLog refused(QtWarningMsg, QStringLiteral("cannot be read"),
                                           QStringLiteral("velvaro.engine"));
    window->OpenMedia(QString::fromStdString(Media("dvd/damaged")), false);
    EXPECT_EQ(window->Player(), nullptr);
    EXPECT_EQ(refused.Count(), 1);
    ExpectState({.title = QStringLiteral("Velvaro"), .greyedCommands = {IDM_DATEI_SCHLIESSEN}});
}

}  // namespace
