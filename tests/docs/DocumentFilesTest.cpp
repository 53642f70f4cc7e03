// Playlist and bookmark files on disk: exact bytes, paths relative to the
// document, foreign playlists, and files that are not what they claim.
#include "FileBytes.h"
#include "TestRegistry.h"
#include "docs/BookmarkFile.h"
#include "docs/PlaylistFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <tuple>

namespace fs = std::filesystem;
using namespace velvaro::docs;

namespace {

using namespace velvaro::test;

class DocumentFilesTest : public ::testing::Test {
protected:
    void SetUp() override { fs::create_directories(dir_ / "Lists"); }

    std::string Path(const std::string& name) const { return (dir_ / name).string(); }

    const TestFolder folder_;
    const fs::path dir_ = folder_.path();
};

TEST_F(DocumentFilesTest, PlaylistAndBookmarksRoundTripWithTheExactBytes) {
    const std::string list = Path("Lists/a.vpp");
    const std::string below = Path("lists/sub/b & \"c\" d\xC3\xA9.avi");  // other case
    const std::vector<PlaylistEntry> entries = {
        {below, ""},
        {"/elsewhere/x.avi", Path("Lists/x.mp3")},
        {"d:\\old\\y.avi", ""},
    };
    ASSERT_TRUE(SavePlaylistFile(list, entries, "1.2.0.3"));
    EXPECT_EQ(ReadBytes(list),
              "<velvaro build=\"1.2.0.3\">\r\r\n"
              "<playlist>\r\r\n"
              "<media audio=\"\">sub/b &amp; \"c\" d\xC3\xA9.avi</media>\r\r\n"
              "<media audio=\"x.mp3\">/elsewhere/x.avi</media>\r\r\n"
              "<media audio=\"\">d:\\old\\y.avi</media>\r\r\n"
              "</playlist>\r\r\n"
              "</velvaro>\r\r\n");
    // Relative paths come back under the document's own folder.
    std::vector<PlaylistEntry> expected = entries;
    expected[0].video = Path("Lists/sub/b & \"c\" d\xC3\xA9.avi");
    EXPECT_EQ(LoadPlaylistFile(list), expected);

    const std::string file = Path("Lists/a.vbm");
    const std::vector<Bookmark> bookmarks = {
        {"Start", 0, Path("lists/b.avi"), false},
        {"", 366125, "/other/c.avi", true},
    };
    ASSERT_TRUE(SaveBookmarkFile(file, bookmarks, "1.2.0.3"));
    EXPECT_EQ(ReadBytes(file),
              "<velvaro build=\"1.2.0.3\">\r\r\n"
              "<bookmarklist>\r\r\n"
              "<bookmark time=\"0\" file=\"b.avi\">Start</bookmark>\r\r\n"
              "<bookmark time=\"366125\" file=\"/other/c.avi\" dummy=\"true\"/>\r\r\n"
              "</bookmarklist>\r\r\n"
              "</velvaro>\r\r\n");
    std::vector<Bookmark> marks = bookmarks;
    marks[0].file = Path("Lists/b.avi");
    EXPECT_EQ(LoadBookmarkFile(file), marks);
}

TEST_F(DocumentFilesTest, BookmarkAttributesAreReadLeniently) {
    const std::string file = Path("b.vbm");
    WriteBytes(file,
               "<velvaro><bookmarklist>"
               "<bookmark time='12x' dummy='TRUE' file='f.avi'>a</bookmark>"
               "<bookmark time='abc' dummy='yes'>b</bookmark>"
               "<bookmark>c</bookmark>"
               "<other time='5'>d</other>"
               "</bookmarklist></velvaro>");
    const auto read = LoadBookmarkFile(file);
    ASSERT_TRUE(read);
    const std::vector<Bookmark> expected = {
        {"a", 12, Path("f.avi"), true}, {"b", 0, "", false}, {"c", 0, "", false}};
    EXPECT_EQ(*read, expected);
}

// A document of ours that cannot be read says why; anything else is simply
// not a playlist.
TEST_F(DocumentFilesTest, WhatIsNoDocumentOfOursIsNotLoaded) {
    std::string junk(50u << 20, '\0');
    std::mt19937 random(7);
    for (char& c : junk) {
        c = static_cast<char>(random());
    }
    std::string deep = "<velvaro><playlist>";
    for (int level = 0; level < 50000; ++level) {
        deep += "<media>";
    }
    const std::tuple<const char*, std::string, const char*> files[] = {
        {"empty.vpp", "", ""},
        {"other-root.vpp", "<other><playlist><media>a</media></playlist></other>", ""},
        {"no-list.vpp", "<velvaro build='1'><media>a</media></velvaro>", "it holds no playlist"},
        {"cut.vpp", "<velvaro><playli", "End of tag not found"},
        {"open.vpp", "<velvaro><playlist><media>a</media>",
         "End tag of playlist element not found"},
        {"deep.vpp", deep, "End tag of media element not found"},
        {"junk.vpp", junk, ""},
        {"notes.txt", "/films/a.avi\n/films/b.avi\n", ""},
        // A stream's manifest, master or media, is a medium to play.
        {"stream.m3u8", "#EXTM3U\n#EXT-X-TARGETDURATION:2\n#EXTINF:2.0,\npart-0.ts\n", ""},
        {"master.m3u8", "#EXTM3U\n#EXT-X-STREAM-INF:BANDWIDTH=1000\nlow/index.m3u8\n", ""},
    };
    for (const auto& [name, bytes, why] : files) {
        WriteBytes(Path(name), bytes);
        std::string refusal = "unset";
        EXPECT_FALSE(LoadPlaylistFile(Path(name), &refusal)) << name;
        EXPECT_EQ(refusal, why) << name;
        EXPECT_FALSE(LoadBookmarkFile(Path(name))) << name;
    }
    EXPECT_FALSE(LoadPlaylistFile(Path("missing.vpp")));
    EXPECT_FALSE(LoadPlaylistFile(Path("Lists")));
    // A playlist without entries is a playlist all the same.
    WriteBytes(Path("none.vpp"), "<velvaro><playlist/></velvaro>");
    EXPECT_EQ(LoadPlaylistFile(Path("none.vpp")), std::vector<PlaylistEntry>{});
    // Not UTF-8: an older program's code page, as in other players' lists.
    WriteBytes(Path("legacy.vpp"),
               "<velvaro><playlist><media>Caf\xE9.avi</media></playlist></velvaro>");
    EXPECT_EQ(LoadPlaylistFile(Path("legacy.vpp")),
              (std::vector<PlaylistEntry>{{Path("Caf\xC3\xA9.avi"), ""}}));
}

TEST_F(DocumentFilesTest, AFailedSaveLeavesTheOldFileWholeAndALinkKeepsItsTarget) {
    const std::string list = Path("Lists/a.vpp");
    ASSERT_TRUE(SavePlaylistFile(list, {{"/a.avi", ""}}, "1"));
    const std::string old = ReadBytes(list);
    // A file where a folder should be, and a folder where the file should be.
    EXPECT_FALSE(SavePlaylistFile(Path("Lists/a.vpp/b.vpp"), {}, "1"));
    fs::create_directory(Path("Lists/dir.vpp"));
    fs::create_directory(Path("Lists/dir.vpp/inside"));
    EXPECT_FALSE(SavePlaylistFile(Path("Lists/dir.vpp"), {}, "1"));
    EXPECT_EQ(ReadBytes(list), old);
    for (const auto& entry : fs::directory_iterator(dir_ / "Lists")) {
        EXPECT_EQ(entry.path().string().find(".new-"), std::string::npos) << entry.path();
    }
    // Saving through a link replaces its target and keeps its permissions.
    const std::string target = Path("Lists/real.vpp");
    WriteBytes(target, "old");
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write);
    fs::create_symlink(target, Path("link.vpp"));
    ASSERT_TRUE(SavePlaylistFile(Path("link.vpp"), {{"/a.avi", ""}}, "1"));
    EXPECT_TRUE(fs::is_symlink(Path("link.vpp")));
    EXPECT_NE(ReadBytes(target).find("/a.avi"), std::string::npos);
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
}

