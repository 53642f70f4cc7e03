// The audio settings dialog on a real engine playing real sound: opening
// values, live changes, reset, keeping and undoing, and the keys it takes.
#include "EngineFixture.h"
#include "ModalDialogWatcher.h"
#include "QtPrinting.h"
#include "controls/CClickSlider.h"
#include "controls/VolumeSliderScale.h"
#include "dialogs/CAudioSettingsDlg.h"
#include "dialogs/DialogSupport.h"
#include "platform/PlayerMessages.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <functional>

namespace {

using velvaro::test::ModalDialogWatcher;

QPushButton* Button(const QWidget& dialog, const char* name) {
    return dialog.findChild<QPushButton*>(QString::fromLatin1(name));
}

// What a slider tells the dialog: the scroll code in the low word, its id.
void Scroll(CAudioSettingsDlg& dialog, CClickSlider* slider, int code) {
    SendMessage(&dialog, WM_HSCROLL, MakeWParam(code, slider->value()), slider->ControlId());
}

class AudioSettingsDialogTest : public velvaro::test::EngineDialogTest {
protected:
    void SetUp() override {
        EngineDialogTest::SetUp();
        Open("audio.wav");
    }
};

TEST_F(AudioSettingsDialogTest, OpensAtTheMappedVolumeAndAppliesSliderMovesAtOnce) {
    engine->SetVolume(-3000);
    engine->SetBalance(-2500);
    CAudioSettingsDlg dialog;
    ModalDialogWatcher<CAudioSettingsDlg> user([this](CAudioSettingsDlg& open) {
        EXPECT_EQ(open.windowTitle(), QStringLiteral("Audio Settings"));
        EXPECT_EQ(open.findChild<QLabel*>(QStringLiteral("IDC_TXT_LAUTSTAERKE"))->text(),
                  QStringLiteral("Volume"));
        EXPECT_EQ(Button(open, "IDC_BUTTON_RESET")->text(), QStringLiteral("&Reset"));
        // -3000 lies below the first step of the slider's scale.
        EXPECT_EQ(open.VolumeSlider()->value(), 0);
        EXPECT_EQ(open.VolumeSlider()->maximum(), 100);
        EXPECT_EQ(open.BalanceSlider()->value(), -2500);
        EXPECT_EQ(open.BalanceSlider()->minimum(), -10000);
        EXPECT_EQ(open.BalanceSlider()->maximum(), 10000);

        open.VolumeSlider()->setValue(50);
        Scroll(open, open.VolumeSlider(), SB_THUMBPOSITION);
        EXPECT_EQ(engine->GetVolume(), -301);
        open.BalanceSlider()->setValue(4000);
        Scroll(open, open.BalanceSlider(), SB_THUMBTRACK);
        EXPECT_EQ(engine->GetBalance(), 4000);
        open.VolumeSlider()->setValue(100);
        Scroll(open, open.VolumeSlider(), SB_PAGELEFT);
        EXPECT_EQ(engine->GetVolume(), 0);
        open.VolumeSlider()->setValue(10);
        Scroll(open, open.VolumeSlider(), SB_PAGERIGHT);
        EXPECT_EQ(engine->GetVolume(), -999);  // the scale truncates 10 to -999, not -1000
        QTest::mouseClick(Button(open, "IDC_BUTTON_OK"), Qt::LeftButton);
    });
    EXPECT_EQ(dialog.Show(engine.get(), &english), IDOK);
    EXPECT_EQ(user.Count(), 1);
    // OK keeps what the engine has now.
    EXPECT_EQ(engine->GetVolume(), -999);
    EXPECT_EQ(engine->GetBalance(), 4000);
}

TEST_F(AudioSettingsDialogTest, LineStepsEndOfScrollAndArrowKeysApplyNothing) {
    engine->SetVolume(-500);
    engine->SetBalance(100);
    CAudioSettingsDlg dialog;
    ModalDialogWatcher<CAudioSettingsDlg> user([this](CAudioSettingsDlg& open) {
        const int position = open.VolumeSlider()->value();
        open.VolumeSlider()->setValue(20);
        for (int code : {0, 1, 6, 7, SB_ENDSCROLL}) {
            Scroll(open, open.VolumeSlider(), code);
            Scroll(open, open.BalanceSlider(), code);
        }
        EXPECT_EQ(engine->GetVolume(), -500);
        EXPECT_EQ(engine->GetBalance(), 100);

        // The arrows move the thumb only.
        open.VolumeSlider()->setValue(position);
        open.VolumeSlider()->setFocus();
        QTest::keyClick(open.VolumeSlider(), Qt::Key_Left);
        QTest::keyClick(open.VolumeSlider(), Qt::Key_Left);
        EXPECT_EQ(open.VolumeSlider()->value(), position - 2);
        EXPECT_EQ(engine->GetVolume(), -500);
        // ... until a notification follows.
        Scroll(open, open.VolumeSlider(), SB_THUMBPOSITION);
        EXPECT_EQ(engine->GetVolume(), volume_slider::VolumeFromPosition(position - 2));
        open.reject();
    });
    EXPECT_EQ(dialog.Show(engine.get(), &english), IDCANCEL);
    EXPECT_EQ(user.Count(), 1);
}

TEST_F(AudioSettingsDialogTest, CancelEscapeAndCloseBoxRestoreTheExactValuesRead) {
    // -1234 is no slider position's volume: its round trip would give -1301.
    ASSERT_EQ(volume_slider::VolumeFromPosition(volume_slider::PositionFromVolume(-1234)), -1301);
    const std::function<void(CAudioSettingsDlg&)> ends[] = {
        [](CAudioSettingsDlg& open) {
            QTest::mouseClick(Button(open, "IDC_BUTTON_ABBRECHEN"), Qt::LeftButton);
        },
        [](CAudioSettingsDlg& open) { QTest::keyClick(&open, Qt::Key_Escape); },
        [](CAudioSettingsDlg& open) { open.close(); },
    };
    CAudioSettingsDlg dialog;  // one dialog, shown again each time
    for (const auto& end : ends) {
        engine->SetVolume(-1234);
        engine->SetBalance(777);
        ModalDialogWatcher<CAudioSettingsDlg> user([this, &end](CAudioSettingsDlg& open) {
            open.VolumeSlider()->setValue(80);
            Scroll(open, open.VolumeSlider(), SB_THUMBTRACK);
            open.BalanceSlider()->setValue(-9000);
            Scroll(open, open.BalanceSlider(), SB_THUMBPOSITION);
            EXPECT_EQ(engine->GetVolume(), volume_slider::VolumeFromPosition(80));
            EXPECT_EQ(engine->GetBalance(), -9000);
            end(open);
        });
        EXPECT_EQ(dialog.Show(engine.get(), &english), IDCANCEL);
        EXPECT_EQ(user.Count(), 1);
        EXPECT_EQ(engine->GetVolume(), -1234);
        EXPECT_EQ(engine->GetBalance(), 777);
    }
}

TEST_F(AudioSettingsDialogTest, ResetGivesFullVolumeAndTheMiddleAndCancelUndoesIt) {
    engine->SetVolume(-2500);
    engine->SetBalance(-6000);
    CAudioSettingsDlg dialog;
    ModalDialogWatcher<CAudioSettingsDlg> user([this](CAudioSettingsDlg& open) {
        QTest::mouseClick(Button(open, "IDC_BUTTON_RESET"), Qt::LeftButton);
        EXPECT_TRUE(open.isVisible());
        EXPECT_EQ(open.VolumeSlider()->value(), 100);
        EXPECT_EQ(open.BalanceSlider()->value(), 0);
        EXPECT_EQ(engine->GetVolume(), 0);
        EXPECT_EQ(engine->GetBalance(), 0);
        open.reject();
    });
    EXPECT_EQ(dialog.Show(engine.get(), &english), IDCANCEL);
    EXPECT_EQ(engine->GetVolume(), -2500);
    EXPECT_EQ(engine->GetBalance(), -6000);
}

TEST_F(AudioSettingsDialogTest, OnlyTabEnterEscapeSpaceAndArrowsReachTheDialog) {
    engine->SetVolume(-1000);
    CAudioSettingsDlg dialog;
    ModalDialogWatcher<CAudioSettingsDlg> user([](CAudioSettingsDlg& open) {
        CClickSlider* volume = open.VolumeSlider();
        volume->setFocus();
        const int position = volume->value();
        ASSERT_EQ(position, 10);
        // A plain slider would jump to its ends or by pages here.
        for (Qt::Key key : {Qt::Key_Home, Qt::Key_End, Qt::Key_PageUp, Qt::Key_PageDown,
                            Qt::Key_Plus, Qt::Key_A, Qt::Key_F1}) {
            QTest::keyClick(volume, key);
            EXPECT_EQ(volume->value(), position) << key;
            EXPECT_TRUE(open.isVisible()) << key;
        }
        QTest::keyClick(volume, Qt::Key_Up);
        EXPECT_EQ(volume->value(), position + 1);
        // Tab moves on to the next control; Enter is the default button, OK.
        QTest::keyClick(volume, Qt::Key_Tab);
        EXPECT_FALSE(volume->hasFocus());
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget()
                                                    : static_cast<QWidget*>(&open),
                        Qt::Key_Return);
    });
    EXPECT_EQ(dialog.Show(engine.get(), &english), IDOK);
    EXPECT_EQ(user.Count(), 1);
    EXPECT_EQ(engine->GetVolume(), -1000);  // the arrow applied nothing
}

