// Applying a language's MainMenu section to the menu bar and the context menu.
#include "LanguageFromText.h"
#include "MainMenus.h"

#include <gtest/gtest.h>

namespace {

using velvaro::test::LanguageFromText;
using velvaro::test::MainMenus;

QString Q(const char* text) {
    return QString::fromUtf8(text);
}

// Every item's text, depth first, to see that nothing else changed.
QStringList AllTexts(const QWidget* menu) {
    QStringList texts;
    for (const QAction* item : menu->actions()) {
        texts.append(item->text());
        if (const QMenu* popup = item->menu()) {
            texts.append(AllTexts(popup));
        }
    }
    return texts;
}

class TranslateMenuTest : public ::testing::Test {
protected:
    void Translate(const std::string& text) {
        LanguageFromText(text).TranslateMainMenu(menus_.bar.get(), menus_.context.get(),
                                                 menus_.popups);
    }

    MainMenus menus_;
};

TEST_F(TranslateMenuTest, PopupIsRenamedInBothMenusAndKeepsOnlyItsGreyState) {
    menus_.InBar(IDM_WIEDERGABE)->setEnabled(false);
    MenuStates(menus_.bar.get(), menus_.context.get()).Check(IDM_ANSICHT_ZOOM, true);
    Translate("[MainMenu]\n|IDM_WIEDERGABE| = |&Play|\n|idm_ansicht_zoom| = |&Zoom it|\n");
    EXPECT_EQ(menus_.bar->actions()[1]->text(), Q("&Play"));
    EXPECT_EQ(menus_.context->actions()[1]->text(), Q("&Play"));
    EXPECT_FALSE(menus_.bar->actions()[1]->isEnabled());
    EXPECT_TRUE(menus_.context->actions()[1]->isEnabled());
    EXPECT_EQ(menus_.InBar(IDM_ANSICHT_ZOOM)->text(), Q("&Zoom it"));
    EXPECT_EQ(menus_.InContext(IDM_ANSICHT_ZOOM)->text(), Q("&Zoom it"));
    EXPECT_FALSE(menus_.InBar(IDM_ANSICHT_ZOOM)->isChecked());
    EXPECT_FALSE(menus_.InContext(IDM_ANSICHT_ZOOM)->isChecked());
}

TEST_F(TranslateMenuTest, CommandIsRenamedInBothMenusKeepingCheckAndGrey) {
    const MenuStates states(menus_.bar.get(), menus_.context.get());
    states.Check(IDM_DATEI_OEFFNEN, true);
    Translate(
        "[MainMenu]\n"
        "|IDM_DATEI_OEFFNEN| = |&Open...\\tINS|\n"
        "|IDM_DATEI_SCHLIESSEN| = |&Close|\n"
        "|IDM_ANSICHT_TITLEBAR| = |&Title bar\\tF4|\n");
    for (const QAction* open :
         {menus_.InBar(IDM_DATEI_OEFFNEN), menus_.InContext(IDM_DATEI_OEFFNEN)}) {
        EXPECT_EQ(open->text(), Q("&Open...\tINS"));
        EXPECT_TRUE(open->isChecked());
    }
    EXPECT_EQ(menus_.InContext(IDM_DATEI_SCHLIESSEN)->text(), Q("&Close"));
    EXPECT_FALSE(menus_.InContext(IDM_DATEI_SCHLIESSEN)->isEnabled());
    EXPECT_TRUE(menus_.InBar(IDM_ANSICHT_TITLEBAR)->isChecked());
}

TEST_F(TranslateMenuTest, OnlyTheTabEscapeIsTurnedIntoItsCharacter) {
    Translate("[MainMenu]\n|IDM_HILFE_INFO| = |&About\\tF1\\nmore|\n");
    EXPECT_EQ(menus_.InBar(IDM_HILFE_INFO)->text(), Q("&About\tF1\\nmore"));
}

TEST_F(TranslateMenuTest, KeysNamingNoItemAndEmptyValuesChangeNothing) {
    const QStringList bar = AllTexts(menus_.bar.get());
    const QStringList context = AllTexts(menus_.context.get());
    Translate(
        "[MainMenu]\n"
        "|IDM_NOTHING| = |x|\n"
        "|IDD_BOOKMARK| = |x|\n"
        "|IDM_DATEI_OEFFNEN| = ||\n"
        "|IDM_DATEI| = ||\n"
        "[Other]\n|IDM_DATEI_BEENDEN| = |x|\n");
    EXPECT_EQ(AllTexts(menus_.bar.get()), bar);
    EXPECT_EQ(AllTexts(menus_.context.get()), context);
}

TEST_F(TranslateMenuTest, PopupThatIsNotRegisteredIsFoundByItsCommandId) {
    Translate("[MainMenu]\n|IDM_PLAYLIST| = |&Playlist titles|\n");
    EXPECT_EQ(menus_.InBar(IDM_PLAYLIST)->text(), Q("&Playlist titles"));
    EXPECT_EQ(menus_.InContext(IDM_PLAYLIST)->text(), Q("&Playlist titles"));
}

// Entries are applied from the most recently read backwards, so for menus
// the first definition in the file is the one left standing.
TEST_F(TranslateMenuTest, EarliestDefinitionIsAppliedLast) {
    Translate(
        "[MainMenu]\n|IDM_DATEI_BEENDEN| = |first|\n|IDM_DATEI_BEENDEN| = |second|\n"
        "[mainmenu]\n|IDM_DATEI| = |third|\n[MainMenu]\n|IDM_DATEI| = |fourth|\n");
    EXPECT_EQ(menus_.InBar(IDM_DATEI_BEENDEN)->text(), Q("first"));
    EXPECT_EQ(menus_.bar->actions()[0]->text(), Q("third"));
}

TEST_F(TranslateMenuTest, ClearHistoryItemOfTheMenuBarTakesTheCodeText) {
    QMenu* barRecent = menus_.popups.MenuBarPopup(Q("IDM_DATEI_ZULETZTGEOEFFNET"));
    QMenu* contextRecent = menus_.popups.ContextPopup(Q("IDM_DATEI_ZULETZTGEOEFFNET"));
    QAction* barClear = AddCommand(barRecent, 58000, Q("Liste löschen"));
    QAction* contextClear = AddCommand(contextRecent, 58000, Q("Liste löschen"));

    Translate("[Code]\n|DELLIST| = |Delete list|\n");
    EXPECT_EQ(barClear->text(), Q("Delete list"));
    EXPECT_EQ(contextClear->text(), Q("Liste löschen"));

    Translate("[Code]\n|ERROR| = |Error: %s|\n");
    EXPECT_EQ(barClear->text(), Q("Delete list"));
}

TEST_F(TranslateMenuTest, WithoutSymbolTableOnlyPopupsAreTranslated) {
    const CLanguageFile language =
        LanguageFromText("[MainMenu]\n|IDM_DATEI| = |&File|\n|IDM_DATEI_OEFFNEN| = |&Open...|\n",
                         CLanguageFile(CResourceSymbols(QByteArray())));
    language.TranslateMainMenu(menus_.bar.get(), menus_.context.get(), menus_.popups);
    EXPECT_EQ(menus_.InBar(IDM_DATEI)->text(), Q("&File"));
    EXPECT_EQ(menus_.InBar(IDM_DATEI_OEFFNEN)->text(), Q("&Öffnen...\tEINFG"));
}

}  // namespace
