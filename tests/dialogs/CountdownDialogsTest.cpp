// The two countdowns, shutdown after playback and delayed playback, driven
// by their timer's ticks and by the keys and buttons a person would use.
#include "DialogFixture.h"
#include "dialogs/CPlaybackDelayDlg.h"
#include "dialogs/CShutdownDlg.h"
#include "dialogs/DialogSupport.h"
#include "platform/WindowMessage.h"
#include "resource.h"

#include <QElapsedTimer>

#include <functional>

namespace {

using namespace velvaro::test;
using CountdownTest = DialogTest;

void Tick(QDialog& dialog, UINT timer = ID_Shutdown_Timer) {
    SendMessage(&dialog, WM_TIMER, timer, 0);
}

QString Countdown(const QWidget& dialog) {
    return Texts(dialog, {"IDC_COUNTDOWN"});
}

// Cancelled by the button, Escape or the close box, else run out on the tick after one.
TEST_F(CountdownTest, ShutdownCountsFromFifteenAndRunsOutOnTheTickAfterOneUnlessCancelled) {
    const std::function<void(QDialog&)> ends[] = {
        [](QDialog& open) { Press(open, "IDC_BUTTON_ABBRECHEN"); },
        [](QDialog& open) { QTest::keyClick(&open, Qt::Key_Escape); },
        [](QDialog& open) { open.close(); },
        [](QDialog& open) {
            Tick(open);
            Tick(open);
            EXPECT_EQ(Countdown(open), QStringLiteral("1 Seconds"));
            EXPECT_TRUE(open.isVisible());
            Tick(open);
            EXPECT_FALSE(open.isVisible());
        },
    };
    for (const auto& end : ends) {
        CShutdownDlg dialog(&english);
        QStringList shown;
        ModalDialogWatcher<CShutdownDlg> user([&](CShutdownDlg& open) {
            EXPECT_EQ(Texts(open, {"", "IDC_TXT_AUTOSHUTDOWN", "IDC_BUTTON_ABBRECHEN"}),
                      QStringLiteral("Shutdown|Automatic Shutdown In...|&Cancel"));
            shown << Countdown(open);
            for (int tick = 0; tick < 12; ++tick) {
                Tick(open);
            }
            shown << Countdown(open);
            end(open);
        });
        const bool runOut = &end == &ends[3];
        EXPECT_EQ(dialog.DoModal(), runOut ? IDOK : IDCANCEL);
        EXPECT_EQ(user.Count(), 1);
        EXPECT_EQ(shown.join(u'|'), QStringLiteral("15 Seconds|3 Seconds"));
        EXPECT_TRUE(runOut || dialog.SecondsLeft() == 3) << dialog.SecondsLeft();
    }
}

TEST_F(CountdownTest, PlaybackDelayOfThreeClosesOnItsOwnTimerASecondAfterOne) {
    QWidget owner;
    CPlaybackDelayDlg dialog(&english, 3, &owner);
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(dialog.DoModal(), IDOK);
    // Three ticks of a coarse one-second timer, never two; the texts are the ticks' test.
    EXPECT_TRUE(clock.elapsed() >= 2500 && clock.elapsed() < 10000) << clock.elapsed();
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
        EXPECT_EQ(shown.join(u'|'), seconds == 2 ? QStringLiteral("2 Sekunden|1 Sekunden")
                                                 : QStringLiteral("%1 Sekunden").arg(seconds));
    }
}

}  // namespace
