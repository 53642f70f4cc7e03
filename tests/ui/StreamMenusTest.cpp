// The stream menus of both menus on real media: the separate lists of the
// Matroska splitter, the stream groups of another container and the lists
// of a DVD, their selection rules, and what a DVD's prohibitions grey.
#include "EventLoop.h"
#include "engine/CDvdPlayer.h"
#include "engine/CFilePlayer.h"
#include "engine/VideoWidget.h"
#include "i18n/CLanguageFile.h"
#include "i18n/ui/MenuBuilder.h"
#include "i18n/ui/MenuCommands.h"
#include "i18n/ui/PopupRegistry.h"
#include "platform/PlayerMessages.h"
#include "resource.h"
#include "ui/StreamMenus.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QWidget>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>

namespace {

using List = std::vector<std::string>;

std::string Media(const std::string& name) {
    return VELVARO_TEST_MEDIA "/" + name;
}
std::wstring WideMedia(const std::string& name) {
    return QString::fromStdString(Media(name)).toStdWString();
}

class StreamMenusTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(language.LoadResource(IDR_LNG_ENGLISH), 0);
        popups.RegisterStandardPopups(bar.get(), context.get());
    }

    std::unique_ptr<CFilePlayer> OpenFile(const std::string& name) {
        return std::make_unique<CFilePlayer>(QRect(0, 0, 320, 240), nullptr, &language, &owner,
                                             WideMedia(name), Media(name), 0, 0, 0);
    }
    std::unique_ptr<CDvdPlayer> OpenDvd(const std::string& name) {
        return std::make_unique<CDvdPlayer>(QRect(0, 0, 380, 308), nullptr, &language, &owner,
                                            WideMedia(name), Media(name), 0, 0, 0);
    }
    // The commands the forbidden operations grey.
    static std::vector<int> Greyed(ULONG forbidden) {
        std::vector<int> ids;
        for (const auto& [id, on] : StatesForForbiddenOperations(forbidden).commands) {
            if (!on) {
                ids.push_back(id);
            }
        }
        return ids;
    }
    static bool WaitForDomain(CMediaPlayer& player, LONG_PTR domain) {
        return velvaro::test::RunEventsUntil(
            [&] {
                long code = 0;
                LONG_PTR param1 = 0, param2 = 0;
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
        const List shown = Describe(popups.MenuBarPopup(name));
        EXPECT_EQ(Describe(popups.ContextPopup(name)), shown) << host;
        return shown;
    }
    // Which of Streams, Chapter, Audio, Subtitle and Angle are enabled.
    std::vector<bool> Hosts() const {
        std::vector<bool> enabled;
        for (const char* host : {"IDM_WIEDERGABE_STREAMS", "IDM_WIEDERGABE_STREAMS_CHAPTER",
                                 "IDM_WIEDERGABE_STREAMS_AUDIO", "IDM_WIEDERGABE_STREAMS_SUBTITLE",
                                 "IDM_WIEDERGABE_STREAMS_ANGLE"}) {
            const PopupRegistry::Entry* entry = popups.Find(QString::fromLatin1(host));
            const bool shown = entry->inMenuBar.Item()->isEnabled();
            EXPECT_EQ(entry->inContextMenu.Item()->isEnabled(), shown) << host;
            enabled.push_back(shown);
        }
        return enabled;
    }
    // Runs a selection; the layout flag it gives, or "unhandled".
    std::string Choose(CMediaPlayer* player, int id) {
        bool layout = false;
        if (!menus.Select(player, id, &layout)) {
            return "unhandled";
        }
        return layout ? "layout" : "no layout";
    }

    CLanguageFile language;
    QWidget owner;
    std::unique_ptr<QMenuBar> bar = LoadMenuBar(IDR_MENU_Framedeck);
    std::unique_ptr<QMenu> context = LoadPopupMenu(IDR_MENU_CONTEXT);
    PopupRegistry popups;
    StreamMenus menus{popups};
};

TEST_F(StreamMenusTest, MatroskaListsTheirSelectionAndTheSubtitlesOff) {
    menus.Reset();
    auto player = OpenFile("multi.mkv");
    ASSERT_TRUE(player->HasSplitter());
    menus.Build(player.get());
    EXPECT_EQ(Hosts(), (std::vector{false, true, true, true, false}));
    EXPECT_EQ(menus.TableCount(), 0);
    EXPECT_EQ(Items("IDM_WIEDERGABE_STREAMS_CHAPTER"), (List{"Opening*", "Ending"}));
    EXPECT_EQ(Items("IDM_WIEDERGABE_STREAMS_AUDIO"),
              (List{"Main (English)*", "Commentary (German)"}));
    EXPECT_EQ(Items("IDM_WIEDERGABE_STREAMS_SUBTITLE"), (List{"Off", "-", "English", "German"}));
    EXPECT_TRUE(Items("IDM_WIEDERGABE_STREAMS_ANGLE").empty());
    // A second build replaces the entries, "Off" stays.
    menus.Build(player.get());
    EXPECT_EQ(Items("IDM_WIEDERGABE_STREAMS_SUBTITLE"), (List{"Off", "-", "English", "German"}));

    EXPECT_EQ(Choose(player.get(), 61001), "no layout");
    EXPECT_EQ(Items("IDM_WIEDERGABE_STREAMS_AUDIO"),
              (List{"Main (English)", "Commentary (German)*"}));
    EXPECT_EQ(Choose(player.get(), 62001), "layout");
    EXPECT_EQ(Items("IDM_WIEDERGABE_STREAMS_SUBTITLE"), (List{"Off", "-", "English", "German*"}));
    EXPECT_EQ(Choose(player.get(), 62001), "no layout") << "already shown";

    // "Off" hides the subtitles; again, it brings back the last one.
    EXPECT_EQ(Choose(player.get(), 61999), "layout");
    EXPECT_TRUE(menus.SubtitlesOff());
    EXPECT_EQ(Items("IDM_WIEDERGABE_STREAMS_SUBTITLE"), (List{"Off*", "-", "English", "German"}));
    EXPECT_EQ(Choose(player.get(), 61999), "layout");
    EXPECT_FALSE(menus.SubtitlesOff());
    EXPECT_EQ(Items("IDM_WIEDERGABE_STREAMS_SUBTITLE"), (List{"Off", "-", "English", "German*"}));
    // Choosing a subtitle while "Off" is checked unchecks it.
    Choose(player.get(), 61999);
    EXPECT_EQ(Choose(player.get(), 62000), "layout");
    EXPECT_EQ(Items("IDM_WIEDERGABE_STREAMS_SUBTITLE"), (List{"Off", "-", "English*", "German"}));

    EXPECT_EQ(Choose(player.get(), 60001), "no layout");
    player->WaitForState();
    EXPECT_EQ(player->GetPosition(), 300);
    menus.Refresh(player.get());
    EXPECT_EQ(Items("IDM_WIEDERGABE_STREAMS_CHAPTER"), (List{"Opening", "Ending*"}));

    // A separate sound track greys the file's own.
    ASSERT_TRUE(player->LoadExternalAudio(WideMedia("audio.wav")));
    menus.Refresh(player.get());
    EXPECT_EQ(Items("IDM_WIEDERGABE_STREAMS_AUDIO"),
              (List{"Main (English)(greyed)", "Commentary (German)(greyed)"}))
        << "the file's own sound is off";
    player->RemoveExternalAudio();
    menus.Refresh(player.get());
    EXPECT_EQ(Items("IDM_WIEDERGABE_STREAMS_AUDIO"),
              (List{"Main (English)", "Commentary (German)*"}));

    for (int id : {59999, 61600, 61998, 62600, 63600, 64000}) {
        EXPECT_EQ(Choose(player.get(), id), "unhandled") << id;
    }
    EXPECT_EQ(Choose(nullptr, 61999), "no layout") << "no player, nothing done";
    EXPECT_FALSE(menus.SubtitlesOff());

    menus.Reset();
    EXPECT_EQ(Hosts(), (std::vector{false, false, false, false, false}));
}

// Subtitle files beside the film follow its own subtitle in the menu; the
// chosen one is drawn over the black film, "Off" hides it and brings it back.
TEST_F(StreamMenusTest, SubtitleFilesBesideTheFilmFollowItsOwn) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const std::string film = folder.filePath(QStringLiteral("film.mkv")).toStdString();
    std::filesystem::copy_file(Media("dark.mkv"), film);
    for (const auto& [name, text] : {std::pair{"film.srt", "Hello"}, {"film.de.srt", "Hallo"}}) {
        std::ofstream(folder.filePath(QString::fromLatin1(name)).toStdString())
            << "1\n00:00:00,000 --> 00:00:05,900\n"
            << text << "\n";
    }
    menus.Reset();
    auto player =
        std::make_unique<CFilePlayer>(QRect(0, 0, 320, 240), nullptr, &language, &owner,
                                      QString::fromStdString(film).toStdWString(), film, 0, 0, 0);
    menus.Build(player.get());
    EXPECT_EQ(Items("IDM_WIEDERGABE_STREAMS_SUBTITLE"),
              (List{"Off", "-", "English", "film.srt", "German"}));
    player->SetPosition(100);
    player->WaitForState();

    // Bright pixels in the lower half of the black picture are text.
    auto* video = owner.findChild<VideoWidget*>();
    ASSERT_NE(video, nullptr);
    const auto textShown = [video](bool shown) {
        return velvaro::test::RunEventsUntil([&] {
            const QImage picture = video->grab().toImage();
            int bright = 0;
            for (int y = 120; y < 240; ++y) {
                for (int x = 0; x < 320; ++x) {
                    bright += picture.pixelColor(x, y).lightness() > 100;
                }
            }
            return (bright > 10) == shown;
        });
    };
    EXPECT_EQ(Choose(player.get(), 62001), "layout");
    EXPECT_EQ(Items("IDM_WIEDERGABE_STREAMS_SUBTITLE"),
              (List{"Off", "-", "English", "film.srt*", "German"}));
    EXPECT_TRUE(textShown(true));
    EXPECT_EQ(Choose(player.get(), 61999), "layout");
    EXPECT_EQ(Items("IDM_WIEDERGABE_STREAMS_SUBTITLE"),
              (List{"Off*", "-", "English", "film.srt", "German"}));
    EXPECT_TRUE(textShown(false));
    EXPECT_EQ(Choose(player.get(), 61999), "layout");
    EXPECT_EQ(Items("IDM_WIEDERGABE_STREAMS_SUBTITLE"),
              (List{"Off", "-", "English", "film.srt*", "German"}));
    EXPECT_TRUE(textShown(true));
    EXPECT_EQ(Choose(player.get(), 62002), "layout");
    EXPECT_EQ(Items("IDM_WIEDERGABE_STREAMS_SUBTITLE"),
              (List{"Off", "-", "English", "film.srt", "German*"}));
    EXPECT_EQ(Choose(player.get(), 62000), "layout");
    EXPECT_EQ(Items("IDM_WIEDERGABE_STREAMS_SUBTITLE"),
              (List{"Off", "-", "English*", "film.srt", "German"}));
    EXPECT_TRUE(textShown(true)) << "the film's own subtitle";
}

