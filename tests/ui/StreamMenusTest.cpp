// The stream menus of both menus on real media, without a window: the
// session reads and chooses the streams, the menus draw them.
#include "EventLoop.h"
#include "TestRegistry.h"
#include "engine/CDvdPlayer.h"
#include "engine/CFilePlayer.h"
#include "i18n/CLanguageFile.h"
#include "i18n/ui/MenuBuilder.h"
#include "i18n/ui/MenuCommands.h"
#include "i18n/ui/PopupRegistry.h"
#include "platform/PlayerMessages.h"
#include "resource.h"
#include "session/PlayerSession.h"
#include "ui/StreamMenus.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QWidget>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>

namespace {

using List = std::vector<std::string>;
constexpr const char* kChapter = "IDM_WIEDERGABE_STREAMS_CHAPTER";
constexpr const char* kAudio = "IDM_WIEDERGABE_STREAMS_AUDIO";
constexpr const char* kSubtitle = "IDM_WIEDERGABE_STREAMS_SUBTITLE";
constexpr const char* kAngle = "IDM_WIEDERGABE_STREAMS_ANGLE";

std::string Media(const std::string& name) {
    return VELVARO_TEST_MEDIA "/" + name;
}

// Closing a film keeps its resume position: in a registry of the test's own.
class StreamMenusTest : public velvaro::test::RegistryTest {
protected:
    void SetUp() override {
        RegistryTest::SetUp();
        ASSERT_EQ(language.LoadResource(IDR_LNG_ENGLISH), 0);
        popups.RegisterStandardPopups(bar.get(), context.get());
    }
    void TearDown() override {
        session.CloseEngine();
        RegistryTest::TearDown();
    }

    // The session's engine for the file; a new one closes the one before.
    CFilePlayer* Open(const std::string& path) {
        session.Adopt(
            std::make_unique<CFilePlayer>(QRect(0, 0, 320, 240), nullptr, &owner, path, 0, 0, 0));
        return session.FilePlayer();
    }
    CDvdPlayer* OpenDvd(const char* name) {
        session.Adopt(std::make_unique<CDvdPlayer>(QRect(0, 0, 380, 308), nullptr, &owner,
                                                   Media(name), 0, 0, 0));
        return session.DvdPlayer();
    }
    // Builds the menus until `host` lists `items`: the navigator reports the
    // chapter a moment after the domain, and a choice a moment after it is made.
    bool Shows(const char* host, const List& items) {
        return velvaro::test::RunEventsUntil([&] {
            streams.Build();
            return Items(host) == items;
        });
    }
    static bool WaitForDomain(CMediaPlayer& player, LONG_PTR domain) {
        long code = 0;
        LONG_PTR param1 = 0, param2 = 0;
        return velvaro::test::RunEventsUntil(
            [&] {
                while (player.GetEvent(&code, &param1, &param2) == S_OK) {
                    if (code == EC_DVD_DOMAIN_CHANGE && param1 == domain) {
                        return true;
                    }
                }
                return false;
            },
            10000);
    }

