// Shutdown after playback through the window. The power-off request is
// counted by the test program's guard, never made; the countdown itself is
// the dialog's.
#include "PlayerWindow.h"
#include "PowerOffGuard.h"
#include "dialogs/CShutdownDlg.h"

#include <QMimeData>
#include <QUrl>

namespace {

using velvaro::test::PowerOffRequests;

void Cancel(CShutdownDlg& countdown) {
    countdown.reject();
}

// Lets all fifteen seconds pass, one tick a second.
void RunOut(CShutdownDlg& countdown) {
    EXPECT_EQ(countdown.parentWidget(), nullptr);  // shown even over a minimised player
    EXPECT_TRUE(WaitFor([&] { return !countdown.isVisible(); }, 20000));
}

using ShutdownTest = PlayerWindowTest;

// Without "close" the window stays; with it, it exits even after a
// cancelled countdown.
TEST_F(ShutdownTest, ArmedTheEndOfAMediumOrALoopsFirstPassAsksAndCloseStillExits) {
    const int requests = PowerOffRequests();
    Start(Media("video-only.mkv"));
    std::function<void(CShutdownDlg&)> answer = Cancel;
    ModalDialogWatcher<CShutdownDlg> user([&](CShutdownDlg& countdown) { answer(countdown); });
    NearTheEnd();  // not armed: nothing
    ASSERT_TRUE(WaitFor([this] { return window->Session().State().play == 0; }));
    Spin(200);
    EXPECT_EQ(user.Count(), 0);

    Command(IDM_WIEDERGABE_SHUTDOWN);
    for (const auto& [how, powerOffs] : {std::pair{&Cancel, 0}, {&RunOut, 1}}) {
        answer = how;
        const int asked = user.Count();
        Command(IDTBB_PLAY);
        NearTheEnd();
        ASSERT_TRUE(
            WaitFor([&] { return user.Count() > asked && window->Session().State().play == 0; }));
        Spin(200);
        EXPECT_EQ(PowerOffRequests(), requests + powerOffs);
        EXPECT_TRUE(window->Session().Playback().ShutdownArmed() && window->isVisible());
    }
    // With loop it asks at the end of the first pass, back at the mark
    // start, and playback goes on.
    int positionWhenAsked = -1;
    answer = [&](CShutdownDlg& countdown) {
        positionWhenAsked = Position();
        Cancel(countdown);
    };
    Key('L');
    Command(IDTBB_PLAY);
    NearTheEnd();
    ASSERT_TRUE(WaitFor([&] { return user.Count() == 3; }));
    EXPECT_LT(positionWhenAsked, 100);
    ASSERT_TRUE(WaitFor([this] { return Position() > 50; }));
    EXPECT_TRUE(Playing());

    Key('L');
    commandLine.ParseParam("close", true, false);
    OpenFile(Media("video-only.mkv"));
    NearTheEnd();
    ASSERT_TRUE(WaitFor([this] { return !window->isVisible(); }));
    EXPECT_EQ(std::tuple(user.Count(), PowerOffRequests(), window->result()),
              std::tuple(4, requests + 1, 0));
}

// Ctrl+S or the command arm it, with the button face and both check marks.
// Dropped files make a sorted playlist; only its last item asks.
TEST_F(ShutdownTest, ArmingAndInADroppedPlaylistOnlyTheLastItemAsks) {
    Start();
    const auto armed = [this](bool on, int image, const char* tooltip) {
        EXPECT_EQ(window->Session().Playback().ShutdownArmed(), on);
        ExpectState({.buttonImages = {{IDTBB_SHUTDOWN, image}}});
        EXPECT_EQ(Checked(IDM_WIEDERGABE_SHUTDOWN), on);
        EXPECT_EQ(window->Menus().ToolButton(IDTBB_SHUTDOWN)->toolTip(), QLatin1String(tooltip));
    };
    Key('S');  // S alone changes nothing
    Key(VK_CONTROL);
    Key('S');
    KeyUp(VK_CONTROL);
    armed(true, 28, "Shutdown Off");
    Key('S');
    Command(IDTBB_SHUTDOWN);
    armed(false, 13, "Shutdown On");
    Command(IDM_WIEDERGABE_SHUTDOWN);
    QStringList askedAfter;
    ModalDialogWatcher<CShutdownDlg> user([&](CShutdownDlg& countdown) {
        askedAfter << Title();
        Cancel(countdown);
    });
    // Dragged over the window and dropped, as the window system hands them over.
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(QString::fromStdString(Media("video-only.mkv"))),
                   QUrl::fromLocalFile(QString::fromStdString(Media("mpeg2-169.mpg")))});
    const QPoint over = window->rect().center();
    QDragEnterEvent enter(over, Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window.get(), &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent drop(over, Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window.get(), &drop);
    ASSERT_TRUE(WaitFor([this] { return Playing(); }));
    NearTheEnd();  // the list is sorted: the MPEG film comes first
    ASSERT_TRUE(WaitFor([this] { return Title().contains(u"video-only.mkv"_s); }));
    ASSERT_TRUE(WaitFor([this] { return Playing(); }));
    EXPECT_EQ(user.Count(), 0);
    NearTheEnd();
    ASSERT_TRUE(WaitFor([&] { return user.Count() == 1; }));
    // Back at the first item, stopped, when it asks.
    EXPECT_EQ(askedAfter, QStringList{TitleOf("mpeg2-169.mpg", "STOP")});
}

}  // namespace