// One stream selector: one submenu named after it, its sub-groups (video,
// sound, subtitles) apart, entries chosen through the table.
TEST_F(StreamMenusTest, OtherContainersShowTheirStreamGroups) {
    // After a medium with separate lists, whose ids the table reuses.
    auto player = OpenFile("multi.mkv");
    menus.Build(player.get());
    player.reset();
    menus.Reset();
    player = OpenFile("multi.mp4");
    ASSERT_FALSE(player->HasSplitter());
    menus.Build(player.get());
    menus.Build(player.get());
    EXPECT_EQ(Hosts(), (std::vector{true, false, false, false, false}));
    EXPECT_TRUE(Items("IDM_WIEDERGABE_STREAMS_CHAPTER").empty());
    EXPECT_EQ(Items("IDM_WIEDERGABE_STREAMS_SUBTITLE"), (List{"Off", "-"}));
    EXPECT_EQ(menus.TableCount(), 5);
    // The entries of the one submenu, after its name.
    const auto entries = [&] {
        const List items = Items("IDM_WIEDERGABE_STREAMS");
        EXPECT_EQ(items.size(), 1u) << "a rebuild leaves one submenu";
        return items.empty() ? std::string() : items.front().substr(items.front().find(':'));
    };
    EXPECT_EQ(entries(), ": Video 1* - English* German - English German]");

    EXPECT_EQ(Choose(player.get(), 60002), "no layout");
    EXPECT_EQ(entries(), ": Video 1* - English German* - English German]");
    EXPECT_EQ(Choose(player.get(), 60004), "no layout");
    EXPECT_EQ(entries(), ": Video 1* - English German* - English German*]");

    // The sound entries go grey under a separate sound track.
    ASSERT_TRUE(player->LoadExternalAudio(WideMedia("audio.wav")));
    menus.Refresh(player.get());
    EXPECT_EQ(entries(), ": Video 1* - English(greyed) German(greyed) - English German*]");
    player->RemoveExternalAudio();
    menus.Refresh(player.get());
    EXPECT_EQ(entries(), ": Video 1* - English German* - English German*]");
}

