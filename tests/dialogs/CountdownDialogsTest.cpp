// The two countdowns, shutdown after playback and delayed playback, driven
// by their timer's ticks and by the keys and buttons a person would use.
#include "DialogFixture.h"
#include "dialogs/CPlaybackDelayDlg.h"
#include "dialogs/CShutdownDlg.h"
#include "dialogs/DialogSupport.h"
#include "platform/WindowMessage.h"
#include "resource.h"

#include <QElapsedTimer>
#include <QTimer>

#include <functional>

namespace {

using namespace velvaro::test;
using CountdownTest = DialogTest;

void Tick(QDialog& dialog, UINT timer = ID_Shutdown_Timer) {
    SendMessage(&dialog, WM_TIMER, timer, 0);
}

QString Countdown(const QWidget& dialog) {
    return Texts(dialog, {"IDC_COUNTDOWN"}).front();
}

void Cancel(QDialog& dialog) {
    QTest::mouseClick(Find<QPushButton>(dialog, "IDC_BUTTON_ABBRECHEN"), Qt::LeftButton);
}

TEST_F(CountdownTest, ShutdownCountsFromFifteenAndTheButtonEscapeOrCloseBoxCancel) {
    const std::function<void(QDialog&)> ends[] = {
        Cancel,
        [](QDialog& open) { QTest::keyClick(&open, Qt::Key_Escape); },
        [](QDialog& open) { open.close(); },
    };
    for (const auto& end : ends) {
        CShutdownDlg dialog(&english);
        QStringList shown;
        ModalDialogWatcher<CShutdownDlg> user([&](CShutdownDlg& open) {
            EXPECT_EQ(
                Texts(open, {"", "IDC_TXT_AUTOSHUTDOWN", "IDC_BUTTON_ABBRECHEN"}),
                (QStringList{QStringLiteral("Shutdown"), QStringLiteral("Automatic Shutdown In..."),
                             QStringLiteral("&Cancel")}));
            shown << Countdown(open);
            for (int tick = 0; tick < 12; ++tick) {
                Tick(open);
            }
            shown << Countdown(open);
            end(open);
        });
        EXPECT_EQ(dialog.DoModal(), IDCANCEL);
        EXPECT_EQ(user.Count(), 1);
        EXPECT_EQ(shown, (QStringList{QStringLiteral("15 Seconds"), QStringLiteral("3 Seconds")}));
        EXPECT_EQ(dialog.SecondsLeft(), 3);
    }
}

TEST_F(CountdownTest, ShutdownRunsOutOnTheTickAfterOne) {
    CShutdownDlg dialog(&english);
    QStringList shown;
    ModalDialogWatcher<CShutdownDlg> user([&](CShutdownDlg& open) {
        for (int tick = 0; tick < 14; ++tick) {
            Tick(open);
        }
        const auto state = [&] {
            return QString::fromLatin1(open.isVisible() ? "open" : "closed");
        };
        shown << Countdown(open) << state();
        Tick(open);
        shown << state();
    });
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(shown, (QStringList{QStringLiteral("1 Seconds"), QStringLiteral("open"),
                                  QStringLiteral("closed")}));
}

TEST_F(CountdownTest, ShutdownsOwnTimerCountsAndTheLanguageTranslatesIt) {
    CShutdownDlg dialog(&german);
    QString first;
    ModalDialogWatcher<CShutdownDlg> user([&](CShutdownDlg& open) {
        first = Countdown(open);
        EXPECT_EQ(Texts(open, {"IDC_TXT_AUTOSHUTDOWN", "IDC_BUTTON_ABBRECHEN"}),
                  (QStringList{QStringLiteral("Automatischer Shutdown in..."),
                               QStringLiteral("&Abbrechen")}));
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

TEST_F(CountdownTest, PlaybackDelayOfThreeShowsThreeTwoOneAndClosesASecondAfterOne) {
    QWidget owner;
    CPlaybackDelayDlg dialog(&english, 3, &owner);
    QStringList shown;
    ModalDialogWatcher<CPlaybackDelayDlg> user([&](CPlaybackDelayDlg& open) {
        EXPECT_EQ(Texts(open, {"", "IDC_TXT_PLAYBACK_IN", "IDC_BUTTON_ABBRECHEN"}),
                  (QStringList{QStringLiteral("Playback Delay"),
                               QStringLiteral("Playback Starts In..."), QStringLiteral("&Start")}));
        // Every change of the text, as the real timer makes them.
        shown << Countdown(open);
        auto* watch = new QTimer(&open);
        QObject::connect(watch, &QTimer::timeout, &open, [&shown, &open] {
            if (Countdown(open) != shown.back()) {
                shown << Countdown(open);
            }
        });
        watch->start(10);
    });
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(dialog.DoModal(), IDOK);
    const qint64 elapsed = clock.elapsed();
    EXPECT_EQ(shown, (QStringList{QStringLiteral("3 Seconds"), QStringLiteral("2 Seconds"),
                                  QStringLiteral("1 Seconds")}));
    // Three ticks of a coarse one-second timer, never two.
    EXPECT_GE(elapsed, 2500);
    EXPECT_LT(elapsed, 10000);
}

TEST_F(CountdownTest, PlaybackDelayTakesAnyTimerAndEndsAtTheFirstTickBelowOne) {
    for (const int seconds : {2, 0, -3}) {
        CPlaybackDelayDlg dialog(&german, seconds, nullptr);
        QStringList shown;
        ModalDialogWatcher<CPlaybackDelayDlg> user([&](CPlaybackDelayDlg& open) {
            EXPECT_EQ(open.windowTitle(), QStringLiteral("Verzögerte Wiedergabe"));
            for (const UINT timer : {UINT{999}, UINT{ID_Shutdown_Timer}}) {
                if (open.isVisible()) {
                    shown << open.CountdownText();
                    Tick(open, timer);
                }
            }
        });
        EXPECT_EQ(dialog.DoModal(), IDOK) << seconds;
        const QStringList expected =
            seconds == 2 ? QStringList{QStringLiteral("2 Sekunden"), QStringLiteral("1 Sekunden")}
                         : QStringList{QStringLiteral("%1 Sekunden").arg(seconds)};
        EXPECT_EQ(shown, expected);
    }
}

TEST_F(CountdownTest, PlaybackDelaysButtonEndsItAtOnce) {
    CPlaybackDelayDlg dialog(&english, 30, nullptr);
    ModalDialogWatcher<CPlaybackDelayDlg> user([](CPlaybackDelayDlg& open) {
        Tick(open);
        Cancel(open);
    });
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_LT(clock.elapsed(), 5000);
    EXPECT_EQ(dialog.SecondsLeft(), 29);
}

}  // namespace
