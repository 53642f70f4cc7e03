// The smaller dialogs: the about box, whose links open through the test
// programs' recorder; the countdowns, driven by their timer's ticks; the audio
// settings and the media properties on a real engine; and the property pages
// generated from the settings of real GStreamer elements.
#include "DialogFixture.h"
#include "UrlOpenerGuard.h"
#include "controls/CClickSlider.h"
#include "controls/CHyperLink.h"
#include "dialogs/CAboutDlg.h"
#include "dialogs/CAudioSettingsDlg.h"
#include "dialogs/CCodecDlg.h"
#include "dialogs/CPlaybackDelayDlg.h"
#include "dialogs/CShutdownDlg.h"
#include "dialogs/CTabbedLabel.h"
#include "dialogs/ElementPropertiesDialog.h"
#include "dialogs/FilterList.h"
#include "platform/PlayerMessages.h"

#include <QAction>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QElapsedTimer>
#include <QFontMetrics>
#include <QListWidget>
#include <QMenu>

#include <limits>

namespace {

using namespace velvaro::test;
using namespace Qt::StringLiterals;

// The build is the product version with dots; the template's labels are
// narrower than their text and the links grow to it.
TEST(AboutDialogTest, ShowsVersionAndBuildAndALeftClickOnALinkOpensTheSiteOrTheSupportMail) {
    OpenedUrls().clear();
    CAboutDlg dialog;
    EXPECT_EQ(Texts(dialog, {"", "IDC_PROGRAMMING"}),
              QStringLiteral("Info|Version\t: 1.0\nBuild\t: 1.2.0.3\n\n"
                             "Velvaro is free software, built on Qt and GStreamer."));
    EXPECT_NE(dialog.findChild<CTabbedLabel*>(u"IDC_PROGRAMMING"_s), nullptr);
    for (CHyperLink* link : {dialog.HomepageLink(), dialog.EmailLink()}) {
        SCOPED_TRACE(link->text().toStdString());
        EXPECT_EQ(link->size(), QFontMetrics(link->font()).size(Qt::TextSingleLine, link->text()));
        EXPECT_TRUE(link->font().underline());
        EXPECT_EQ(link->cursor().shape(), Qt::BitmapCursor);  // the program's hand
    }
    // Only a left click opens, and a label not set up opens nothing.
    CHyperLink bare(&dialog);
    bare.setText(u"bare"_s);
    QTest::mouseClick(&bare, Qt::LeftButton);
    QTest::mouseClick(dialog.EmailLink(), Qt::RightButton);
    EXPECT_TRUE(OpenedUrls().isEmpty());
    QTest::mouseClick(dialog.EmailLink(), Qt::LeftButton);
    QTest::mouseClick(dialog.HomepageLink(), Qt::LeftButton);
    EXPECT_EQ(OpenedUrls(), (QList<QUrl>{QUrl(u"mailto:support@velvaro.org"_s),
                                         QUrl(u"https://velvaro.org/"_s)}));
    OpenedUrls().clear();
}

// Letters, Tab and the OK button's own mnemonic (Alt+O) are swallowed;
// Enter, Space on the button and Escape close the box.
TEST(AboutDialogTest, OnlyEnterSpaceAndEscapeDoAnything) {
    for (const auto& [key, result] :
         {std::pair(Qt::Key_Return, IDOK), std::pair(Qt::Key_Enter, IDOK),
          std::pair(Qt::Key_Space, IDOK), std::pair(Qt::Key_Escape, IDCANCEL)}) {
        int openAfterKeys = 0;
        ModalDialogWatcher<CAboutDlg> watcher([&](CAboutDlg& dialog) {
            QWidget* focus = dialog.focusWidget() ? dialog.focusWidget() : &dialog;
            QTest::keyClick(focus, Qt::Key_O, Qt::AltModifier);
            for (const Qt::Key other : {Qt::Key_O, Qt::Key_A, Qt::Key_Tab}) {
                QTest::keyClick(focus, other);
            }
            QTest::keyClick(&dialog, Qt::Key_Z);
            openAfterKeys += dialog.isVisible();
            QTest::keyClick(focus, key);
        });
        CAboutDlg dialog;
        EXPECT_EQ(dialog.DoModal(), result) << key;
        EXPECT_EQ(std::pair(watcher.Count(), openAfterKeys), std::pair(1, 1)) << key;
    }
}

using CountdownTest = DialogTest;

// The texts a countdown shows as its own timer moves it, each once, until it
// closes or has ticked `ticks` times; and how long the last one stood before
// the dialog closed (-1 while it shows).
struct Counted {
    QStringList shown;
    qint64 lastStood = -1;
};
Counted Watch(QDialog& countdown, int ticks = std::numeric_limits<int>::max()) {
    Counted counted{{Texts(countdown, {"IDC_COUNTDOWN"})}};
    QElapsedTimer since;
    since.start();
    EXPECT_TRUE(RunEventsUntil(
        [&] {
            if (!countdown.isVisible()) {
                counted.lastStood = since.elapsed();
                return true;
            }
            if (const QString now = Texts(countdown, {"IDC_COUNTDOWN"});
                now != counted.shown.last()) {
                counted.shown << now;
                since.restart();
            }
            return counted.shown.size() > ticks;
        },
        20000));
    return counted;
}

// Shows `countdown` with `act` as the person at it: its result and how long it showed.
template <class D>
std::pair<int, qint64> Timed(D& countdown, const std::function<void(D&)>& act) {
    QElapsedTimer clock;
    clock.start();
    const int result = RunModal(act, [&] { return countdown.DoModal(); });
    return {result, clock.elapsed()};
}

// Cancelled by the button, Escape or the close box, else run out on the
// tick after one: a tick a second, the last one a second after "1".
TEST_F(CountdownTest, ShutdownCountsFromFifteenAndRunsOutOnTheTickAfterOneUnlessCancelled) {
    QStringList fullCount;
    for (int second = 15; second >= 1; --second) {
        fullCount << u"%1 Seconds"_s.arg(second);
    }
    for (size_t way = 0; way <= std::size(kCancelWays); ++way) {
        SCOPED_TRACE(way);
        const bool cancelled = way < std::size(kCancelWays);
        CShutdownDlg dialog(&english);
        Counted counted;
        const auto [result, took] = Timed<CShutdownDlg>(dialog, [&](CShutdownDlg& open) {
            EXPECT_EQ(Texts(open, {"", "IDC_TXT_AUTOSHUTDOWN", "IDC_BUTTON_ABBRECHEN"}),
                      u"Shutdown|Automatic Shutdown In...|&Cancel"_s);
            counted = Watch(open, cancelled ? 1 : std::numeric_limits<int>::max());
            if (cancelled) {
                kCancelWays[way](open);
            }
        });
        if (cancelled) {
            EXPECT_EQ(std::tuple(result, counted.shown.join(u'|'), dialog.SecondsLeft()),
                      std::tuple(IDCANCEL, u"15 Seconds|14 Seconds"_s, 14));
            EXPECT_LT(took, 5000);
        } else {
            EXPECT_EQ(std::pair(result, counted.shown), std::pair(IDOK, fullCount));
            EXPECT_GE(counted.lastStood, 900);
            EXPECT_TRUE(took >= 14000 && took < 25000) << took;
        }
    }
}

// Three seconds close it a second after one: three ticks of a coarse
// one-second timer, never two; a count that is not positive ends at the
// first tick.
TEST_F(CountdownTest, PlaybackDelayCountsDownOnceASecondAndEndsAtTheFirstTickBelowOne) {
    for (const int seconds : {3, 0, -3}) {
        CPlaybackDelayDlg dialog(&german, seconds, seconds == 3 ? &owner : nullptr);
        Counted counted;
        const auto [result, took] = Timed<CPlaybackDelayDlg>(dialog, [&](CPlaybackDelayDlg& open) {
            EXPECT_EQ(open.windowTitle(), u"Verzögerte Wiedergabe"_s);
            counted = Watch(open);
        });
        EXPECT_EQ(result, IDOK) << seconds;
        EXPECT_EQ(counted.shown.join(u'|'), seconds == 3 ? u"3 Sekunden|2 Sekunden|1 Sekunden"_s
                                                         : u"%1 Sekunden"_s.arg(seconds));
        const qint64 ticks = seconds == 3 ? 3 : 1;
        EXPECT_TRUE(took >= ticks * 1000 - 500 && took < 10000) << seconds << " " << took;
    }
}

// What a slider tells the dialog, after the thumb is moved to `value`.
void Scroll(CClickSlider* slider, int code, int value = INT_MIN) {
    slider->setValue(value == INT_MIN ? slider->value() : value);
    slider->Scroll(code);
}

class AudioSettingsDialogTest : public DialogTest {
protected:
    void SetUp() override {
        DialogTest::SetUp();
        Open("audio.wav");
    }
    // Shows the dialog for the engine, if any, in `language`; `act` ends it.
    int Show(const std::function<void(CAudioSettingsDlg&)>& act,
             const CLanguageFile* language = nullptr) {
        CAudioSettingsDlg dialog;
        return RunModal(act,
                        [&] { return dialog.Show(engine.get(), language ? language : &english); });
    }
    std::pair<int, int> Levels() const { return {engine->GetVolume(), engine->GetBalance()}; }
};

// Thumb moves apply at once; line steps, the end of a scroll and the keys a
// plain slider knows for its ends and pages apply nothing.
TEST_F(AudioSettingsDialogTest, OpensAtTheMappedVolumeAndAppliesOnlyTheSlidersMoves) {
    engine->SetVolume(-3000);
    engine->SetBalance(-2500);
    EXPECT_EQ(Show([this](CAudioSettingsDlg& open) {
                  // -3000 lies below the first step of the slider's scale.
                  const auto range = [](QSlider* s) {
                      return QList{s->value(), s->minimum(), s->maximum()};
                  };
                  CClickSlider* volume = open.VolumeSlider();
                  EXPECT_EQ(range(volume), (QList{0, 0, 100}));
                  EXPECT_EQ(range(open.BalanceSlider()), (QList{-2500, -10000, 10000}));
                  Scroll(volume, SB_THUMBPOSITION, 50);
                  Scroll(open.BalanceSlider(), SB_THUMBTRACK, 4000);
                  EXPECT_EQ(Levels(), std::pair(-301, 4000));
                  Scroll(volume, SB_PAGELEFT, 100);
                  EXPECT_EQ(engine->GetVolume(), 0);
                  Scroll(volume, SB_PAGERIGHT, 10);
                  EXPECT_EQ(engine->GetVolume(), -999);  // the scale truncates 10 to -999
                  volume->setValue(20);
                  for (int code : {0, 1, 6, 7, SB_ENDSCROLL}) {
                      Scroll(volume, code);
                      Scroll(open.BalanceSlider(), code);
                  }
                  EXPECT_EQ(Levels(), std::pair(-999, 4000));
                  volume->setValue(10);
                  volume->setFocus();
                  for (Qt::Key key : {Qt::Key_Home, Qt::Key_End, Qt::Key_PageUp, Qt::Key_PageDown,
                                      Qt::Key_Plus, Qt::Key_A, Qt::Key_F1}) {
                      QTest::keyClick(volume, key);
                      EXPECT_EQ(volume->value(), 10) << key;
                      EXPECT_TRUE(open.isVisible()) << key;
                  }
                  // The arrows move the thumb only; a notification would apply it.
                  for (Qt::Key key : {Qt::Key_Up, Qt::Key_Left, Qt::Key_Left}) {
                      QTest::keyClick(volume, key);
                  }
                  EXPECT_EQ(volume->value(), 9);
                  QTest::keyClick(volume, Qt::Key_Return);  // the default button, OK
              }),
              IDOK);
    EXPECT_EQ(Levels(), std::pair(-999, 4000));  // OK keeps what the engine has now
}

TEST_F(AudioSettingsDialogTest, ResetAndEveryWayOfCancellingRestoreTheExactValuesRead) {
    // -1234 is no slider position's volume: its round trip would give -1301.
    for (const auto& end : kCancelWays) {
        engine->SetVolume(-1234);
        engine->SetBalance(777);
        EXPECT_EQ(Show([this, &end](CAudioSettingsDlg& open) {
                      Scroll(open.VolumeSlider(), SB_THUMBTRACK, 80);
                      Scroll(open.BalanceSlider(), SB_THUMBPOSITION, -9000);
                      Press(open, "IDC_BUTTON_RESET");
                      EXPECT_TRUE(open.isVisible());
                      EXPECT_EQ(
                          std::pair(open.VolumeSlider()->value(), open.BalanceSlider()->value()),
                          std::pair(100, 0));
                      EXPECT_EQ(Levels(), std::pair(0, 0));
                      end(open);
                  }),
                  IDCANCEL);
        EXPECT_EQ(Levels(), std::pair(-1234, 777));
    }
}

TEST_F(AudioSettingsDialogTest, WithoutAnEngineOrWhenItClosesNothingIsAppliedAndNothingBreaks) {
    const auto fiddle = [](CAudioSettingsDlg& open) {
        EXPECT_EQ(Texts(open, {"", "IDC_TXT_LAUTSTAERKE", "IDC_BUTTON_RESET"}),
                  u"Audio-Einstellungen|Lautstärke|&Zurücksetzen"_s);
        Scroll(open.VolumeSlider(), SB_THUMBPOSITION, 30);
        Press(open, "IDC_BUTTON_RESET");
        open.reject();
    };
    EXPECT_EQ(Show(
                  [&](CAudioSettingsDlg& open) {
                      open.EngineClosed();
                      engine.reset();
                      fiddle(open);  // whatever still arrives finds no engine
                  },
                  &german),
              IDCANCEL);
    EXPECT_EQ(Show(fiddle, &german), IDCANCEL);  // and now there is none
}

// The property pages that open over the dialog: their captions, each closed.
struct PropertyPages {
    QStringList captions;
    ModalDialogWatcher<QDialog> watcher{[this](QDialog& pages) {
        if (!dynamic_cast<CCodecDlg*>(&pages)) {
            captions << pages.windowTitle();
            pages.reject();
        }
    }};
};

using CodecDialogTest = DialogTest;

// Shown again without a medium, it starts afresh and has no pages to open.
// Durations: hours past a day, and always zero thousandths.
TEST_F(CodecDialogTest, ListsTheFiltersWithPagesOpensThemAndStartsAfreshWithoutAMedium) {
    EXPECT_EQ(std::pair(CCodecDlg::DurationText(9012345), CCodecDlg::DurationText(99)),
              std::pair(u"25:02:03,000"_s, u"00:00:00,000"_s));
    Open("multi.mkv");
    // The filters with pages, in graph order, as the filter menu has them:
    // every filter, numbered, in place of what the menu held.
    QMenu menu;
    menu.addAction(u"old entry"_s);
    const int count = velvaro::dialogs::FillFilterList(*engine, &menu, FILTERLIST_MENU);
    ASSERT_EQ(menu.actions().size(), count);
    QStringList withPages;
    for (int i = 0; i < count; ++i) {
        const QAction* item = menu.actions()[i];
        EXPECT_EQ(item->data().toInt(), kFirstFilterCommand + i);
        if (item->isEnabled()) {
            withPages << item->text();
        }
    }
    ASSERT_GE(withPages.size(), 2);
    EXPECT_FALSE(withPages.contains(u"old entry"_s));

    CCodecDlg dialog;
    PropertyPages pages;
    QStringList listed;
    ModalDialogWatcher<CCodecDlg> user([&](CCodecDlg& open) {
        if (!engine) {
            EXPECT_EQ(Texts(open, {"", "IDC_TXT_DURATION"}) + open.Duration() +
                          QString::number(open.FilterList()->count()),
                      u"Medieneigenschaften|Dauer:0"_s);
            Press(open, "IDC_BUTTON_EIGENSCHAFTEN");
            open.accept();
            return;
        }
        EXPECT_EQ(Texts(open, {"", "IDC_TXT_DURATION", "IDC_BUTTON_EIGENSCHAFTEN",
                               "IDC_BUTTON_SCHLIESSEN"}),
                  u"Media Properties|Duration:|&Properties|&Close"_s);
        EXPECT_EQ(open.Duration(), u"00:00:06,000"_s);
        QListWidget* list = open.FilterList();
        for (int row = 0; row < list->count(); ++row) {
            listed << list->item(row)->text();
        }
        EXPECT_EQ(list->currentRow(), 0);
        list->setCurrentRow(1);
        const QRect row = list->visualItemRect(list->item(1));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, row.center());
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, row.center());
        list->setCurrentRow(0);
        Press(open, "IDC_BUTTON_EIGENSCHAFTEN");
        Press(open, "IDC_BUTTON_SCHLIESSEN");
    });
    dialog.Show(engine.get(), &english);
    engine.reset();
    dialog.Show(nullptr, &german);
    EXPECT_EQ(user.Count(), 2);
    EXPECT_EQ(listed, withPages);
    EXPECT_EQ(pages.captions, (QStringList{withPages[1], withPages[0]}));
}