TEST_F(StreamMenusTest, DvdListsChaptersLanguagesAndTheAngle) {
    menus.Reset();
    auto player = OpenDvd("dvd/streams");
    ASSERT_EQ(player->GetRenderStatus(), S_OK);
    ASSERT_TRUE(WaitForDomain(*player, DVD_DOMAIN_Title));
    // The navigator reports the chapter a moment after the domain.
    EXPECT_TRUE(velvaro::test::RunEventsUntil([&] {
        menus.Build(player.get());
        const List chapters = Items("IDM_WIEDERGABE_STREAMS_CHAPTER");
        return !chapters.empty() && chapters.front() == "001*";
    }));
    EXPECT_EQ(Hosts(), (std::vector{false, true, true, true, true}));
    EXPECT_EQ(Items("IDM_WIEDERGABE_STREAMS_AUDIO"), (List{"English*", "German"}));
    const List subtitles = Items("IDM_WIEDERGABE_STREAMS_SUBTITLE");
    ASSERT_EQ(subtitles.size(), 4u);
    EXPECT_EQ(List(subtitles.begin(), subtitles.begin() + 2), (List{"Off", "-"}));
    EXPECT_EQ(subtitles[2].substr(0, 7), "English");
    EXPECT_EQ(subtitles[3].substr(0, 6), "German");
    EXPECT_EQ(Items("IDM_WIEDERGABE_STREAMS_ANGLE"), (List{"001*"}));

    EXPECT_EQ(Choose(player.get(), 61001), "no layout");
    EXPECT_TRUE(velvaro::test::RunEventsUntil([&] {
        menus.Refresh(player.get());
        return Items("IDM_WIEDERGABE_STREAMS_AUDIO") == List{"English", "German*"};
    }));
    EXPECT_EQ(Choose(player.get(), 62001), "layout");
    EXPECT_TRUE(velvaro::test::RunEventsUntil([&] {
        menus.Refresh(player.get());
        return Items("IDM_WIEDERGABE_STREAMS_SUBTITLE") == List{"Off", "-", "English", "German*"};
    }));
    // "Off" decides the subtitles again when the operations change.
    Choose(player.get(), 61999);
    EXPECT_TRUE(menus.ReapplySubtitles(*player));
    EXPECT_TRUE(Items("IDM_WIEDERGABE_STREAMS_SUBTITLE").front() == "Off*");
}

