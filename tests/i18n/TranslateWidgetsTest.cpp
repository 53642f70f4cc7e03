// Applying a language to widgets: a dialog section to a dialog whose
// controls are named by their symbols, and the ToolBar section to the
// toolbar text table and the toolbar's buttons. The art tests check the
// table's standard entries against the strips.
#include "QText.h"
#include "i18n/CToolButtonTable.h"
#include "i18n/ui/MenuCommands.h"
#include "i18n/ui/ToolButtonImage.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolBar>

namespace {

using velvaro::test::LanguageFromText;

template <typename Control>
Control* Add(QWidget* parent, const char* symbol, const char* text) {
    auto* control = new Control(Q(text), parent);
    control->setObjectName(Q(symbol));
    return control;
}

// An update dialog as its template would build it, with a few guests: a
// control in a group box, one in a plain container, one on a page and one
// in a dialog of their own, and a control under a name that shares its
// number.
struct UpdateDialog {
    UpdateDialog() {
        dialog.setWindowTitle(Q("Update"));
        page->setObjectName(Q("IDD_SETTINGS_GENERAL"));
    }
    QStringList Texts() const {
        return {dialog.windowTitle(), status->text(),     cancel->text(),     history->title(),
                power->text(),        folder->text(),     sharedId->text(),   unnamed->text(),
                plainButton->text(),  pageButton->text(), popupButton->text()};
    }

