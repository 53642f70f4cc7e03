// The window's playlist and the bookmark file of each medium.
#include "FileBytes.h"
#include "PlayerWindow.h"

#include "dialogs/CBookmarkDlg.h"
#include "dialogs/CPlaylistDlg.h"
#include "docs/BookmarkFile.h"
#include "docs/PlaylistFile.h"

#include <QAbstractButton>
#include <QTreeWidget>

namespace {

class PlaylistTest : public PlayerWindowTest {
protected:
    std::string File(const char* name) const { return (folder().path() / name).string(); }
};

TEST_F(PlaylistTest, CommandsWalkTheListAndWrapAroundBothWays) {
    const std::string a = Link("a.mkv"), b = Link("B.mkv"), c = Link("c.mkv");
    Start();
    ExpectState({.greyedCommands = {IDM_PLAYLIST_BEARBEITEN, IDM_PLAYLIST_ERSTERTITEL,
                                    IDM_PLAYLIST_NAECHSTERTITEL, IDM_PLAYLIST_SPEICHERN}});
    EXPECT_EQ(OpenAll({c, a, b}), TitleOf("B.mkv"));  // byte order: capitals first
    ExpectState({.enabledCommands = {IDM_PLAYLIST_BEARBEITEN, IDM_PLAYLIST_SPEICHERNUNTER,
                                     IDM_PLAYLIST_ERSTERTITEL, IDM_PLAYLIST_LETZTERTITEL,
                                     IDM_PLAYLIST_NAECHSTERTITEL, IDM_PLAYLIST_VORHERIGERTITEL},
                 .greyedCommands = {IDM_PLAYLIST_SPEICHERN}});  // no file yet
    const std::pair<int, const char*> steps[] = {
        {IDM_PLAYLIST_VORHERIGERTITEL, "c.mkv"}, {IDM_PLAYLIST_NAECHSTERTITEL, "B.mkv"},
        {IDM_PLAYLIST_LETZTERTITEL, "c.mkv"},    {IDM_PLAYLIST_ERSTERTITEL, "B.mkv"},
        {IDTBB_NEXTTRACKCHAPTER, "a.mkv"},       {IDTBB_PREVTRACKCHAPTER, "B.mkv"},
    };
    for (const auto& [command, name] : steps) {
        Command(command);
        EXPECT_EQ(Title(), TitleOf(name)) << command;
    }
    // One file alone ends the playlist.
    EXPECT_EQ(OpenAll({a}), TitleOf("a.mkv"));
    EXPECT_FALSE(Playlist().Active() || Enabled(IDM_PLAYLIST_NAECHSTERTITEL));
}

// Each film follows the one before at its end, the window never without a
// medium between them: a film of the same size keeps the window's size, one
// of another size takes its own at once.
TEST_F(PlaylistTest, FilmsFollowEachOtherWithoutTheWindowGoingIdle) {
    const std::string a = Link("a.mkv"), b = Link("b.mkv", "dark.mkv");
    const std::string c = Link("c.mkv", "framed-360p.mkv");
    Start();
    const QSize idle = window->size();
    EXPECT_EQ(OpenAll({a, b, c}), TitleOf("a.mkv"));
    const QSize film = window->size();
    ASSERT_NE(film, idle);
    // What the window shows whenever its events are handled, as a person
    // would see it.
    std::vector<QSize> sizes{film};
    int withoutMedium = 0;
    QTimer look;
    QObject::connect(&look, &QTimer::timeout, [&] {
        if (window->size() != sizes.back()) {
            sizes.push_back(window->size());
        }
        withoutMedium += Video() == nullptr;
    });
    look.start(0);
    // Each time the next film has been opened ahead before the end comes.
    const auto nearTheEndWhenReady = [this](const std::string& next) {
        EXPECT_TRUE(WaitFor(
            [&] { return window->Session().Opener().Prepared(QString::fromStdString(next)); }));
        NearTheEnd();
    };
    nearTheEndWhenReady(b);
    ASSERT_TRUE(TitleComes(TitleOf("b.mkv")));
    EXPECT_EQ(sizes, std::vector<QSize>{film});
    nearTheEndWhenReady(c);
    ASSERT_TRUE(TitleComes(TitleOf("c.mkv")));
    EXPECT_EQ(sizes, (std::vector<QSize>{film, window->size()}));
    EXPECT_NE(window->size(), film);
    EXPECT_EQ(withoutMedium, 0);
}

TEST_F(PlaylistTest, ItemsThatDoNotOpenArePassedOverWithoutABox) {
    const std::string film = Link("film.mkv");
    // The engine says why each missing file did not open.
    const auto missing = EngineWarnings("File Source");
    Start(film);
    Command(IDM_VIDEO_VERGROESSERN_LINKSRECHTS);
    ASSERT_NE(Layout().HorizontalZoom(), 1.0);
    EXPECT_EQ(OpenAll({File("1-gone.mkv"), File("2-gone.mkv"), film}), TitleOf("film.mkv"));
    EXPECT_EQ(Layout().HorizontalZoom(), 1.0);  // a playlist starts unzoomed
    // Next wraps to the first, which does not open either: back at film.mkv.
    Command(IDM_PLAYLIST_NAECHSTERTITEL);
    EXPECT_EQ(Title(), TitleOf("film.mkv"));
    // Nothing from the item on opens: the window goes without a medium.
    Playlist().SetEntries({{File("x-gone.mkv"), ""}, {File("y-gone.mkv"), ""}});
    Command(IDM_PLAYLIST_ERSTERTITEL);
    EXPECT_EQ(window->Player(), nullptr);
    EXPECT_EQ(Title(), u"Velvaro"_s);
}

TEST_F(PlaylistTest, AFileOpenedAloneIsTriedAsAPlaylistAndSavedBack) {
    const std::string film = Link("film.mkv");
    const std::string sound = Media("audio.mp3");
    const std::string list = File("list.vpp");
    ASSERT_TRUE(velvaro::docs::SavePlaylistFile(list, {{film, sound}, {"gone.mkv", ""}}, "1"));
    Start();
    EXPECT_EQ(OpenAll({list}), TitleOf("film.mkv"));
    EXPECT_TRUE(Checked(IDM_AUDIO_AUDIOTRACKOEFFNEN));  // the item's own sound
    EXPECT_TRUE(Enabled(IDM_PLAYLIST_SPEICHERN));
    std::filesystem::remove(list);
    Command(IDM_PLAYLIST_SPEICHERN);
    const std::vector<velvaro::docs::PlaylistEntry> expected = {{film, sound},
                                                                {File("gone.mkv"), ""}};
    EXPECT_EQ(velvaro::docs::LoadPlaylistFile(list), expected);
    // Not a playlist: opened as a medium, which ends the playlist.
    EXPECT_EQ(OpenAll({film}), TitleOf("film.mkv"));
    EXPECT_FALSE(Playlist().Active());
}

// A playlist that cannot be read, or whose items do not play, says why in the
// status bar, without a box; one in an older code page plays.
TEST_F(PlaylistTest, APlaylistThatGivesNothingToPlaySaysWhy) {
    const std::string film = Link("Caf\xC3\xA9.mkv");
    std::string deep = "<velvaro><playlist>", closed;
    for (int level = 0; level < 50000; ++level) {
        deep += "<media>";
        closed += "</media>";
    }
    const std::string nested = deep + closed;
    const std::pair<std::string, std::string> lists[] = {
        {"open.vpp", deep},
        {"nested.vpp", nested + "</playlist></velvaro>"},
        {"entity.vpp", "<velvaro><playlist><media>&x;.mkv</media></playlist></velvaro>"},
        {"folder.vpp",
         "<velvaro><playlist><media>Gone</media><media>Empty</media></playlist>"
         "</velvaro>"}};
    for (const auto& [name, text] : lists) {
        velvaro::test::WriteBytes(File(name.c_str()), text);
    }
    std::filesystem::create_directories(File("Empty"));
    velvaro::test::WriteBytes(File("Empty/a.mkv"), "not a film");
    velvaro::test::WriteBytes(File("Empty/b.mkv"), "not a film either");
    const auto unplayable = EngineWarnings();
    QStringList boxes;
    const auto user = Boxes(boxes);
    Start();
    const std::pair<const char*, QString> said[] = {
        {"open.vpp",
         u" is not a playlist file that can be read: End tag of media element not "
         "found."_s},
        {"nested.vpp", u"No item of the playlist can be played: an item names no file."_s},
        {"entity.vpp", u"No item of the playlist can be played: %1 does not exist."_s.arg(
                           QString::fromStdString(File("&x;.mkv")))},
        {"folder.vpp",
         u"No item of the playlist can be played: %1 is not a medium that can be played."_s.arg(
             QString::fromStdString(File("Empty/a.mkv")))}};
    for (const auto& [name, text] : said) {
        EXPECT_EQ(OpenAll({File(name)}), u"Velvaro"_s) << name;
        EXPECT_TRUE(StatusText(0).endsWith(text)) << StatusText(0).toStdString();
    }
    EXPECT_EQ(boxes, QStringList());
    velvaro::test::WriteBytes(File("legacy.vpp"),
                              "<velvaro><playlist><media>Caf\xE9.mkv</media></playlist></velvaro>");
    EXPECT_EQ(OpenAll({File("legacy.vpp")}), TitleOf("Caf\xC3\xA9.mkv"));
}

// Lists of other players are offered whether the association list has them
// or not, and each once.
TEST_F(PlaylistTest, OpeningOffersTheListedPlaylistTypesAndOtherPlayersListsOnce) {
    QStringList offered;
    ModalDialogWatcher<QFileDialog> user([&](QFileDialog& dialog) {
        const QString first = dialog.nameFilters().value(0);
        offered << first.mid(first.indexOf(u'('));
        dialog.reject();
    });
    Start();
    Command(IDM_PLAYLIST_OEFFNEN);
    settings->associations.clear();
    settings->AddFileAssociation("vpp", ASSOC_PLAYLIST);
    settings->AddFileAssociation("m3u8", ASSOC_PLAYLIST | ASSOC_AUDIO);
    Command(IDM_PLAYLIST_OEFFNEN);
    EXPECT_EQ(offered,
              (QStringList{u"(*.vpp *.m3u *.m3u8 *.pls)"_s, u"(*.m3u8 *.vpp *.m3u *.pls)"_s}));
}

TEST_F(PlaylistTest, TheEditorsListStartsFromItsFirstItem) {
    const std::string a = Link("a.mkv"), b = Link("b.mkv");
    Start();
    OpenAll({a, b});
    Command(IDM_PLAYLIST_NAECHSTERTITEL);
    ModalDialogWatcher<CPlaylistDlg> user([](CPlaylistDlg& editor) {
        // Delete the first row (selected at start), then OK.
        editor.findChild<QAbstractButton*>(u"IDC_DELETE"_s)->click();
        editor.findChild<QAbstractButton*>(u"IDC_BUTTON_OK"_s)->click();
    });
    Command(IDM_PLAYLIST_BEARBEITEN);
    EXPECT_EQ(Playlist().Items(), 1);
    EXPECT_EQ(Title(), TitleOf("b.mkv"));
    ModalDialogWatcher<CPlaylistDlg> canceller([](CPlaylistDlg& editor) { editor.reject(); });
    Command(IDM_PLAYLIST_NEU);
    EXPECT_EQ(Playlist().Items(), 1);
}

TEST_F(PlaylistTest, AMediumsBookmarkFileIsShownBesideItAndHiddenWithIt) {
    const std::string film = Link("film.mkv", "long.mkv");
    const std::string other = Link("other.mkv", "long.mkv");
    ASSERT_TRUE(velvaro::docs::SaveBookmarkFile(
        File("film.vbm"), {{"one", 150, film, false}, {"two", 300, film}, {"three", 900, other}},
        "1"));
    settings->startMediaAutomatically = 0;  // paused where the first bookmark is
    Start(film);
    ASSERT_TRUE(BookmarkEditor()->isVisible());
    EXPECT_EQ(static_cast<CBookmarkDlg*>(BookmarkEditor())->RowCount(), 3);
    EXPECT_TRUE(WaitFor([this] { return std::abs(Position() - 150) < 30; })) << Position();
    // A bookmark of another film opens it where the bookmark is.
    auto* rows = BookmarkEditor()->findChild<QTreeWidget*>();
    rows->setCurrentItem(rows->topLevelItem(2));
    Settle();
    EXPECT_EQ(Title(), TitleOf("other.mkv", "STOP"));
    EXPECT_TRUE(WaitFor([this] { return std::abs(Position() - 900) < 30; })) << Position();
    Command(IDM_DATEI_SCHLIESSEN);
    EXPECT_FALSE(BookmarkEditor()->isVisible());
    // A medium without one leaves the editor hidden.
    OpenFile(Media("video-only.mkv"));
    EXPECT_FALSE(BookmarkEditor()->isVisible());
    // A bookmark file on the command line that cannot be read is said, not shown.
    commandLine.SetBookmarkFile(File("none.vbm"));
    Command(IDM_DATEI_SCHLIESSEN);
    commandLine.SetFileName(film);
    window->OpenStartupMedium();
    Settle();
    EXPECT_TRUE(StatusText(0).contains(u"none.vbm"_s)) << StatusText(0).toStdString();
}

}  // namespace