// The root menu of the disc prohibits chapters, the title menu and more;
// what the prohibitions touch goes grey until the operations change.
TEST_F(StreamMenusTest, ADvdMenuGreysWhatItProhibits) {
    menus.Reset();
    auto player = OpenDvd("dvd/prohibited");
    ASSERT_EQ(player->GetRenderStatus(), S_OK);
    ASSERT_TRUE(WaitForDomain(*player, DVD_DOMAIN_VideoTitleSetMenu));
    ASSERT_EQ(player->Play(), S_OK);
    player->SetDestinationPosition(0, 0, 720, 576);
    ASSERT_TRUE(velvaro::test::RunEventsUntil([&] {
        return player->GetButtonAtPosition({360, 180}) == 1;
    }));
    const ULONG inMenu = player->GetCurrentUOPs();
    ASSERT_EQ(inMenu & (UOP_FLAG_Play_Chapter | UOP_FLAG_Select_Audio_Stream |
                        UOP_FLAG_Select_SubPic_Stream | UOP_FLAG_Select_Angle),
              UOP_FLAG_Play_Chapter);
    menus.Build(player.get());
    EXPECT_EQ(Hosts(), (std::vector{false, false, true, true, true}));
    EXPECT_TRUE(Items("IDM_WIEDERGABE_STREAMS_CHAPTER").empty());

    // In title 1 chapters may be chosen again; the next one may not.
    EXPECT_EQ(player->ActivateButton(), S_OK);
    ASSERT_TRUE(WaitForDomain(*player, DVD_DOMAIN_Title));
    // The navigator reports the chapter a moment after the domain.
    EXPECT_TRUE(velvaro::test::RunEventsUntil([&] {
        menus.Build(player.get());
        return Items("IDM_WIEDERGABE_STREAMS_CHAPTER") == List{"001*", "002", "003"};
    })) << Items("IDM_WIEDERGABE_STREAMS_CHAPTER").size();
    EXPECT_TRUE(Hosts()[STREAM_CHAPTERS]);

    // The title has no subpictures: "Off" goes grey, until the next medium.
    EXPECT_FALSE(menus.ReapplySubtitles(*player));
    EXPECT_EQ(Items("IDM_WIEDERGABE_STREAMS_SUBTITLE").front(), "Off(greyed)");
    menus.Reset();
    EXPECT_EQ(Items("IDM_WIEDERGABE_STREAMS_SUBTITLE").front(), "Off");
}

