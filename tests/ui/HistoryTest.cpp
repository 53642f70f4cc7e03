// The recently opened files and the resume positions, as the registry keeps
// them and as the menus and the jump command show them.
#include "PlayerWindow.h"

#include "settings/RegKey.h"
#include "settings/RegistryKeys.h"

#include <QMenu>
#include <QMenuBar>

#include <filesystem>
#include <map>

namespace velvaro::test {
namespace {

namespace fs = std::filesystem;

std::optional<std::string> StoredText(const char* keyName, const std::string& valueName) {
    RegKey key;
    std::string text;
    if (key.Open(HKEY_CURRENT_USER, keyName, KEY_READ) != ERROR_SUCCESS ||
        key.QueryString(valueName, &text) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    return text;
}

void Store(const char* keyName, const std::string& valueName, const std::string& text) {
    RegKey key;
    ASSERT_EQ(key.Create(HKEY_CURRENT_USER, keyName), ERROR_SUCCESS);
    ASSERT_EQ(key.SetString(valueName, text), ERROR_SUCCESS);
}

std::optional<std::string> ResumeText(const std::string& name) {
    return StoredText(velvaro::kVideosKey, name);
}

// Every value of the history key, by name.
std::map<std::string, std::string> HistoryValues() {
    std::map<std::string, std::string> values;
    RegKey key;
    if (key.Open(HKEY_CURRENT_USER, velvaro::kVideoHistoryKey, KEY_READ) == ERROR_SUCCESS) {
        key.ForEachValue([&values](const std::string& name, const BYTE* data, DWORD size) {
            std::string text(reinterpret_cast<const char*>(data), size);
            text.resize(text.find('\0') == std::string::npos ? text.size() : text.find('\0'));
            values[name] = text;
        });
    }
    return values;
}

// The texts of a popup's items, "-" for a separator.
QStringList ItemTexts(const QMenu* popup) {
    QStringList texts;
    for (const QAction* item : popup->actions()) {
        texts << (item->isSeparator() ? QStringLiteral("-") : item->text());
    }
    return texts;
}

QList<int> ItemIds(const QMenu* popup) {
    QList<int> ids;
    for (const QAction* item : popup->actions()) {
        ids << CommandId(item);
    }
    return ids;
}

class HistoryTest : public PlayerWindowTest {
protected:
    // A link named `name` in the test's folder (or its subfolder) to a test medium.
    std::string Link(const std::string& name, const std::string& medium = "video-only.mkv") {
        const fs::path link = folder().path() / name;
        fs::create_directories(link.parent_path());
        fs::create_symlink(Media(medium), link);
        return link.string();
    }

    // The recent-files popup in the menu bar and in the context menu.
    std::vector<QMenu*> RecentPopups() const {
        std::vector<QMenu*> popups;
        for (QWidget* menu : {static_cast<QWidget*>(window->MainMenu()),
                              static_cast<QWidget*>(window->ContextMenu())}) {
            const auto found = menu->findChildren<QMenu*>(
                QStringLiteral("IDM_DATEI_ZULETZTGEOEFFNET"), Qt::FindChildrenRecursively);
            popups.insert(popups.end(), found.begin(), found.end());
        }
        return popups;
    }

    void ExpectEntries(const std::vector<std::string>& names,
                       const std::vector<std::string>& paths) {
        for (size_t index = 0; index < 5; ++index) {
            const int entry = static_cast<int>(index) + 1;
            const auto name =
                StoredText(velvaro::kVideoHistoryKey, std::to_string(entry) + "_Name");
            const auto path =
                StoredText(velvaro::kVideoHistoryKey, std::to_string(entry) + "_FullFilename");
            if (index < names.size()) {
                EXPECT_EQ(name.value_or("<none>"), names[index]) << "entry " << entry;
                EXPECT_EQ(path.value_or("<none>"), paths[index]) << "entry " << entry;
            } else {
                EXPECT_FALSE(name.has_value()) << "entry " << entry;
                EXPECT_FALSE(path.has_value()) << "entry " << entry;
            }
        }
        QStringList texts;
        QList<int> ids;
        for (size_t index = 0; index < names.size(); ++index) {
            texts << QString::fromStdString(names[index]);
            ids << 58001 + static_cast<int>(index);
        }
        if (!names.empty()) {
            texts << QStringLiteral("-") << QStringLiteral("Delete list");
            ids << 0 << 58000;
        }
        const std::vector<QMenu*> popups = RecentPopups();
        ASSERT_EQ(popups.size(), 2u);
        for (const QMenu* popup : popups) {
            EXPECT_EQ(ItemTexts(popup), texts);
            EXPECT_EQ(ItemIds(popup), ids);
            EXPECT_EQ(popup->menuAction()->isEnabled(), !names.empty());
        }
    }

    // Paused exactly at `position`, as the engine reports it.
    void PauseAt(int position) {
        Command(IDTBB_PAUSE);
        window->Player()->SetPosition(position);
        ASSERT_TRUE(WaitFor([&] { return window->Player()->GetPosition() == position; }))
            << window->Player()->GetPosition();
    }

    long EngineState() const {
        long state = -1;
        window->Player()->GetState(&state);
        return state;
    }
};

TEST_F(HistoryTest, FiveNewestInOrderAndAReopenedFileMovesUp) {
    Start();
    ExpectEntries({}, {});
    std::map<std::string, std::string> paths;
    for (const char* name : {"A.mkv", "B.mkv", "C.mkv", "D.mkv", "E.mkv", "F.mkv"}) {
        paths[name] = Link(name);
        OpenFile(paths[name]);
    }
    ExpectEntries({"F.mkv", "E.mkv", "D.mkv", "C.mkv", "B.mkv"},
                  {paths["F.mkv"], paths["E.mkv"], paths["D.mkv"], paths["C.mkv"], paths["B.mkv"]});

    OpenFile(paths["C.mkv"]);
    ExpectEntries({"C.mkv", "F.mkv", "E.mkv", "D.mkv", "B.mkv"},
                  {paths["C.mkv"], paths["F.mkv"], paths["E.mkv"], paths["D.mkv"], paths["B.mkv"]});

    // The newest one again, from another folder: only its full name changes.
    const std::map<std::string, std::string> before = HistoryValues();
    const std::string other = Link("other/C.mkv");
    OpenFile(other);
    std::map<std::string, std::string> expected = before;
    expected["1_FullFilename"] = other;
    EXPECT_EQ(HistoryValues(), expected);
}

TEST_F(HistoryTest, SameNameInTwoFoldersSharesOneEntryAndOneResumePosition) {
    const std::string first = Link("one/clip.mkv", "long.mkv");
    const std::string second = Link("two/clip.mkv", "long.mkv");
    const std::string other = Link("B.mkv");
    Start(first);
    OpenFile(other);
    OpenFile(first);
    PauseAt(500);
    OpenFile(second);
    ExpectEntries({"clip.mkv", "B.mkv"}, {second, other});
    EXPECT_EQ(ResumeText("clip.mkv"), "5.00");
    EXPECT_TRUE(Enabled(IDM_WIEDERGABE_SPRINGELETZTESTELLE));
    EXPECT_TRUE(ButtonEnabled(IDTBB_JUMPLASTPOSITION));
}

TEST_F(HistoryTest, MenuAtStartShowsTheStoredEntriesOnly) {
    Store(velvaro::kVideoHistoryKey, "1_Name", "first.mkv");
    Store(velvaro::kVideoHistoryKey, "1_FullFilename", "/nowhere/first.mkv");
    Store(velvaro::kVideoHistoryKey, "3_Name", "third & more.mkv");
    Start();
    const std::vector<QMenu*> popups = RecentPopups();
    ASSERT_EQ(popups.size(), 2u);
    for (const QMenu* popup : popups) {
        EXPECT_EQ(ItemTexts(popup),
                  (QStringList{QStringLiteral("first.mkv"), QStringLiteral("third & more.mkv"),
                               QStringLiteral("-"), QStringLiteral("Delete list")}));
        EXPECT_EQ(ItemIds(popup), (QList<int>{58001, 58003, 0, 58000}));
        EXPECT_TRUE(popup->menuAction()->isEnabled());
    }
    // An entry without a full name opens nothing.
    Command(58003);
    EXPECT_EQ(window->Player(), nullptr);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Velvaro"));
}

TEST_F(HistoryTest, DeleteListGreysTheMenuAndKeepsResumePositions) {
    const std::string clip = Link("clip.mkv", "long.mkv");
    Start(clip);
    PauseAt(300);
    OpenFile(Link("B.mkv"));
    ASSERT_EQ(ResumeText("clip.mkv"), "3.00");

    Command(58000);
    ExpectEntries({}, {});
    EXPECT_TRUE(HistoryValues().empty());
    RegKey key;
    EXPECT_NE(key.Open(HKEY_CURRENT_USER, velvaro::kVideoHistoryKey, KEY_READ), ERROR_SUCCESS);
    EXPECT_EQ(ResumeText("clip.mkv"), "3.00");

    OpenFile(clip);
    ExpectEntries({"clip.mkv"}, {clip});
    ASSERT_TRUE(Enabled(IDM_WIEDERGABE_SPRINGELETZTESTELLE));
    Command(IDTBB_PAUSE);
    Command(IDM_WIEDERGABE_SPRINGELETZTESTELLE);
    EXPECT_TRUE(WaitFor([this] { return window->Player()->GetPosition() == 300; }));
}

TEST_F(HistoryTest, RecentEntriesOpenTheirFullFilename) {
    std::map<std::string, std::string> paths;
    for (const char* name : {"A.mkv", "B.mkv", "C.mkv"}) {
        paths[name] = Link(name);
    }
    Start();
    for (const char* name : {"A.mkv", "B.mkv", "C.mkv"}) {
        OpenFile(paths[name]);
    }
    // A playlist runs; opening a recent entry ends it.
    window->OpenFiles(
        {QString::fromStdString(paths["A.mkv"]), QString::fromStdString(paths["B.mkv"])});
    ASSERT_TRUE(ButtonEnabled(IDTBB_NEXTTRACKCHAPTER));
    ExpectEntries({"A.mkv", "C.mkv", "B.mkv"}, {paths["A.mkv"], paths["C.mkv"], paths["B.mkv"]});

    // Entry 3 through its menu item, as a click would.
    QMenu* popup = RecentPopups().front();
    popup->actions().at(2)->trigger();
    ASSERT_TRUE(WaitFor([this] { return window->PlayState() == 2; }));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Velvaro - B.mkv - PLAY"));
    EXPECT_FALSE(ButtonEnabled(IDTBB_NEXTTRACKCHAPTER));
    ExpectEntries({"B.mkv", "A.mkv", "C.mkv"}, {paths["B.mkv"], paths["A.mkv"], paths["C.mkv"]});

    // No entry 5: nothing happens.
    Command(58005);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Velvaro - B.mkv - PLAY"));

    // A file that has gone fails as any open does.
    fs::remove(paths["C.mkv"]);
    std::string caption;
    AnswerMessageBox(&caption);
    Command(58003);
    EXPECT_FALSE(caption.empty());
    EXPECT_EQ(window->Player(), nullptr);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Velvaro"));
}

TEST_F(HistoryTest, StopSavesTheSecondsAndTheJumpSeeksToWholeSecondsInEveryState) {
    Start(Media("long.mkv"));
    EXPECT_FALSE(Enabled(IDM_WIEDERGABE_SPRINGELETZTESTELLE));
    EXPECT_FALSE(ButtonEnabled(IDTBB_JUMPLASTPOSITION));
    PauseAt(1250);
    Command(IDM_WIEDERGABE_STOPP);
    EXPECT_EQ(ResumeText("long.mkv"), "12.50");
    EXPECT_TRUE(Enabled(IDM_WIEDERGABE_SPRINGELETZTESTELLE));
    EXPECT_TRUE(ButtonEnabled(IDTBB_JUMPLASTPOSITION));

    // Stopping at 0:00 keeps what was saved.
    ASSERT_TRUE(WaitFor([this] { return window->Player()->GetPosition() == 0; }));
    Command(IDM_WIEDERGABE_STOPP);
    EXPECT_EQ(ResumeText("long.mkv"), "12.50");

    // Stopped: the picture there shows and playback stays stopped.
    Command(IDM_WIEDERGABE_SPRINGELETZTESTELLE);
    ASSERT_TRUE(WaitFor([this] { return window->Player()->GetPosition() >= 1200; }));
    Spin(300);
    EXPECT_NEAR(window->Player()->GetPosition(), 1200, 10);
    EXPECT_EQ(window->PlayState(), 0);
    EXPECT_EQ(EngineState(), 0);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Velvaro - long.mkv - STOP"));

    // Paused: it stays paused at the new place.
    Command(IDTBB_PLAY);
    PauseAt(300);
    Command(IDTBB_JUMPLASTPOSITION);
    ASSERT_TRUE(WaitFor([this] { return window->Player()->GetPosition() == 1200; }));
    Spin(300);
    EXPECT_EQ(window->Player()->GetPosition(), 1200);
    EXPECT_EQ(window->PlayState(), 1);
    EXPECT_EQ(EngineState(), 1);

    // Playing: it plays on from there.
    Command(IDTBB_PLAY);
    window->Player()->SetPosition(100);
    ASSERT_TRUE(WaitFor([this] { return window->Player()->GetPosition() < 1000; }));
    Key('J');
    ASSERT_TRUE(WaitFor([this] { return window->Player()->GetPosition() > 1220; }));
    EXPECT_LT(window->Player()->GetPosition(), 1600);
    EXPECT_EQ(window->PlayState(), 2);
    EXPECT_EQ(EngineState(), 2);
}

TEST_F(HistoryTest, ClosingOpeningAnotherAndEndingSaveThePosition) {
    const std::string clip = Link("clip.mkv", "long.mkv");
    Start(clip);
    PauseAt(300);
    Command(IDM_DATEI_SCHLIESSEN);
    EXPECT_EQ(ResumeText("clip.mkv"), "3.00");

    OpenFile(clip);
    EXPECT_TRUE(Enabled(IDM_WIEDERGABE_SPRINGELETZTESTELLE));
    PauseAt(450);
    OpenFile(Media("audio.mp3"));
    EXPECT_EQ(ResumeText("clip.mkv"), "4.50");
    // Sound alone is never resumed, whatever happened to it.
    ASSERT_TRUE(WaitFor([this] { return window->Player()->GetPosition() > 50; }));
    Command(IDM_WIEDERGABE_STOPP);
    OpenFile(clip);
    EXPECT_EQ(ResumeText("audio.mp3"), std::nullopt);
    OpenFile(Media("audio.mp3"));
    EXPECT_FALSE(Enabled(IDM_WIEDERGABE_SPRINGELETZTESTELLE));
    EXPECT_FALSE(ButtonEnabled(IDTBB_JUMPLASTPOSITION));
    EXPECT_EQ(ResumeText("audio.mp3"), std::nullopt);

    OpenFile(clip);
    PauseAt(700);
    window.reset();
    EXPECT_EQ(ResumeText("clip.mkv"), "7.00");
}

TEST_F(HistoryTest, AutomaticResumeAfterTheStart) {
    settings->jumpToLastPosition = 1;
    Store(velvaro::kVideosKey, "long.mkv", "12.75");
    Start(Media("long.mkv"));
    ASSERT_TRUE(WaitFor([this] { return window->Player()->GetPosition() > 1200; }));
    EXPECT_LT(window->Player()->GetPosition(), 1600);
    EXPECT_EQ(window->PlayState(), 2);

    // Cued instead of started: the picture at 12 s waits, stopped.
    settings->startMediaAutomatically = 0;
    OpenFile(Media("long.mkv"));
    ASSERT_TRUE(WaitFor([this] { return window->Player()->GetPosition() >= 1200; }));
    Spin(300);
    EXPECT_NEAR(window->Player()->GetPosition(), 1200, 10);
    EXPECT_EQ(window->PlayState(), 0);

    // Without the setting the film starts from the beginning.
    settings->jumpToLastPosition = 0;
    settings->startMediaAutomatically = 1;
    OpenFile(Media("long.mkv"));
    Spin(300);
    EXPECT_LT(window->Player()->GetPosition(), 1000);
}

TEST_F(HistoryTest, UnusableResumeValuesAreIgnored) {
    settings->jumpToLastPosition = 1;
    const std::string clip = Link("clip.mkv", "long.mkv");
    Start();
    // Leaving the film would save its own position over the stored text, so
    // the text is stored while something else plays.
    const auto openWith = [&](const char* text) {
        OpenFile(Media("audio.mp3"));
        Store(velvaro::kVideosKey, "clip.mkv", text);
        OpenFile(clip);
    };
    for (const char* text : {"abc", "0.00", "-3.5", ""}) {
        openWith(text);
        EXPECT_FALSE(Enabled(IDM_WIEDERGABE_SPRINGELETZTESTELLE)) << text;
        Spin(100);
        EXPECT_LT(window->Player()->GetPosition(), 300) << text;
    }
    // A fraction of a second, or more seconds than a number holds, offers
    // the jump, which then has no whole second to go to.
    for (const char* text : {"0.9", "99999999999999"}) {
        openWith(text);
        EXPECT_TRUE(Enabled(IDM_WIEDERGABE_SPRINGELETZTESTELLE)) << text;
        Spin(100);
        EXPECT_LT(window->Player()->GetPosition(), 300) << text;
    }
    // Blanks before and text after the number do not matter.
    openWith(" 7.9 s");
    ASSERT_TRUE(WaitFor([this] { return window->Player()->GetPosition() >= 700; }));
    EXPECT_LT(window->Player()->GetPosition(), 1000);
}

}  // namespace
}  // namespace velvaro::test