using velvaro::dialogs::ElementPropertiesDialog;
using velvaro::engine::ElementProperties;
using Value = std::optional<velvaro::engine::PropertyValue>;

std::unique_ptr<ElementPropertiesDialog> Pages(const std::shared_ptr<ElementProperties>& of) {
    return std::make_unique<ElementPropertiesDialog>(of, u"Pages"_s, nullptr);
}

template <class Kind = QWidget>
Kind* Editor(const QDialog& pages, const char* property) {
    return pages.findChild<Kind*>(QString::fromLatin1(property));
}

void Click(const QDialog& pages, QDialogButtonBox::StandardButton which) {
    pages.findChild<QDialogButtonBox*>()->button(which)->click();
}

// What an editor shows, whatever its kind; of a group of flags, the ones set.
QString Shown(QWidget* editor) {
    for (const char* property : {"checked", "currentText", "text"}) {
        if (const QVariant value = editor->property(property); value.isValid()) {
            return value.toString();
        }
    }
    QStringList flags;
    for (auto* box : editor->findChildren<QCheckBox*>()) {
        flags << (box->isChecked() ? box->objectName() : QString());
    }
    flags.removeAll(QString());
    return flags.join(u' ');
}

TEST(ElementPropertiesDialog, OneEditorPerPropertyOfItsKindShowingTheValue) {
    // Element, property, editor, whether it can be changed, what it shows.
    const std::tuple<const char*, const char*, const char*, bool, QString> cases[] = {
        {"volume", "volume", "QDoubleSpinBox", true, u"2.500000"_s},
        {"volume", "mute", "QCheckBox", true, u"false"_s},
        {"videocrop", "left", "QSpinBox", true, u"0"_s},
        {"appsink", "max-lateness", "QLineEdit", true, u"-1"_s},  // 64 bits
        {"appsink", "caps", "QLineEdit", true, QString()},
        {"appsink", "eos", "QCheckBox", false, u"true"_s},
        {"appsink", "stats", "QLineEdit", false, u"application/x-gst-base-sink"_s},
        {"videoconvertscale", "method", "QComboBox", true, u"bilinear"_s},
        {"playbin", "flags", "QWidget", true, u"video audio text soft-volume"_s},
    };
    for (const auto& [factory, property, kind, enabled, shown] : cases) {
        const auto properties = ElementProperties::OfNewElement(factory);
        properties->Set("volume", 2.5);  // only the volume element has one
        const auto pages = Pages(properties);
        QWidget* editor = Editor(*pages, property);
        ASSERT_NE(editor, nullptr) << property;
        EXPECT_EQ(std::tuple(QLatin1String(editor->metaObject()->className()), editor->isEnabled(),
                             Shown(editor).left(shown.size())),
                  std::tuple(QLatin1String(kind), enabled, shown));
        EXPECT_EQ(Editor(*pages, "name"), Editor(*pages, "parent")) << "neither is offered";
    }
}