TEST_F(StreamMenusTest, ForbiddenOperationsGreyTheirCommandsAndButtons) {
    const OperationStates none = StatesForForbiddenOperations(0);
    EXPECT_EQ(none.commands.size(), 15u);
    for (const auto& [id, on] : none.commands) {
        EXPECT_TRUE(on) << id;
    }
    EXPECT_EQ(none.buttons, (std::vector<std::pair<int, int>>{{IDTBB_RESUME, TBSTATE_ENABLED},
                                                              {IDTBB_ROOTMENU, TBSTATE_ENABLED}}));
    EXPECT_TRUE(none.positionBar);

    EXPECT_EQ(Greyed(0x10000 | 0x800),
              (std::vector<int>{IDM_NAVIGATION_RESUME, IDM_NAVIGATION_SHOWROOTMENU}));
    EXPECT_EQ(StatesForForbiddenOperations(0x10000 | 0x800).buttons,
              (std::vector<std::pair<int, int>>{{IDTBB_RESUME, TBSTATE_INDETERMINATE},
                                                {IDTBB_ROOTMENU, TBSTATE_INDETERMINATE}}));
    EXPECT_EQ(Greyed(0x40),
              (std::vector<int>{IDM_NAVIGATION_PLAYPREVIOUSCHAPTER, IDM_NAVIGATION_REPLAYCHAPTER}));
    EXPECT_EQ(Greyed(0x100),
              (std::vector<int>{IDM_PLAYSPEED_PLAYSLOWFORWARDS, IDM_PLAYSPEED_PLAYFASTFORWARDS}));
    EXPECT_EQ(Greyed(0x8000 | 0x200),
              (std::vector<int>{IDM_NAVIGATION_SHOWCHAPTERMENU, IDM_PLAYSPEED_PLAYSLOWBACKWARDS,
                                IDM_PLAYSPEED_PLAYFASTBACKWARDS}));
    EXPECT_TRUE(Greyed(0x20).empty());
    EXPECT_FALSE(StatesForForbiddenOperations(0x20).positionBar);
    EXPECT_TRUE(Greyed(0x100000 | 0x1).empty()) << "stream choices grey the stream menus";
}

}  // namespace
