// Fullscreen on a real engine: the window and its bars before and after, the
// two zoom pairs, menu states, the display mode from the settings (on a
// fake mode list, never a real monitor), the resting cursor and the
// bookmark editor beside the window.
#include "PlayerWindow.h"

#include "platform/DisplayModes.h"
#include "ui/PlayerStatusBar.h"

#include <QGuiApplication>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QScreen>

namespace velvaro::test {
namespace {

// A monitor that could show these modes; it keeps what was asked of it.
class RecordingDisplayModes : public ListedDisplayModes {
public:
    explicit RecordingDisplayModes(std::vector<std::string>* calls)
        : ListedDisplayModes({{1280, 800, 60.0}, {1024, 768, 60.0}, {800, 600, 60.0}}, 0),
          calls_(calls) {}

    bool ChangeForFullscreen(int width, int height) override {
        calls_->push_back("change " + std::to_string(width) + " x " + std::to_string(height));
        return ListedDisplayModes::ChangeForFullscreen(width, height);
    }
    bool RestoreRegisteredMode() override {
        calls_->push_back("restore");
        return ListedDisplayModes::RestoreRegisteredMode();
    }

private:
    std::vector<std::string>* calls_;
};

constexpr int kGreyedInFullscreen[] = {
    IDM_ANSICHT_VIDEOPUR,         IDM_ANSICHT_TITLEBAR,     IDM_ANSICHT_MENUBAR,
    IDM_ANSICHT_TOOLBAR,          IDM_ANSICHT_POSITIONSBAR, IDM_ANSICHT_STATUSBAR,
    IDM_ANSICHT_WIEDERHERSTELLEN, IDM_ANSICHT_MAXIMIEREN,   IDM_ANSICHT_ORIGINAL,
    IDM_ANSICHT_BOOKMARKEDITOR,
};

class FullscreenTest : public PlayerWindowTest {
protected:
    void SetUp() override {
        PlayerWindowTest::SetUp();
        auto fake = std::make_unique<RecordingDisplayModes>(&displayCalls);
        display = fake.get();
        realDisplays = ReplaceDisplays(std::move(fake));
    }
    void TearDown() override {
        PlayerWindowTest::TearDown();
        ReplaceDisplays(std::move(realDisplays));
    }

    void UseDisplaySettings(const std::string& text) {
        settings->displaySettings = text;
        settings->ParseDisplaySettings();
    }