    // A popup's items as text, "*" after a checked one, "(greyed)" after a
    // greyed one, "-" for a separator, "[name: ...]" for a submenu; the
    // context menu must show the same.
    static List Describe(const QMenu* menu) {
        List items;
        for (const QAction* item : menu->actions()) {
            if (item->isSeparator()) {
                items.push_back("-");
                continue;
            }
            std::string text = item->text().toStdString();
            if (const QMenu* popup = item->menu()) {
                text = "[" + text + ":";
                for (const std::string& inner : Describe(popup)) {
                    text += " " + inner;
                }
                text += "]";
            }
            items.push_back(text + (item->isChecked() ? "*" : "") +
                            (item->isEnabled() ? "" : "(greyed)"));
        }
        return items;
    }
    List Items(const char* host) const {
        const QString name = QString::fromLatin1(host);
        List shown = Describe(popups.MenuBarPopup(name));
        EXPECT_EQ(Describe(popups.ContextPopup(name)), shown) << host;
        // The subtitle delay's three items and a separator lead the subtitle
        // popup, whatever the streams.
        if (host == std::string_view(kSubtitle)) {
            const QList<QAction*> items = popups.MenuBarPopup(name)->actions();
            EXPECT_TRUE(items.size() >= 4 && CommandId(items[0]) == IDM_SUBTITLE_DELAY_LATER &&
                        items[3]->isSeparator());
            shown.erase(shown.begin(), shown.begin() + std::min<size_t>(4, shown.size()));
        }
        return shown;
    }
    // Which of Streams, Chapter, Audio, Subtitle and Angle are enabled.
    std::vector<bool> Hosts() const {
        std::vector<bool> enabled;
        for (const char* host : {"IDM_WIEDERGABE_STREAMS", kChapter, kAudio, kSubtitle, kAngle}) {
            const PopupRegistry::Entry* entry = popups.Find(QString::fromLatin1(host));
            const bool shown = entry->inMenuBar.Item()->isEnabled();
            EXPECT_EQ(entry->inContextMenu.Item()->isEnabled(), shown) << host;
            enabled.push_back(shown);
        }
        return enabled;
    }
    // Runs a selection; the layout flag it gives, or "unhandled".
    std::string Choose(int id) {
        bool layout = false;
        if (!streams.Select(id, &layout)) {
            return "unhandled";
        }
        return layout ? "layout" : "no layout";
    }

