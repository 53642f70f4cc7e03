// A real player window on a real engine, with its own registry, driven
// through its commands, keys and widgets. The fixture reads what the tests
// check through the window's public face: its session and its widgets.
#pragma once

#include "CommandRanges.h"
#include "EventLoop.h"
#include "ExpectLog.h"
#include "ModalDialogWatcher.h"
#include "QtPrinting.h"
#include "TestRegistry.h"
#include "controls/CClickSlider.h"
#include "dialogs/CBookmarkDlg.h"
#include "engine/CFilePlayer.h"
#include "i18n/CLanguageFile.h"
#include "i18n/ui/MenuCommands.h"
#include "i18n/ui/PopupRegistry.h"
#include "i18n/ui/ToolButtonImage.h"
#include "platform/VirtualKeys.h"
#include "resource.h"
#include "settings/CPlayerCommandLineInfo.h"
#include "settings/CSettings.h"
#include "ui/CPlayerDlg.h"
#include "ui/PlayerStatusBar.h"
#include "ui/ToolStrip.h"
#include "video/VideoWidget.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QScreen>
#include <QTimer>

#include <filesystem>
#include <memory>
#include <optional>

using namespace Qt::StringLiterals;

inline std::string Media(const std::string& name) {
    return std::string(VELVARO_TEST_MEDIA) + "/" + name;
}
inline bool WaitFor(const std::function<bool()>& done, int milliseconds = 8000) {
    return velvaro::test::RunEventsUntil(done, milliseconds);
}
inline void Spin(int milliseconds) {
    velvaro::test::RunEventsFor(milliseconds);
}
// The title of the window playing `name` in `state`.
inline QString TitleOf(const char* name, const char* state = "PLAY") {
    return u"Velvaro - %1 - %2"_s.arg(QString::fromUtf8(name), QLatin1String(state));
}
// Counts the engine's warnings that match `pattern`: a medium that does not
// open says why.
inline velvaro::test::ExpectLog EngineWarnings(const char* pattern = ".") {
    return {QtWarningMsg, QString::fromUtf8(pattern), u"velvaro.engine"_s};
}
using velvaro::test::ModalDialogWatcher;

using ShownMarks = std::optional<PlayerState::Range>;
inline const ShownMarks kNoMarks;

// What a window should show; only the fields that are set are compared.
struct Expected {
    std::optional<QString> title;
    // The session's state: the medium's name, the play state, the volume the
    // slider shows (none without sound) and the marks the position bar shows.
    std::optional<QString> name;
    std::optional<int> play;
    std::optional<std::optional<int>> volume;
    std::optional<ShownMarks> marks;
    std::vector<std::pair<int, QString>> status;  // a status bar part and its text
    std::vector<int> enabledCommands;
    std::vector<int> greyedCommands;
    std::vector<int> checkedCommands;
    std::vector<int> uncheckedCommands;
    std::vector<int> enabledButtons;
    std::vector<int> greyedButtons;
    std::vector<std::pair<int, int>> buttonImages;
};

struct PlayerWindowTest : velvaro::test::RegistryTest {
    void SetUp() override {
        RegistryTest::SetUp();
        settings = std::make_unique<CSettings>(0);
        settings->BuildDefaultAssociations();
        language.LoadResource(IDR_LNG_ENGLISH);
    }
    void TearDown() override {
        window.reset();
        settings.reset();
        RegistryTest::TearDown();
    }