// Entries that are http or https addresses play from the network; other
// schemes and other hosts' files are passed over.
TEST_F(DocumentFilesTest, ForeignPlaylistsAreReadAsEntriesWithoutAudio) {
    struct Case {
        const char* name;
        std::string text;
        std::vector<std::string> videos;
    };
    const std::string folder = Path("Lists/");
    const Case cases[] = {
        {"Lists/a.m3u8",
         "\xEF\xBB\xBF#EXTM3U\r\n#EXTINF:12,Title\r\nfilm one.mkv\r\n\r\n"
         "http://example.com/stream\r\nfile:///films/two%20%C3%A9.avi\r\n"
         "file://otherhost/x.avi\r\nsub\\three.avi\r\n/abs/four.mp3\r\nftp://x/y.avi\r\n",
         {folder + "film one.mkv", "http://example.com/stream", "/films/two \xC3\xA9.avi",
          folder + "sub/three.avi", "/abs/four.mp3"}},
        // No header: the name says what it is; Windows-1252 letters become UTF-8.
        {"Lists/b.M3U", "caf\xE9.avi\n", {folder + "caf\xC3\xA9.avi"}},
        {"Lists/c.txt", "#EXTM3U\nx.avi\n", {folder + "x.avi"}},
        {"Lists/d.pls",
         "[playlist]\nFile2=/b.avi\nTitle1=One\nFile1=a.avi\nFile3=https://x/y\n"
         "NumberOfEntries=3\nFileX=/bad.avi\n",
         {folder + "a.avi", "/b.avi", "https://x/y"}},
        {"Lists/e.lst", "\n[Playlist]\nfile1=/a.avi\n", {"/a.avi"}},
    };
    for (const Case& c : cases) {
        WriteBytes(Path(c.name), c.text);
        const auto read = LoadPlaylistFile(Path(c.name));
        ASSERT_TRUE(read) << c.name;
        std::vector<std::string> videos;
        for (const PlaylistEntry& entry : *read) {
            EXPECT_EQ(entry.audio, "") << c.name;
            videos.push_back(entry.video);
        }
        EXPECT_EQ(videos, c.videos) << c.name;
    }
}

}  // namespace
