// The dialogs the window opens over its medium: audio settings, the medium's
// properties and the countdown of a delayed start (Ctrl with play).
#include "ModalDialogWatcher.h"
#include "PlayerWindow.h"
#include "QtPrinting.h"
#include "dialogs/CAudioSettingsDlg.h"
#include "dialogs/CCodecDlg.h"
#include "dialogs/CPlaybackDelayDlg.h"

#include <QElapsedTimer>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

namespace velvaro::test {
namespace {

void ScrollTo(CAudioSettingsDlg& dialog, CClickSlider* slider, int position) {
    slider->setValue(position);
    SendMessage(&dialog, WM_HSCROLL, MakeWParam(SB_THUMBPOSITION, position), slider->ControlId());
}

void Click(QWidget& dialog, const char* button) {
    QTest::mouseClick(dialog.findChild<QPushButton*>(QString::fromLatin1(button)), Qt::LeftButton);
}

class AuxiliaryDialogsTest : public PlayerWindowTest {
protected:
    bool CursorHidden() const { return !window->IsSystemCursorShown(); }
    long EngineState() const {
        long state = -1;
        window->Player()->GetState(&state);
        return state;
    }
};

TEST_F(AuxiliaryDialogsTest, AudioSettingsKeptRefreshTheMuteDisplayUndoneRestore) {
    Start(Media("multi.mkv"));
    window->Player()->SetVolume(-1000);
    window->Player()->SetBalance(200);
    window->UpdateMuteDisplay();
    ASSERT_EQ(window->VolumeSlider()->value(), 10);

    ModalDialogWatcher<CAudioSettingsDlg> keep([this](CAudioSettingsDlg& dialog) {
        EXPECT_EQ(dialog.parentWidget(), window.get());
        EXPECT_EQ(dialog.VolumeSlider()->value(), 10);
        EXPECT_EQ(dialog.BalanceSlider()->value(), 200);
        ScrollTo(dialog, dialog.VolumeSlider(), 0);
        Click(dialog, "IDC_BUTTON_OK");
    });
    Command(IDM_AUDIO_SETTINGS);
    EXPECT_EQ(keep.Count(), 1);
    EXPECT_EQ(window->Player()->GetVolume(), -10000);
    EXPECT_TRUE(Checked(IDM_AUDIO_STUMM));
    EXPECT_EQ(window->VolumeSlider()->value(), 0);
}

TEST_F(AuxiliaryDialogsTest, AudioSettingsCancelledLeaveTheEngineAsItWas) {
    Start(Media("multi.mkv"));
    window->Player()->SetVolume(-1500);
    ModalDialogWatcher<CAudioSettingsDlg> undo([](CAudioSettingsDlg& dialog) {
        ScrollTo(dialog, dialog.VolumeSlider(), 0);
        ScrollTo(dialog, dialog.BalanceSlider(), 10000);
        QTest::keyClick(&dialog, Qt::Key_Escape);
    });
    Command(IDM_AUDIO_SETTINGS);
    EXPECT_EQ(undo.Count(), 1);
    EXPECT_EQ(window->Player()->GetVolume(), -1500);
    EXPECT_EQ(window->Player()->GetBalance(), 0);
    EXPECT_FALSE(Checked(IDM_AUDIO_STUMM));
}

TEST_F(AuxiliaryDialogsTest, AudioSettingsNeedAMediumWithSound) {
    ModalDialogWatcher<CAudioSettingsDlg> user([](CAudioSettingsDlg& dialog) { dialog.reject(); });
    Start();
    Command(IDM_AUDIO_SETTINGS);
    OpenFile(Media("video-only.mkv"));
    EXPECT_FALSE(Enabled(IDM_AUDIO_SETTINGS));
    Command(IDM_AUDIO_SETTINGS);
    EXPECT_EQ(user.Count(), 0);
    OpenFile(Media("audio.mp3"));
    EXPECT_TRUE(Enabled(IDM_AUDIO_SETTINGS));
    Command(IDM_AUDIO_SETTINGS);
    EXPECT_EQ(user.Count(), 1);
}

TEST_F(AuxiliaryDialogsTest, InFullscreenTheCursorShowsWhileAudioSettingsAreOpen) {
    Start(Media("multi.mkv"));
    window->EnterFullscreen();
    ASSERT_TRUE(CursorHidden());
    bool hiddenMeanwhile = true;
    ModalDialogWatcher<CAudioSettingsDlg> user([&](CAudioSettingsDlg& dialog) {
        hiddenMeanwhile = CursorHidden();
        dialog.reject();
    });
    Command(IDM_AUDIO_SETTINGS);
    EXPECT_EQ(user.Count(), 1);
    EXPECT_FALSE(hiddenMeanwhile);
    EXPECT_TRUE(CursorHidden());
}

TEST_F(AuxiliaryDialogsTest, ANewMediumUnderOpenDialogsClosesThem) {
    Start(Media("multi.mkv"));
    ModalDialogWatcher<CAudioSettingsDlg> audio([this](CAudioSettingsDlg& dialog) {
        // A second start handing over a file does this while the dialog runs.
        window->OpenMedia(QString::fromStdString(Media("audio.mp3")), false);
        EXPECT_FALSE(dialog.isVisible());
    });
    Command(IDM_AUDIO_SETTINGS);
    EXPECT_EQ(audio.Count(), 1);
    ASSERT_NE(window->Player(), nullptr);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Velvaro - audio.mp3 - PLAY"));

    ModalDialogWatcher<CCodecDlg> properties([this](CCodecDlg& dialog) {
        window->OnFileClose();
        EXPECT_FALSE(dialog.isVisible());
        Click(dialog, "IDC_BUTTON_EIGENSCHAFTEN");  // nothing left to show
    });
    Command(IDM_VIDEO_EIGENSCHAFTEN);
    EXPECT_EQ(properties.Count(), 1);
    EXPECT_EQ(window->Player(), nullptr);
}

TEST_F(AuxiliaryDialogsTest, MediaPropertiesFromTheMenuAndKeyEWithAndWithoutAMedium) {
    QStringList seen;
    ModalDialogWatcher<CCodecDlg> user([&](CCodecDlg& dialog) {
        seen << dialog.windowTitle() + u'|' + dialog.Duration() + u'|' +
                    QString::number(dialog.FilterList()->count() > 0);
        Click(dialog, "IDC_BUTTON_SCHLIESSEN");
    });
    Start();
    Key('E');
    OpenFile(Media("multi.mkv"));
    Command(IDM_VIDEO_EIGENSCHAFTEN);
    Key('E');
    EXPECT_EQ(seen, (QStringList{QStringLiteral("Media Properties||0"),
                                 QStringLiteral("Media Properties|00:00:06,000|1"),
                                 QStringLiteral("Media Properties|00:00:06,000|1")}));
}

TEST_F(AuxiliaryDialogsTest, CtrlWithPlayCountsDownFirstAndCtrlIsThenForgotten) {
    settings->playbackDelay = 2;
    settings->startMediaAutomatically = 0;
    Start(Media("multi.mkv"));
    ASSERT_EQ(window->PlayState(), 0);
    QStringList shown;
    long stateMeanwhile = -1;
    QString titleMeanwhile;
    ModalDialogWatcher<CPlaybackDelayDlg> user([&](CPlaybackDelayDlg& dialog) {
        EXPECT_EQ(dialog.parentWidget(), window.get());
        stateMeanwhile = EngineState();
        titleMeanwhile = window->windowTitle();
        shown << dialog.CountdownText();
        SendMessage(&dialog, WM_TIMER, ID_Shutdown_Timer, 0);
        shown << dialog.CountdownText();
        SendMessage(&dialog, WM_TIMER, ID_Shutdown_Timer, 0);
        EXPECT_FALSE(dialog.isVisible());
    });
    Key(VK_CONTROL);
    Key(VK_SPACE);
    EXPECT_EQ(user.Count(), 1);
    EXPECT_EQ(shown, (QStringList{QStringLiteral("2 Seconds"), QStringLiteral("1 Seconds")}));
    EXPECT_NE(stateMeanwhile, 2);  // the engine waits for the countdown
    EXPECT_EQ(titleMeanwhile, QStringLiteral("Velvaro - multi.mkv - PLAY"));
    ASSERT_TRUE(WaitFor([this] { return EngineState() == 2; }));

    // The countdown used Ctrl up: pause and play again start at once.
    Key(VK_SPACE);
    EXPECT_EQ(window->PlayState(), 1);
    Key(VK_SPACE);
    EXPECT_EQ(window->PlayState(), 2);
    EXPECT_EQ(user.Count(), 1);
}

TEST_F(AuxiliaryDialogsTest, TheStartButtonPlaysAtOnceAndFullscreenShowsTheCursorMeanwhile) {
    settings->playbackDelay = 30;
    settings->startMediaAutomatically = 0;
    Start(Media("multi.mkv"));
    window->EnterFullscreen();
    ASSERT_TRUE(CursorHidden());
    bool hiddenMeanwhile = true;
    ModalDialogWatcher<CPlaybackDelayDlg> user([&](CPlaybackDelayDlg& dialog) {
        hiddenMeanwhile = CursorHidden();
        Click(dialog, "IDC_BUTTON_ABBRECHEN");
    });
    Key(VK_CONTROL);
    Command(IDTBB_PLAY);  // the toolbar's play with Ctrl held
    EXPECT_EQ(user.Count(), 1);
    EXPECT_FALSE(hiddenMeanwhile);
    EXPECT_TRUE(CursorHidden());
    ASSERT_TRUE(WaitFor([this] { return EngineState() == 2; }, 5000));
}

TEST_F(AuxiliaryDialogsTest, NoCountdownWithoutCtrlOrWithoutADelay) {
    settings->playbackDelay = 3;
    settings->startMediaAutomatically = 0;
    ModalDialogWatcher<CPlaybackDelayDlg> user([](CPlaybackDelayDlg& dialog) { dialog.reject(); });
    Start(Media("multi.mkv"));
    Command(IDM_WIEDERGABE_WIEDERGABE_PAUSE);
    EXPECT_EQ(window->PlayState(), 2);
    Command(IDM_WIEDERGABE_WIEDERGABE_PAUSE);

    Key(VK_CONTROL);
    KeyUp(VK_CONTROL);  // released before the play command
    Key(VK_SPACE);
    EXPECT_EQ(window->PlayState(), 2);
    Key(VK_SPACE);

    settings->playbackDelay = 0;
    Key(VK_CONTROL);
    Key(VK_SPACE);
    EXPECT_EQ(window->PlayState(), 2);
    EXPECT_EQ(user.Count(), 0);
    ASSERT_TRUE(WaitFor([this] { return EngineState() == 2; }));
}

}  // namespace
}  // namespace velvaro::test
