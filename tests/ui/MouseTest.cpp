// The mouse over the video area, as the window system delivers it to the
// client area: clicks, the wheel and the context menu, on real media.
#include "PlayerWindow.h"

#include <QLabel>
#include <QWheelEvent>

namespace {

class MouseTest : public PlayerWindowTest {
protected:
    void Wheel(QPoint delta) {
        QWheelEvent wheel(QPointF(50, 50), Client()->mapToGlobal(QPoint(50, 50)), QPoint(), delta,
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(Client(), &wheel);
    }
    // Right-clicks; once the context menu shows, runs `meanwhile` and closes it.
    bool ContextMenuAt(
        QPoint point, const std::function<void()>& meanwhile = [] {}) {
        bool shown = false;
        QTimer::singleShot(100, window.get(), [&] {
            meanwhile();
            if (QWidget* menu = QApplication::activePopupWidget()) {
                shown = true;
                menu->close();
            }
        });
        Mouse(QEvent::MouseButtonPress, point, Qt::RightButton);
        return shown;
    }
    // The pointer over the position bar where it stands for `position`.
    void HoverAt(int position) {
        CClickSlider* bar = PositionSlider();
        int x = 0;
        while (x < bar->width() - 1 && bar->PositionAt(x) < position) {
            ++x;
        }
        const QPoint point(x, bar->height() / 2);
        QMouseEvent move(QEvent::MouseMove, point, bar->mapToGlobal(point), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(bar, &move);
    }
    QWidget* Preview() const { return window->findChild<QWidget*>(u"PositionPreview"_s); }
    // What the preview shows: its time and the colour amid its picture.
    std::pair<QString, QColor> Previewed() const {
        const QImage picture =
            Preview()->findChild<QLabel*>(u"PreviewPicture"_s)->pixmap().toImage();
        return {Preview()->findChild<QLabel*>(u"PreviewTime"_s)->text(),
                picture.isNull() ? QColor() : picture.pixelColor(picture.rect().center())};
    }
};

TEST_F(MouseTest, AClickOpensAFileWithoutAMediumSwitchesFullscreenAndTheWheelSkipsTenSeconds) {
    Start();
    Wheel({0, 240});  // nothing to skip without a medium
    QString filter;
    ModalDialogWatcher<QFileDialog> user([&](QFileDialog& dialog) {
        filter = dialog.nameFilters().join(u'|');
        dialog.reject();
    });
    Click({200, 100});
    EXPECT_TRUE(filter.contains(u"*.mkv"_s));
    // A release whose press went elsewhere is no click, nor is another button's press.
    Mouse(QEvent::MouseButtonRelease, {200, 100});
    Mouse(QEvent::MouseButtonPress, {10, 10}, Qt::MiddleButton);
    Mouse(QEvent::MouseButtonRelease, {10, 10});
    OpenFile(Media("audio.mp3"));
    Click({100, 100});  // sound alone: nothing
    Spin(100);
    EXPECT_EQ(std::tuple(user.Count(), Fullscreen().IsFullscreen()), std::tuple(1, false));

    OpenFile(Media("multi.mkv"));
    const QPoint video = Video()->geometry().center();
    EXPECT_EQ(Client()->childAt(video), nullptr);  // the picture lets the mouse through
    Click(video);
    EXPECT_TRUE(Fullscreen().IsFullscreen());
    // Two presses and one release are one click; a double click is two clicks.
    Mouse(QEvent::MouseButtonPress, video);
    Click(video);
    Mouse(QEvent::MouseButtonRelease, video);
    Click(video);
    Mouse(QEvent::MouseButtonDblClick, video);
    Mouse(QEvent::MouseButtonRelease, video);
    EXPECT_FALSE(Fullscreen().IsFullscreen());

    OpenFile(Media("long.mkv"));
    PauseAt(300);
    Wheel({0, 240});  // whole notches of ten seconds
    EXPECT_TRUE(PositionComes(2300));
    Wheel({240, 0});  // sideways the wheel does not skip
    Wheel({0, -120});
    EXPECT_TRUE(PositionComes(1300));

    // While a medium opens the wheel waits for it, in turn with the keys:
    // twenty seconds on and ten back, or back to the start and twenty on.
    for (const bool wheelFirst : {true, false}) {
        window->OpenMedia(QString::fromStdString(Media("long.mkv")), false);
        ASSERT_TRUE(window->IsOpening());
        if (wheelFirst) {
            Wheel({0, 240});
        }
        window->Session().Key('Y', true);
        if (!wheelFirst) {
            Wheel({0, 240});
        }
        Settle();
        Spin(300);
        if (wheelFirst) {
            EXPECT_LT(Position(), 1500) << "the wheel came after the key";
        } else {
            EXPECT_TRUE(WaitFor([this] { return Position() >= 2000; }, 2000)) << Position();
            EXPECT_LT(Position(), 2500);
        }
    }
}

TEST_F(MouseTest, TheContextMenuShowsTheCursorInFullscreenWhileItIsOpen) {
    Start(Media("multi.mkv"));
    EXPECT_TRUE(ContextMenuAt({20, 15}));
    EXPECT_FALSE(ContextMenu()->isVisible());
    Command(IDM_ANSICHT_VOLLBILD);
    Spin(600);  // the mouse rests, so nothing but the menu brings the cursor back
    ASSERT_TRUE(WaitFor([this] { return !CursorShown(); }));
    bool shownMeanwhile = false;
    ContextMenuAt({30, 30}, [&] { shownMeanwhile = SystemCursorShown(); });
    EXPECT_TRUE(shownMeanwhile && !SystemCursorShown());
    // Leaving fullscreen from the menu leaves the cursor shown, and the next
    // fullscreen hides it again.
    ContextMenuAt({30, 30}, [this] { Command(IDM_ANSICHT_VOLLBILD); });
    ASSERT_FALSE(Fullscreen().IsFullscreen());
    EXPECT_TRUE(SystemCursorShown());
    Command(IDM_ANSICHT_VOLLBILD);
    EXPECT_FALSE(SystemCursorShown());
}

}  // namespace

// Over the position bar the pointer shows, above it, the film's picture
// there (the nearest key frame: a second each of red, green, blue and white)
// and its time. It goes when the pointer leaves, fullscreen comes or the
// medium closes; sound alone has none.
TEST_F(MouseTest, HoveringThePositionBarPreviewsThePictureAndTimeThere) {
    Start();
    ASSERT_NE(Preview(), nullptr);
    OpenFile(Media("colours.mp4"));
    HoverAt(220);
    ASSERT_TRUE(WaitFor([this] { return Preview()->isVisible(); }, 15000));
    EXPECT_EQ(Previewed().first, u"00:00:02"_s);
    const auto blue = [this] {
        return Previewed().second.blue() > 160 && Previewed().second.red() < 90;
    };
    EXPECT_TRUE(WaitFor(blue)) << Previewed().second.name().toStdString();
    const QPoint bar = PositionSlider()->mapToGlobal(QPoint(0, 0));
    EXPECT_LT(Preview()->geometry().bottom(), bar.y());
    HoverAt(360);
    EXPECT_EQ(Previewed().first, u"00:00:03"_s);  // at once, the picture as it comes
    const auto white = [this] { return Previewed().second.lightness() > 200; };
    EXPECT_TRUE(WaitFor(white)) << Previewed().second.name().toStdString();
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(PositionSlider(), &leave);
    EXPECT_FALSE(Preview()->isVisible());

    HoverAt(100);
    ASSERT_TRUE(WaitFor([this] { return Preview()->isVisible(); }));
    Command(IDM_ANSICHT_VOLLBILD);
    EXPECT_FALSE(Preview()->isVisible());
    Command(IDM_ANSICHT_VOLLBILD);
    HoverAt(100);
    ASSERT_TRUE(WaitFor([this] { return Preview()->isVisible(); }));
    Command(IDM_DATEI_SCHLIESSEN);
    EXPECT_FALSE(Preview()->isVisible());

    OpenFile(Media("audio.mp3"));
    HoverAt(300);
    Spin(500);
    EXPECT_FALSE(Preview()->isVisible());
}
