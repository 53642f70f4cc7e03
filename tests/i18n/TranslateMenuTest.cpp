// Applying a language's MainMenu section to the menu bar and the context menu.
#include "MainMenus.h"
#include "QText.h"

#include <gtest/gtest.h>

namespace {

using velvaro::test::LanguageFromText;
using velvaro::test::MainMenus;

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

    // The item's text in the bar and in the context menu.
    QStringList Texts(int id) const {
        return {menus_.InBar(id)->text(), menus_.InContext(id)->text()};
    }
    // Checked and enabled, in the bar and in the context menu.
    std::vector<bool> States(int id) const {
        return {menus_.InBar(id)->isChecked(), menus_.InBar(id)->isEnabled(),
                menus_.InContext(id)->isChecked(), menus_.InContext(id)->isEnabled()};
    }

    MainMenus menus_;
};

TEST_F(TranslateMenuTest, PopupsKeepOnlyTheirGreyStateCommandsTheirCheckAndGrey) {
    menus_.InBar(IDM_WIEDERGABE)->setEnabled(false);
    MenuStates(menus_.bar.get(), menus_.context.get()).Check(IDM_ANSICHT_ZOOM, true);
    Translate(
        "[MainMenu]\n|IDM_WIEDERGABE| = |&Play|\n|idm_ansicht_zoom| = |&Zoom it|\n"
        // not a registered popup: found by its command id
        "|IDM_PLAYLIST| = |&Playlist titles|\n");
    EXPECT_EQ(Texts(IDM_WIEDERGABE), (QStringList{Q("&Play"), Q("&Play")}));
    EXPECT_EQ(States(IDM_WIEDERGABE), (std::vector{false, false, false, true}));
    EXPECT_EQ(Texts(IDM_ANSICHT_ZOOM), (QStringList{Q("&Zoom it"), Q("&Zoom it")}));
    EXPECT_EQ(States(IDM_ANSICHT_ZOOM), (std::vector{false, true, false, true}));
    EXPECT_EQ(Texts(IDM_PLAYLIST), (QStringList{Q("&Playlist titles"), Q("&Playlist titles")}));

    MenuStates(menus_.bar.get(), menus_.context.get()).Check(IDM_DATEI_OEFFNEN, true);
    Translate(
        "[MainMenu]\n"
        "|IDM_DATEI_OEFFNEN| = |&Open...\\tINS|\n"
        "|IDM_DATEI_SCHLIESSEN| = |&Close|\n"
        "|IDM_ANSICHT_TITLEBAR| = |&Title bar\\tF4|\n"
        // only the tab escape is turned into its character
        "|IDM_HILFE_INFO| = |&About\\tF1\\nmore|\n");
    EXPECT_EQ(Texts(IDM_DATEI_OEFFNEN), (QStringList{Q("&Open...\tINS"), Q("&Open...\tINS")}));
    EXPECT_EQ(States(IDM_DATEI_OEFFNEN), (std::vector{true, true, true, true}));
    EXPECT_EQ(Texts(IDM_DATEI_SCHLIESSEN), (QStringList{Q("&Close"), Q("&Close")}));
    EXPECT_EQ(States(IDM_DATEI_SCHLIESSEN), (std::vector{false, false, false, false}));
    EXPECT_TRUE(menus_.InBar(IDM_ANSICHT_TITLEBAR)->isChecked());
    EXPECT_EQ(Texts(IDM_HILFE_INFO).front(), Q("&About\tF1\\nmore"));
}

TEST_F(TranslateMenuTest, KeysNamingNoItemAndEmptyValuesChangeNothingAndTheEarliestWins) {
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
    // Entries are applied from the most recently read backwards, so for menus
    // the first definition in the file is the one left standing.
    Translate(
        "[MainMenu]\n|IDM_DATEI_BEENDEN| = |first|\n|IDM_DATEI_BEENDEN| = |second|\n"
        "[mainmenu]\n|IDM_DATEI| = |third|\n[MainMenu]\n|IDM_DATEI| = |fourth|\n");
    EXPECT_EQ(menus_.InBar(IDM_DATEI_BEENDEN)->text(), Q("first"));
    EXPECT_EQ(menus_.bar->actions()[0]->text(), Q("third"));
}

TEST_F(TranslateMenuTest, ClearHistoryItemOfTheMenuBarTakesTheCodeText) {
    QAction* barClear = AddCommand(menus_.popups.MenuBarPopup(Q("IDM_DATEI_ZULETZTGEOEFFNET")),
                                   58000, Q("Liste löschen"));
    QAction* contextClear = AddCommand(menus_.popups.ContextPopup(Q("IDM_DATEI_ZULETZTGEOEFFNET")),
                                       58000, Q("Liste löschen"));
    Translate("[Code]\n|DELLIST| = |Delete list|\n");
    EXPECT_EQ((QStringList{barClear->text(), contextClear->text()}),
              (QStringList{Q("Delete list"), Q("Liste löschen")}));
    Translate("[Code]\n|ERROR| = |Error: %s|\n");
    EXPECT_EQ(barClear->text(), Q("Delete list"));
}

TEST_F(TranslateMenuTest, WithoutSymbolTableOnlyPopupsAreTranslated) {
    LanguageFromText("[MainMenu]\n|IDM_DATEI| = |&File|\n|IDM_DATEI_OEFFNEN| = |&Open...|\n",
                     CLanguageFile(CResourceSymbols(QByteArray())))
        .TranslateMainMenu(menus_.bar.get(), menus_.context.get(), menus_.popups);
    EXPECT_EQ(menus_.InBar(IDM_DATEI)->text(), Q("&File"));
    EXPECT_EQ(menus_.InBar(IDM_DATEI_OEFFNEN)->text(), Q("&Öffnen...\tEINFG"));
}

}  // namespace