    QDialog dialog;
    QLabel* status = Add<QLabel>(&dialog, "IDC_TXT_STATUS", "Status");
    QPushButton* cancel = Add<QPushButton>(&dialog, "IDC_BUTTON_ABBRECHEN", "&Abbrechen");
    QGroupBox* history = Add<QGroupBox>(&dialog, "IDC_TXT_HISTORY", "Verlauf");
    QCheckBox* power = Add<QCheckBox>(history, "IDC_GENERAL_POWER", "Energie");
    QLineEdit* folder = Add<QLineEdit>(&dialog, "IDC_GENERAL_SNAPSHOTDIR", "/home");
    QLabel* sharedId = Add<QLabel>(&dialog, "ID_Playlist", "shared");
    QLabel* unnamed = Add<QLabel>(&dialog, "", "unnamed");
    QPushButton* plainButton = Add<QPushButton>(new QWidget(&dialog), "IDC_BUTTON_OK", "OK");
    QWidget* page = new QWidget(&dialog);
    QPushButton* pageButton = Add<QPushButton>(page, "IDC_BUTTON_OK", "OK");
    QPushButton* popupButton = Add<QPushButton>(new QDialog(&dialog), "IDC_BUTTON_OK", "OK");
};

constexpr const char* kLanguage =
    "[IDD_BOOKMARK]\n|ID_CAPTION| = |Bookmark Editor|\n|IDC_BUTTON_ABBRECHEN| = |wrong|\n"
    "[idd_update_dialog]\n"
    "|ID_CAPTION| = |Update check|\n"
    "|IDC_TXT_STATUS| = |Status:\\tnone\\nyet|\n"
    "|IDC_BUTTON_ABBRECHEN| = |&Cancel|\n"
    "|IDC_TXT_HISTORY| = |History|\n"
    "|IDC_GENERAL_POWER| = |No power saving|\n"
    "|IDC_GENERAL_SNAPSHOTDIR| = ||\n"
    "|IDC_BUTTON_OK| = |Okay|\n"
    "|IDC_LIST_CODEC| = |not in this dialog|\n"
    "|ID_Playlist| = |by the hidden name|\n"
    "|ID_Update_Timer| = |by the table's name|\n"
    "|| = |no name|\n";

// Empty values, unnamed controls and nested dialogs keep their texts; plain
// containers are part of the dialog. ID_Playlist and ID_Update_Timer share
// 115; the table names 115 after the later one, so that is the key a control
// of either name answers to.
TEST(TranslateDialogTest, CaptionAndControlsTakeTheirSectionsTexts) {
    UpdateDialog d;
    const QStringList before = d.Texts();
    // Another dialog's section, or one without a caption, changes nothing.
    LanguageFromText(kLanguage).TranslateDialog(&d.dialog, Q("IDD_SHUTDOWN"));
    LanguageFromText("[IDD_UPDATE_DIALOG]\n|IDC_TXT_STATUS| = |Status|\n")
        .TranslateDialog(&d.dialog, Q("IDD_UPDATE_DIALOG"));
    EXPECT_EQ(d.Texts(), before);
    LanguageFromText(kLanguage).TranslateDialog(&d.dialog, Q("IDD_UPDATE_DIALOG"));
    EXPECT_EQ(d.Texts(),
              (QStringList{Q("Update check"), Q("Status:\tnone\nyet"), Q("&Cancel"), Q("History"),
                           Q("No power saving"), Q("/home"), Q("by the table's name"), Q("unnamed"),
                           Q("Okay"), Q("OK"), Q("OK")}));
    // Without a symbol table only the caption is translated.
    UpdateDialog bare;
    LanguageFromText(kLanguage, CLanguageFile(CResourceSymbols(QByteArray())))
        .TranslateDialog(&bare.dialog, Q("IDD_UPDATE_DIALOG"));
    EXPECT_EQ(bare.Texts().mid(1), before.mid(1));
    EXPECT_EQ(bare.dialog.windowTitle(), Q("Update check"));
}

TEST(ToolButtonTableTest, KeysAreMatchedExactlyAndTheFirstEntryAnswers) {
    CToolButtonTable table;
    table.Add(Q("Play"), Q("Wiedergabe"), 2);
    table.Add(Q("Play"), Q("second"), 5);
    table.Add(Q("Again"), Q("same image"), 2);
    EXPECT_EQ(std::pair(table.GetImage(Q("Play")), table.GetImage(Q("play"))), std::pair(2, 0));
    EXPECT_EQ(table.GetTooltip(Q("play")), QString());
    EXPECT_EQ(table.GetTooltipByImage(7), QString());
    table.SetTooltip(Q("Play"), Q("Play it"));
    table.SetTooltip(Q("Absent"), Q("nothing"));
    EXPECT_EQ(table.GetTooltipByImage(2), Q("Play it"));
    EXPECT_EQ(table.GetTooltipByImage(5), Q("second"));
    EXPECT_EQ(table.GetCount(), 3);
    for (int i = 0; i < 105; ++i) {
        table.Add(QString::number(i), QString::number(i), i);
    }
    EXPECT_EQ(table.GetCount(), CToolButtonTable::kMaxEntries);
    EXPECT_EQ(std::pair(table.GetImage(Q("96")), table.GetImage(Q("97"))), std::pair(96, 0));
}

// Known keys take their texts, the earliest definition last; a button's
// tooltip is then the table's text for the image it shows.
TEST(TranslateToolBarTest, TheTableTakesTheTextsAndButtonsThoseOfTheirImages) {
    CToolButtonTable table;
    AddStandardToolButtons(table);
    QToolBar toolBar;
    const auto add = [&](int id, const char* image) {
        QAction* button = toolBar.addAction(QString());
        SetCommandId(button, id);
        SetButtonImageIndex(button, table.GetImage(Q(image)));
        button->setToolTip(Q("unchanged"));
        return button;
    };
    QAction* open = add(IDTBB_OPEN, "Open");
    QAction* separator = toolBar.addSeparator();
    QAction* loop = add(IDTBB_LOOP, "NoLoop");
    QAction* fastBackward = add(IDTBB_FASTBACKWARD, "FastBackward");
    QAction* plain = toolBar.addAction(Q("no command"));
    separator->setToolTip(Q("separator"));
    plain->setToolTip(Q("own tip"));

    velvaro::test::LanguageFromText(
        "[ToolBar]\n|Open| = |Open...|\n|FastRewind| = |Fast Backward|\n|Loop| = |Loop On|\n"
        "|NoLoop| = |Loop Off|\n|Quit| = ||\n|Stop| = |first|\n[ToolBar]\n|Stop| = |second|\n")
        .TranslateToolBar(&toolBar, table);
    EXPECT_EQ(table.GetTooltip(Q("Stop")), Q("first"));
    EXPECT_EQ(table.GetTooltip(Q("Loop")), Q("Loop On"));
    EXPECT_EQ(table.GetTooltip(Q("FastBackward")), Q("Schnelles Zurückspulen"));
    EXPECT_EQ(table.GetTooltip(Q("Quit")), Q("Beenden"));
    EXPECT_EQ(table.GetCount(), 27);
    EXPECT_EQ((QStringList{open->toolTip(), loop->toolTip(), fastBackward->toolTip(),
                           separator->toolTip(), plain->toolTip()}),
              (QStringList{Q("Open..."), Q("Loop Off"), Q("Schnelles Zurückspulen"), Q("separator"),
                           Q("own tip")}));
}

}  // namespace
