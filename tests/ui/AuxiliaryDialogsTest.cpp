// What the window does around the dialogs it opens (the update against the
// local update server); the dialogs themselves are tested on their own.
#include "PlayerWindow.h"
#include "QtPrinting.h"
#include "SettingsValues.h"
#include "UpdateServer.h"
#include "UrlOpenerGuard.h"
#include "dialogs/CAboutDlg.h"
#include "dialogs/CAudioSettingsDlg.h"
#include "dialogs/CCodecDlg.h"
#include "dialogs/CPlaybackDelayDlg.h"
#include "dialogs/CSettingsDlg.h"
#include "dialogs/CUpdateDlg.h"
#include "dialogs/UpdateSupport.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <mutex>

namespace {

void Press(QWidget& dialog, const char* button) {
    QTest::mouseClick(dialog.findChild<QPushButton*>(QString::fromLatin1(button)), Qt::LeftButton);
}

using AuxiliaryDialogsTest = PlayerWindowTest;

TEST_F(AuxiliaryDialogsTest, AudioSettingsNeedSoundRefreshTheMuteDisplayAndShowTheCursor) {
    settings->playbackDelay = 30;
    std::vector<bool> cursorShown;
    ModalDialogWatcher<CAudioSettingsDlg> audio([&](CAudioSettingsDlg& dialog) {
        EXPECT_EQ(dialog.parentWidget(), window.get());
        cursorShown.push_back(SystemCursorShown());
        dialog.VolumeSlider()->setValue(0);
        dialog.VolumeSlider()->Scroll(SB_THUMBPOSITION);
        Press(dialog, "IDC_BUTTON_OK");
    });
    ModalDialogWatcher<CPlaybackDelayDlg> delay([&](CPlaybackDelayDlg& dialog) {
        cursorShown.push_back(SystemCursorShown());
        Press(dialog, "IDC_BUTTON_ABBRECHEN");  // plays at once
    });
    Start();
    for (const char* medium : {"", "video-only.mkv", "multi.mkv"}) {
        if (*medium) {
            OpenFile(Media(medium));
        }
        Command(IDM_AUDIO_SETTINGS);
    }
    EXPECT_EQ(audio.Count(), 1);
    EXPECT_EQ(std::tuple(window->Player()->GetVolume(), Checked(IDM_AUDIO_STUMM),
                         VolumeSlider()->value()),
              std::tuple(-10000, true, 0));
    // In fullscreen the cursor shows while a dialog is open.
    // The cursor's own coming and going at rest is the mouse timer's; each
    // dialog gives back what it took.
    Fullscreen().EnterFullscreen();
    const bool shownBefore = SystemCursorShown();
    Command(IDM_AUDIO_SETTINGS);
    Command(IDTBB_PAUSE);
    Key(VK_CONTROL);
    Command(IDTBB_PLAY);  // the toolbar's play with Ctrl held
    EXPECT_EQ(cursorShown, (std::vector<bool>{true, true, true}));
    EXPECT_EQ(SystemCursorShown(), shownBefore);
    ASSERT_TRUE(WaitFor([this] { return EngineState() == 2; }, 5000));
}

TEST_F(AuxiliaryDialogsTest, HelpShowsTheAboutBoxOverTheWindowAndDonateOnlyOpensThePage) {
    velvaro::test::OpenedUrls().clear();
    ModalDialogWatcher<CAboutDlg> about([&](CAboutDlg& dialog) {
        EXPECT_TRUE(dialog.isModal() && dialog.parentWidget() == window.get());
        Press(dialog, "IDC_BUTTON_OK");
    });
    Start();
    Command(IDM_HILFE_INFO);
    Command(IDM_DONATE_DONATE);
    EXPECT_EQ(about.Count(), 1);
    EXPECT_EQ(velvaro::test::OpenedUrls(), QList<QUrl>{QUrl(u"https://velvaro.org/donate"_s)});
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    velvaro::test::OpenedUrls().clear();
}

TEST_F(AuxiliaryDialogsTest, PropertiesShowTheMediumAndANewMediumClosesTheDialogs) {
    QStringList seen;
    ModalDialogWatcher<CCodecDlg> properties([&](CCodecDlg& dialog) {
        seen << dialog.Duration() + u'|' + QString::number(dialog.FilterList()->count() > 0);
        if (window->Player()) {
            window->OnFileClose();  // as a second start handing over a file would
            EXPECT_FALSE(dialog.isVisible());
        }
        Press(dialog, "IDC_BUTTON_EIGENSCHAFTEN");  // nothing left to show
        dialog.reject();
    });
    Start();
    Key('E');
    OpenFile(Media("multi.mkv"));
    Command(IDM_VIDEO_EIGENSCHAFTEN);
    EXPECT_EQ(seen, (QStringList{u"|0"_s, u"00:00:06,000|1"_s}));
    EXPECT_EQ(window->Player(), nullptr);

    OpenFile(Media("multi.mkv"));
    ModalDialogWatcher<CAudioSettingsDlg> audio([this](CAudioSettingsDlg& dialog) {
        window->OpenMedia(QString::fromStdString(Media("audio.mp3")), false);
        EXPECT_FALSE(dialog.isVisible());
    });
    Command(IDM_AUDIO_SETTINGS);
    EXPECT_EQ(std::tuple(audio.Count(), Title()), std::tuple(1, TitleOf("audio.mp3")));
}

TEST_F(AuxiliaryDialogsTest, CtrlWithPlayCountsDownFirstOnlyWithADelayAndOnlyOnce) {
    settings->playbackDelay = 2;
    settings->startMediaAutomatically = 0;
    Start(Media("multi.mkv"));
    long stateMeanwhile = -1;
    QString titleMeanwhile;
    ModalDialogWatcher<CPlaybackDelayDlg> user([&](CPlaybackDelayDlg& dialog) {
        EXPECT_EQ(dialog.parentWidget(), window.get());
        stateMeanwhile = EngineState();
        titleMeanwhile = Title();
        dialog.accept();
    });
    Key(VK_CONTROL);
    KeyUp(VK_CONTROL);  // released before the play command
    Key(VK_SPACE);
    Key(VK_SPACE);
    EXPECT_EQ(user.Count(), 0);

    Key(VK_CONTROL);
    Key(VK_SPACE);
    EXPECT_EQ(user.Count(), 1);
    EXPECT_NE(stateMeanwhile, 2);  // the engine waits for the countdown
    EXPECT_EQ(titleMeanwhile, TitleOf("multi.mkv"));
    ASSERT_TRUE(WaitFor([this] { return EngineState() == 2; }));
    // The countdown used Ctrl up: pause and play again start at once.
    Key(VK_SPACE);
    Key(VK_SPACE);
    EXPECT_EQ(user.Count(), 1);

    settings->playbackDelay = 0;
    Key(VK_SPACE);
    Key(VK_CONTROL);
    Key(VK_SPACE);
    EXPECT_EQ(std::tuple(window->Session().State().play, user.Count()), std::tuple(2, 1));
}

// On a busy machine a held Space repeats before the window answers: the
// repeats are still queued when the countdown takes the keyboard, and must
// not start the film under it.
TEST_F(AuxiliaryDialogsTest, KeysQueuedBeforeTheCountdownDoNotStartTheFilmUnderIt) {
    settings->playbackDelay = 2;
    settings->startMediaAutomatically = 0;
    Start(Media("multi.mkv"));
    std::tuple<long, int, QString> meanwhile;
    ModalDialogWatcher<CPlaybackDelayDlg> user([&](CPlaybackDelayDlg& dialog) {
        Spin(300);
        meanwhile = {EngineState(), Position(), Title()};
        dialog.accept();
    });
    // As the window system queues them: Ctrl, then Space repeating.
    const auto press = [&](Qt::Key key, Qt::KeyboardModifiers modifiers, bool repeat) {
        QCoreApplication::postEvent(
            window.get(), new QKeyEvent(QEvent::KeyPress, key, modifiers, QString(), repeat));
    };
    press(Qt::Key_Control, Qt::ControlModifier, false);
    for (int repeat = 0; repeat < 3; ++repeat) {
        press(Qt::Key_Space, Qt::ControlModifier, repeat > 0);
    }
    EXPECT_TRUE(WaitFor([&] { return user.Count() == 1 && EngineState() == 2; }));
    EXPECT_EQ(meanwhile, std::tuple(1L, 0, TitleOf("multi.mkv")));
}

class UpdateCommandTest : public PlayerWindowTest {
protected:
    void SetUp() override {
        PlayerWindowTest::SetUp();
        qputenv("VELVARO_UPDATE_SERVER", "127.0.0.1:1");
        for (const auto& [name, bytes] :
             {std::pair{"velvaro", "old program"}, {"served", "new program"}}) {
            QFile file(folder.filePath(QString::fromLatin1(name)));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(bytes);
        }
        velvaro::update::SetProgramPath(folder.filePath(u"velvaro"_s));
        velvaro::update::SetPublicKey({});
        velvaro::update::SetLauncher([this](const QString& path, const QStringList& arguments) {
            std::lock_guard lock(mutex);
            launches << (QStringList{path} + arguments).join(u' ');
            return true;
        });
    }
    void TearDown() override {
        velvaro::update::SetLauncher({});
        velvaro::update::SetProgramPath({});
        velvaro::update::SetPublicKey(velvaro::update::BuiltInPublicKey());
        PlayerWindowTest::TearDown();
    }
    QStringList Launches() {
        std::lock_guard lock(mutex);
        return launches;
    }

