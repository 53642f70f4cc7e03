// Fullscreen on a real engine; the display modes are a fake list, never a
// real monitor's.
#include "PlayerWindow.h"

#include "platform/DisplayModes.h"

namespace {

// A monitor that could show these modes; it keeps what was asked of it.
struct RecordingDisplayModes : ListedDisplayModes {
    RecordingDisplayModes() : ListedDisplayModes({{1280, 800, 60.0}, {800, 600, 60.0}}, 0) {}
    bool ChangeForFullscreen(int width, int height) override {
        calls += "change " + std::to_string(width) + " x " + std::to_string(height) + "; ";
        return ListedDisplayModes::ChangeForFullscreen(width, height);
    }
    bool RestoreRegisteredMode() override {
        calls += "restore";
        return ListedDisplayModes::RestoreRegisteredMode();
    }
    std::string calls;
};

const QString kAllBars = u"title menu tool status position"_s;
const std::vector<int> kViewItems = {
    IDM_ANSICHT_VIDEOPUR, IDM_ANSICHT_TITLEBAR,     IDM_ANSICHT_MENUBAR,
    IDM_ANSICHT_TOOLBAR,  IDM_ANSICHT_POSITIONSBAR, IDM_ANSICHT_STATUSBAR,
    IDM_ANSICHT_ORIGINAL, IDM_ANSICHT_MAXIMIEREN,   IDM_ANSICHT_BOOKMARKEDITOR};

class FullscreenTest : public PlayerWindowTest {
protected:
    void SetUp() override {
        PlayerWindowTest::SetUp();
        auto fake = std::make_unique<RecordingDisplayModes>();
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
    // The window system gives a window its fullscreen size in its own time,
    // as it does on a real desktop.
    void EnterAndSettle() {
        Command(IDM_ANSICHT_VOLLBILD);
        ASSERT_TRUE(WaitFor([this] { return window->geometry() == Screen(); }));
        Spin(20);
    }

    RecordingDisplayModes* display = nullptr;
    std::unique_ptr<DisplayModes> realDisplays;
};

TEST_F(FullscreenTest, EnteringCoversTheScreenLeavingRestoresWindowBarsAndCursor) {
    Start(Media("multi.mkv"));
    const QRect before = window->geometry();
    EnterAndSettle();
    EXPECT_TRUE(window->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(ShownBars(), QString());
    EXPECT_EQ(Video()->geometry(), QRect(QPoint(0, 0), Screen().size()));
    ExpectState({.greyedCommands = kViewItems});
    Command(IDTBB_VOLLBILD);  // the button toggles as the menu does
    Spin(50);
    EXPECT_EQ(std::tuple(window->geometry(), ShownBars()), std::tuple(before, kAllBars));
    EXPECT_FALSE(window->windowFlags() & Qt::WindowStaysOnTopHint);
    ExpectState({.enabledCommands = kViewItems});

    // The cursor hides at rest and returns with movement: the engine's and
    // the client area's, both hidden or both shown.
    const auto hidden = [this] {
        const bool client = Client()->cursor().shape() == Qt::BlankCursor;
        EXPECT_EQ(Video()->cursor().shape() == Qt::BlankCursor, client);
        return client;
    };
    Command(IDM_ANSICHT_VOLLBILD);
    EXPECT_TRUE(hidden());
    // The window's own 40 ms timer shows it at the next tick and hides it
    // again once the mouse has rested for half a second.
    QElapsedTimer rest;
    Mouse(QEvent::MouseMove, {100, 100}, Qt::NoButton);
    rest.start();
    ASSERT_TRUE(WaitFor([&] { return !hidden(); }, 400));
    ASSERT_TRUE(WaitFor(hidden, 3000));
    EXPECT_GE(rest.elapsed(), 450);
    // Leaving shows it and stops the timer: longer than the mouse may rest
    // in fullscreen, it stays.
    Command(IDM_ANSICHT_VOLLBILD);
    Spin(700);
    EXPECT_TRUE(SystemCursorShown() && !hidden());
}

TEST_F(FullscreenTest, OnlyBarsSwitchedOnComeBackAndTopmostStaysWhenAlwaysOnTop) {
    settings->statusBar = 0;
    settings->toolBar = 0;
    settings->alwaysOnTop = 1;
    Start(Media("multi.mkv"));
    for (const auto& [compact, shown] :
         {std::pair{false, u"title menu position"_s}, {true, QString()}}) {
        if (compact) {
            Command(IDM_ANSICHT_VIDEOPUR);  // compact view stays compact
        }
        Key('V');
        Key('V');
        EXPECT_EQ(ShownBars(), shown);
        EXPECT_TRUE(window->windowFlags() & Qt::WindowStaysOnTopHint);
    }
    EXPECT_EQ(settings->statusBar, 0);
}

TEST_F(FullscreenTest, FirstFullscreenFitsAndEachModeKeepsItsOwnZoom) {
    Start(Media("multi.mkv"));
    Command(IDM_VIDEO_VERGROESSERN_LINKSRECHTS);
    EnterAndSettle();
    // Fitted without clipping: a 4:3 picture on the screen.
    const double fitted = std::min(Screen().width() / 320.0, Screen().height() / 240.0);
    EXPECT_DOUBLE_EQ(Layout().HorizontalZoom(), fitted);
    Command(IDM_VIDEO_VERKLEINERN_OBENUNTEN);
    Command(IDM_ANSICHT_VOLLBILD);
    Spin(50);  // nothing that arrives later refits
    EXPECT_EQ(Video()->Destination().width(), 336);
    EnterAndSettle();  // no second fit: the fullscreen pair is back
    EXPECT_DOUBLE_EQ(Layout().HorizontalZoom(), fitted - 0.05);
    Command(IDM_ANSICHT_VOLLBILD);
    Spin(50);
    OpenFile(Media("multi.mkv"));  // a new medium resets both pairs and fits again
    EXPECT_DOUBLE_EQ(Layout().HorizontalZoom(), 1.0);
    EnterAndSettle();
    EXPECT_DOUBLE_EQ(Layout().VerticalZoom(), fitted);
}

TEST_F(FullscreenTest, NeedsVideoAndEndsWithMinimiseCloseOrAFailedOpen) {
    UseDisplaySettings("800 x 600");
    Start(Media("audio.mp3"));
    Command(IDM_ANSICHT_VOLLBILD);
    EXPECT_EQ(display->calls, "");
    OpenFile(Media("multi.mkv"));
    const QRect before = window->geometry();
    Command(IDM_ANSICHT_VOLLBILD);
    Command(IDM_ANSICHT_MINIMIEREN);
    EXPECT_EQ(window->windowState(), Qt::WindowMinimized);  // not fullscreen as well
    window->showNormal();
    EXPECT_EQ(window->geometry(), before);
    Command(IDM_ANSICHT_VOLLBILD);
    Command(IDM_DATEI_SCHLIESSEN);
    EXPECT_EQ(std::tuple(window->windowState(), ShownBars()),
              std::tuple(Qt::WindowNoState, kAllBars));

    OpenFile(Media("multi.mkv"));
    EnterAndSettle();
    QStringList boxes;
    const auto user = Boxes(boxes);
    const auto failed = EngineWarnings();
    window->OpenMedia(QString::fromStdString(Media("not-media.avi")), false);
    Settle();
    EXPECT_EQ(boxes.size(), 1);
    EXPECT_EQ(std::tuple(ShownBars(), SystemCursorShown(), display->CurrentMode().width),
              std::tuple(kAllBars, true, 1280));
    EXPECT_EQ(window->geometry().topLeft(), before.topLeft());
}

// A mode the display lacks is asked for, and the desktop restored, all the same.
TEST_F(FullscreenTest, TheDisplayModeFromTheSettingsLastsWhileInFullscreen) {
    for (const auto& [setting, width, calls] :
         {std::tuple{"800 x 600", 800, "change 800 x 600; restore"},
          {"1600 x 1200", 1280, "change 1600 x 1200; restore"},
          {"Current", 1280, ""}}) {
        display->calls.clear();
        UseDisplaySettings(setting);
        Start(Media("multi.mkv"));
        Command(IDM_ANSICHT_VOLLBILD);
        Fullscreen().EnterFullscreen();  // already in fullscreen: no second change
        EXPECT_EQ(display->CurrentMode().width, width);
        Command(IDM_ANSICHT_VOLLBILD);
        EXPECT_EQ(std::pair(display->calls, display->CurrentMode().width),
                  std::pair(std::string(calls), 1280));
    }
}

// The editor opens on the window's left; fullscreen hides it for a while.
TEST_F(FullscreenTest, TheBookmarkEditorGoesLeftOfTheWindowAndStepsAsideForFullscreen) {
    Start(Media("multi.mkv"));
    QWidget* editor = BookmarkEditor();
    editor->resize(150, 100);
    window->move(400, 50);
    Key('B');
    const QRect beside = editor->frameGeometry();
    EXPECT_EQ(beside.topRight() + QPoint(1, 0), window->frameGeometry().topLeft());
    Command(IDM_ANSICHT_VOLLBILD);
    EXPECT_FALSE(editor->isVisible());
    Command(IDM_ANSICHT_VOLLBILD);
    EXPECT_EQ(editor->frameGeometry(), beside);  // shown again in its place
    // No room on the left: the window moves right.
    Key('B');
    window->move(100, 70);
    editor->resize(300, 100);
    Key('B');
    EXPECT_EQ(window->frameGeometry().topLeft(), QPoint(editor->frameGeometry().width(), 70));
}

}  // namespace
