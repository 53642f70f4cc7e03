// The toolbar's buttons, faces, states, re-creation and docking.
#include "PlayerWindow.h"

#include "ui/PlayerStatusBar.h"

namespace velvaro::test {
namespace {

using ToolBarTest = PlayerWindowTest;

TEST_F(ToolBarTest, TwentyTwoItemsInOrderWithImagesAndTooltips) {
    Start();
    const QList<QAction*> items = window->ToolBar()->actions();
    ASSERT_EQ(items.size(), 22);
    const int ids[] = {IDTBB_OPEN,
                       IDTBB_SEP,
                       IDTBB_PREVTRACKCHAPTER,
                       IDTBB_FASTBACKWARD,
                       IDTBB_PLAY,
                       IDTBB_PAUSE,
                       IDTBB_STOP,
                       IDTBB_FASTFORWARD,
                       IDTBB_NEXTTRACKCHAPTER,
                       IDTBB_SEP,
                       IDTBB_ROOTMENU,
                       IDTBB_RESUME,
                       IDTBB_LOOP,
                       IDTBB_JUMPLASTPOSITION,
                       IDTBB_SEP,
                       IDTBB_CLIPPING,
                       IDTBB_MUTE,
                       IDTBB_ONTOP,
                       IDTBB_SHUTDOWN,
                       IDTBB_SCREENSHOT,
                       IDTBB_SEP,
                       IDTBB_QUIT};
    for (int i = 0; i < 22; ++i) {
        EXPECT_EQ(CommandId(items[i]), ids[i]) << i;
        EXPECT_EQ(items[i]->isSeparator(), ids[i] == IDTBB_SEP) << i;
    }
    EXPECT_EQ(window->ToolButtonImage(IDTBB_SCREENSHOT), 29);
    EXPECT_EQ(window->ToolButtonImage(IDTBB_LOOP), 10);
    EXPECT_EQ(window->ToolButtonImage(IDTBB_ONTOP), 17);
    EXPECT_FALSE(window->ToolButton(IDTBB_PLAY)->icon().isNull());
    EXPECT_EQ(window->ToolBar()->widgetForAction(window->ToolButton(IDTBB_OPEN))->size(),
              QSize(23, 22));
}

TEST_F(ToolBarTest, PressingAButtonRunsItsCommand) {
    Start(Media("multi.mkv"));
    window->ToolButton(IDTBB_PAUSE)->trigger();
    EXPECT_EQ(window->PlayState(), 1);
    window->ToolButton(IDTBB_ONTOP)->trigger();
    EXPECT_EQ(settings->alwaysOnTop, 1);
    EXPECT_TRUE(window->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(window->ToolButtonImage(IDTBB_ONTOP), 26);
    window->ToolButton(IDTBB_ONTOP)->trigger();
    EXPECT_EQ(settings->alwaysOnTop, 0);
}

TEST_F(ToolBarTest, RecreationKeepsStatesFacesAndVisibility) {
    Start(Media("multi.mkv"));
    Key('L');
    const QString loopTip = window->ToolButton(IDTBB_LOOP)->toolTip();
    window->CreateToolBar();
    EXPECT_EQ(window->ToolButtonImage(IDTBB_LOOP), 9);
    EXPECT_EQ(window->ToolButton(IDTBB_LOOP)->toolTip(), loopTip);
    EXPECT_TRUE(ButtonEnabled(IDTBB_PLAY));
    EXPECT_FALSE(ButtonEnabled(IDTBB_ROOTMENU));

    Key(VK_F7);
    window->CreateToolBar();
    EXPECT_TRUE(window->ToolBar()->isHidden());
}

TEST_F(ToolBarTest, DockedAtTheBottomItLiesAboveTheStatusBar) {
    settings->toolBarPos = 1;
    Start(Media("multi.mkv"));
    const QRect bar = window->ToolBar()->geometry();
    const QRect status = window->StatusBar()->geometry();
    const QRect slider = window->PositionSlider()->geometry();
    EXPECT_EQ(bar.bottom() + 1, status.top());
    EXPECT_GE(bar.top(), slider.bottom() + 1);
    EXPECT_EQ(Video()->geometry().top(), 0);
    EXPECT_EQ(VideoAreaHeight(), 240);
}

TEST_F(ToolBarTest, ResettingForNoMediumShowsTheFillFace) {
    Start(Media("multi.mkv"));
    Command(IDM_VIDEO_FILLSCREEN);
    Command(IDM_VIDEO_TOGGLECLIPPINGFULL);  // now fill without clipping
    EXPECT_EQ(window->ToolButtonImage(IDTBB_CLIPPING), 16);
    Command(IDM_DATEI_SCHLIESSEN);
    EXPECT_EQ(window->ToolButtonImage(IDTBB_CLIPPING), 27);
    EXPECT_FALSE(ButtonEnabled(IDTBB_CLIPPING));
}

}  // namespace
}  // namespace velvaro::test
