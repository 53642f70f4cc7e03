// The audio settings dialog on a real engine playing real sound: opening
// values, live changes, reset, keeping and undoing, and the keys it takes.
#include "DialogFixture.h"
#include "controls/CClickSlider.h"
#include "controls/VolumeSliderScale.h"
#include "dialogs/CAudioSettingsDlg.h"
#include "dialogs/DialogSupport.h"
#include "platform/PlayerMessages.h"

#include <functional>

namespace {

using namespace velvaro::test;

// What a slider tells the dialog: the scroll code in the low word, its id;
// `value` is where the thumb is moved first.
void Scroll(CAudioSettingsDlg& dialog, CClickSlider* slider, int code, int value = INT_MIN) {
    slider->setValue(value == INT_MIN ? slider->value() : value);
    SendMessage(&dialog, WM_HSCROLL, MakeWParam(code, slider->value()), slider->ControlId());
}

class AudioSettingsDialogTest : public DialogTest {
protected:
    void SetUp() override {
        DialogTest::SetUp();
        Open("audio.wav");
    }
    // Shows the dialog for `engine` in `language`; `act` ends it.
    int Show(const std::function<void(CAudioSettingsDlg&)>& act, CFilePlayer* player,
             const CLanguageFile& language) {
        CAudioSettingsDlg dialog;
        ModalDialogWatcher<CAudioSettingsDlg> user(act);
        const int result = dialog.Show(player, &language);
        EXPECT_EQ(user.Count(), 1);
        return result;
    }
    std::pair<int, int> Levels() const { return {engine->GetVolume(), engine->GetBalance()}; }
};

TEST_F(AudioSettingsDialogTest, OpensAtTheMappedVolumeAndAppliesSliderMovesAtOnce) {
    engine->SetVolume(-3000);
    engine->SetBalance(-2500);
    EXPECT_EQ(Show(
                  [this](CAudioSettingsDlg& open) {
                      // -3000 lies below the first step of the slider's scale.
                      const auto range = [](QSlider* s) {
                          return QList{s->value(), s->minimum(), s->maximum()};
                      };
                      EXPECT_EQ(range(open.VolumeSlider()), (QList{0, 0, 100}));
                      EXPECT_EQ(range(open.BalanceSlider()), (QList{-2500, -10000, 10000}));
                      Scroll(open, open.VolumeSlider(), SB_THUMBPOSITION, 50);
                      Scroll(open, open.BalanceSlider(), SB_THUMBTRACK, 4000);
                      EXPECT_EQ(Levels(), std::pair(-301, 4000));
                      Scroll(open, open.VolumeSlider(), SB_PAGELEFT, 100);
                      EXPECT_EQ(engine->GetVolume(), 0);
                      Scroll(open, open.VolumeSlider(), SB_PAGERIGHT, 10);
                      EXPECT_EQ(engine->GetVolume(),
                                -999);  // the scale truncates 10 to -999, not -1000
                      Press(open, "IDC_BUTTON_OK");
                  },
                  engine.get(), english),
              IDOK);
    EXPECT_EQ(Levels(), std::pair(-999, 4000));  // OK keeps what the engine has now
}

TEST_F(AudioSettingsDialogTest, LineStepsEndOfScrollAndKeysApplyNothingOnlyTheUsualKeysMove) {
    engine->SetVolume(-1000);
    engine->SetBalance(100);
    EXPECT_EQ(Show(
                  [this](CAudioSettingsDlg& open) {
                      CClickSlider* volume = open.VolumeSlider();
                      const int position = volume->value();
                      ASSERT_EQ(position, 10);
                      volume->setValue(20);
                      for (int code : {0, 1, 6, 7, SB_ENDSCROLL}) {
                          Scroll(open, volume, code);
                          Scroll(open, open.BalanceSlider(), code);
                      }
                      EXPECT_EQ(Levels(), std::pair(-1000, 100));
                      // A plain slider would jump to its ends or by pages here.
                      volume->setValue(position);
                      volume->setFocus();
                      for (Qt::Key key : {Qt::Key_Home, Qt::Key_End, Qt::Key_PageUp,
                                          Qt::Key_PageDown, Qt::Key_Plus, Qt::Key_A, Qt::Key_F1}) {
                          QTest::keyClick(volume, key);
                          EXPECT_EQ(volume->value(), position) << key;
                          EXPECT_TRUE(open.isVisible()) << key;
                      }
                      // The arrows move the thumb only; a notification would apply it.
                      for (Qt::Key key : {Qt::Key_Up, Qt::Key_Left, Qt::Key_Left}) {
                          QTest::keyClick(volume, key);
                      }
                      EXPECT_EQ(volume->value(), position - 1);
                      EXPECT_EQ(engine->GetVolume(), -1000);
                      QTest::keyClick(volume, Qt::Key_Return);  // the default button, OK
                  },
                  engine.get(), english),
              IDOK);
    EXPECT_EQ(engine->GetVolume(), -1000);
}

TEST_F(AudioSettingsDialogTest, ResetAndEveryWayOfCancellingRestoreTheExactValuesRead) {
    // -1234 is no slider position's volume: its round trip would give -1301.
    const std::function<void(CAudioSettingsDlg&)> ends[] = {
        [](CAudioSettingsDlg& open) { Press(open, "IDC_BUTTON_ABBRECHEN"); },
        [](CAudioSettingsDlg& open) { QTest::keyClick(&open, Qt::Key_Escape); },
        [](CAudioSettingsDlg& open) { open.close(); },
    };
    for (const auto& end : ends) {
        engine->SetVolume(-1234);
        engine->SetBalance(777);
        EXPECT_EQ(Show(
                      [this, &end](CAudioSettingsDlg& open) {
                          Scroll(open, open.VolumeSlider(), SB_THUMBTRACK, 80);
                          Scroll(open, open.BalanceSlider(), SB_THUMBPOSITION, -9000);
                          Press(open, "IDC_BUTTON_RESET");
                          EXPECT_TRUE(open.isVisible());
                          EXPECT_EQ(std::pair(open.VolumeSlider()->value(),
                                              open.BalanceSlider()->value()),
                                    std::pair(100, 0));
                          EXPECT_EQ(Levels(), std::pair(0, 0));
                          end(open);
                      },
                      engine.get(), english),
                  IDCANCEL);
        EXPECT_EQ(Levels(), std::pair(-1234, 777));
    }
}

TEST_F(AudioSettingsDialogTest, WithoutAnEngineOrWhenItClosesNothingIsAppliedAndNothingBreaks) {
    const auto fiddle = [](CAudioSettingsDlg& open) {
        EXPECT_EQ(Texts(open, {"", "IDC_TXT_LAUTSTAERKE", "IDC_BUTTON_RESET"}),
                  QStringLiteral("Audio-Einstellungen|Lautstärke|&Zurücksetzen"));
        Scroll(open, open.VolumeSlider(), SB_THUMBPOSITION, 30);
        Press(open, "IDC_BUTTON_RESET");
        open.reject();
    };
    EXPECT_EQ(Show(fiddle, nullptr, german), IDCANCEL);

    engine->SetVolume(-700);
    EXPECT_EQ(Show(
                  [&](CAudioSettingsDlg& open) {
                      open.EngineClosed();
                      engine.reset();
                      fiddle(open);  // whatever still arrives finds no engine
                  },
                  engine.get(), german),
              IDCANCEL);
    EXPECT_EQ(engine, nullptr);
}

}  // namespace
