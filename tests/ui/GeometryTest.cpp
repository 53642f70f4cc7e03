// Zoom and fill arithmetic, the destination rectangle, bars, compact view
// and the window states.
#include "PlayerWindow.h"

#include "ui/PlayerStatusBar.h"

#include <QMenuBar>

namespace velvaro::test {
namespace {

using GeometryTest = PlayerWindowTest;

TEST_F(GeometryTest, ShrinkingStopsAtFivePercent) {
    Start(Media("multi.mkv"));
    settings->aspectRatio = 0;
    for (int i = 0; i < 19; ++i) {
        Command(IDM_VIDEO_VERKLEINERN_LINKSRECHTS);
    }
    EXPECT_NEAR(window->HorizontalZoom(), 0.05, 1e-9);
    EXPECT_EQ(window->StatusText(2), QStringLiteral("5%"));
    Command(IDM_VIDEO_VERKLEINERN_LINKSRECHTS);
    EXPECT_NEAR(window->HorizontalZoom(), 0.05, 1e-9);
    EXPECT_EQ(window->StatusText(3), QStringLiteral("100%"));
}

TEST_F(GeometryTest, KeepAspectMovesBothFactorsAndTakesTheLarger) {
    Start(Media("multi.mkv"));
    ASSERT_EQ(settings->aspectRatio, 1);
    Command(IDM_VIDEO_VERGROESSERN_LINKSRECHTS);
    EXPECT_DOUBLE_EQ(window->VerticalZoom(), 1.05);
    Command(IDM_VIDEO_ASPECTRATIO);  // off
    EXPECT_FALSE(Checked(IDM_VIDEO_ASPECTRATIO));
    for (int i = 0; i < 3; ++i) {
        Command(IDM_VIDEO_VERGROESSERN_LINKSRECHTS);
    }
    for (int i = 0; i < 3; ++i) {
        Command(IDM_VIDEO_VERKLEINERN_OBENUNTEN);
    }
    EXPECT_NEAR(window->HorizontalZoom(), 1.2, 1e-9);
    EXPECT_NEAR(window->VerticalZoom(), 0.9, 1e-9);
    Command(IDM_VIDEO_ASPECTRATIO);
    EXPECT_TRUE(Checked(IDM_VIDEO_ASPECTRATIO));
    EXPECT_NEAR(window->VerticalZoom(), 1.2, 1e-9);
    Command(IDM_VIDEO_RESET);
    EXPECT_DOUBLE_EQ(window->HorizontalZoom(), 1.0);
    EXPECT_EQ(window->ZoomMode(), 0);
}

TEST_F(GeometryTest, DestinationIsCentredAndGoesNegativeWhenLarger) {
    Start(Media("multi.mkv"));
    EXPECT_EQ(Video()->Destination(), QRect(0, 0, 320, 240));
    for (int i = 0; i < 4; ++i) {
        Command(IDM_VIDEO_VERGROESSERN_OBENUNTEN);  // 1.2 both ways
    }
    EXPECT_EQ(Video()->Destination(), QRect(-32, -24, 384, 288));
    EXPECT_EQ(window->StatusText(5), QStringLiteral("384 x 288"));
    EXPECT_EQ(Video()->geometry(), QRect(0, window->ToolBar()->height(), 320, 240));
}

TEST_F(GeometryTest, FillModesOfAWideVideoInANarrowArea) {
    Start(Media("mpeg2-169.mpg"));
    int width = 0;
    int height = 0;
    window->Player()->GetVideoSize(&width, &height);
    ASSERT_NEAR(static_cast<double>(width) / height, 16.0 / 9, 0.02);
    Command(IDM_ANSICHT_ORIGINAL);
    window->SetVideoWindowSize(400, 300, false);  // a 4:3 area
    Command(IDM_VIDEO_FILLSCREENWITHOUTCLIPPING);
    EXPECT_DOUBLE_EQ(window->HorizontalZoom(), 400.0 / width);
    EXPECT_EQ(window->ZoomMode(), 3);
    const QRect inside = Video()->Destination();
    EXPECT_EQ(inside.left(), 0);
    EXPECT_GT(inside.top(), 0);  // bars above and below
    EXPECT_EQ(inside.top(), (300 - inside.height()) / 2);

    Command(IDM_VIDEO_FILLSCREEN);  // the height fills, the sides are cut
    EXPECT_DOUBLE_EQ(window->VerticalZoom(), 300.0 / height);
    EXPECT_LT(Video()->Destination().left(), 0);
    EXPECT_EQ(window->ToolButtonImage(IDTBB_CLIPPING), 27);

    Command(IDM_VIDEO_ASPECTRATIO);  // stretched
    Command(IDM_VIDEO_FILLSCREEN);
    EXPECT_EQ(Video()->Destination(), QRect(0, 0, 400, 300));

    Command(IDM_VIDEO_TOGGLECLIPPINGFULL);
    EXPECT_EQ(window->ZoomMode(), 3);
    EXPECT_EQ(window->ToolButtonImage(IDTBB_CLIPPING), 16);
    Command(IDM_VIDEO_TOGGLECLIPPINGFULL);
    EXPECT_EQ(window->ZoomMode(), 2);
}

TEST_F(GeometryTest, UserResizeRefitsWithoutClipping) {
    Start(Media("multi.mkv"));
    Command(IDM_VIDEO_VERGROESSERN_LINKSRECHTS);
    EXPECT_EQ(window->ZoomMode(), 1);
    window->resize(window->width() + 320, window->height());
    EXPECT_EQ(window->ZoomMode(), 3);
    // The height limits it (the toolbar may have lost a row in the wider window).
    EXPECT_DOUBLE_EQ(window->HorizontalZoom(), VideoAreaHeight() / 240.0);
    EXPECT_DOUBLE_EQ(window->VerticalZoom(), window->HorizontalZoom());
}

TEST_F(GeometryTest, BarTogglesShrinkTheWindowAroundTheVideo) {
    Start(Media("multi.mkv"));
    const int statusHeight = window->StatusBar()->height();
    const int height = window->height();
    Command(IDM_ANSICHT_STATUSBAR);
    EXPECT_EQ(settings->statusBar, 0);
    EXPECT_FALSE(Checked(IDM_ANSICHT_STATUSBAR));
    EXPECT_EQ(window->height(), height - statusHeight);
    EXPECT_EQ(VideoAreaHeight(), 240);
    Command(IDM_ANSICHT_STATUSBAR);
    EXPECT_EQ(window->height(), height);

    Command(IDM_ANSICHT_POSITIONSBAR);
    EXPECT_EQ(window->PositionSlider()->height(), 0);
    Command(IDM_ANSICHT_POSITIONSBAR);
    EXPECT_GT(window->PositionSlider()->height(), 0);

    Command(IDM_ANSICHT_MENUBAR);
    EXPECT_TRUE(window->MainMenu()->isHidden());
    EXPECT_EQ(window->ClientArea()->y(), 0);
    Command(IDM_ANSICHT_MENUBAR);
    EXPECT_GT(window->ClientArea()->y(), 0);

    Command(IDM_ANSICHT_TITLEBAR);
    EXPECT_FALSE(window->Style() & WS_CAPTION);
    EXPECT_TRUE(window->windowFlags() & Qt::FramelessWindowHint);
    Command(IDM_ANSICHT_TITLEBAR);
    EXPECT_TRUE(window->Style() & WS_CAPTION);
    EXPECT_EQ(VideoAreaHeight(), 240);
}

TEST_F(GeometryTest, CompactViewHidesEveryBarAndGreysTheirItems) {
    Start(Media("multi.mkv"));
    Command(IDM_ANSICHT_VIDEOPUR);
    EXPECT_EQ(settings->compactView, 1);
    EXPECT_TRUE(Checked(IDM_ANSICHT_VIDEOPUR));
    EXPECT_TRUE(window->ToolBar()->isHidden());
    EXPECT_TRUE(window->StatusBar()->isHidden());
    EXPECT_TRUE(window->MainMenu()->isHidden());
    EXPECT_FALSE(window->Style() & WS_CAPTION);
    EXPECT_EQ(window->ClientSize(), QSize(320, 240));
    EXPECT_FALSE(Enabled(IDM_ANSICHT_STATUSBAR));
    // The bar settings themselves stay as they were.
    EXPECT_EQ(settings->statusBar, 1);
    Command(IDM_ANSICHT_VIDEOPUR);
    EXPECT_EQ(settings->compactView, 0);
    EXPECT_FALSE(window->ToolBar()->isHidden());
    EXPECT_TRUE(Enabled(IDM_ANSICHT_STATUSBAR));
    EXPECT_EQ(VideoAreaHeight(), 240);
}

TEST_F(GeometryTest, StoredHiddenBarsAndCompactViewApplyAtStart) {
    settings->titleBar = 0;
    settings->statusBar = 0;
    Start();
    EXPECT_EQ(settings->titleBar, 0);
    EXPECT_FALSE(window->Style() & WS_CAPTION);
    EXPECT_TRUE(window->StatusBar()->isHidden());
    EXPECT_FALSE(Checked(IDM_ANSICHT_STATUSBAR));
    EXPECT_TRUE(Checked(IDM_ANSICHT_TOOLBAR));
}

TEST_F(GeometryTest, ToolbarWrapsIntoRowsInANarrowWindow) {
    Start();
    const int oneRow = window->ToolBar()->height();
    Start(Media("multi.mkv"));  // 320 pixels wide: the buttons need two rows
    EXPECT_EQ(window->ToolBar()->height(), 2 * oneRow - 4);
    for (QAction* button : window->ToolBar()->actions()) {
        const QWidget* face = window->ToolBar()->widgetForAction(button);
        if (!button->isSeparator()) {
            EXPECT_TRUE(window->ToolBar()->rect().contains(face->geometry())) << CommandId(button);
        }
    }
    EXPECT_EQ(VideoAreaHeight(), 240);
    EXPECT_EQ(Video()->geometry().top(), window->ToolBar()->height());
}

TEST_F(GeometryTest, MaximiseAndRestoreSwapTheirItems) {
    Start(Media("multi.mkv"));
    SendMessage(window.get(), WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    EXPECT_TRUE(window->isMaximized());
    EXPECT_TRUE(Enabled(IDM_ANSICHT_WIEDERHERSTELLEN));
    EXPECT_FALSE(Enabled(IDM_ANSICHT_MAXIMIEREN));
    Command(IDM_ANSICHT_WIEDERHERSTELLEN);
    EXPECT_FALSE(window->isMaximized());
    EXPECT_FALSE(Enabled(IDM_ANSICHT_WIEDERHERSTELLEN));
    EXPECT_TRUE(Enabled(IDM_ANSICHT_MAXIMIEREN));

    // The window manager's own buttons keep the items in step too.
    window->setWindowState(Qt::WindowMaximized);
    EXPECT_TRUE(Enabled(IDM_ANSICHT_WIEDERHERSTELLEN));
    EXPECT_FALSE(Enabled(IDM_ANSICHT_MAXIMIEREN));
    window->setWindowState(Qt::WindowNoState);
    EXPECT_FALSE(Enabled(IDM_ANSICHT_WIEDERHERSTELLEN));
}

}  // namespace
}  // namespace velvaro::test