// Only what the user changed is written: a value shown rounded, or changed
// by someone else meanwhile, is left as it is.
TEST(ElementPropertiesDialog, ApplyAndOkWriteOnlyTheChangesAndCancelNothing) {
    const auto volume = ElementProperties::OfNewElement("volume");
    volume->Set("volume", 0.0078125);
    auto pages = Pages(volume);
    QPushButton* apply = pages->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Apply);
    EXPECT_FALSE(apply->isEnabled());
    Editor<QCheckBox>(*pages, "mute")->setChecked(true);
    EXPECT_TRUE(apply->isEnabled() && volume->Get("mute") == Value(false));
    apply->click();
    EXPECT_EQ(std::pair(volume->Get("mute"), volume->Get("volume")),
              std::pair(Value(true), Value(0.0078125)));
    EXPECT_FALSE(apply->isEnabled());
    volume->Set("mute", false);
    for (const auto& [button, value] :
         {std::pair{QDialogButtonBox::Ok, 3.0}, {QDialogButtonBox::Cancel, 4.0}}) {
        Editor<QDoubleSpinBox>(*pages, "volume")->setValue(value);
        Click(*pages, button);
        EXPECT_EQ(pages->result(), value == 3.0 ? QDialog::Accepted : QDialog::Rejected);
        pages = Pages(volume);
        Editor<QCheckBox>(*pages, "mute")->setChecked(true);
    }
    // As OK left them: only the volume written, and Cancel writes nothing.
    EXPECT_EQ(volume->Get("mute"), Value(false));
    EXPECT_EQ(volume->Get("volume"), Value(3.0));
}

TEST(ElementPropertiesDialog, TypedNumbersClamp) {
    const auto sink = ElementProperties::OfNewElement("appsink");
    const auto pages = Pages(sink);
    auto* lateness = Editor<QLineEdit>(*pages, "max-lateness");
    lateness->setText(u"-5"_s);
    Q_EMIT lateness->editingFinished();
    EXPECT_EQ(lateness->text(), u"-1"_s);
    Editor<QLineEdit>(*pages, "max-buffers")->setText(u"99999999999999999999999"_s);
    Editor<QLineEdit>(*pages, "render-delay")->setText(QString());  // no number: no change
    Click(*pages, QDialogButtonBox::Ok);
    EXPECT_EQ(sink->Get("max-buffers"), Value(std::uint64_t{std::numeric_limits<unsigned>::max()}));
    EXPECT_EQ(sink->Get("render-delay"), Value(std::uint64_t{0}));
}

}  // namespace