    // A mouse movement over the client area, as the window system delivers it.
    void MoveMouse(QPoint point) {
        QMouseEvent move(QEvent::MouseMove, point, window->ClientArea()->mapToGlobal(point),
                         Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(window->ClientArea(), &move);
    }
    void MouseMoveTimer() { SendMessage(window.get(), WM_TIMER, ID_MouseMove_Timer, 0); }

    // The window system gives a window its fullscreen size in its own time,
    // as it does on a real desktop.
    void EnterAndSettle() {
        Command(IDM_ANSICHT_VOLLBILD);
        ASSERT_TRUE(window->IsFullscreen());
        ASSERT_TRUE(WaitFor([this] { return window->geometry() == Screen(); }))
            << "the window never covered the screen";
        Spin(20);
    }

    bool VideoCursorHidden() const { return Video()->cursor().shape() == Qt::BlankCursor; }
    bool ClientCursorHidden() const {
        return window->ClientArea()->cursor().shape() == Qt::BlankCursor;
    }

    static QRect Screen() { return QGuiApplication::primaryScreen()->geometry(); }

    std::vector<std::string> displayCalls;
    RecordingDisplayModes* display = nullptr;
    std::unique_ptr<DisplayModes> realDisplays;
};

TEST_F(FullscreenTest, EnteringCoversTheScreenLeavingRestoresWindowAndBars) {
    Start(Media("multi.mkv"));
    const QRect before = window->geometry();
    const int positionBarHeight = window->PositionSlider()->height();
    ASSERT_GT(positionBarHeight, 0);

    EnterAndSettle();
    EXPECT_TRUE(window->windowState() & Qt::WindowFullScreen);
    EXPECT_FALSE(window->Style() & WS_CAPTION);
    EXPECT_TRUE(window->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(window->StatusBar()->isHidden());
    EXPECT_TRUE(window->ToolBar()->isHidden());
    EXPECT_TRUE(window->MainMenu()->isHidden());
    EXPECT_EQ(window->PositionSlider()->height(), 0);
    EXPECT_EQ(window->VolumeSlider()->height(), 0);
    // The whole screen is video area.
    EXPECT_EQ(window->ClientSize(), Screen().size());
    EXPECT_EQ(Video()->geometry(), QRect(QPoint(0, 0), Screen().size()));
    for (int id : kGreyedInFullscreen) {
        EXPECT_FALSE(Enabled(id)) << "command " << id;
    }
    EXPECT_TRUE(Checked(IDM_ANSICHT_VOLLBILD));
    // The context menu has no check for it.
    for (QAction* item : FindCommands(window->ContextMenu(), IDM_ANSICHT_VOLLBILD)) {
        EXPECT_FALSE(item->isChecked());
    }

    Command(IDTBB_VOLLBILD);  // the button toggles as the menu does
    Spin(50);
    ASSERT_FALSE(window->IsFullscreen());
    EXPECT_FALSE(window->windowState() & Qt::WindowFullScreen);
    EXPECT_EQ(window->geometry(), before);
    EXPECT_TRUE(window->Style() & WS_CAPTION);
    EXPECT_FALSE(window->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_FALSE(window->StatusBar()->isHidden());
    EXPECT_FALSE(window->ToolBar()->isHidden());
    EXPECT_FALSE(window->MainMenu()->isHidden());
    EXPECT_EQ(window->PositionSlider()->height(), positionBarHeight);
    EXPECT_EQ(Video()->geometry(), QRect(0, window->ToolBar()->height(), 320, 240));
    ExpectState({.enabledCommands = std::vector<int>{
                     IDM_ANSICHT_VIDEOPUR, IDM_ANSICHT_TITLEBAR, IDM_ANSICHT_MENUBAR,
                     IDM_ANSICHT_TOOLBAR, IDM_ANSICHT_POSITIONSBAR, IDM_ANSICHT_STATUSBAR,
                     IDM_ANSICHT_ORIGINAL, IDM_ANSICHT_MAXIMIEREN, IDM_ANSICHT_BOOKMARKEDITOR}});
    EXPECT_FALSE(Checked(IDM_ANSICHT_VOLLBILD));
}

TEST_F(FullscreenTest, OnlyTheBarsThatAreSwitchedOnComeBack) {
    settings->statusBar = 0;
    settings->toolBar = 0;
    Start(Media("multi.mkv"));
    const QRect before = window->geometry();
    Key('V');
    ASSERT_TRUE(window->IsFullscreen());
    Key('V');
    ASSERT_FALSE(window->IsFullscreen());
    EXPECT_EQ(window->geometry(), before);
    EXPECT_TRUE(window->StatusBar()->isHidden());
    EXPECT_TRUE(window->ToolBar()->isHidden());
    EXPECT_FALSE(window->MainMenu()->isHidden());
    EXPECT_GT(window->PositionSlider()->height(), 0);
    EXPECT_EQ(settings->statusBar, 0);
    EXPECT_EQ(settings->toolBar, 0);
}

TEST_F(FullscreenTest, CompactViewStaysCompactAndItsBarItemsGrey) {
    settings->compactView = 1;
    Start(Media("multi.mkv"));
    ASSERT_TRUE(window->StatusBar()->isHidden());
    const QRect before = window->geometry();
    Command(IDM_ANSICHT_VOLLBILD);
    Command(IDM_ANSICHT_VOLLBILD);
    EXPECT_EQ(window->geometry(), before);
    EXPECT_TRUE(window->StatusBar()->isHidden());
    EXPECT_TRUE(window->ToolBar()->isHidden());
    EXPECT_TRUE(window->MainMenu()->isHidden());
    EXPECT_FALSE(window->Style() & WS_CAPTION);
    EXPECT_TRUE(Enabled(IDM_ANSICHT_VIDEOPUR));
    EXPECT_FALSE(Enabled(IDM_ANSICHT_STATUSBAR));
    EXPECT_FALSE(Enabled(IDM_ANSICHT_TITLEBAR));
}

TEST_F(FullscreenTest, TopmostOnlyForFullscreenUnlessAlwaysOnTop) {
    settings->alwaysOnTop = 1;
    Start(Media("multi.mkv"));
    ASSERT_TRUE(window->windowFlags() & Qt::WindowStaysOnTopHint);
    Command(IDM_ANSICHT_VOLLBILD);
    Command(IDM_ANSICHT_VOLLBILD);
    EXPECT_TRUE(window->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(settings->alwaysOnTop, 1);
}

TEST_F(FullscreenTest, FirstFullscreenFitsAndEachModeKeepsItsOwnZoom) {
    Start(Media("multi.mkv"));
    ASSERT_EQ(settings->aspectRatio, 1);
    Command(IDM_VIDEO_VERGROESSERN_LINKSRECHTS);
    Command(IDM_VIDEO_VERGROESSERN_LINKSRECHTS);
    ASSERT_DOUBLE_EQ(window->VerticalZoom(), 1.1);

    EnterAndSettle();
    // Fitted without clipping: a 4:3 picture on the screen.
    const double fitted = std::min(Screen().width() / 320.0, Screen().height() / 240.0);
    EXPECT_DOUBLE_EQ(window->HorizontalZoom(), fitted);
    EXPECT_EQ(window->ZoomMode(), 3);
    Command(IDM_VIDEO_VERKLEINERN_OBENUNTEN);
    const double fullscreenZoom = fitted - 0.05;
    EXPECT_DOUBLE_EQ(window->VerticalZoom(), fullscreenZoom);

    Command(IDM_ANSICHT_VOLLBILD);
    Spin(50);  // nothing that arrives later refits
    EXPECT_DOUBLE_EQ(window->HorizontalZoom(), 1.1);
    EXPECT_DOUBLE_EQ(window->VerticalZoom(), 1.1);
    EXPECT_EQ(Video()->Destination().width(), 352);

    // Back to a fitting zoom in the window; that is the window's business.
    Command(IDM_VIDEO_FILLSCREENWITHOUTCLIPPING);
    ASSERT_EQ(window->ZoomMode(), 3);
    EXPECT_DOUBLE_EQ(window->VerticalZoom(), 1.0);

    EnterAndSettle();  // no second fit: the fullscreen pair is back
    EXPECT_DOUBLE_EQ(window->VerticalZoom(), fullscreenZoom);
    EXPECT_DOUBLE_EQ(window->HorizontalZoom(), fullscreenZoom);
    Command(IDM_ANSICHT_VOLLBILD);
    EXPECT_DOUBLE_EQ(window->VerticalZoom(), 1.0);

    Spin(50);
    OpenFile(Media("multi.mkv"));  // a new medium resets both pairs and fits again
    EXPECT_DOUBLE_EQ(window->VerticalZoom(), 1.0);
    EnterAndSettle();
    EXPECT_DOUBLE_EQ(window->VerticalZoom(), fitted);
}

TEST_F(FullscreenTest, NeedsVideo) {
    Start();
    Command(IDM_ANSICHT_VOLLBILD);
    window->EnterFullscreen();
    EXPECT_FALSE(window->IsFullscreen());
    OpenFile(Media("audio.mp3"));
    Command(IDM_ANSICHT_VOLLBILD);
    window->EnterFullscreen();
    EXPECT_FALSE(window->IsFullscreen());
    EXPECT_FALSE(window->windowState() & Qt::WindowFullScreen);
    window->LeaveFullscreen();  // not in fullscreen: nothing to leave
    EXPECT_FALSE(window->windowState() & Qt::WindowFullScreen);
    EXPECT_TRUE(displayCalls.empty());
}

TEST_F(FullscreenTest, MinimiseAndClosingLeaveFullscreen) {
    Start(Media("multi.mkv"));
    const QRect before = window->geometry();
    Command(IDM_ANSICHT_VOLLBILD);
    Command(IDM_ANSICHT_MINIMIEREN);
    EXPECT_FALSE(window->IsFullscreen());
    EXPECT_TRUE(window->windowState() & Qt::WindowMinimized);
    EXPECT_FALSE(Checked(IDM_ANSICHT_VOLLBILD));

    window->showNormal();
    EXPECT_EQ(window->geometry(), before);
    Command(IDM_ANSICHT_VOLLBILD);
    Command(IDM_DATEI_SCHLIESSEN);
    EXPECT_FALSE(window->IsFullscreen());
    EXPECT_FALSE(window->windowState() & Qt::WindowFullScreen);
    EXPECT_FALSE(window->StatusBar()->isHidden());
}

TEST_F(FullscreenTest, AnUnplayableFileOpenedInFullscreenEndsIt) {
    UseDisplaySettings("800 x 600");
    Start(Media("multi.mkv"));
    const QRect before = window->geometry();
    EnterAndSettle();
    std::string caption;
    AnswerMessageBox(&caption);
    window->OpenMedia(QString::fromStdString(Media("not-media.avi")), false);
    EXPECT_EQ(window->Player(), nullptr);
    EXPECT_FALSE(window->IsFullscreen());
    EXPECT_FALSE(window->windowState() & Qt::WindowFullScreen);
    EXPECT_TRUE(window->Style() & WS_CAPTION);
    EXPECT_FALSE(window->StatusBar()->isHidden());
    EXPECT_FALSE(window->MainMenu()->isHidden());
    EXPECT_TRUE(window->IsSystemCursorShown());
    EXPECT_EQ(display->CurrentMode(), (DisplayMode{1280, 800, 60.0}));
    EXPECT_EQ(window->geometry().topLeft(), before.topLeft());
    EXPECT_FALSE(Checked(IDM_ANSICHT_VOLLBILD));
}

TEST_F(FullscreenTest, DisplayModeFromTheSettingsWhileInFullscreen) {
    UseDisplaySettings("800 x 600");
    ASSERT_EQ(settings->displayWidth, 800);
    Start(Media("multi.mkv"));
    EXPECT_TRUE(displayCalls.empty());
    Command(IDM_ANSICHT_VOLLBILD);
    EXPECT_EQ(displayCalls, std::vector<std::string>{"change 800 x 600"});
    EXPECT_EQ(display->CurrentMode(), (DisplayMode{800, 600, 60.0}));
    EXPECT_TRUE(window->DisplayModeChanged());
    window->EnterFullscreen();  // already in fullscreen: no second change
    EXPECT_EQ(displayCalls.size(), 1u);

    Command(IDM_ANSICHT_VOLLBILD);
    EXPECT_EQ(displayCalls, (std::vector<std::string>{"change 800 x 600", "restore"}));
    EXPECT_EQ(display->CurrentMode(), (DisplayMode{1280, 800, 60.0}));
}

TEST_F(FullscreenTest, CurrentOrUnreadableDisplaySettingsLeaveTheModeAlone) {
    for (const char* text : {"Current", "800x600", ""}) {
        SCOPED_TRACE(text);
        UseDisplaySettings(text);
        ASSERT_EQ(settings->displayWidth, 0);
        Start(Media("multi.mkv"));
        Command(IDM_ANSICHT_VOLLBILD);
        ASSERT_TRUE(window->IsFullscreen());
        EXPECT_FALSE(window->DisplayModeChanged());
        Command(IDM_ANSICHT_VOLLBILD);
        EXPECT_TRUE(displayCalls.empty());
        EXPECT_EQ(display->CurrentMode(), (DisplayMode{1280, 800, 60.0}));
        window.reset();
    }
}

TEST_F(FullscreenTest, AModeTheDisplayLacksIsStillRestoredAfterwards) {
    UseDisplaySettings("1600 x 1200");
    Start(Media("multi.mkv"));
    Command(IDM_ANSICHT_VOLLBILD);
    EXPECT_TRUE(window->IsFullscreen());
    EXPECT_TRUE(window->DisplayModeChanged());
    EXPECT_EQ(display->CurrentMode(), (DisplayMode{1280, 800, 60.0}));
    Command(IDM_ANSICHT_VOLLBILD);
    EXPECT_EQ(displayCalls, (std::vector<std::string>{"change 1600 x 1200", "restore"}));
}

TEST_F(FullscreenTest, CursorHidesAtRestAndReturnsWithMovement) {
    Start(Media("multi.mkv"));
    EXPECT_FALSE(VideoCursorHidden());
    EXPECT_FALSE(ClientCursorHidden());
    Command(IDM_ANSICHT_VOLLBILD);
    EXPECT_FALSE(window->IsCursorShown());
    EXPECT_TRUE(VideoCursorHidden());
    EXPECT_TRUE(ClientCursorHidden());
    EXPECT_FALSE(window->IsSystemCursorShown());

    MoveMouse({100, 100});
    MouseMoveTimer();
    EXPECT_TRUE(window->IsCursorShown());
    EXPECT_FALSE(VideoCursorHidden());
    EXPECT_FALSE(ClientCursorHidden());

    // The window's own 40 ms timer hides it once the mouse has rested.
    ASSERT_TRUE(WaitFor([this] { return !window->IsCursorShown(); }, 3000));
    EXPECT_TRUE(VideoCursorHidden());
    EXPECT_TRUE(ClientCursorHidden());

    MoveMouse({100, 100});  // the same place is no movement
    MouseMoveTimer();
    EXPECT_FALSE(window->IsCursorShown());
    MoveMouse({101, 100});
    MouseMoveTimer();
    EXPECT_TRUE(window->IsCursorShown());
    EXPECT_FALSE(ClientCursorHidden());

    ASSERT_TRUE(WaitFor([this] { return !window->IsCursorShown(); }, 3000));
    Command(IDM_ANSICHT_VOLLBILD);  // leaving shows it and stops the timer
    EXPECT_TRUE(window->IsCursorShown());
    EXPECT_FALSE(VideoCursorHidden());
    EXPECT_FALSE(ClientCursorHidden());
    EXPECT_TRUE(window->IsSystemCursorShown());
    Spin(700);
    MouseMoveTimer();  // a late tick outside fullscreen hides nothing
    EXPECT_TRUE(window->IsCursorShown());
    EXPECT_FALSE(ClientCursorHidden());
}

TEST_F(FullscreenTest, SystemCursorCountsLikeTheWindowSystems) {
    Start(Media("multi.mkv"));
    Command(IDM_ANSICHT_VOLLBILD);
    ASSERT_FALSE(window->IsSystemCursorShown());
    window->ShowSystemCursor(true);  // a dialog opens in fullscreen
    EXPECT_TRUE(window->IsSystemCursorShown());
    EXPECT_FALSE(ClientCursorHidden());
    window->ShowSystemCursor(false);  // and closes
    EXPECT_TRUE(ClientCursorHidden());
    Command(IDM_ANSICHT_VOLLBILD);
    EXPECT_TRUE(window->IsSystemCursorShown());
    Command(IDM_ANSICHT_VOLLBILD);  // hides again on the next entry
    EXPECT_TRUE(ClientCursorHidden());
}

class BookmarkEditorPlacementTest : public FullscreenTest {
protected:
    // Any window will do: the placement only looks at its frame.
    QWidget* MakeEditor(int width) {
        auto* editor = new QWidget(window.get(), Qt::Window);
        editor->resize(width, 100);
        window->SetBookmarkEditor(editor);
        return editor;
    }
};

TEST_F(BookmarkEditorPlacementTest, EditorGoesLeftOfTheWindowWithItsHeight) {
    Start(Media("multi.mkv"));
    QWidget* editor = MakeEditor(150);
    window->move(400, 50);
    window->ShowBookmarkEditor(true);
    ASSERT_TRUE(editor->isVisible());
    // Frames included: the editor's right edge meets the window's left edge.
    const QRect outer = editor->frameGeometry();
    EXPECT_EQ(outer.topLeft(), QPoint(400 - outer.width(), 50));
    EXPECT_EQ(outer.height(), window->WindowRect().height());
    EXPECT_EQ(editor->width(), 150);
    EXPECT_EQ(window->WindowRect().topLeft(), QPoint(400, 50));  // the window stays

    window->ShowBookmarkEditor(false);
    EXPECT_FALSE(editor->isVisible());
}

TEST_F(BookmarkEditorPlacementTest, NoRoomOnTheLeftMovesTheWindowRight) {
    Start(Media("multi.mkv"));
    QWidget* editor = MakeEditor(300);
    window->move(100, 70);
    const QSize size = window->WindowRect().size();
    window->ShowBookmarkEditor(true);
    const int editorWidth = editor->frameGeometry().width();
    ASSERT_GE(editorWidth, 300);
    EXPECT_EQ(window->WindowRect(), QRect(QPoint(editorWidth, 70), size));
    EXPECT_EQ(editor->frameGeometry().topLeft(), QPoint(0, 70));
    EXPECT_EQ(editor->frameGeometry().height(), size.height());
}

TEST_F(BookmarkEditorPlacementTest, NeedsAFilePlayerAndAnEditor) {
    Start();
    window->ShowBookmarkEditor(true);  // no editor yet: nothing happens
    Command(IDM_ANSICHT_BOOKMARKEDITOR);
    QWidget* editor = MakeEditor(200);
    window->ShowBookmarkEditor(true);
    EXPECT_FALSE(editor->isVisible());
    Command(IDM_ANSICHT_BOOKMARKEDITOR);
    EXPECT_FALSE(editor->isVisible());
}

TEST_F(BookmarkEditorPlacementTest, CommandTogglesAndTheExtrasMenuShowsIt) {
    Start(Media("multi.mkv"));
    QWidget* editor = MakeEditor(200);
    window->move(500, 40);
    Key('B');
    EXPECT_TRUE(editor->isVisible());
    QMenu* extras = nullptr;
    for (QMenu* popup : window->MainMenu()->findChildren<QMenu*>()) {
        if (popup->objectName() == QStringLiteral("IDM_EXTRAS")) {
            extras = popup;
        }
    }
    ASSERT_NE(extras, nullptr);
    SendMessage(window.get(), WM_MENUSELECT, 0, reinterpret_cast<LPARAM>(extras));
    EXPECT_TRUE(Checked(IDM_ANSICHT_BOOKMARKEDITOR));
    Command(IDM_ANSICHT_BOOKMARKEDITOR);
    EXPECT_FALSE(editor->isVisible());
    SendMessage(window.get(), WM_MENUSELECT, 0, reinterpret_cast<LPARAM>(extras));
    EXPECT_FALSE(Checked(IDM_ANSICHT_BOOKMARKEDITOR));
}

TEST_F(BookmarkEditorPlacementTest, FullscreenPutsTheEditorAsideAndBack) {
    Start(Media("multi.mkv"));
    QWidget* editor = MakeEditor(200);
    window->move(500, 40);
    window->ShowBookmarkEditor(true);
    const QRect beside = editor->frameGeometry();
    Command(IDM_ANSICHT_VOLLBILD);
    EXPECT_FALSE(editor->isVisible());
    Command(IDM_ANSICHT_VOLLBILD);
    EXPECT_TRUE(editor->isVisible());
    EXPECT_EQ(editor->frameGeometry(), beside);

    window->ShowBookmarkEditor(false);  // hidden before: stays hidden
    Command(IDM_ANSICHT_VOLLBILD);
    Command(IDM_ANSICHT_VOLLBILD);
    EXPECT_FALSE(editor->isVisible());
}

}  // namespace
}  // namespace velvaro::test
