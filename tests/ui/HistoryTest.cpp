// The recently opened files and the resume positions, as the registry keeps
// them and as the menus and the jump command show them.
#include "PlayerWindow.h"

#include "SettingsValues.h"

namespace {

using velvaro::kVideoHistoryKey;
using velvaro::kVideosKey;

std::optional<std::string> Stored(const char* keyName, const std::string& valueName) {
    return velvaro::test::ReadString(valueName, {HKEY_CURRENT_USER, keyName});
}

void Store(const char* keyName, const std::string& valueName, const std::string& text) {
    velvaro::test::Write(valueName, text, {HKEY_CURRENT_USER, keyName});
}

// The history as the registry keeps it, newest first: "name full-name".
std::vector<std::string> History() {
    std::vector<std::string> entries;
    for (int entry = 1; entry <= 5; ++entry) {
        const auto name = Stored(kVideoHistoryKey, std::to_string(entry) + "_Name");
        const auto path = Stored(kVideoHistoryKey, std::to_string(entry) + "_FullFilename");
        if (name || path) {
            entries.push_back(name.value_or("-") + " " + path.value_or("-"));
        }
    }
    return entries;
}

class HistoryTest : public PlayerWindowTest {
protected:
    // What History() holds after opening these links, newest first.
    std::vector<std::string> Entries(std::initializer_list<const char*> links) const {
        std::vector<std::string> entries;
        for (const char* link : links) {
            entries.push_back(std::filesystem::path(link).filename().string() + " " +
                              (folder().path() / link).string());
        }
        return entries;
    }
    QMenu* RecentPopup(QWidget* menu) const {
        return menu->findChild<QMenu*>(u"IDM_DATEI_ZULETZTGEOEFFNET"_s);
    }
    // What both menus' recent-files popups list, "greyed" first when they are.
    QString RecentItems() const {
        QStringList lists;
        for (const QMenu* popup : {RecentPopup(MainMenu()), RecentPopup(ContextMenu())}) {
            QStringList items{popup->menuAction()->isEnabled() ? QString() : u"greyed"_s};
            for (const QAction* item : popup->actions()) {
                items << item->text() + u' ' + QString::number(CommandId(item));
            }
            lists << items.join(u'|');
        }
        EXPECT_EQ(lists.first(), lists.last());
        return lists.first();
    }
};

TEST_F(HistoryTest, FiveNewestInOrderAndAReopenedFileMovesUp) {
    Start();
    for (const char* name : {"A.mkv", "B.mkv", "C.mkv", "D.mkv", "E.mkv", "F.mkv"}) {
        OpenFile(Link(name));
    }
    EXPECT_EQ(History(), Entries({"F.mkv", "E.mkv", "D.mkv", "C.mkv", "B.mkv"}));
    OpenFile(folder() / "C.mkv");
    EXPECT_EQ(History(), Entries({"C.mkv", "F.mkv", "E.mkv", "D.mkv", "B.mkv"}));
    // The same name from another folder is the same entry and the same
    // resume position; only the full name changes.
    PauseAt(300);
    OpenFile(Link("other/C.mkv"));
    EXPECT_EQ(History(), Entries({"other/C.mkv", "F.mkv", "E.mkv", "D.mkv", "B.mkv"}));
    EXPECT_EQ(Stored(kVideosKey, "C.mkv"), "3.00");
    ExpectState({.enabledCommands = {IDM_WIEDERGABE_SPRINGELETZTESTELLE},
                 .enabledButtons = {IDTBB_JUMPLASTPOSITION}});
}

TEST_F(HistoryTest, TheMenuOpensFullFilenamesAndDeletingTheListKeepsResumePositions) {
    Store(kVideoHistoryKey, "1_Name", "first.mkv");
    Store(kVideoHistoryKey, "1_FullFilename", Link("first.mkv"));
    Store(kVideoHistoryKey, "3_Name", "third & more.mkv");
    Store(kVideosKey, "elsewhere.mkv", "3.00");
    Start();
    EXPECT_EQ(RecentItems(), u"|first.mkv 58001|third & more.mkv 58003| 0|Delete list 58000"_s);
    Command(58003);  // an entry without a full name opens nothing; nor a missing one
    Command(58005);
    EXPECT_EQ(Title(), u"Velvaro"_s);
    // Entry 2 through its menu item, as a click would; it ends the playlist.
    OpenAll({Link("b.mkv"), Link("a.mkv")});
    RecentPopup(MainMenu())->actions().at(1)->trigger();
    ASSERT_TRUE(TitleComes(TitleOf("first.mkv")));
    EXPECT_FALSE(ButtonEnabled(IDTBB_NEXTTRACKCHAPTER));
    Command(58000);
    EXPECT_TRUE(History().empty());
    EXPECT_EQ(RecentItems(), u"greyed"_s);
    EXPECT_EQ(Stored(kVideosKey, "elsewhere.mkv"), "3.00");
}

TEST_F(HistoryTest, StopAndLeavingSaveTheSecondsAndTheJumpSeeksToWholeSecondsInEveryState) {
    Start(Link("clip.mkv", "long.mkv"));
    EXPECT_FALSE(Enabled(IDM_WIEDERGABE_SPRINGELETZTESTELLE));
    PauseAt(1250);
    Command(IDM_WIEDERGABE_STOPP);
    EXPECT_EQ(Stored(kVideosKey, "clip.mkv"), "12.50");
    ASSERT_TRUE(PositionComes(0));
    Command(IDM_WIEDERGABE_STOPP);  // stopping at 0:00 keeps what was saved
    EXPECT_EQ(Stored(kVideosKey, "clip.mkv"), "12.50");

    // Stopped, the picture there shows and playback stays stopped; paused, it
    // stays paused; playing, it plays on from there.
    const std::tuple<std::function<void()>, long> states[] = {
        {[] {}, 0},
        {[this] { Command(IDTBB_PLAY), PauseAt(300); }, 1},
        {[this] { Command(IDTBB_PLAY), window->Player()->SetPosition(100); }, 2}};
    for (const auto& [before, state] : states) {
        before();
        Key('J');
        ASSERT_TRUE(WaitFor([this] { return Position() >= 1200; })) << state;
        Spin(300);
        EXPECT_LT(Position(), state == 2 ? 1600 : 1210) << state;
        EXPECT_EQ(std::tuple(window->Session().State().play, EngineState()),
                  std::tuple(state, state));
    }
    // Leaving the film for another or for good saves it; sound is never resumed.
    PauseAt(450);
    OpenFile(Media("audio.mp3"));
    EXPECT_EQ(Stored(kVideosKey, "clip.mkv"), "4.50");
    ASSERT_TRUE(WaitFor([this] { return Position() > 50; }));
    Command(IDM_WIEDERGABE_STOPP);
    OpenFile(folder() / "clip.mkv");
    EXPECT_EQ(Stored(kVideosKey, "audio.mp3"), std::nullopt);
    PauseAt(700);
    window.reset();
    EXPECT_EQ(Stored(kVideosKey, "clip.mkv"), "7.00");
}

TEST_F(HistoryTest, AutomaticResumeAfterTheStartIgnoresUnusableValues) {
    settings->jumpToLastPosition = 1;
    Store(kVideosKey, "long.mkv", "12.75");
    Start(Media("long.mkv"));
    ASSERT_TRUE(WaitFor([this] { return Position() > 1200; }));
    EXPECT_TRUE(Position() < 1600 && Playing());
    settings->startMediaAutomatically = 0;  // cued: the picture at 12 s waits, stopped
    OpenFile(Media("long.mkv"));
    ASSERT_TRUE(WaitFor([this] { return Position() >= 1200; }));
    EXPECT_EQ(window->Session().State().play, 0);

    // Leaving the film saves its own position over the stored text, so the
    // text is stored while something else plays. A fraction of a second, or
    // more seconds than a number holds, offers a jump to no whole second.
    settings->startMediaAutomatically = 1;
    const std::string clip = Link("clip.mkv", "long.mkv");
    const std::tuple<const char*, bool, int> stored[] = {{"abc", false, 0},
                                                         {"-3.5", false, 0},
                                                         {"0.9", true, 0},
                                                         {"99999999999999", true, 0},
                                                         {" 7.9 s", true, 700}};
    for (const auto& [text, offered, position] : stored) {
        OpenFile(Media("audio.mp3"));
        Store(kVideosKey, "clip.mkv", text);
        OpenFile(clip);
        EXPECT_EQ(Enabled(IDM_WIEDERGABE_SPRINGELETZTESTELLE), offered) << text;
        ASSERT_TRUE(WaitFor([&] { return Position() >= position; })) << text;
        EXPECT_LT(Position(), position + 300) << text;
    }
    settings->jumpToLastPosition = 0;  // without the setting the film starts from the beginning
    OpenFile(clip);
    Spin(300);
    EXPECT_LT(Position(), 400);
}

}  // namespace
