// The runtime playlist: its reverse list, the current item and the wrap
// around in both directions.
#include "ui/core/RuntimePlaylist.h"

#include <gtest/gtest.h>

namespace {

TEST(RuntimePlaylistTest, ItemsComeFromTheBackOfAReverseListAndStepsWrapAround) {
    RuntimePlaylist playlist;
    playlist.Add("a.mkv", "");
    playlist.Add("b.mkv", "b.mp3");
    playlist.Add("c.mkv", "");
    EXPECT_EQ(playlist.Strings(),
              (std::deque<std::string>{"", "c.mkv", "b.mp3", "b.mkv", "", "a.mkv"}));
    EXPECT_EQ(playlist.At(1), (RuntimePlaylist::Item{"a.mkv", ""}));
    EXPECT_EQ(playlist.At(2), (RuntimePlaylist::Item{"b.mkv", "b.mp3"}));
    EXPECT_EQ(playlist.At(4), RuntimePlaylist::Item{});
    EXPECT_EQ(playlist.At(0), RuntimePlaylist::Item{});
    EXPECT_FALSE(playlist.Active());
    for (const auto& [number, wrapped] : {std::pair{0, 3}, {-5, 3}, {1, 1}, {3, 3}, {4, 1}}) {
        EXPECT_EQ(playlist.Wrap(number), wrapped) << number;
    }
    playlist.SetCurrent(3);
    EXPECT_EQ(playlist.Next(), 1);
    EXPECT_EQ(playlist.Previous(), 2);
    playlist.SetCurrent(1);
    EXPECT_EQ(playlist.Previous(), 3);

    playlist.SetFileName("/lists/a.vpp");
    playlist.End();
    EXPECT_FALSE(playlist.Active());
    EXPECT_EQ(playlist.Items(), 0);
    EXPECT_TRUE(playlist.FileName().empty());
}

}  // namespace
