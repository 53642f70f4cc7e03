// What the window does around the dialogs it opens over its medium: audio
// settings, the medium's properties and the countdown of a delayed start
// (Ctrl with play); and the help menu's about box and donation page. The
// dialogs themselves are tested on their own.
#include "ModalDialogWatcher.h"
#include "PlayerWindow.h"
#include "QtPrinting.h"
#include "UrlOpenerGuard.h"
#include "dialogs/CAboutDlg.h"
#include "dialogs/CAudioSettingsDlg.h"
#include "dialogs/CCodecDlg.h"
#include "dialogs/CPlaybackDelayDlg.h"

#include <QListWidget>
#include <QPushButton>
#include <QTest>

namespace {

using velvaro::test::ModalDialogWatcher;

void Click(QWidget& dialog, const char* button) {
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
        SendMessage(&dialog, WM_HSCROLL, MakeWParam(SB_THUMBPOSITION, 0),
                    dialog.VolumeSlider()->ControlId());
        Click(dialog, "IDC_BUTTON_OK");
    });
    ModalDialogWatcher<CPlaybackDelayDlg> delay([&](CPlaybackDelayDlg& dialog) {
        cursorShown.push_back(SystemCursorShown());
        Click(dialog, "IDC_BUTTON_ABBRECHEN");  // plays at once
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
    window->EnterFullscreen();
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
    std::vector<bool> modalOverWindow;
    ModalDialogWatcher<CAboutDlg> about([&](CAboutDlg& dialog) {
        modalOverWindow.push_back(dialog.isModal() && dialog.parentWidget() == window.get());
        Click(dialog, "IDC_BUTTON_OK");
    });
    Start();
    Command(IDM_HILFE_INFO);
    EXPECT_EQ(modalOverWindow, std::vector<bool>{true});
    EXPECT_TRUE(velvaro::test::OpenedUrls().isEmpty());

    Command(IDM_DONATE_DONATE);
    EXPECT_EQ(velvaro::test::OpenedUrls(),
              QList<QUrl>{QUrl(QStringLiteral("https://velvaro.org/donate"))});
    EXPECT_EQ(about.Count(), 1);
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
        Click(dialog, "IDC_BUTTON_EIGENSCHAFTEN");  // nothing left to show
        dialog.reject();
    });
    Start();
    Key('E');
    OpenFile(Media("multi.mkv"));
    Command(IDM_VIDEO_EIGENSCHAFTEN);
    EXPECT_EQ(seen, (QStringList{QStringLiteral("|0"), QStringLiteral("00:00:06,000|1")}));
    EXPECT_EQ(window->Player(), nullptr);

    OpenFile(Media("multi.mkv"));
    ModalDialogWatcher<CAudioSettingsDlg> audio([this](CAudioSettingsDlg& dialog) {
        window->OpenMedia(QString::fromStdString(Media("audio.mp3")), false);
        EXPECT_FALSE(dialog.isVisible());
    });
    Command(IDM_AUDIO_SETTINGS);
    EXPECT_EQ(std::tuple(audio.Count(), Title()),
              std::tuple(1, QStringLiteral("Velvaro - audio.mp3 - PLAY")));
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
    EXPECT_EQ(titleMeanwhile, QStringLiteral("Velvaro - multi.mkv - PLAY"));
    ASSERT_TRUE(WaitFor([this] { return EngineState() == 2; }));
    // The countdown used Ctrl up: pause and play again start at once.
    Key(VK_SPACE);
    Key(VK_SPACE);
    EXPECT_EQ(user.Count(), 1);

    settings->playbackDelay = 0;
    Key(VK_SPACE);
    Key(VK_CONTROL);
    Key(VK_SPACE);
    EXPECT_EQ(std::tuple(window->PlayState(), user.Count()), std::tuple(2, 1));
}

}  // namespace
