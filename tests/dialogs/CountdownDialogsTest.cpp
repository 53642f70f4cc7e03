// The two countdowns, shutdown after playback and delayed playback, driven
// by their timer's ticks and by the keys and buttons a person would use.
#include "ModalDialogWatcher.h"
#include "QtPrinting.h"
#include "TestRegistry.h"
#include "dialogs/CPlaybackDelayDlg.h"
#include "dialogs/CShutdownDlg.h"
#include "dialogs/DialogSupport.h"
#include "i18n/CLanguageFile.h"
#include "platform/WindowMessage.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {

using velvaro::test::ModalDialogWatcher;

QString Text(const QWidget& dialog, const char* control) {
    const auto* label = dialog.findChild<QLabel*>(QString::fromLatin1(control));
    return label ? label->text() : QStringLiteral("<no %1>").arg(QString::fromLatin1(control));
}

QPushButton* Button(const QWidget& dialog) {
    return dialog.findChild<QPushButton*>(QStringLiteral("IDC_BUTTON_ABBRECHEN"));
}

void Tick(QDialog& dialog, UINT timer = ID_Shutdown_Timer) {
    SendMessage(&dialog, WM_TIMER, timer, 0);
}

class CountdownTest : public velvaro::test::RegistryTest {
protected:
    void SetUp() override {
        RegistryTest::SetUp();
        ASSERT_EQ(english.LoadResource(IDR_LNG_ENGLISH), 0);
        ASSERT_EQ(german.LoadResource(IDR_LNG_GERMAN), 0);
    }

    CLanguageFile english;
    CLanguageFile german;
};

using ShutdownCountdownTest = CountdownTest;

TEST_F(ShutdownCountdownTest, CancelWhileThreeSecondsShowReturnsCancel) {
    CShutdownDlg dialog(&english);
    QStringList shown;
    ModalDialogWatcher<CShutdownDlg> user([&](CShutdownDlg& open) {
        EXPECT_EQ(open.windowTitle(), QStringLiteral("Shutdown"));
        EXPECT_EQ(Text(open, "IDC_TXT_AUTOSHUTDOWN"), QStringLiteral("Automatic Shutdown In..."));
        EXPECT_EQ(Button(open)->text(), QStringLiteral("&Cancel"));
        shown << Text(open, "IDC_COUNTDOWN");
        for (int tick = 0; tick < 12; ++tick) {
            Tick(open);
            shown << Text(open, "IDC_COUNTDOWN");
        }
        QTest::mouseClick(Button(open), Qt::LeftButton);
    });
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_EQ(user.Count(), 1);
    ASSERT_EQ(shown.size(), 13);
    EXPECT_EQ(shown.front(), QStringLiteral("15 Seconds"));
    EXPECT_EQ(shown[1], QStringLiteral("14 Seconds"));
    EXPECT_EQ(shown.back(), QStringLiteral("3 Seconds"));
    EXPECT_EQ(dialog.SecondsLeft(), 3);
}

TEST_F(ShutdownCountdownTest, RunsOutOnTheTickAfterOne) {
    CShutdownDlg dialog(&english);
    QStringList shown;
    ModalDialogWatcher<CShutdownDlg> user([&](CShutdownDlg& open) {
        for (int tick = 0; tick < 14; ++tick) {
            Tick(open);
        }
        shown << Text(open, "IDC_COUNTDOWN");
        EXPECT_TRUE(open.isVisible());  // 1 still shows for its second
        Tick(open);
        shown << (open.isVisible() ? QStringLiteral("open") : QStringLiteral("closed"));
    });
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(shown, (QStringList{QStringLiteral("1 Seconds"), QStringLiteral("closed")}));
}

TEST_F(ShutdownCountdownTest, EscapeAndTheCloseBoxCountAsCancel) {
    {
        CShutdownDlg dialog(&english);
        ModalDialogWatcher<CShutdownDlg> user(
            [](CShutdownDlg& open) { QTest::keyClick(&open, Qt::Key_Escape); });
        EXPECT_EQ(dialog.DoModal(), IDCANCEL);
        EXPECT_EQ(user.Count(), 1);
    }
    {
        CShutdownDlg dialog(&english);
        ModalDialogWatcher<CShutdownDlg> user([](CShutdownDlg& open) { open.close(); });
        EXPECT_EQ(dialog.DoModal(), IDCANCEL);
        EXPECT_EQ(user.Count(), 1);
    }
}

