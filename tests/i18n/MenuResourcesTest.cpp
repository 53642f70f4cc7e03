// The menus built from the menu resources, the popup registry and the
// helper that keeps both menus' states alike: the rules they keep, not the
// tables' entries.
#include "MainMenus.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using velvaro::test::MainMenus;

TEST(MenuResourcesTest, EveryMenuSymbolOfTheHeaderHasOnePlaceInEachMenuWithAText) {
    const MainMenus menus;
    int count = 0;
    for (const auto& [name, id] : velvaro::test::HeaderDefines()) {
        if (!name.startsWith(Q("IDM_"))) {
            continue;
        }
        ++count;
        for (const QAction* item : {menus.InBar(id), menus.InContext(id)}) {
            ASSERT_NE(item, nullptr) << name.toStdString();
            EXPECT_EQ(item->objectName(), name);
            EXPECT_FALSE(item->text().isEmpty()) << name.toStdString();
        }
    }
    EXPECT_EQ(count, 97);
}

TEST(MenuResourcesTest, ItemsCarryTheResourcesTextsAndStatesAndHostPopupsTheirMenus) {
    const MainMenus menus;
    const QAction* aspect = menus.InBar(IDM_VIDEO_ASPECTRATIO);
    EXPECT_TRUE(aspect->isChecked() && !aspect->isEnabled());
    const QAction* onTop = menus.InContext(IDM_ANSICHT_IMMEROBEN);
    EXPECT_TRUE(onTop->isCheckable() && !onTop->isChecked() && onTop->isEnabled());
    EXPECT_FALSE(menus.InBar(IDM_DATEI_OEFFNEN)->isCheckable());

    const QMenu* subtitles = menus.popups.MenuBarPopup(Q("IDM_WIEDERGABE_STREAMS_SUBTITLE"));
    ASSERT_EQ(subtitles->actions().size(), 2);
    EXPECT_EQ(CommandId(subtitles->actions()[0]), 61999);
    EXPECT_TRUE(subtitles->actions()[1]->isSeparator());
    EXPECT_EQ(
        FindCommands(menus.popups.ContextPopup(Q("IDM_ANSICHT_ZOOM")), IDM_VIDEO_RESET).size(), 1);
    EXPECT_EQ(CommandId(LoadPopupMenu(IDR_MENU_ZOOM)->actions().front()), IDM_VIDEO_ASPECTRATIO);
    EXPECT_EQ(LoadPopupMenu(IDD_BOOKMARK), nullptr);
    EXPECT_EQ(LoadMenuBar(12345), nullptr);
}

TEST(MenuResourcesTest, RegisteredPopupsAreFoundInBothMenusByName) {
    const MainMenus menus;
    for (const std::string_view symbol : kRegisteredPopups) {
        const QString name = QString::fromLatin1(symbol.data(), std::ssize(symbol));
        const PopupRegistry::Entry* entry = menus.popups.Find(name.toLower());
        ASSERT_NE(entry, nullptr) << symbol;
        for (const MenuPlace& place : {entry->inMenuBar, entry->inContextMenu}) {
            ASSERT_TRUE(place.Item() && place.Item()->menu()) << symbol;
            EXPECT_EQ(place.Item()->menu()->objectName(), name);
        }
    }
    // The six menus stand in the same order in the bar and the context menu.
    for (int i = 0; i < 6; ++i) {
        const PopupRegistry::Entry* top = menus.popups.Find(Q(kRegisteredPopups[i].data()));
        EXPECT_EQ(std::pair(top->inMenuBar.menu, top->inMenuBar.position),
                  std::pair(static_cast<QWidget*>(menus.bar.get()), i));
        EXPECT_EQ(std::pair(top->inContextMenu.menu, top->inContextMenu.position),
                  std::pair(static_cast<QWidget*>(menus.context.get()), i));
    }
    EXPECT_EQ(menus.popups.Find(Q("IDM_PLAYLIST")), nullptr);
    EXPECT_EQ(menus.popups.MenuBarPopup(Q("IDM_NOTHING")), nullptr);
    EXPECT_EQ((MenuPlace{menus.bar.get(), 6}.Item()), nullptr);

    menus.popups.EnablePopup(Q("idm_wiedergabe_streams_audio"), true);
    EXPECT_TRUE(menus.InBar(IDM_WIEDERGABE_STREAMS_AUDIO)->isEnabled());
    EXPECT_TRUE(menus.InContext(IDM_WIEDERGABE_STREAMS_AUDIO)->isEnabled());
}

TEST(MenuResourcesTest, StatesGoToBothMenusAtOnceAndAClickLeavesTheMarkToTheHandler) {
    const MainMenus menus;
    const MenuStates states(menus.bar.get(), menus.context.get());
    states.Enable(IDM_DATEI_SCHLIESSEN, true);
    states.Check(IDM_WIEDERGABE_SHUTDOWN, true);
    for (const QWidget* menu : {static_cast<const QWidget*>(menus.bar.get()),
                                static_cast<const QWidget*>(menus.context.get())}) {
        EXPECT_TRUE(MainMenus::Item(menu, IDM_DATEI_SCHLIESSEN)->isEnabled());
        EXPECT_TRUE(MainMenus::Item(menu, IDM_WIEDERGABE_SHUTDOWN)->isChecked());
    }
    states.Check(IDM_WIEDERGABE_SHUTDOWN, false);
    EXPECT_FALSE(menus.InContext(IDM_WIEDERGABE_SHUTDOWN)->isChecked());

    // Items made at run time take marks as well, even those that are no toggle.
    QAction* recent = AddCommand(menus.popups.MenuBarPopup(Q("IDM_DATEI_ZULETZTGEOEFFNET")), 58001,
                                 Q("film.mkv"));
    states.Check(58001, true);
    states.Enable(58001, false);
    EXPECT_TRUE(states.IsChecked(58001) && recent->isChecked());
    EXPECT_FALSE(states.IsEnabled(58001));
    EXPECT_FALSE(states.IsChecked(99) || states.IsEnabled(99));

    QAction* loop = menus.InBar(IDM_WIEDERGABE_ENDLOSSCHLEIFE);
    std::vector<bool> seenByHandler;
    QObject::connect(loop, &QAction::triggered, loop,
                     [&] { seenByHandler.push_back(loop->isChecked()); });
    loop->trigger();
    states.Check(IDM_WIEDERGABE_ENDLOSSCHLEIFE, true);
    loop->trigger();
    EXPECT_TRUE(loop->isChecked());
    EXPECT_EQ(seenByHandler, (std::vector<bool>{false, true}));
}

}  // namespace
