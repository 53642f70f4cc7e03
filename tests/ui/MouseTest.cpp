// The mouse over the video area, as the window system delivers it to the
// client area: clicks, the wheel and the context menu, on real media.
#include "PlayerWindow.h"

#include "ModalDialogWatcher.h"

#include <QFileDialog>
#include <QMenu>
#include <QMouseEvent>
#include <QWheelEvent>

namespace velvaro::test {
namespace {

class MouseTest : public PlayerWindowTest {
protected:
    void Press(Qt::MouseButton button, QPoint point) {
        QMouseEvent press(QEvent::MouseButtonPress, point, Global(point), button, button,
                          Qt::NoModifier);
        QApplication::sendEvent(window->ClientArea(), &press);
    }
    void Release(Qt::MouseButton button, QPoint point) {
        QMouseEvent release(QEvent::MouseButtonRelease, point, Global(point), button, Qt::NoButton,
                            Qt::NoModifier);
        QApplication::sendEvent(window->ClientArea(), &release);
    }
    void Click(QPoint point) {
        Press(Qt::LeftButton, point);
        Release(Qt::LeftButton, point);
    }
    void Wheel(int delta) {
        const QPoint point(50, 50);
        QWheelEvent wheel(point, Global(point), QPoint(), QPoint(0, delta), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(window->ClientArea(), &wheel);
    }
    QPoint Global(QPoint point) const { return window->ClientArea()->mapToGlobal(point); }

    // A point on the picture, in client coordinates.
    QPoint OnTheVideo() const { return Video()->geometry().center(); }

    int Position() const { return window->Player()->GetPosition(); }
    void PauseAt(int position) {
        Command(IDTBB_PAUSE);
        window->Player()->SetPosition(position);
        ASSERT_TRUE(WaitFor([&] { return Position() == position; })) << Position();
    }
};

TEST_F(MouseTest, ClickOnTheEmptyWindowOpensTheFileDialog) {
    Start();
    QString filter;
    ModalDialogWatcher<QFileDialog> user([&](QFileDialog& dialog) {
        filter = dialog.nameFilters().join(u'|');
        dialog.reject();
    });
    Click({200, 100});
    EXPECT_EQ(user.Count(), 1);
    EXPECT_TRUE(filter.contains(QStringLiteral("*.mkv")));
    EXPECT_EQ(window->Player(), nullptr);

    // A release whose press went elsewhere is no click.
    Release(Qt::LeftButton, {200, 100});
    Spin(100);
    EXPECT_EQ(user.Count(), 1);
    // Nor is another button's press with a left release.
    Press(Qt::MiddleButton, {10, 10});
    Release(Qt::LeftButton, {10, 10});
    Spin(100);
    EXPECT_EQ(user.Count(), 1);
}

TEST_F(MouseTest, ClickOnASoundOnlyMediumDoesNothing) {
    Start(Media("audio.mp3"));
    ModalDialogWatcher<QFileDialog> user([](QFileDialog& dialog) { dialog.reject(); });
    const QRect before = window->geometry();
    const QString title = window->windowTitle();
    Click({100, 100});
    Spin(100);
    EXPECT_EQ(user.Count(), 0);
    EXPECT_FALSE(window->IsFullscreen());
    EXPECT_EQ(window->geometry(), before);
    EXPECT_EQ(window->windowTitle(), title);
}

TEST_F(MouseTest, ClickOnTheVideoTogglesFullscreen) {
    Start(Media("multi.mkv"));
    // The picture lets the mouse through to the client area.
    EXPECT_EQ(window->ClientArea()->childAt(OnTheVideo()), nullptr);
    Click(OnTheVideo());
    ASSERT_TRUE(window->IsFullscreen());
    EXPECT_TRUE(Checked(IDM_ANSICHT_VOLLBILD));
    Click(OnTheVideo());
    EXPECT_FALSE(window->IsFullscreen());
    // Two presses, one release: one click.
    Press(Qt::LeftButton, OnTheVideo());
    Press(Qt::LeftButton, OnTheVideo());
    Release(Qt::LeftButton, OnTheVideo());
    Release(Qt::LeftButton, OnTheVideo());
    EXPECT_TRUE(window->IsFullscreen());
    // A double click is two clicks.
    Click(OnTheVideo());
    QMouseEvent second(QEvent::MouseButtonDblClick, OnTheVideo(), Global(OnTheVideo()),
                       Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window->ClientArea(), &second);
    Release(Qt::LeftButton, OnTheVideo());
    EXPECT_TRUE(window->IsFullscreen());
}

TEST_F(MouseTest, WheelSkipsWholeNotchesOfTenSeconds) {
    Start(Media("long.mkv"));
    PauseAt(300);
    Wheel(240);
    EXPECT_TRUE(WaitFor([this] { return Position() == 2300; })) << Position();
    Wheel(-119);  // less than a notch
    Spin(100);
    EXPECT_EQ(Position(), 2300);
    Wheel(-120);
    EXPECT_TRUE(WaitFor([this] { return Position() == 1300; })) << Position();
    Wheel(-360);
    EXPECT_TRUE(WaitFor([this] { return Position() == 0; })) << Position();
    // Sideways the wheel does not skip.
    QWheelEvent sideways(QPointF(50, 50), Global({50, 50}), QPoint(), QPoint(240, 0), Qt::NoButton,
                         Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(window->ClientArea(), &sideways);
    Spin(100);
    EXPECT_EQ(Position(), 0);
}

TEST_F(MouseTest, WheelWithoutAMediumDoesNothing) {
    Start();
    Wheel(240);
    Wheel(-240);
    EXPECT_EQ(window->Player(), nullptr);
}

TEST(MouseWheelStepsTest, TruncatedTowardsZero) {
    EXPECT_EQ(CPlayerDlg::WheelSteps(240), 2);
    EXPECT_EQ(CPlayerDlg::WheelSteps(-119), 0);
    EXPECT_EQ(CPlayerDlg::WheelSteps(119), 0);
    EXPECT_EQ(CPlayerDlg::WheelSteps(-120), -1);
    EXPECT_EQ(CPlayerDlg::WheelSteps(-359), -2);
    EXPECT_EQ(CPlayerDlg::WheelSteps(0), 0);
    EXPECT_EQ(CPlayerDlg::WheelSteps(32767), 273);
    EXPECT_EQ(CPlayerDlg::WheelSteps(-32768), -273);
}

TEST_F(MouseTest, ContextMenuOpensBesideTheClickInsideTheFrame) {
    Start(Media("multi.mkv"));
    window->move(60, 30);
    const QRect outer = window->WindowRect();
    const QSize inner = window->ClientSize();
    const QPoint click(20, 15);
    // Window left + frame width + x - 8, window top + frame height + y - 8.
    const QPoint expected(outer.left() + (outer.width() - inner.width()) + click.x() - 8,
                          outer.top() + (outer.height() - inner.height()) + click.y() - 8);
    EXPECT_EQ(window->ContextMenuPosition(click), expected);

    QWidget* shown = nullptr;
    QPoint at;
    QTimer::singleShot(100, window.get(), [&] {
        shown = QApplication::activePopupWidget();
        if (shown) {
            at = shown->pos();
            shown->close();
        }
    });
    Press(Qt::RightButton, click);
    EXPECT_EQ(shown, window->ContextMenu());
    EXPECT_EQ(at, expected);
    EXPECT_FALSE(window->ContextMenu()->isVisible());
}

TEST_F(MouseTest, InFullscreenTheCursorShowsWhileTheContextMenuIsOpen) {
    Start(Media("multi.mkv"));
    Command(IDM_ANSICHT_VOLLBILD);
    // The mouse rests, so nothing but the menu brings the cursor back.
    Spin(600);
    ASSERT_TRUE(WaitFor([this] { return !window->IsCursorShown(); }));
    ASSERT_FALSE(window->IsSystemCursorShown());
    bool shownMeanwhile = false;
    QTimer::singleShot(100, window.get(), [&] {
        shownMeanwhile = window->IsSystemCursorShown();
        if (QWidget* menu = QApplication::activePopupWidget()) {
            menu->close();
        }
    });
    Press(Qt::RightButton, {30, 30});
    EXPECT_TRUE(shownMeanwhile);
    EXPECT_FALSE(window->IsSystemCursorShown());

    // Leaving fullscreen from the menu leaves the cursor shown, and the next
    // fullscreen hides it again.
    QTimer::singleShot(100, window.get(), [&] {
        Command(IDM_ANSICHT_VOLLBILD);  // chosen from the open menu
        window->ContextMenu()->close();
    });
    Press(Qt::RightButton, {30, 30});
    ASSERT_FALSE(window->IsFullscreen());
    EXPECT_TRUE(window->IsSystemCursorShown());
    Command(IDM_ANSICHT_VOLLBILD);
    EXPECT_FALSE(window->IsSystemCursorShown());
}

}  // namespace
}  // namespace velvaro::test