    QTemporaryDir folder;
    std::mutex mutex;
    QStringList launches;
};

// Without a language the command does nothing: the update's texts all come
// from it.
TEST_F(UpdateCommandTest, WithALanguageYesStartsTheNewProgramAndEndsTheWindowCancelKeepsIt) {
    velvaro::test::UpdateServer server({u"--file"_s, folder.filePath(u"served"_s)},
                                       folder.filePath(u"log"_s));
    ASSERT_TRUE(server.Started());
    bool yes = false;
    ModalDialogWatcher<CUpdateDlg> update([&](CUpdateDlg& dialog) {
        EXPECT_TRUE(dialog.isModal() && dialog.parentWidget() == window.get());
        ASSERT_TRUE(WaitFor([&] { return dialog.Answer() == CUpdateDlg::kWaiting; }));
        if (yes) {
            Press(dialog, "IDC_BUTTON_ABBRECHEN");
        } else {
            QTest::keyClick(&dialog, Qt::Key_Escape);
        }
    });
    language = CLanguageFile();
    Start();
    Command(IDM_HILFE_UPDATE);
    Spin(100);
    EXPECT_EQ(update.Count(), 0);
    language.LoadResource(IDR_LNG_ENGLISH);
    Command(IDM_HILFE_UPDATE);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(Launches().isEmpty());

    yes = true;
    Command(IDM_HILFE_UPDATE);
    EXPECT_EQ(update.Count(), 2);
    EXPECT_EQ(Launches(),
              QStringList{folder.filePath(u"velvaro.tmp1.exe"_s) + u" /update_step_1"_s});
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(window->result(), 0);
}

class SettingsCommandTest : public PlayerWindowTest {
protected:
    // The persistent record a real start has, so that saving shows.
    void SetUp() override {
        PlayerWindowTest::SetUp();
        settings = std::make_unique<CSettings>(1);
    }
    static QWidget* Page(CSettingsDlg& dialog, const char* item) {
        auto* tree = dialog.findChild<QTreeWidget*>(u"IDC_TREE_SETTINGS"_s);
        tree->setCurrentItem(
            tree->findItems(QString::fromUtf8(item), Qt::MatchExactly | Qt::MatchRecursive)
                .value(0));
        return dialog.CurrentPage();
    }
    // Language German, toolbar at the bottom, mkv owned; then `button`.
    void ChangeAndPress(const char* button) {
        ModalDialogWatcher<CSettingsDlg> user([&](CSettingsDlg& dialog) {
            EXPECT_EQ(dialog.parentWidget(), window.get());
            Page(dialog, "General")->findChild<QComboBox*>(u"IDC_TOOLBARPOS"_s)->setCurrentIndex(1);
            auto* list = Page(dialog, "Video")->findChild<QTableWidget*>(u"IDC_LIST_FILEASSOCS"_s);
            list->findItems(u"mkv"_s, Qt::MatchExactly).value(0)->setCheckState(Qt::Checked);
            auto* languages =
                Page(dialog, "Language")->findChild<QTableWidget*>(u"IDC_LANGUAGELIST"_s);
            const int row = languages->findItems(u"Deutsch"_s, Qt::MatchExactly).value(0)->row();
            QTest::mouseClick(languages->viewport(), Qt::LeftButton, {},
                              languages->visualRect(languages->model()->index(row, 1)).center());
            Press(dialog, button);
        });
        Command(IDM_DATEI_EINSTELLUNGEN);
        EXPECT_EQ(user.Count(), 1);
    }
    // What the window shows and the registry holds of the three changes.
    std::tuple<QString, bool, std::optional<DWORD>, std::optional<std::string>> Effects() const {
        using namespace velvaro::test;
        return {MenuBarPopup("IDM_DATEI")->title(), ToolBar()->y() > VideoAreaHeight() / 2,
                ReadDword("ToolBarPos"), ReadString("", {HKEY_CLASSES_ROOT, ".mkv"})};
    }
};

TEST_F(SettingsCommandTest, CancelChangesNothingOkAppliesAndSavesAtOnce) {
    Start();
    const QString english = MenuBarPopup("IDM_DATEI")->title();
    const QString englishTip = ToolBar()->actions().value(0)->toolTip();
    ChangeAndPress("IDC_BUTTON_ABBRECHEN");
    EXPECT_EQ(Effects(), std::tuple(english, false, std::optional<DWORD>(), std::nullopt));
    EXPECT_EQ(settings->toolBarPos, 0);

    Key('L');  // the toolbar made anew keeps its states and faces
    ChangeAndPress("IDC_BUTTON_OK");
    EXPECT_EQ(ButtonImage(IDTBB_LOOP), 9);
    EXPECT_TRUE(ButtonEnabled(IDTBB_OPEN) && !ButtonEnabled(IDTBB_PLAY));
    EXPECT_EQ(Effects(), std::tuple(u"&Datei"_s, true, std::optional<DWORD>(1),
                                    std::optional<std::string>("velvarofile")));
    EXPECT_EQ(velvaro::test::ReadString("LanguageResource"), "IDR_LNG_GERMAN");
    // And speaks the language loaded just before.
    const QString tip = ToolBar()->actions().value(0)->toolTip();
    EXPECT_TRUE(!tip.isEmpty() && tip != englishTip) << tip.toStdString();
}

}  // namespace
