// Zoom, fill, the bars and the window states; the keys with conditions of
// their own and real key events (the plain key table is driven by the tests
// of the commands it stands for).
#include "PlayerWindow.h"

#include <QKeyEvent>
#include <QTest>

namespace {

using GeometryTest = PlayerWindowTest;

TEST_F(GeometryTest, ZoomKeysPlaceThePictureAndAResizeRefits) {
    Start(Media("multi.mkv"));
    EXPECT_EQ(Video()->Destination(), QRect(0, 0, 320, 240));
    Key(VK_CONTROL);  // Ctrl only moves through a disc's menu buttons
    for (int i = 0; i < 4; ++i) {
        Key(VK_UP);  // keeping the aspect: 1.2 both ways
    }
    KeyUp(VK_CONTROL);
    EXPECT_EQ(Video()->Destination(), QRect(-32, -24, 384, 288));
    EXPECT_EQ(StatusText(5), u"384 x 288"_s);
    Key('A');  // the aspect free: each key one factor
    EXPECT_FALSE(Checked(IDM_VIDEO_ASPECTRATIO));
    for (UINT key : {VK_LEFT, VK_DOWN, VK_DOWN, VK_RIGHT, VK_RIGHT}) {
        Key(key);
    }
    EXPECT_EQ(StatusText(2) + StatusText(3), u"125%110%"_s);
    Command(IDM_VIDEO_ASPECTRATIO);  // the larger factor for both
    EXPECT_EQ(StatusText(3) + QString::number(settings->aspectRatio), u"125%1"_s);
    Key('R');
    EXPECT_EQ(Video()->Destination(), QRect(0, 0, 320, 240));

    // A resize by the user refits without clipping.
    Command(IDM_VIDEO_VERGROESSERN_LINKSRECHTS);
    window->resize(window->width() + 320, window->height());
    EXPECT_EQ(Layout().ZoomMode(), VideoLayout::kFillWithoutClipping);
    // The height limits it (the toolbar may have lost a row in the wider window).
    EXPECT_DOUBLE_EQ(Layout().VerticalZoom(), VideoAreaHeight() / 240.0);
}

// A film whose own size would not fit the screen: the largest picture of its
// shape that does, the zoom in the status bar, the window moved onto the
// screen; the original window size command gives the same.
TEST_F(GeometryTest, AFilmLargerThanTheScreenGetsTheLargestWindowThatFits) {
    Start();
    const QRect free = window->screen()->availableGeometry();
    window->move(free.center());
    OpenFile(Media("framed-1080p.mkv"));
    // The window on the screen, all the picture in the video area with its
    // shape and its zoom in the status bar (the sizes are the layout's test).
    const auto expectFitted = [&] {
        EXPECT_TRUE(free.contains(window->frameGeometry()));
        const QRect picture = Video()->Destination();
        EXPECT_TRUE(QRect(QPoint(0, 0), Video()->size()).contains(picture));
        EXPECT_NEAR(picture.width() * 1080.0 / picture.height(), 1920, 4);
        EXPECT_EQ(StatusText(2), QString::fromStdString(ZoomText(picture.width() / 1920.0)));
    };
    expectFitted();
    EXPECT_LT(Layout().HorizontalZoom(), 0.5);  // the offscreen screen is 800 x 600
    window->resize(300, 300);
    Command(IDM_ANSICHT_ORIGINAL);
    expectFitted();
}

TEST_F(GeometryTest, FillCommandsOfAWideVideoInANarrowAreaAndTheirButtonFace) {
    Start(Media("mpeg2-169.mpg"));
    window->Frame().SetVideoWindowSize(400, 300, false);  // a 4:3 area
    Command(IDM_VIDEO_FILLSCREENWITHOUTCLIPPING);
    const QRect inside = Video()->Destination();
    EXPECT_EQ(inside, QRect(0, (300 - inside.height()) / 2, 400, inside.height()));
    EXPECT_GT(inside.top(), 0);     // bars above and below
    Command(IDM_VIDEO_FILLSCREEN);  // the height fills, the sides are cut
    EXPECT_TRUE(Video()->Destination().height() == 300 && Video()->Destination().left() < 0);
    EXPECT_EQ(ButtonImage(IDTBB_CLIPPING), 27);
    Command(IDTBB_CLIPPING);  // the button shows the mode its next press selects
    EXPECT_EQ(Layout().ZoomMode(), VideoLayout::kFillWithoutClipping);
    EXPECT_EQ(ButtonImage(IDTBB_CLIPPING), 16);
    Key('F');
    EXPECT_EQ(Layout().ZoomMode(), VideoLayout::kFill);
}

TEST_F(GeometryTest, BarTogglesCompactViewMaximiseAndOnTop) {
    Start(Media("multi.mkv"));
    const int height = window->height();
    const int statusHeight = StatusBar()->height();
    const std::pair<int, const char*> toggles[] = {
        {IDM_ANSICHT_STATUSBAR, "title menu tool position"},
        {IDM_ANSICHT_POSITIONSBAR, "title menu tool status"},
        {IDM_ANSICHT_MENUBAR, "title tool status position"},
        {IDM_ANSICHT_TITLEBAR, "menu tool status position"},
        {IDM_ANSICHT_TOOLBAR, "title menu status position"}};
    for (const auto& [command, shown] : toggles) {
        Command(command);
        EXPECT_EQ(ShownBars(), QLatin1String(shown));
        EXPECT_FALSE(Checked(command));
        EXPECT_EQ(VideoAreaHeight(), 240);
        if (command == IDM_ANSICHT_STATUSBAR) {
            EXPECT_EQ(std::tuple(window->height(), settings->statusBar),
                      std::tuple(height - statusHeight, 0));
        }
        if (command == IDM_ANSICHT_TITLEBAR) {
            // Without its caption the window keeps the frame it is sized by.
            EXPECT_FALSE(window->windowFlags() & (Qt::WindowTitleHint | Qt::FramelessWindowHint));
            EXPECT_TRUE((Style() & WS_THICKFRAME) &&
                        window->minimumSize() != window->maximumSize());
        }
        Command(command);
    }
    EXPECT_EQ(window->height(), height);

    Command(IDM_ANSICHT_VIDEOPUR);
    EXPECT_EQ(ShownBars(), QString());
    EXPECT_EQ(ClientSize(), QSize(320, 240));
    EXPECT_TRUE(Checked(IDM_ANSICHT_VIDEOPUR) && !Enabled(IDM_ANSICHT_STATUSBAR));
    EXPECT_EQ(settings->statusBar, 1);  // the bar settings stay as they were
    EXPECT_FALSE(window->windowFlags() & (Qt::FramelessWindowHint | Qt::WindowTitleHint));
    Command(IDM_ANSICHT_VIDEOPUR);
    EXPECT_EQ(settings->compactView, 0);
    EXPECT_EQ(ShownBars(), u"title menu tool status position"_s);

    // Maximise and restore swap their items, also from the window manager's buttons.
    const auto maximised = [this](bool on) {
        EXPECT_EQ(window->isMaximized(), on);
        EXPECT_EQ(std::pair(Enabled(IDM_ANSICHT_WIEDERHERSTELLEN), Enabled(IDM_ANSICHT_MAXIMIEREN)),
                  std::pair(on, !on));
    };
    Command(IDM_ANSICHT_MAXIMIEREN);
    maximised(true);
    Command(IDM_ANSICHT_WIEDERHERSTELLEN);
    maximised(false);
    window->setWindowState(Qt::WindowMaximized);
    maximised(true);

    // Always on top from the button or the key, the button's face showing it.
    const auto onTop = [this] {
        return std::tuple(settings->alwaysOnTop, ButtonImage(IDTBB_ONTOP),
                          window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    };
    EXPECT_EQ(onTop(), std::tuple(0, 17, false));
    window->Menus().ToolButton(IDTBB_ONTOP)->trigger();
    EXPECT_EQ(onTop(), std::tuple(1, 26, true));
    Key('T');
    EXPECT_EQ(onTop(), std::tuple(0, 17, false));
}

// Docked at the bottom the toolbar lies above the status bar, with all its
// rows: a narrow window wraps its buttons.
TEST_F(GeometryTest, StoredBarsApplyAtStartAndTheToolbarWrapsInANarrowWindow) {
    settings->titleBar = 0;
    settings->toolBarPos = 1;
    Start();
    EXPECT_EQ(ShownBars(), u"menu tool status position"_s);
    EXPECT_FALSE(Checked(IDM_ANSICHT_TITLEBAR));
    const int oneRow = ToolBar()->height();
    OpenFile(Media("multi.mkv"));  // 320 pixels wide: the buttons need two rows
    EXPECT_EQ(ToolBar()->height(), 2 * oneRow - 4);
    for (QAction* button : ToolBar()->actions()) {
        EXPECT_TRUE(ToolBar()->rect().contains(ToolBar()->widgetForAction(button)->geometry()));
    }
    EXPECT_EQ(ToolBar()->geometry().bottom() + 1, StatusBar()->geometry().top());
    EXPECT_GE(ToolBar()->geometry().top(), PositionSlider()->geometry().bottom() + 1);
    EXPECT_EQ(Video()->geometry(), QRect(0, 0, 320, 240));
}

TEST_F(GeometryTest, BarKeysAreIgnoredInFullscreenAndRealKeysReachTheKeyTable) {
    Start(Media("multi.mkv"));
    Key(VK_F8);
    EXPECT_EQ(ShownBars(), u"title menu tool position"_s);
    Key(VK_F8);
    Key('V');
    Key('K');
    Key(VK_F7);
    Key(VK_ESCAPE);
    EXPECT_EQ(ShownBars(), u"title menu tool status position"_s);
    Key('K');
    EXPECT_EQ(ShownBars(), QString());

    QKeyEvent press(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, u" "_s);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier, u" "_s);
    // Sent to a child: the window takes it before the slider could.
    QApplication::sendEvent(PositionSlider(), &press);
    QApplication::sendEvent(PositionSlider(), &release);
    EXPECT_FALSE(Playing());
    QTest::keyClick(window.get(), Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_TRUE(window->isVisible());  // Enter does not end the dialog
}

}  // namespace
