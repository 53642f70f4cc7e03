// A playlist file named on the command line plays through, passing over what
// is missing, and "close" quits after its last item.
#include "ProgramFixture.h"

namespace velvaro::test {
namespace {

using PlaylistProgramTest = WholeProgramTest;

TEST_F(PlaylistProgramTest, PlaysEveryItemThatOpensAndQuitsAfterTheLast) {
    SetUpRegistry({{"SingleInstanceMode", 1}});
    const std::string list = folder_ / "list.vpp";
    std::ofstream(list, std::ios::binary)
        << "<velvaro build=\"1.2.0.3\">\r\r\n<playlist>\r\r\n"
        << "<media audio=\"\">" << kMedia << "video-only.mkv</media>\r\r\n"
        << "<media audio=\"\">gone.mkv</media>\r\r\n"
        << "<media audio=\"\">" << kMedia << "audio.mp3</media>\r\r\n"
        << "</playlist>\r\r\n</velvaro>\r\r\n";
    auto player = Start({list, "/close"});
    ASSERT_TRUE(WaitForTitles({"Velvaro - video-only.mkv - PLAY"}));
    ASSERT_TRUE(WaitForTitles({"Velvaro - audio.mp3 - PLAY"}));
    ASSERT_TRUE(player->WaitForExit(20000)) << "the player did not quit after the playlist";
    EXPECT_EQ(player->exitCode(), 0);
}

}  // namespace
}  // namespace velvaro::test
