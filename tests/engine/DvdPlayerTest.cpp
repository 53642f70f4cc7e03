// The DVD engine on the generated test discs: opening the forms of a disc,
// damaged discs failing in the check process, and a walk through the menu
// disc's buttons, menus, chapters and time codes. Titles are 6 s long and the
// reader runs ahead of the picture, so each step acts early in a title.
#include "PlayerFixture.h"
#include "engine/CDvdPlayer.h"

#include <filesystem>

namespace {

using velvaro::test::Media;
using velvaro::test::RunEventsUntil;
using velvaro::test::WideMedia;

// The player, and what its navigator says is shown: title and chapter.
class ShownDvdPlayer : public CDvdPlayer {
public:
    using CDvdPlayer::CDvdPlayer;
    std::pair<ULONG, ULONG> Shown() {
        DVD_PLAYBACK_LOCATION2 location;
        QueryInterface<IDvdInfo2>(graph)->GetCurrentLocation(&location);
        return {location.TitleNum, location.ChapterNum};
    }
    // How much of the band of rows [top, bottom) of the picture shown is
    // white text, in per mille.
    int WhiteIn(int top, int bottom) {
        long size = 0;
        if (FAILED(basicVideo->GetCurrentImage(&size, nullptr)) || size <= 40) {
            return -1;
        }
        std::vector<std::uint8_t> image(static_cast<size_t>(size));
        if (FAILED(basicVideo->GetCurrentImage(&size, reinterpret_cast<long*>(image.data())))) {
            return -1;
        }
        const int width = 720, height = 576, stride = (width * 3 + 3) & ~3;
        int white = 0;
        for (int row = top; row < bottom; ++row) {
            const std::uint8_t* pixel = image.data() + 40 + (height - 1 - row) * stride;
            for (int x = 0; x < width; ++x, pixel += 3) {
                white += pixel[0] > 230 && pixel[1] > 230 && pixel[2] > 230;
            }
        }
        return white * 1000 / (width * (bottom - top));
    }
    bool SubpicturesHidden() {
        ULONG available = 0, current = 0;
        BOOL disabled = 0;
        QueryInterface<IDvdInfo2>(graph)->GetCurrentSubpicture(&available, &current, &disabled);
        return disabled != 0;
    }
};

class DvdPlayerTest : public velvaro::test::PlayerTest {
protected:
    std::unique_ptr<ShownDvdPlayer> OpenDvd(const std::string& name) {
        return std::make_unique<ShownDvdPlayer>(QRect(10, 20, 380, 308), nullptr, &language, &owner,
                                                WideMedia(name), Media(name), 0, 0, 0);
    }

