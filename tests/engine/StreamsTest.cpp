// Streams and chapters through the Matroska splitter and the stream selector
// of other containers; a separate sound track in place of the film's own.
#include "PlayerFixture.h"

namespace {

using velvaro::test::Media;
using StreamsTest = velvaro::test::PlayerTest;

TEST_F(StreamsTest, SplitterSwitchesSoundsSubtitlesAndChaptersKeepingThePlace) {
    auto player = Open("multi.mkv");
    ASSERT_TRUE(player->HasSplitter());
    EXPECT_EQ(Streams(*player, STREAM_AUDIO), (List{"Main (English):1", "Commentary (German):0"}));
    EXPECT_EQ(Streams(*player, STREAM_SUBTITLES), (List{"English:0", "German:0"}));
    EXPECT_EQ(player->GetStreamCount(STREAM_ANGLES), 0);

    Seek(*player, 200);
    EXPECT_EQ(player->SelectStream(1, STREAM_AUDIO), S_OK);
    EXPECT_EQ(Streams(*player, STREAM_AUDIO), (List{"Main (English):0", "Commentary (German):1"}));
    EXPECT_NEAR(player->GetPosition(), 200, 2);
    EXPECT_EQ(std::tuple(player->HasAudio(), SettledState(*player)),
              std::tuple(S_OK, State_Stopped));
    EXPECT_EQ(player->SelectStream(5, STREAM_AUDIO), E_FAIL);

    // Subtitles off and back on with the last one; -2 with nothing shown
    // yet brings the first one.
    for (const auto& [select, shown] : {std::pair{-2, List{"English:1", "German:0"}},
                                        {1, List{"English:0", "German:1"}},
                                        {-1, List{"English:0", "German:0"}},
                                        {-2, List{"English:0", "German:1"}}}) {
        EXPECT_EQ(player->SelectStream(select, STREAM_SUBTITLES), S_OK);
        EXPECT_EQ(Streams(*player, STREAM_SUBTITLES), shown) << select;
    }
    EXPECT_EQ(Streams(*player, STREAM_AUDIO)[1], "Commentary (German):1")
        << "the sound stays, also after a wrong choice";

    // Chapters come from the table of contents; the current one has begun last.
    EXPECT_EQ(Streams(*player, STREAM_CHAPTERS), (List{"Opening:1", "Ending:0"}));
    player->SelectStream(1, STREAM_CHAPTERS);
    player->WaitForState();
    EXPECT_EQ(player->GetPosition(), 300);
    EXPECT_EQ(Streams(*player, STREAM_CHAPTERS), (List{"Opening:0", "Ending:1"}));
    int kind = STREAM_CHAPTERS;
    std::string untouched = "unchanged";
    EXPECT_EQ(player->GetStreamName(2, nullptr, nullptr, &kind, &untouched, nullptr), E_FAIL);
    EXPECT_EQ(untouched, "unchanged");
}

// Video, two sounds and two subtitles, grouped by kind; a file of one
// stream has its selector too, with nothing to choose.
TEST_F(StreamsTest, OtherContainersOfferOneStreamSelector) {
    auto player = Open("multi.mp4");
    ASSERT_FALSE(player->HasSplitter());
    ASSERT_EQ(player->GetStreamCount(0), 1);
    std::string selectorName;
    int kind = 0;
    EXPECT_EQ(player->GetStreamName(1, nullptr, nullptr, &kind, &selectorName, nullptr), S_OK);
    EXPECT_FALSE(selectorName.empty());
    EXPECT_EQ(Streams(*player, 1, true), (List{"0:1", "1:1", "1:0", "2:0", "2:0"}));
    player->SelectStream(2, 1);
    player->SelectStream(4, 1);
    EXPECT_EQ(Streams(*player, 1, true), (List{"0:1", "1:0", "1:1", "2:0", "2:1"}));
    EXPECT_EQ(player->SelectStream(0, 2), E_FAIL) << "there is no second selector";
    int outOfRange = 1;
    EXPECT_EQ(player->GetStreamName(5, nullptr, nullptr, &outOfRange, nullptr, nullptr), E_FAIL);

    player.reset();  // selectors are numbered among the live ones
    auto sound = Open("audio.wav");
    // Only one selector exists.
    EXPECT_EQ(
        (std::vector{sound->GetStreamCount(0), sound->GetStreamCount(1), sound->GetStreamCount(2)}),
        (std::vector{1, 1, 0}));
    EXPECT_EQ(sound->SelectStream(0, 1), S_OK);
    EXPECT_EQ(sound->HasAudio(), S_OK);
}

// Only a film with a picture takes a separate track, and only one without a
// picture of its own. A seek moves picture and sound together and playback
// goes on; the film's own sound, as chosen, comes back after a track; closing
// with the track playing leaves nothing behind.
TEST_F(StreamsTest, ASilentFilmGetsItsCompanionSoundAndAFilmsOwnComesBackAfterIt) {
    const auto log = velvaro::test::EngineWarnings();  // not-media.avi is no track at all
    EXPECT_FALSE(Open("audio.mp3")->LoadExternalAudio(Media("audio.wav")));
    auto player = Open("multi.mkv");
    player->SelectStream(1, STREAM_AUDIO);
    ASSERT_TRUE(player->LoadExternalAudio(Media("audio.wav")));
    player->RemoveExternalAudio();
    EXPECT_EQ(player->HasAudio(), S_OK);
    EXPECT_EQ(Streams(*player, STREAM_AUDIO), (List{"Main (English):0", "Commentary (German):1"}));

    player = Open("companion/film.mp4");
    EXPECT_FALSE(player->HasAudio() == S_OK || player->LoadExternalAudio(Media("video-only.mkv")) ||
                 player->LoadExternalAudio(Media("not-media.avi")) || player->HasExternalAudio());
    ASSERT_TRUE(player->LoadExternalAudio(Media("companion/film.wav")));
    EXPECT_TRUE(player->HasExternalAudio() && player->HasAudio() == S_OK);
    Seek(*player, 300);
    EXPECT_NEAR(player->GetPosition(), 300, 2);
    player->Play();
    EXPECT_TRUE(velvaro::test::RunEventsUntil([&] { return player->GetPosition() >= 400; }));
    player->RemoveExternalAudio();
    EXPECT_FALSE(player->HasExternalAudio() || player->HasAudio() == S_OK);

    ASSERT_TRUE(player->LoadExternalAudio(Media("companion/film.wav")));
    player->Play();
    velvaro::test::RunEventsFor(300);
    const std::weak_ptr<velvaro::engine::VideoOutput> output = player->GetVideoOutput();
    ASSERT_FALSE(output.expired());
    player.reset();
    EXPECT_TRUE(output.expired());
}

}  // namespace
