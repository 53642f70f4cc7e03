// Applying a dialog section to a dialog whose controls are named by their
// symbols.
#include "QText.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

using velvaro::test::LanguageFromText;

template <typename Control>
Control* Add(QWidget* parent, const char* symbol, const char* text) {
    auto* control = new Control(Q(text), parent);
    control->setObjectName(Q(symbol));
    return control;
}

// An update dialog as its template would build it, with a few guests: a
// control in a group box, a page and a dialog of their own, a control under
// a name that shares its number.
struct UpdateDialog {
    UpdateDialog() { dialog.setWindowTitle(Q("Update")); }

    QDialog dialog;
    QLabel* status = Add<QLabel>(&dialog, "IDC_TXT_STATUS", "Status");
    QPushButton* cancel = Add<QPushButton>(&dialog, "IDC_BUTTON_ABBRECHEN", "&Abbrechen");
    QGroupBox* history = Add<QGroupBox>(&dialog, "IDC_TXT_HISTORY", "Verlauf");
    QCheckBox* power = Add<QCheckBox>(history, "IDC_GENERAL_POWER", "Energie");
    QLineEdit* folder = Add<QLineEdit>(&dialog, "IDC_GENERAL_SNAPSHOTDIR", "/home");
    QLabel* sharedId = Add<QLabel>(&dialog, "ID_Playlist", "shared");
    QLabel* unnamed = Add<QLabel>(&dialog, "", "unnamed");
    QWidget* page = new QWidget(&dialog);
    QPushButton* pageButton = Add<QPushButton>(page, "IDC_BUTTON_OK", "OK");
    QDialog* popup = new QDialog(&dialog);
    QPushButton* popupButton = Add<QPushButton>(popup, "IDC_BUTTON_OK", "OK");
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

TEST(TranslateDialogTest, CaptionAndControlsTakeTheirSectionsTexts) {
    UpdateDialog d;
    d.page->setObjectName(Q("IDD_SETTINGS_GENERAL"));
    LanguageFromText(kLanguage).TranslateDialog(&d.dialog, Q("IDD_UPDATE_DIALOG"));
    EXPECT_EQ(d.dialog.windowTitle(), Q("Update check"));
    EXPECT_EQ(d.status->text(), Q("Status:\tnone\nyet"));
    EXPECT_EQ(d.cancel->text(), Q("&Cancel"));
    EXPECT_EQ(d.history->title(), Q("History"));
    EXPECT_EQ(d.power->text(), Q("No power saving"));
    // ID_Playlist and ID_Update_Timer share 115; the table names 115 after
    // the later one, so that is the key a control of either name answers to.
    EXPECT_EQ(d.sharedId->text(), Q("by the table's name"));
    // Empty values, unnamed controls and nested dialogs keep their texts.
    EXPECT_EQ(d.folder->text(), Q("/home"));
    EXPECT_EQ(d.unnamed->text(), Q("unnamed"));
    EXPECT_EQ(d.pageButton->text(), Q("OK"));
    EXPECT_EQ(d.popupButton->text(), Q("OK"));
}

TEST(TranslateDialogTest, MissingTextsOrSymbolsLeaveTheDialogAndPlainContainersAreEntered) {
    UpdateDialog d;
    LanguageFromText(kLanguage).TranslateDialog(&d.dialog, Q("IDD_SHUTDOWN"));
    LanguageFromText("[IDD_UPDATE_DIALOG]\n|IDC_TXT_STATUS| = |Status|\n")
        .TranslateDialog(&d.dialog, Q("IDD_UPDATE_DIALOG"));
    EXPECT_EQ(d.dialog.windowTitle(), Q("Update"));
    EXPECT_EQ(d.cancel->text(), Q("&Abbrechen"));
    // A plain container is part of the dialog; its controls are translated.
    LanguageFromText(kLanguage).TranslateDialog(&d.dialog, Q("IDD_UPDATE_DIALOG"));
    EXPECT_EQ(d.pageButton->text(), Q("Okay"));
    // Without a symbol table only the caption is.
    UpdateDialog bare;
    LanguageFromText(kLanguage, CLanguageFile(CResourceSymbols(QByteArray())))
        .TranslateDialog(&bare.dialog, Q("IDD_UPDATE_DIALOG"));
    EXPECT_EQ(bare.dialog.windowTitle(), Q("Update check"));
    EXPECT_EQ(bare.cancel->text(), Q("&Abbrechen"));
}

}  // namespace
