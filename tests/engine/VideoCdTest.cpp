// A Video CD's track as its disc shows it, MPEGAV/AVSEQ01.DAT: a RIFF "CDXA"
// file of raw Mode 2 sectors, opened by the file engine like any film.
#include "PlayerFixture.h"

namespace {

using VideoCdTest = velvaro::test::PlayerTest;

TEST_F(VideoCdTest, OpensTheTrackFileWithItsPictureSoundAndLength) {
    auto player = Open("vcd/MPEGAV/AVSEQ01.DAT");
    ASSERT_EQ(player->GetOpenResult(), S_OK) << player->GetErrorText();
    int width = 0, height = 0;
    player->GetVideoSize(&width, &height);
    EXPECT_EQ(std::tuple(player->HasVideo(), player->HasAudio(), width, height),
              std::tuple(S_OK, S_OK, 352, 288));
    EXPECT_NEAR(player->GetDuration(), 245, 10);
    EXPECT_EQ(SettledState(*player), State_Stopped);
}

// The sector headers between the packs do not stop the demuxer: the track
// plays from its start to its end without an error.
TEST_F(VideoCdTest, PlaysTheTrackToItsEnd) {
    auto player = Open("vcd/MPEGAV/AVSEQ01.DAT");
    ASSERT_EQ(player->GetOpenResult(), S_OK) << player->GetErrorText();
    player->Play();
    EXPECT_EQ(SettledState(*player), State_Running);
    ASSERT_TRUE(
        velvaro::test::RunEventsUntil([&] { return owner.Count(WM_GRAPH_EVENT) > 0; }, 9000));
    long event = 0;
    LONG_PTR param = 0;
    ASSERT_EQ(player->GetEvent(&event, &param, &param), S_OK);
    EXPECT_EQ(event, EC_COMPLETE);
    EXPECT_EQ(player->GetErrorText(), "");
    EXPECT_GE(player->GetPosition(), player->GetDuration());
}

}  // namespace
