// The menus built from the menu resources, the popup registry, the helper
// that keeps both menus' states alike, and applying a language's MainMenu
// section to both menus: the rules they keep, not the tables' entries. And
// every built-in language file: its sections, and that each of its keys
// names something the program has.
#include "QText.h"
#include "i18n/CToolButtonTable.h"
#include "i18n/ui/MenuBuilder.h"
#include "i18n/ui/MenuCommands.h"
#include "i18n/ui/PopupRegistry.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QMenuBar>

#include <memory>
#include <utility>
#include <vector>

namespace {

using velvaro::test::LanguageFromText;

// The main window's two menus as the menu resources build them, with the
// popups registered.
struct MainMenus {
    MainMenus() { popups.RegisterStandardPopups(bar.get(), context.get()); }

    // The one item with that id in the menu; null when it is not there once.
    static QAction* Item(const QWidget* menu, int id) {
        const QList<QAction*> found = FindCommands(menu, id);
        return found.size() == 1 ? found.front() : nullptr;
    }
    QAction* InBar(int id) const { return Item(bar.get(), id); }
    QAction* InContext(int id) const { return Item(context.get(), id); }

    std::unique_ptr<QMenuBar> bar = LoadMenuBar(IDR_MENU_Framedeck);
    std::unique_ptr<QMenu> context = LoadPopupMenu(IDR_MENU_CONTEXT);
    PopupRegistry popups;
};

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

class MenusTest : public ::testing::Test {
protected:
    void Translate(const std::string& text, CLanguageFile language = CLanguageFile()) {
        LanguageFromText(text, std::move(language))
            .TranslateMainMenu(menus_.bar.get(), menus_.context.get(), menus_.popups);
    }
    // Checked and enabled, in the bar and in the context menu.
    std::vector<bool> States(int id) const {
        return {menus_.InBar(id)->isChecked(), menus_.InBar(id)->isEnabled(),
                menus_.InContext(id)->isChecked(), menus_.InContext(id)->isEnabled()};
    }