    CLanguageFile language;
    QWidget owner;
    std::unique_ptr<QMenuBar> bar = LoadMenuBar(IDR_MENU_Framedeck);
    std::unique_ptr<QMenu> context = LoadPopupMenu(IDR_MENU_CONTEXT);
    PopupRegistry popups;
    PlayerSession session;
    MediumStreams& streams = session.Streams();
    StreamMenus menus{popups, session};
};

TEST_F(StreamMenusTest, MatroskaListsTheirSelectionAndTheSubtitlesOff) {
    streams.Reset();
    auto* player = Open(Media("multi.mkv"));
    ASSERT_TRUE(player->HasSplitter());
    streams.Build();
    streams.Build();  // a second build replaces the entries, "Off" stays
    EXPECT_EQ(Hosts(), (std::vector{false, true, true, true, false}));
    EXPECT_EQ(streams.TableCount(), 0);
    EXPECT_EQ(Items(kChapter), (List{"Opening*", "Ending"}));
    EXPECT_EQ(Items(kAudio), (List{"Main (English)*", "Commentary (German)"}));
    // Each choice, the layout flag it gives and the list it leaves.
    const std::tuple<int, const char*, const char*, List> choices[] = {
        {61001, "no layout", kAudio, {"Main (English)", "Commentary (German)*"}},
        {62001, "layout", kSubtitle, {"Off", "-", "English", "German*"}},
        {62001, "no layout", kSubtitle, {"Off", "-", "English", "German*"}},  // already shown
        // "Off" hides the subtitles; again, it brings back the last one.
        {61999, "layout", kSubtitle, {"Off*", "-", "English", "German"}},
        {61999, "layout", kSubtitle, {"Off", "-", "English", "German*"}},
        // Choosing a subtitle while "Off" is checked unchecks it.
        {61999, "layout", kSubtitle, {"Off*", "-", "English", "German"}},
        {62000, "layout", kSubtitle, {"Off", "-", "English*", "German"}}};
    for (const auto& [id, layout, host, items] : choices) {
        EXPECT_EQ(Choose(id), layout) << id;
        EXPECT_EQ(Items(host), items) << id;
    }
    EXPECT_EQ(Choose(60001), "no layout");
    player->WaitForState();
    EXPECT_EQ(player->GetPosition(), 300);
    streams.Refresh();
    EXPECT_EQ(Items(kChapter), (List{"Opening", "Ending*"}));

    // A separate sound track greys the file's own.
    ASSERT_TRUE(player->LoadExternalAudio(Media("audio.wav")));
    streams.Refresh();
    EXPECT_EQ(Items(kAudio), (List{"Main (English)(greyed)", "Commentary (German)(greyed)"}));
    player->RemoveExternalAudio();
    streams.Refresh();
    EXPECT_EQ(Items(kAudio), (List{"Main (English)", "Commentary (German)*"}));

    for (int id : {59999, 61600, 61998, 62600, 63600, 64000}) {
        EXPECT_EQ(Choose(id), "unhandled") << id;
    }
    session.CloseEngine();
    EXPECT_EQ(Choose(61999), "no layout") << "no player, nothing done";
    EXPECT_FALSE(streams.SubtitlesOff());
    streams.Reset();
    EXPECT_EQ(Hosts(), (std::vector{false, false, false, false, false}));
}

// Subtitle files beside the film follow its own subtitle in the menu, as
// choices like its own, whatever the container. (The engine's tests see
// their text drawn.)
TEST_F(StreamMenusTest, SubtitleFilesBesideTheFilmFollowItsOwn) {
    for (const auto& [film, own] : {std::pair<std::string, List>{"dark.mkv", {"English"}},
                                    {"dark.mp4", {}},
                                    {"dark.avi", {}}}) {
        SCOPED_TRACE(film);
        QTemporaryDir folder;
        const std::string extension = film.substr(film.find('.'));
        const std::string path =
            folder.filePath(QString::fromStdString("film" + extension)).toStdString();
        std::filesystem::copy_file(Media(film), path);
        for (const char* name : {"film.srt", "film.de.srt"}) {
            std::ofstream(folder.filePath(QString::fromLatin1(name)).toStdString())
                << "1\n00:00:00,000 --> 00:00:05,900\nHello\n";
        }
        streams.Reset();
        Open(path);
        streams.Build();
        // "Off", the separator, the film's own, then the files with "*"
        // after the one shown.
        const auto listed = [&](const char* off, int shown) {
            List items = {std::string("Off") + off, "-"};
            items.insert(items.end(), own.begin(), own.end());
            items.push_back("film.srt");
            items.push_back("German");
            if (shown >= 0) {
                items[2 + static_cast<size_t>(shown)] += "*";
            }
            return items;
        };
        EXPECT_EQ(Items(kSubtitle), listed("", -1));
        const int first = static_cast<int>(own.size());
        const std::tuple<int, const char*, int> choices[] = {{62000 + first, "", first},
                                                             {61999, "*", -1},
                                                             {61999, "", first},
                                                             {62001 + first, "", first + 1}};
        for (const auto& [id, off, shown] : choices) {
            EXPECT_EQ(Choose(id), "layout") << id;
            EXPECT_EQ(Items(kSubtitle), listed(off, shown)) << id;
        }
        session.CloseEngine();
    }
}

// One stream selector: one submenu named after it, its sub-groups (video,
// sound, subtitles) apart, entries chosen through the table.
TEST_F(StreamMenusTest, OtherContainersShowTheirStreamGroups) {
    // After a medium with separate lists, whose ids the table reuses.
    Open(Media("multi.mkv"));
    streams.Build();
    streams.Reset();
    CFilePlayer* player = Open(Media("multi.mp4"));
    ASSERT_FALSE(player->HasSplitter());
    streams.Build();
    streams.Build();
    EXPECT_EQ(Hosts(), (std::vector{true, false, false, true, false}));
    EXPECT_TRUE(Items(kChapter).empty());
    // The subtitles are where a user looks for them, too.
    EXPECT_EQ(Items(kSubtitle), (List{"Off", "-", "English", "German"}));
    EXPECT_EQ(streams.TableCount(), 5);
    // The entries of the one submenu, after its name.
    const auto entries = [&] {
        const List items = Items("IDM_WIEDERGABE_STREAMS");
        EXPECT_EQ(items.size(), 1u) << "a rebuild leaves one submenu";
        return items.empty() ? std::string() : items.front().substr(items.front().find(':'));
    };
    EXPECT_EQ(entries(), ": Video 1* - English* German - English German]");
    EXPECT_EQ(Choose(60002), "no layout");
    EXPECT_EQ(Choose(60004), "no layout");
    EXPECT_EQ(entries(), ": Video 1* - English German* - English German*]");
    EXPECT_EQ(Items(kSubtitle), (List{"Off", "-", "English", "German*"}));
    // The sound entries go grey under a separate sound track.
    ASSERT_TRUE(player->LoadExternalAudio(Media("audio.wav")));
    streams.Refresh();
    EXPECT_EQ(entries(), ": Video 1* - English(greyed) German(greyed) - English German*]");
    player->RemoveExternalAudio();
    streams.Refresh();
    EXPECT_EQ(entries(), ": Video 1* - English German* - English German*]");
}

TEST_F(StreamMenusTest, DvdListsChaptersLanguagesAndTheAngle) {
    streams.Reset();
    auto* player = OpenDvd("dvd/streams");
    ASSERT_EQ(player->GetRenderStatus(), S_OK);
    ASSERT_TRUE(WaitForDomain(*player, DVD_DOMAIN_Title));
    EXPECT_TRUE(Shows(kChapter, {"001*"}));
    EXPECT_EQ(Hosts(), (std::vector{false, true, true, true, true}));
    EXPECT_EQ(Items(kAudio), (List{"English*", "German"}));
    EXPECT_EQ(Items(kSubtitle).size(), 4u);  // "Off", a separator and the two languages
    EXPECT_EQ(Items(kAngle), (List{"001*"}));

    EXPECT_EQ(Choose(61001), "no layout");
    EXPECT_TRUE(Shows(kAudio, {"English", "German*"}));
    EXPECT_EQ(Choose(62001), "layout");
    EXPECT_TRUE(Shows(kSubtitle, {"Off", "-", "English", "German*"}));
    // "Off" decides the subtitles again when the operations change.
    Choose(61999);
    EXPECT_TRUE(streams.ReapplySubtitles());
    EXPECT_EQ(Items(kSubtitle).front(), "Off*");
}

// The root menu of the disc prohibits chapters, the title menu and more;
// what the prohibitions touch goes grey until the operations change.
TEST_F(StreamMenusTest, ADvdMenuGreysWhatItProhibits) {
    streams.Reset();
    auto* player = OpenDvd("dvd/prohibited");
    ASSERT_EQ(player->GetRenderStatus(), S_OK);
    ASSERT_TRUE(WaitForDomain(*player, DVD_DOMAIN_VideoTitleSetMenu));
    ASSERT_EQ(player->Play(), S_OK);
    player->SetDestinationPosition(0, 0, 720, 576);
    ASSERT_TRUE(velvaro::test::RunEventsUntil([&] {
        return player->GetButtonAtPosition({360, 180}) == 1;
    }));
    ASSERT_EQ(player->GetCurrentUOPs() & (UOP_FLAG_Play_Chapter | UOP_FLAG_Select_Audio_Stream |
                                          UOP_FLAG_Select_SubPic_Stream | UOP_FLAG_Select_Angle),
              UOP_FLAG_Play_Chapter);
    streams.Build();
    EXPECT_EQ(Hosts(), (std::vector{false, false, true, true, true}));
    EXPECT_TRUE(Items(kChapter).empty());

    // In title 1 chapters may be chosen again.
    EXPECT_EQ(player->ActivateButton(), S_OK);
    ASSERT_TRUE(WaitForDomain(*player, DVD_DOMAIN_Title));
    EXPECT_TRUE(Shows(kChapter, {"001*", "002", "003"}));
    EXPECT_TRUE(Hosts()[STREAM_CHAPTERS]);
    // The title has no subpictures: "Off" goes grey, until the next medium.
    EXPECT_FALSE(streams.ReapplySubtitles());
    EXPECT_EQ(Items(kSubtitle).front(), "Off(greyed)");
    streams.Reset();
    EXPECT_EQ(Items(kSubtitle).front(), "Off");
}

}  // namespace