TEST_F(ShutdownCountdownTest, ItsOwnTimerCountsAndTheLanguageTranslatesIt) {
    CShutdownDlg dialog(&german);
    QString first;
    ModalDialogWatcher<CShutdownDlg> user([&](CShutdownDlg& open) {
        first = Text(open, "IDC_COUNTDOWN");
        EXPECT_EQ(Text(open, "IDC_TXT_AUTOSHUTDOWN"),
                  QStringLiteral("Automatischer Shutdown in..."));
        EXPECT_EQ(Button(open)->text(), QStringLiteral("&Abbrechen"));
        // The real timer's first tick, then cancel.
        auto* wait = new QTimer(&open);
        QObject::connect(wait, &QTimer::timeout, &open, [&open] {
            if (open.SecondsLeft() < 15) {
                open.reject();
            }
        });
        wait->start(10);
    });
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_EQ(first, QStringLiteral("15 Sekunden"));
    EXPECT_EQ(dialog.SecondsLeft(), 14);
    EXPECT_EQ(dialog.CountdownText(), QStringLiteral("14 Sekunden"));
}

using PlaybackDelayTest = CountdownTest;

TEST_F(PlaybackDelayTest, ThreeSecondsShowThreeTwoOneAndCloseASecondAfterOne) {
    QWidget owner;
    CPlaybackDelayDlg dialog(&english, 3, &owner);
    QStringList shown;
    QElapsedTimer clock;
    ModalDialogWatcher<CPlaybackDelayDlg> user([&](CPlaybackDelayDlg& open) {
        EXPECT_EQ(open.windowTitle(), QStringLiteral("Playback Delay"));
        EXPECT_EQ(Text(open, "IDC_TXT_PLAYBACK_IN"), QStringLiteral("Playback Starts In..."));
        EXPECT_EQ(Button(open)->text(), QStringLiteral("&Start"));
        // Every change of the text, as the real timer makes them.
        auto* label = open.findChild<QLabel*>(QStringLiteral("IDC_COUNTDOWN"));
        shown << label->text();
        auto* watch = new QTimer(&open);
        QObject::connect(watch, &QTimer::timeout, &open, [&shown, label] {
            if (label->text() != shown.back()) {
                shown << label->text();
            }
        });
        watch->start(10);
    });
    clock.start();
    EXPECT_EQ(dialog.DoModal(), IDOK);
    const qint64 elapsed = clock.elapsed();
    EXPECT_EQ(shown, (QStringList{QStringLiteral("3 Seconds"), QStringLiteral("2 Seconds"),
                                  QStringLiteral("1 Seconds")}));
    // Three ticks of a coarse one-second timer, never two.
    EXPECT_GE(elapsed, 2500);
    EXPECT_LT(elapsed, 10000);
}

TEST_F(PlaybackDelayTest, AnyTimerCountsAndTheTickAfterOneEndsIt) {
    CPlaybackDelayDlg dialog(&german, 2, nullptr);
    QStringList shown;
    ModalDialogWatcher<CPlaybackDelayDlg> user([&](CPlaybackDelayDlg& open) {
        EXPECT_EQ(open.windowTitle(), QStringLiteral("Verzögerte Wiedergabe"));
        shown << open.CountdownText();
        Tick(open, 999);
        shown << open.CountdownText();
        Tick(open, ID_Shutdown_Timer);
    });
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(shown, (QStringList{QStringLiteral("2 Sekunden"), QStringLiteral("1 Sekunden")}));
}

TEST_F(PlaybackDelayTest, TheButtonEndsItAtOnce) {
    CPlaybackDelayDlg dialog(&english, 30, nullptr);
    ModalDialogWatcher<CPlaybackDelayDlg> user([](CPlaybackDelayDlg& open) {
        Tick(open);
        QTest::mouseClick(Button(open), Qt::LeftButton);
    });
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_LT(clock.elapsed(), 5000);
    EXPECT_EQ(dialog.SecondsLeft(), 29);
}

TEST_F(PlaybackDelayTest, ACountBelowOneEndsAtTheFirstTick) {
    for (const int seconds : {-3, 0}) {
        CPlaybackDelayDlg dialog(&english, seconds, nullptr);
        QString shown;
        ModalDialogWatcher<CPlaybackDelayDlg> user([&](CPlaybackDelayDlg& open) {
            shown = open.CountdownText();
            Tick(open);
        });
        EXPECT_EQ(dialog.DoModal(), IDOK) << seconds;
        EXPECT_EQ(shown, QStringLiteral("%1 Seconds").arg(seconds));
    }
}

}  // namespace