TEST_F(AudioSettingsDialogTest, WithoutAnEngineNothingIsAppliedAndNothingBreaks) {
    CAudioSettingsDlg dialog;
    ModalDialogWatcher<CAudioSettingsDlg> user([](CAudioSettingsDlg& open) {
        open.VolumeSlider()->setValue(30);
        Scroll(open, open.VolumeSlider(), SB_THUMBPOSITION);
        QTest::mouseClick(Button(open, "IDC_BUTTON_RESET"), Qt::LeftButton);
        open.reject();
    });
    EXPECT_EQ(dialog.Show(nullptr, &english), IDCANCEL);
    EXPECT_EQ(user.Count(), 1);
}

TEST_F(AudioSettingsDialogTest, AnEngineClosingUnderTheDialogClosesItUntouched) {
    engine->SetVolume(-700);
    CAudioSettingsDlg dialog;
    ModalDialogWatcher<CAudioSettingsDlg> user([this](CAudioSettingsDlg& open) {
        open.EngineClosed();
        engine.reset();
        // Whatever still arrives finds no engine.
        Scroll(open, open.VolumeSlider(), SB_THUMBPOSITION);
        open.reject();
    });
    EXPECT_EQ(dialog.Show(engine.get(), &english), IDCANCEL);
    EXPECT_EQ(user.Count(), 1);
    EXPECT_EQ(engine, nullptr);
}

TEST_F(AudioSettingsDialogTest, TheLanguageTranslatesIt) {
    CLanguageFile german;
    ASSERT_EQ(german.LoadResource(IDR_LNG_GERMAN), 0);
    CAudioSettingsDlg dialog;
    ModalDialogWatcher<CAudioSettingsDlg> user([](CAudioSettingsDlg& open) {
        EXPECT_EQ(open.windowTitle(), QStringLiteral("Audio-Einstellungen"));
        EXPECT_EQ(open.findChild<QLabel*>(QStringLiteral("IDC_TXT_LAUTSTAERKE"))->text(),
                  QStringLiteral("Lautstärke"));
        EXPECT_EQ(Button(open, "IDC_BUTTON_RESET")->text(), QStringLiteral("&Zurücksetzen"));
        EXPECT_EQ(Button(open, "IDC_BUTTON_ABBRECHEN")->text(), QStringLiteral("&Abbrechen"));
        open.reject();
    });
    EXPECT_EQ(dialog.Show(engine.get(), &german), IDCANCEL);
}

}  // namespace