    // Drains the graph events until the domain becomes `domain`.
    static bool WaitForDomain(CMediaPlayer& player, LONG_PTR domain) {
        return RunEventsUntil(
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
};

TEST_F(DvdPlayerTest, OpensTheFolderTheFolderAboveItAndTheImage) {
    const std::pair<const char*, const char*> cases[] = {
        {"dvd/menu/VIDEO_TS", "dvd/menu/VIDEO_TS"},
        {"dvd/menu", "dvd/menu/VIDEO_TS"},
        {"dvd/menu.iso", "dvd/menu.iso"},
    };
    for (const auto& [path, opened] : cases) {
        auto player = OpenDvd(path);
        EXPECT_EQ(std::tuple(player->GetRenderStatus(), player->GetFileName(), player->HasVideo()),
                  std::tuple(S_OK, Media(opened), S_OK))
            << path;
        int width = 0, height = 0;
        player->GetVideoSize(&width, &height);
        EXPECT_EQ(std::pair(width, height), std::pair(720, 540)) << path;
        // A 4:3 PAL disc.
        long x = 0, y = 0, sourceX = 0, sourceY = 0;
        EXPECT_EQ(player->GetPreferredAspectRatio(&x, &y), S_OK);
        EXPECT_EQ(player->GetNativeVideoSize(&sourceX, &sourceY), S_OK);
        EXPECT_EQ(std::tuple(x, y, sourceX, sourceY), std::tuple(4, 3, 720, 576)) << path;
    }
}

TEST_F(DvdPlayerTest, DamagedDiscsFailInTheCheckWithoutTakingThePlayerDown) {
    for (const char* disc : {"dvd/damaged", "dvd/no-title-set", "dvd/cut-title-table"}) {
        const auto log = velvaro::test::EngineWarnings();
        auto player = OpenDvd(disc);
        EXPECT_NE(player->GetRenderStatus(), S_OK) << disc;
        EXPECT_EQ(log.Count(), 1) << disc;
    }
}

TEST_F(DvdPlayerTest, WalksTheMenuDiscByButtonsMenusChaptersAndTime) {
    auto player = OpenDvd("dvd/menu");
    ASSERT_EQ(player->GetRenderStatus(), S_OK);
    // The picture (720x576) drawn at half size from (10, 10) in the window.
    player->SetDestinationPosition(10, 10, 360, 288);
    const auto window = [](int x, int y) { return QPoint(10 + x / 2, 10 + y / 2); };
    ASSERT_TRUE(WaitForDomain(*player, DVD_DOMAIN_VideoTitleSetMenu));
    ASSERT_EQ(player->Play(), S_OK);

    // On button 3 once the buttons are there, outside them, and no way up
    // from the root menu.
    EXPECT_TRUE(RunEventsUntil([&] { return player->GetButtonAtPosition(window(360, 400)) == 3; }));
    EXPECT_TRUE(player->NoButtonAtPosition(window(20, 20)));
    EXPECT_EQ(player->ReturnFromSubmenu(), VFW_E_DVD_OPERATION_INHIBITED);
    // A menu has no length and no seeks.
    EXPECT_EQ(std::pair(player->GetDuration(), player->SetPosition(100)),
              std::pair(0, VFW_E_DVD_INVALIDDOMAIN));

    // Button 3 down to 1 (wrapping) and down to 2: title 2.
    EXPECT_EQ(player->SelectRelativeButton(DVD_Relative_Lower), S_OK);
    EXPECT_EQ(player->SelectRelativeButton(DVD_Relative_Lower), S_OK);
    EXPECT_EQ(player->ActivateButton(), S_OK);
    ASSERT_TRUE(WaitForDomain(*player, DVD_DOMAIN_Title));
    EXPECT_TRUE(RunEventsUntil([&] { return player->Shown() == std::pair(2u, 1u); }));

    // To the root menu and back into the title.
    EXPECT_EQ(player->ShowMenu(DVD_MENU_Root), S_OK);
    ASSERT_TRUE(WaitForDomain(*player, DVD_DOMAIN_VideoTitleSetMenu));
    EXPECT_EQ(player->Resume(), S_OK);
    ASSERT_TRUE(WaitForDomain(*player, DVD_DOMAIN_Title));

    // A click on button 1: title 1, chapters at 0, 2 and 4 s, 6 s in all.
    EXPECT_EQ(player->ShowMenu(DVD_MENU_Root), S_OK);
    ASSERT_TRUE(WaitForDomain(*player, DVD_DOMAIN_VideoTitleSetMenu));
    EXPECT_TRUE(RunEventsUntil([&] { return player->GetButtonAtPosition(window(360, 180)) == 1; }));
    EXPECT_EQ(player->ActivateAtPosition(window(360, 180)), S_OK);
    ASSERT_TRUE(WaitForDomain(*player, DVD_DOMAIN_Title));
    EXPECT_TRUE(RunEventsUntil([&] { return player->Shown() == std::pair(1u, 1u); }));
    EXPECT_EQ(player->GetDuration(), 600);
    // The next chapter after the one shown, then back to 1 s by time.
    const ULONG shown = player->Shown().second;
    EXPECT_EQ(player->PlayNextChapter(), S_OK);
    EXPECT_TRUE(RunEventsUntil([&] {
        return player->Shown().second == shown + 1 &&
               player->GetPosition() >= 200 * static_cast<int>(shown);
    })) << player->Shown().second;
    EXPECT_EQ(player->SetPosition(100), S_OK);
    const auto position = [&] { return player->GetPosition(); };
    EXPECT_TRUE(RunEventsUntil([&] { return position() >= 100 && position() < 200; }));
    EXPECT_NEAR(static_cast<double>(player->GetCurrentFrame()), position() / 4.0, 25.0);
    // Twice as fast: 2 s of the title in 1.5 s.
    const int before = position();
    EXPECT_EQ(player->SetRate(2.0), S_OK);
    EXPECT_EQ(player->GetRate(), 2.0);
    EXPECT_TRUE(RunEventsUntil([&] { return position() >= before + 200; }, 1500));
}

TEST_F(DvdPlayerTest, NamesTheAudioAndSubpictureStreamsAndSwitchesTheSound) {
    auto player = OpenDvd("dvd/streams");
    ASSERT_EQ(player->GetRenderStatus(), S_OK);
    ASSERT_TRUE(WaitForDomain(*player, DVD_DOMAIN_Title));
    const auto stream = [&](int index, int kind) {
        int current = -1;
        std::string name;
        const HRESULT read = player->GetStreamName(index, nullptr, &current, &kind, &name, nullptr);
        return std::tuple(read, name, current);
    };
    for (int kind : {STREAM_AUDIO, STREAM_SUBTITLES}) {
        EXPECT_EQ(player->GetStreamCount(kind), 2) << kind;
        EXPECT_EQ(std::get<1>(stream(0, kind)), "English") << kind;
        EXPECT_EQ(std::get<1>(stream(1, kind)), "German") << kind;
        EXPECT_EQ(std::get<0>(stream(2, kind)), E_FAIL) << kind;
    }
    EXPECT_EQ(stream(0, STREAM_CHAPTERS), std::tuple(S_OK, "001", 1));
    // Subpictures start hidden; showing them leaves the navigator's choice.
    EXPECT_TRUE(player->SubpicturesHidden());
    EXPECT_EQ(player->SelectStream(-2, STREAM_SUBTITLES), S_OK);
    EXPECT_FALSE(player->SubpicturesHidden());
    EXPECT_EQ(player->SelectStream(1, STREAM_AUDIO), S_OK);
    EXPECT_EQ(std::pair(std::get<2>(stream(0, STREAM_AUDIO)), std::get<2>(stream(1, STREAM_AUDIO))),
              std::pair(0, 1));
}

TEST_F(DvdPlayerTest, SwitchesTheSubpictureStreamAndHidesIt) {
    auto player = OpenDvd("dvd/streams");
    ASSERT_EQ(player->GetRenderStatus(), S_OK);
    ASSERT_TRUE(WaitForDomain(*player, DVD_DOMAIN_Title));
    ASSERT_EQ(player->Play(), S_OK);
    const auto current = [&](int index) {
        int kind = STREAM_SUBTITLES, flag = -1;
        std::string name;
        player->GetStreamName(index, nullptr, &flag, &kind, &name, nullptr);
        return flag;
    };
    // "Deutsch" in the top band, "English" in the bottom one.
    const auto top = [&] { return player->WhiteIn(20, 120); };
    const auto bottom = [&] { return player->WhiteIn(456, 556); };
    EXPECT_EQ(player->SelectStream(1, STREAM_SUBTITLES), S_OK);
    EXPECT_EQ(std::pair(current(0), current(1)), std::pair(0, 1));
    EXPECT_FALSE(player->SubpicturesHidden());
    EXPECT_TRUE(RunEventsUntil([&] { return top() > 5; }, 3000)) << top();
    EXPECT_EQ(player->SelectStream(0, STREAM_SUBTITLES), S_OK);
    EXPECT_EQ(std::pair(current(0), current(1)), std::pair(1, 0));
    EXPECT_TRUE(RunEventsUntil([&] { return bottom() > 5; }, 3000)) << bottom();
    EXPECT_EQ(player->SelectStream(-1, STREAM_SUBTITLES), S_OK);
    EXPECT_TRUE(player->SubpicturesHidden());
    // The unit shown runs out; no new one is drawn.
    EXPECT_TRUE(RunEventsUntil([&] { return top() <= 5 && bottom() <= 5; }, 3000)) << bottom();
    EXPECT_EQ(player->SelectStream(2, STREAM_SUBTITLES), E_INVALIDARG);
    EXPECT_EQ(player->SelectStream(1, STREAM_CHAPTERS), E_INVALIDARG);
}

TEST_F(DvdPlayerTest, PlaysAChapterByNumberInATitleOnly) {
    auto player = OpenDvd("dvd/menu");
    ASSERT_EQ(player->GetRenderStatus(), S_OK);
    ASSERT_TRUE(WaitForDomain(*player, DVD_DOMAIN_VideoTitleSetMenu));
    ASSERT_EQ(player->Play(), S_OK);
    EXPECT_EQ(player->SelectStream(2, STREAM_CHAPTERS), VFW_E_DVD_INVALIDDOMAIN);
    player->SetDestinationPosition(0, 0, 720, 576);
    EXPECT_TRUE(RunEventsUntil([&] { return player->GetButtonAtPosition({360, 180}) == 1; }));
    EXPECT_EQ(player->ActivateButton(), S_OK);
    ASSERT_TRUE(WaitForDomain(*player, DVD_DOMAIN_Title));
    EXPECT_TRUE(RunEventsUntil([&] { return player->Shown() == std::pair(1u, 1u); }));
    EXPECT_EQ(player->SelectStream(3, STREAM_CHAPTERS), E_INVALIDARG);
    EXPECT_EQ(player->SelectStream(2, STREAM_CHAPTERS), S_OK);
    EXPECT_TRUE(RunEventsUntil([&] { return player->Shown() == std::pair(1u, 3u); }))
        << player->Shown().second;
}

TEST_F(DvdPlayerTest, OpeningAndClosingTheMenuDiscLeavesNoThreadsOrFilesBehind) {
    const auto entries = [](const char* folder) {
        const std::filesystem::directory_iterator listing(folder);
        return std::distance(begin(listing), end(listing));
    };
    long threads = 0, files = 0;
    for (int i = 0; i < 30; ++i) {
        {
            auto player = OpenDvd("dvd/menu");
            ASSERT_EQ(player->GetRenderStatus(), S_OK);
            ASSERT_EQ(player->Play(), S_OK);
            ASSERT_TRUE(WaitForDomain(*player, DVD_DOMAIN_VideoTitleSetMenu));
        }
        if (i == 0) {
            threads = entries("/proc/self/task");
            files = entries("/proc/self/fd");
        }
    }
    EXPECT_EQ(entries("/proc/self/fd"), files);
    // GStreamer's thread pool may keep a thread or two for later.
    EXPECT_LE(entries("/proc/self/task"), threads + 2);
}

}  // namespace
