// Shutdown after playback through the window: arming it, the countdown at
// the end of a medium, a pass of a loop or a playlist, cancelling it, and
// the exit that "close" asks for. The power-off request is counted by the
// test program's guard, never made.
#include "ModalDialogWatcher.h"
#include "PlayerWindow.h"
#include "PowerOffGuard.h"
#include "QtPrinting.h"
#include "dialogs/CShutdownDlg.h"

#include <QMenu>
#include <QPushButton>
#include <QTest>

namespace velvaro::test {
namespace {

bool CheckedInContextMenu(const CPlayerDlg& window, int id) {
    const QList<QAction*> items = FindCommands(window.ContextMenu(), id);
    return !items.isEmpty() && items.front()->isChecked();
}

class ShutdownTest : public PlayerWindowTest {
protected:
    // Lets the medium run into its end.
    void NearTheEnd() { window->Player()->SetPosition(window->Player()->GetDuration() - 80); }
    // Ticks the countdown on to "3 Seconds" and cancels it there.
    static void CancelAtThreeSeconds(CShutdownDlg& countdown) {
        for (int tick = 0; tick < 12; ++tick) {
            SendMessage(&countdown, WM_TIMER, ID_Shutdown_Timer, 0);
        }
        EXPECT_EQ(countdown.CountdownText(), QStringLiteral("3 Seconds"));
        QTest::mouseClick(countdown.findChild<QPushButton*>(QStringLiteral("IDC_BUTTON_ABBRECHEN")),
                          Qt::LeftButton);
    }
    // Lets all fifteen seconds pass, one tick a second.
    static void RunOut(CShutdownDlg& countdown) {
        for (int tick = 0; tick < 15 && countdown.isVisible(); ++tick) {
            SendMessage(&countdown, WM_TIMER, ID_Shutdown_Timer, 0);
        }
        EXPECT_FALSE(countdown.isVisible());
    }
};

TEST_F(ShutdownTest, ArmingAndDisarmingSwapTheButtonFaceAndBothCheckMarks) {
    Start();
    EXPECT_FALSE(window->IsShutdownArmed());
    EXPECT_EQ(window->ToolButtonImage(IDTBB_SHUTDOWN), 13);  // "NoShutdown"

    Command(IDM_WIEDERGABE_SHUTDOWN);
    EXPECT_TRUE(Checked(IDM_WIEDERGABE_SHUTDOWN));
    EXPECT_TRUE(CheckedInContextMenu(*window, IDM_WIEDERGABE_SHUTDOWN));
    EXPECT_EQ(window->ToolButtonImage(IDTBB_SHUTDOWN), 28);  // "Shutdown"
    EXPECT_EQ(window->ToolButton(IDTBB_SHUTDOWN)->toolTip(), QStringLiteral("Shutdown Off"));

    Command(IDTBB_SHUTDOWN);
    EXPECT_FALSE(Checked(IDM_WIEDERGABE_SHUTDOWN));
    EXPECT_FALSE(CheckedInContextMenu(*window, IDM_WIEDERGABE_SHUTDOWN));
    EXPECT_EQ(window->ToolButtonImage(IDTBB_SHUTDOWN), 13);
    EXPECT_EQ(window->ToolButton(IDTBB_SHUTDOWN)->toolTip(), QStringLiteral("Shutdown On"));
}

TEST_F(ShutdownTest, CancellingAtThreeSecondsPowersNothingOffAndStaysArmed) {
    const int requests = PowerOffRequests();
    Start(Media("video-only.mkv"));
    Command(IDM_WIEDERGABE_SHUTDOWN);
    {
        QString firstText;
        ModalDialogWatcher<CShutdownDlg> user([&](CShutdownDlg& countdown) {
            firstText = countdown.CountdownText();
            EXPECT_EQ(countdown.windowTitle(), QStringLiteral("Shutdown"));
            EXPECT_EQ(countdown.parentWidget(), nullptr);
            CancelAtThreeSeconds(countdown);
        });
        NearTheEnd();
        ASSERT_TRUE(WaitFor([&] { return user.Count() == 1 && window->PlayState() == 0; }));
        Spin(100);
        EXPECT_EQ(firstText, QStringLiteral("15 Seconds"));
        EXPECT_EQ(PowerOffRequests(), requests);
        EXPECT_TRUE(window->IsShutdownArmed());
        EXPECT_TRUE(window->isVisible());
        EXPECT_EQ(window->windowTitle(), QStringLiteral("Velvaro - video-only.mkv - STOP"));
    }

    // Armed still: the next end asks again, and this time it runs out.
    Command(IDTBB_PLAY);
    ModalDialogWatcher<CShutdownDlg> patient(RunOut);
    NearTheEnd();
    ASSERT_TRUE(WaitFor([&] { return patient.Count() == 1 && window->PlayState() == 0; }));
    Spin(200);
    EXPECT_EQ(PowerOffRequests(), requests + 1);
}

TEST_F(ShutdownTest, RunningOutPowersOffOnceAndNothingHappensUnarmed) {
    const int requests = PowerOffRequests();
    Start(Media("video-only.mkv"));
    ModalDialogWatcher<CShutdownDlg> user(RunOut);
    NearTheEnd();
    ASSERT_TRUE(WaitFor([this] { return window->PlayState() == 0; }));
    Spin(200);
    EXPECT_EQ(user.Count(), 0);
    EXPECT_EQ(PowerOffRequests(), requests);

    Key(VK_CONTROL);
    Key('S');
    KeyUp(VK_CONTROL);
    ASSERT_TRUE(window->IsShutdownArmed());
    Command(IDTBB_PLAY);
    NearTheEnd();
    ASSERT_TRUE(WaitFor([&] { return user.Count() == 1 && window->PlayState() == 0; }));
    Spin(200);
    EXPECT_EQ(PowerOffRequests(), requests + 1);
    EXPECT_TRUE(window->isVisible());  // without "close" the window stays
}

TEST_F(ShutdownTest, CloseStillExitsAfterACancelledCountdown) {
    const int requests = PowerOffRequests();
    commandLine.ParseParam("close", true, false);
    Start(Media("video-only.mkv"));
    Command(IDM_WIEDERGABE_SHUTDOWN);
    ModalDialogWatcher<CShutdownDlg> user(
        [](CShutdownDlg& countdown) { QTest::keyClick(&countdown, Qt::Key_Escape); });
    NearTheEnd();
    ASSERT_TRUE(WaitFor([this] { return !window->isVisible(); }));
    EXPECT_EQ(user.Count(), 1);
    EXPECT_EQ(PowerOffRequests(), requests);
    EXPECT_EQ(window->result(), 0);
}

TEST_F(ShutdownTest, WithLoopTheCountdownComesAtTheEndOfTheFirstPass) {
    Start(Media("video-only.mkv"));
    Key('L');
    Command(IDM_WIEDERGABE_SHUTDOWN);
    int positionWhenAsked = -1;
    ModalDialogWatcher<CShutdownDlg> user([&](CShutdownDlg& countdown) {
        positionWhenAsked = window->Player()->GetPosition();
        CancelAtThreeSeconds(countdown);
    });
    NearTheEnd();
    ASSERT_TRUE(WaitFor([&] { return user.Count() == 1; }));
    // Back at the mark start, and it plays on.
    EXPECT_LT(positionWhenAsked, 100);
    ASSERT_TRUE(WaitFor([this] { return window->Player()->GetPosition() > 50; }));
    EXPECT_EQ(window->PlayState(), 2);
    EXPECT_EQ(user.Count(), 1);
}

TEST_F(ShutdownTest, InAPlaylistOnlyTheLastEntryAsks) {
    Start();
    Command(IDM_WIEDERGABE_SHUTDOWN);
    QStringList askedAfter;
    ModalDialogWatcher<CShutdownDlg> user([&](CShutdownDlg& countdown) {
        askedAfter << window->windowTitle();
        QTest::keyClick(&countdown, Qt::Key_Escape);
    });
    window->OpenFiles({QString::fromStdString(Media("video-only.mkv")),
                       QString::fromStdString(Media("mpeg2-169.mpg"))});
    ASSERT_TRUE(WaitFor([this] { return window->PlayState() == 2; }));
    // The list is sorted: the MPEG film comes first.
    ASSERT_TRUE(window->windowTitle().contains(QStringLiteral("mpeg2-169.mpg")));
    NearTheEnd();
    ASSERT_TRUE(WaitFor(
        [this] { return window->windowTitle().contains(QStringLiteral("video-only.mkv")); }));
    Spin(200);
    EXPECT_EQ(user.Count(), 0);
    ASSERT_TRUE(WaitFor([this] { return window->PlayState() == 2; }));
    NearTheEnd();
    ASSERT_TRUE(WaitFor([&] { return user.Count() == 1; }));
    // Back at the first entry when it asks.
    EXPECT_EQ(askedAfter, QStringList{QStringLiteral("Velvaro - mpeg2-169.mpg - STOP")});
}

}  // namespace
}  // namespace velvaro::test