    MainMenus menus_;
    MenuStates states_{menus_.bar.get(), menus_.context.get()};
};

TEST_F(MenusTest, EveryMenuSymbolOfTheHeaderHasOnePlaceInEachMenuWithAText) {
    int count = 0;
    for (const auto& [name, id] : velvaro::test::HeaderDefines()) {
        if (!name.startsWith(Q("IDM_"))) {
            continue;
        }
        ++count;
        for (const QAction* item : {menus_.InBar(id), menus_.InContext(id)}) {
            ASSERT_NE(item, nullptr) << name.toStdString();
            EXPECT_EQ(item->objectName(), name);
            EXPECT_FALSE(item->text().isEmpty()) << name.toStdString();
        }
    }
    EXPECT_EQ(count, 108);
    // Items carry the resources' states; a popup filled at run time holds
    // its placeholder.
    EXPECT_EQ(States(IDM_VIDEO_ASPECTRATIO), (std::vector{true, false, true, false}));
    EXPECT_FALSE(menus_.InBar(IDM_DATEI_OEFFNEN)->isCheckable());
    const QMenu* subtitles = menus_.popups.MenuBarPopup(Q("IDM_WIEDERGABE_STREAMS_SUBTITLE"));
    ASSERT_EQ(subtitles->actions().size(), 6);
    EXPECT_EQ(CommandId(subtitles->actions()[0]), IDM_SUBTITLE_DELAY_LATER);
    EXPECT_TRUE(subtitles->actions()[3]->isSeparator());
    EXPECT_EQ(CommandId(subtitles->actions()[4]), 61999);
    EXPECT_TRUE(subtitles->actions()[5]->isSeparator());
    EXPECT_EQ(LoadPopupMenu(IDD_BOOKMARK), nullptr);
    EXPECT_EQ(LoadMenuBar(12345), nullptr);
}

TEST_F(MenusTest, RegisteredPopupsAreFoundInBothMenusByName) {
    for (const std::string_view symbol : kRegisteredPopups) {
        const QString name = QString::fromLatin1(symbol.data(), std::ssize(symbol));
        const PopupRegistry::Entry* entry = menus_.popups.Find(name.toLower());
        ASSERT_NE(entry, nullptr) << symbol;
        for (const MenuPlace& place : {entry->inMenuBar, entry->inContextMenu}) {
            ASSERT_TRUE(place.Item() && place.Item()->menu()) << symbol;
            EXPECT_EQ(place.Item()->menu()->objectName(), name);
        }
    }
    EXPECT_EQ(menus_.popups.Find(Q("IDM_PLAYLIST")), nullptr);
    EXPECT_EQ(menus_.popups.MenuBarPopup(Q("IDM_NOTHING")), nullptr);
    EXPECT_EQ((MenuPlace{menus_.bar.get(), 6}.Item()), nullptr);
    menus_.popups.EnablePopup(Q("idm_wiedergabe_streams_audio"), true);
    EXPECT_EQ(States(IDM_WIEDERGABE_STREAMS_AUDIO), (std::vector{false, true, false, true}));
}

TEST_F(MenusTest, StatesGoToBothMenusAtOnceAndAClickLeavesTheMarkToTheHandler) {
    states_.Enable(IDM_DATEI_SCHLIESSEN, true);
    states_.Check(IDM_WIEDERGABE_SHUTDOWN, true);
    EXPECT_EQ(States(IDM_DATEI_SCHLIESSEN), (std::vector{false, true, false, true}));
    EXPECT_EQ(States(IDM_WIEDERGABE_SHUTDOWN), (std::vector{true, true, true, true}));
    // Items made at run time take marks as well, even those that are no toggle.
    QAction* recent = AddCommand(menus_.popups.MenuBarPopup(Q("IDM_DATEI_ZULETZTGEOEFFNET")), 58001,
                                 Q("film.mkv"));
    states_.Check(58001, true);
    states_.Enable(58001, false);
    EXPECT_TRUE(states_.IsChecked(58001) && recent->isChecked());
    EXPECT_FALSE(states_.IsEnabled(58001));
    EXPECT_FALSE(states_.IsChecked(99) || states_.IsEnabled(99));

    QAction* loop = menus_.InBar(IDM_WIEDERGABE_ENDLOSSCHLEIFE);
    std::vector<bool> seenByHandler;
    QObject::connect(loop, &QAction::triggered, loop,
                     [&] { seenByHandler.push_back(loop->isChecked()); });
    loop->trigger();
    states_.Check(IDM_WIEDERGABE_ENDLOSSCHLEIFE, true);
    loop->trigger();
    EXPECT_TRUE(loop->isChecked());
    EXPECT_EQ(seenByHandler, (std::vector<bool>{false, true}));
}

// Both menus take the text; a popup loses its mark and keeps its own grey
// state, a command keeps both.
TEST_F(MenusTest, TranslationRenamesPopupsAndCommandsInBothMenusKeepingTheirStates) {
    menus_.InBar(IDM_WIEDERGABE)->setEnabled(false);
    states_.Check(IDM_ANSICHT_ZOOM, true);
    states_.Check(IDM_DATEI_OEFFNEN, true);
    Translate(
        "[MainMenu]\n|IDM_WIEDERGABE| = |&Play|\n|idm_ansicht_zoom| = |&Zoom it|\n"
        "|IDM_PLAYLIST| = |&Playlist titles|\n|IDM_DATEI_OEFFNEN| = |&Open...\\tINS|\n"
        "|IDM_DATEI_SCHLIESSEN| = |&Close|\n|IDM_HILFE_INFO| = |&About\\tF1\\nmore|\n");
    const struct {
        int id;
        const char* text;
        std::vector<bool> states;  // empty: not looked at
    } items[] = {
        {IDM_WIEDERGABE, "&Play", {false, false, false, true}},
        {IDM_ANSICHT_ZOOM, "&Zoom it", {false, true, false, true}},
        {IDM_PLAYLIST, "&Playlist titles", {}},  // no registered popup: found by its id
        {IDM_DATEI_OEFFNEN, "&Open...\tINS", {true, true, true, true}},
        {IDM_DATEI_SCHLIESSEN, "&Close", {false, false, false, false}},
        {IDM_HILFE_INFO, "&About\tF1\\nmore", {}},  // only the tab escape becomes its character
    };
    for (const auto& item : items) {
        EXPECT_EQ(menus_.InBar(item.id)->text(), Q(item.text));
        EXPECT_EQ(menus_.InContext(item.id)->text(), Q(item.text));
        if (!item.states.empty()) {
            EXPECT_EQ(States(item.id), item.states) << item.text;
        }
    }
}

TEST_F(MenusTest, KeysNamingNoItemAndEmptyValuesChangeNothingAndTheEarliestWins) {
    const QStringList bar = AllTexts(menus_.bar.get());
    const QStringList context = AllTexts(menus_.context.get());
    Translate(
        "[MainMenu]\n|IDM_NOTHING| = |x|\n|IDD_BOOKMARK| = |x|\n|IDM_DATEI_OEFFNEN| = ||\n"
        "|IDM_DATEI| = ||\n[Other]\n|IDM_DATEI_BEENDEN| = |x|\n");
    EXPECT_EQ(AllTexts(menus_.bar.get()), bar);
    EXPECT_EQ(AllTexts(menus_.context.get()), context);
    // Entries are applied from the most recently read backwards, so for menus
    // the first definition in the file is the one left standing.
    Translate(
        "[MainMenu]\n|IDM_DATEI_BEENDEN| = |first|\n|IDM_DATEI_BEENDEN| = |second|\n"
        "[mainmenu]\n|IDM_DATEI| = |third|\n[MainMenu]\n|IDM_DATEI| = |fourth|\n");
    EXPECT_EQ(menus_.InBar(IDM_DATEI_BEENDEN)->text(), Q("first"));
    EXPECT_EQ(menus_.bar->actions()[0]->text(), Q("third"));
    // Without a symbol table only popups are found.
    Translate("[MainMenu]\n|IDM_DATEI| = |&File|\n|IDM_DATEI_OEFFNEN| = |&Open...|\n",
              CLanguageFile(CResourceSymbols(QByteArray())));
    EXPECT_EQ(menus_.InBar(IDM_DATEI)->text(), Q("&File"));
    EXPECT_EQ(menus_.InBar(IDM_DATEI_OEFFNEN)->text(), Q("&Öffnen...\tEINFG"));
}

TEST_F(MenusTest, ClearHistoryItemOfTheMenuBarTakesTheCodeText) {
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

struct BuiltInLanguage {
    const char* file;
    int id;
    const char* language;
};

constexpr BuiltInLanguage kBuiltIn[] = {
    {"german", 248, "Deutsch"},        {"english", 250, "English"},   {"francais", 256, "Français"},
    {"espanol", 258, "Español"},       {"italiano", 261, "Italiano"}, {"slovak", 262, "Slovak"},
    {"galego", 263, "Galego"},         {"russian", 267, "Rusiian"},   {"magyar", 268, "Magyar"},
    {"nederlands", 280, "Nederlands"}, {"polski", 286, "Polski"},     {"ellenika", 303, "Ellenika"},
};

class BuiltInLanguageTest : public ::testing::TestWithParam<BuiltInLanguage> {
protected:
    void SetUp() override {
        ASSERT_EQ(language_.LoadResource(GetParam().id), 0)
            << GetParam().file << ".lng is not built in";
    }

    CLanguageFile language_;
};

// Each section's name and number of entries.
std::vector<std::pair<QString, int>> Outline(const CLanguageFile& language) {
    std::vector<std::pair<QString, int>> outline;
    for (const LanguageSection& section : language.GetSections()) {
        outline.emplace_back(section.name, static_cast<int>(section.entries.size()));
    }
    return outline;
}

// Every language has the sections and entries of English, and each key
// names something the program has. "FastRewind" (the button is called
// "FastBackward") and "Vollbild" (no button has that image) have always been
// in the files and change nothing.
TEST_P(BuiltInLanguageTest, HoldsTheSectionsOfEnglishDescribesItselfAndKeysNameWhatThereIs) {
    CLanguageFile english;
    ASSERT_EQ(english.LoadResource(250), 0);
    EXPECT_EQ(Outline(language_), Outline(english));
    EXPECT_EQ(language_.GetText(Q("File"), Q("Language")), Q(GetParam().language));
    EXPECT_FALSE(language_.GetText(Q("File"), Q("Version")).isEmpty());
    EXPECT_FALSE(language_.GetText(Q("File"), Q("Creator")).isEmpty());
    const MainMenus menus;
    const CResourceSymbols& symbols = language_.GetSymbols();
    CToolButtonTable buttons;
    AddStandardToolButtons(buttons);
    for (const LanguageSection& section : language_.GetSections()) {
        for (const LanguageEntry& entry : section.entries) {
            const std::string where = (section.name + u':' + entry.key).toStdString();
            if (section.name == Q("MainMenu")) {
                EXPECT_FALSE(entry.value.isEmpty()) << where;
                const int id = symbols.GetId(entry.key);
                EXPECT_TRUE(menus.popups.Find(entry.key) ||
                            (menus.InBar(id) && menus.InContext(id)))
                    << where;
            } else if (section.name.startsWith(Q("IDD_"))) {
                EXPECT_NE(symbols.GetId(section.name), -1) << where;
                EXPECT_TRUE(entry.key == Q("ID_CAPTION") || symbols.GetId(entry.key) != -1)
                    << where;
            } else if (section.name == Q("ToolBar")) {
                EXPECT_TRUE(entry.key == Q("FastRewind") || entry.key == Q("Vollbild") ||
                            !buttons.GetTooltip(entry.key).isEmpty())
                    << where;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Languages, BuiltInLanguageTest, ::testing::ValuesIn(kBuiltIn),
                         [](const auto& info) { return std::string(info.param.file); });

}  // namespace