    // Builds and shows the window; `file` becomes the command-line medium.
    void Start(const std::string& file = {}) {
        commandLine.SetFileName(file);
        window = std::make_unique<CPlayerDlg>(&commandLine, &language, settings.get());
        window->OnInitDialog();
        window->show();
        Spin(50);
        if (!file.empty()) {
            ASSERT_TRUE(WaitFor([this] { return window->Player() != nullptr; }));
            ASSERT_TRUE(WaitFor([this] { return PlayingOrCued(); }));
        }
    }
    // Opens `paths` as the window opens several files; the title it then shows.
    QString OpenAll(const std::vector<std::string>& paths) {
        QStringList names;
        for (const std::string& path : paths) {
            names << QString::fromStdString(path);
        }
        window->OpenFiles(names);
        Settle();
        return Title();
    }
    // Until an open or a playlist's walk under way has settled, and what
    // waited for it has been handled.
    void Settle() {
        EXPECT_TRUE(WaitFor([this] { return !window->IsOpening(); }, 20000)) << "still opening";
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
    void OpenFile(const std::string& path) {
        window->OpenMedia(QString::fromStdString(path), false);
        Settle();
        ASSERT_TRUE(WaitFor([this] { return PlayingOrCued(); }));
    }
    // A medium opened starts playing, or waits when it should not start.
    bool PlayingOrCued() const {
        return window->Session().State().play != 0 || !settings->startMediaAutomatically;
    }
    // Waits for what `read` gives to become `want`; a failure says what it gave.
    template <typename Read, typename Value>
    testing::AssertionResult Comes(const Read& read, const Value& want, int milliseconds = 8000) {
        if (WaitFor([&] { return read() == want; }, milliseconds)) {
            return testing::AssertionSuccess();
        }
        return testing::AssertionFailure() << "shows " << testing::PrintToString(read());
    }
    testing::AssertionResult TitleComes(const QString& title, int milliseconds = 8000) {
        return Comes([this] { return Title(); }, title, milliseconds);
    }
    testing::AssertionResult StatusComes(int part, const QString& text, int milliseconds = 8000) {
        return Comes([this, part] { return StatusText(part); }, text, milliseconds);
    }
    testing::AssertionResult PositionComes(int position, int milliseconds = 8000) {
        return Comes([this] { return Position(); }, position, milliseconds);
    }
    // A link named `name` in the test's folder (or a subfolder) to a test medium.
    std::string Link(const std::string& name, const std::string& medium = "video-only.mkv") {
        const std::filesystem::path link = folder().path() / name;
        std::filesystem::create_directories(link.parent_path());
        std::filesystem::create_symlink(Media(medium), link);
        return link.string();
    }
    // Types `path` into each file dialog that comes, as a person would.
    static std::unique_ptr<ModalDialogWatcher<QFileDialog>> FileChooser(const std::string& path) {
        return std::make_unique<ModalDialogWatcher<QFileDialog>>([path](QFileDialog& box) {
            box.findChild<QLineEdit*>(u"fileNameEdit"_s)->setText(QString::fromStdString(path));
            static_cast<QDialog&>(box).accept();
        });
    }
    // Answers each message box that comes, keeping its "title|text" in `shown`.
    static std::unique_ptr<ModalDialogWatcher<QMessageBox>> Boxes(QStringList& shown) {
        return std::make_unique<ModalDialogWatcher<QMessageBox>>([&shown](QMessageBox& box) {
            shown << box.windowTitle() + u'|' + box.text();
            box.accept();
        });
    }
    // Runs `command`, choosing `path` in its file dialog.
    void ChooseFile(int command, const std::string& path) {
        const auto user = FileChooser(path);
        Command(command);
        ASSERT_EQ(user->Count(), 1);
    }
    // An open of `path` that keeps waiting leaves the window answering, and
    // a close that comes `after` milliseconds later ends the window at once.
    void CloseWhileOpening(const std::string& path, int after) {
        QElapsedTimer clock;
        clock.start();
        window->OpenMedia(QString::fromStdString(path), false);
        EXPECT_LT(clock.elapsed(), 100) << "the open holds the window";
        EXPECT_TRUE(window->IsOpening());
        Spin(after);
        clock.restart();
        window->close();
        EXPECT_TRUE(WaitFor([this] { return !window->isVisible(); }, 1000));
        EXPECT_LT(clock.elapsed(), 500);
    }
    // A mouse event on the client area, as the window system delivers it.
    void Mouse(QEvent::Type type, QPoint point, Qt::MouseButton button = Qt::LeftButton) {
        QMouseEvent event(type, point, Client()->mapToGlobal(point), button,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : button,
                          Qt::NoModifier);
        QApplication::sendEvent(Client(), &event);
    }
    void Click(QPoint point) {
        Mouse(QEvent::MouseButtonPress, point);
        Mouse(QEvent::MouseButtonRelease, point);
    }
    void Command(int id) {
        window->Session().Execute(id);
        Settle();
    }
    void Key(UINT key) {
        window->Session().Key(key, true);
        Settle();
    }
    void KeyUp(UINT key) { window->Session().Key(key, false); }
    // The clock's tick, without waiting for it.
    void Timer() { window->Session().Events().Tick(); }
    void Scroll(CClickSlider* slider, int code, int position) {
        slider->setValue(position);
        slider->Scroll(code);
    }
    // Paused at `position`, the position bar showing it as the clock timer does.
    void PauseAt(int position) {
        Command(IDTBB_PAUSE);
        window->Player()->SetPosition(position);
        ASSERT_TRUE(PositionComes(position));
        Timer();
    }
    void ExpireNotice() { window->ExpireNotice(); }
    void NearTheEnd() { window->Player()->SetPosition(window->Player()->GetDuration() - 80); }

    bool Playing() const { return window->Session().State().play == 2; }
    int Position() const { return window->Player()->GetPosition(); }
    long EngineState() const {
        long state = -1;
        window->Player()->GetState(&state);
        return state;
    }
    // The one table every menu item and button draws from.
    bool Enabled(int id) const { return window->Session().Commands().Look(id).enabled; }
    bool Checked(int id) const { return window->Session().Commands().Look(id).checked; }
    // What the menu bar's item draws: the stream menus' entries are made at
    // run time and check themselves.
    bool MenuChecked(int id) const { return FindCommands(MainMenu(), id).value(0)->isChecked(); }
    // What a toolbar button draws.
    bool ButtonEnabled(int id) const { return window->Menus().ToolButton(id)->isEnabled(); }
    int ButtonImage(int id) const { return ButtonImageIndex(window->Menus().ToolButton(id)); }
    QString Title() const { return window->windowTitle(); }
    static QRect Screen() { return QGuiApplication::primaryScreen()->geometry(); }
    QString StatusText(int part) const { return StatusBar()->Text(part); }
    const PlayerState& State() const { return window->Session().State(); }
    const VideoLayout& Layout() const { return window->Session().Layout(); }
    const LoopMarks& Marks() const { return window->Session().Loop().Marks(); }
    WindowPlaylist& Playlist() const { return window->Playlist(); }
    QMenu* MenuBarPopup(const char* name) const {
        return MainMenu()->findChild<QMenu*>(QString::fromLatin1(name));
    }
    QWidget* BookmarkEditor() const { return window->findChild<CBookmarkDlg*>(); }
    CFilePlayer* FilePlayer() const { return window->Session().FilePlayer(); }
    CClickSlider* PositionSlider() const {
        return window->findChild<CClickSlider*>(u"ID_Slider"_s);
    }
    CClickSlider* VolumeSlider() const {
        return window->findChild<CClickSlider*>(u"ID_VolumeSlider"_s);
    }
    // The newest: one made again replaces the old later.
    ToolStrip* ToolBar() const {
        return window->findChildren<ToolStrip*>(u"AFX_IDW_TOOLBAR"_s).last();
    }
    PlayerStatusBar* StatusBar() const {
        return window->findChild<PlayerStatusBar*>(u"AFX_IDW_STATUS_BAR"_s);
    }
    QMenuBar* MainMenu() const { return window->findChild<QMenuBar*>(); }
    // A popup of its own, not the window's child.
    QMenu* ContextMenu() const {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (widget->objectName() == u"IDR_MENU_CONTEXT"_s) {
                return qobject_cast<QMenu*>(widget);
            }
        }
        return nullptr;
    }
    QWidget* Client() const { return window->findChild<QWidget*>(u"ClientArea"_s); }
    FullscreenView& Fullscreen() const { return window->Fullscreen(); }
    QSize ClientSize() const { return Client()->size(); }
    DWORD Style() const { return window->Frame().Style(); }
    // The colour the client area paints around the picture.
    QColor BorderColour() const {
        QImage image(Client()->size(), QImage::Format_RGB32);
        Client()->render(&image, {}, {}, {});
        return image.pixelColor(0, 0);
    }
    bool CursorShown() const { return Fullscreen().Pointer().cursorShown; }
    bool SystemCursorShown() const { return Fullscreen().Pointer().systemCursorCount >= 0; }
    // The bars that show, of "title menu tool status position".
    QString ShownBars() const {
        QStringList shown;
        for (const auto& [bar, on] :
             {std::pair{"title", (Style() & WS_CAPTION) != 0},
              {"menu", !MainMenu()->isHidden()},
              {"tool", !ToolBar()->isHidden()},
              {"status", !StatusBar()->isHidden()},
              {"position", PositionSlider()->height() > 0 && VolumeSlider()->height() > 0}}) {
            shown << (on ? QString::fromLatin1(bar) : QString());
        }
        shown.removeAll(QString());
        return shown.join(u' ');
    }
    // The engine's video window (it has no meta-object of its own to find it by).
    VideoWidget* Video() const {
        for (QObject* child : Client()->children()) {
            if (auto* video = dynamic_cast<VideoWidget*>(child)) {
                return video;
            }
        }
        return nullptr;
    }
    // The client area less the bars that show.
    int VideoAreaHeight() const {
        const BarHeights bars{.toolbar = ToolBar()->isHidden() ? 0 : ToolBar()->height(),
                              .positionBar = PositionSlider()->height(),
                              .statusBar = StatusBar()->height(),
                              .toolbarOnTop = settings->toolBarPos == 0};
        return ::VideoAreaHeight(ClientSize().height(), bars, Fullscreen().IsFullscreen());
    }

