// The toolbar's buttons and faces, its re-creation and its docking.
#include "PlayerWindow.h"

namespace {

using ToolBarTest = PlayerWindowTest;

TEST_F(ToolBarTest, ButtonsInTheirPlacesRunTheirCommands) {
    Start(Media("multi.mkv"));
    ASSERT_EQ(ToolBar()->actions().size(), 22);
    EXPECT_EQ(ButtonImage(IDTBB_SCREENSHOT), 29);
    EXPECT_FALSE(window->ToolButton(IDTBB_PLAY)->icon().isNull());
    EXPECT_EQ(ToolBar()->widgetForAction(window->ToolButton(IDTBB_OPEN))->size(), QSize(23, 22));

    EXPECT_EQ(ButtonImage(IDTBB_ONTOP), 17);
    window->ToolButton(IDTBB_ONTOP)->trigger();
    EXPECT_EQ(settings->alwaysOnTop, 1);
    EXPECT_TRUE(window->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(ButtonImage(IDTBB_ONTOP), 26);
    Key('T');
    EXPECT_EQ(settings->alwaysOnTop, 0);
    EXPECT_FALSE(window->windowFlags() & Qt::WindowStaysOnTopHint);

    // Re-creation keeps states, faces and visibility.
    Key('L');
    const QString loopTip = window->ToolButton(IDTBB_LOOP)->toolTip();
    window->CreateToolBar();
    EXPECT_EQ(ButtonImage(IDTBB_LOOP), 9);
    EXPECT_EQ(window->ToolButton(IDTBB_LOOP)->toolTip(), loopTip);
    EXPECT_TRUE(ButtonEnabled(IDTBB_PLAY));
    EXPECT_FALSE(ButtonEnabled(IDTBB_ROOTMENU));
    Key(VK_F7);
    window->CreateToolBar();
    EXPECT_TRUE(ToolBar()->isHidden());
}

TEST_F(ToolBarTest, DockedAtTheBottomItLiesAboveTheStatusBar) {
    settings->toolBarPos = 1;
    Start(Media("multi.mkv"));
    const QRect bar = ToolBar()->geometry();
    EXPECT_EQ(bar.bottom() + 1, StatusBar()->geometry().top());
    EXPECT_GE(bar.top(), PositionSlider()->geometry().bottom() + 1);
    EXPECT_EQ(Video()->geometry().top(), 0);
    EXPECT_EQ(VideoAreaHeight(), 240);
}

}  // namespace