    void ExpectState(const Expected& expected) const {
        const auto compare = [](const auto& want, const auto& shown, const char* what) {
            if (want) {
                EXPECT_EQ(shown, *want) << what;
            }
        };
        const PlayerState& state = State();
        compare(expected.title, Title(), "title");
        compare(expected.name, state.name, "name");
        compare(expected.play, state.play, "play state");
        compare(expected.volume, state.volume, "volume");
        compare(expected.marks, state.shownMarks, "marks");
        if (expected.marks) {
            // The bar draws no selection as one that ends before it starts.
            const PlayerState::Range drawn{PositionSlider()->SelectionStart(),
                                           PositionSlider()->SelectionEnd()};
            EXPECT_TRUE(*expected.marks ? drawn == *expected.marks : drawn.start > drawn.end)
                << drawn.start << "-" << drawn.end;
        }
        for (const auto& [part, text] : expected.status) {
            EXPECT_EQ(StatusText(part), text) << part;
        }
        using Look = bool (PlayerWindowTest::*)(int) const;
        for (const auto& [ids, look, on] :
             {std::tuple<const std::vector<int>&, Look, bool>{expected.enabledCommands,
                                                              &PlayerWindowTest::Enabled, true},
              {expected.greyedCommands, &PlayerWindowTest::Enabled, false},
              {expected.checkedCommands, &PlayerWindowTest::Checked, true},
              {expected.uncheckedCommands, &PlayerWindowTest::Checked, false},
              {expected.enabledButtons, &PlayerWindowTest::ButtonEnabled, true},
              {expected.greyedButtons, &PlayerWindowTest::ButtonEnabled, false}}) {
            for (int id : ids) {
                EXPECT_EQ((this->*look)(id), on) << id;
            }
        }
        for (const auto& [id, image] : expected.buttonImages) {
            EXPECT_EQ(ButtonImage(id), image) << id;
        }
        ExpectMenusToDrawTheTable();
    }
    // Both menus draw each fixed command as the table has it; what the
    // window makes at run time (recent files, filters, streams, drives)
    // draws itself.
    void ExpectMenusToDrawTheTable() const {
        for (const QWidget* menu : std::initializer_list<QWidget*>{MainMenu(), ContextMenu()}) {
            for (const QAction* item : menu->findChildren<QAction*>()) {
                const int id = CommandId(item);
                if (id == 0 || item->menu() ||
                    command_range::InRange(id, command_range::kFirst, command_range::kLast + 1)) {
                    continue;
                }
                EXPECT_EQ(item->isEnabled(), Enabled(id)) << menu->objectName().toStdString() << id;
                // Only the menu bar shows that fullscreen is on.
                const bool drawsCheck =
                    item->isCheckable() && (id != IDM_ANSICHT_VOLLBILD || menu == MainMenu());
                EXPECT_TRUE(!drawsCheck || item->isChecked() == Checked(id))
                    << menu->objectName().toStdString() << id;
            }
        }
    }

    CMaintenanceFlags flags;
    CPlayerCommandLineInfo commandLine{&flags};
    CLanguageFile language;
    std::unique_ptr<CSettings> settings;
    std::unique_ptr<CPlayerDlg> window;
};
