// Streams and chapters on both paths: the Matroska splitter's pins and the
// stream-selecting filter of other containers.
#include "engine/CFilePlayer.h"
#include "i18n/CLanguageFile.h"

#include <QWidget>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

class StreamsTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(language.LoadResource(250), 0); }

    std::unique_ptr<CFilePlayer> Open(const std::string& name) {
        const std::string path = std::string(VELVARO_TEST_MEDIA) + "/" + name;
        return std::make_unique<CFilePlayer>(QRect(0, 0, 320, 240), nullptr, &language, &owner,
                                             std::wstring(path.begin(), path.end()), path, 0, 0, 0);
    }

    struct Entry {
        std::string name;
        int flags = -1;
    };
    static std::vector<Entry> Entries(CFilePlayer& player, int kind) {
        std::vector<Entry> entries;
        for (int i = 0; i < player.GetStreamCount(kind); ++i) {
            Entry entry;
            int askKind = kind;
            EXPECT_EQ(
                player.GetStreamName(i, nullptr, &entry.flags, &askKind, &entry.name, nullptr),
                S_OK);
            entries.push_back(entry);
        }
        return entries;
    }
    static std::vector<int> Flags(CFilePlayer& player, int kind) {
        std::vector<int> flags;
        for (const auto& entry : Entries(player, kind)) {
            flags.push_back(entry.flags);
        }
        return flags;
    }

    CLanguageFile language;
    QWidget owner;
};

TEST_F(StreamsTest, SplitterOpensWithTheFirstSoundAndNoSubtitles) {
    auto player = Open("multi.mkv");
    ASSERT_TRUE(player->HasSplitter());
    const auto audio = Entries(*player, STREAM_AUDIO);
    ASSERT_EQ(audio.size(), 2u);
    EXPECT_EQ(audio[0].name, "Main (English)");
    EXPECT_EQ(audio[1].name, "Commentary (German)");
    EXPECT_EQ(Flags(*player, STREAM_AUDIO), (std::vector<int>{1, 0}));
    EXPECT_EQ(Flags(*player, STREAM_SUBTITLES), (std::vector<int>{0, 0}));
    EXPECT_EQ(player->GetStreamCount(STREAM_ANGLES), 0);
}

TEST_F(StreamsTest, SplitterSwitchesSoundAndKeepsThePlace) {
    auto player = Open("multi.mkv");
    player->SetPosition(200);
    player->WaitForState();
    EXPECT_EQ(player->SelectStream(1, STREAM_AUDIO), S_OK);
    EXPECT_EQ(Flags(*player, STREAM_AUDIO), (std::vector<int>{0, 1}));
    EXPECT_NEAR(player->GetPosition(), 200, 2);
    EXPECT_EQ(player->HasAudio(), S_OK);
    long state = -1;
    player->GetState(&state);
    EXPECT_EQ(state, State_Stopped);
    EXPECT_EQ(player->SelectStream(5, STREAM_AUDIO), E_FAIL);
    EXPECT_EQ(Flags(*player, STREAM_AUDIO), (std::vector<int>{0, 1}));
}

TEST_F(StreamsTest, SubtitlesOffAndBackOnWithTheLastOne) {
    auto player = Open("multi.mkv");
    // -2 with nothing shown yet brings the first one.
    EXPECT_EQ(player->SelectStream(-2, STREAM_SUBTITLES), S_OK);
    EXPECT_EQ(Flags(*player, STREAM_SUBTITLES), (std::vector<int>{1, 0}));
    EXPECT_EQ(player->SelectStream(1, STREAM_SUBTITLES), S_OK);
    EXPECT_EQ(Flags(*player, STREAM_SUBTITLES), (std::vector<int>{0, 1}));
    EXPECT_EQ(player->SelectStream(-1, STREAM_SUBTITLES), S_OK);
    EXPECT_EQ(Flags(*player, STREAM_SUBTITLES), (std::vector<int>{0, 0}));
    EXPECT_EQ(player->SelectStream(-2, STREAM_SUBTITLES), S_OK);
    EXPECT_EQ(Flags(*player, STREAM_SUBTITLES), (std::vector<int>{0, 1}));
    // The sound stays as it was.
    EXPECT_EQ(Flags(*player, STREAM_AUDIO), (std::vector<int>{1, 0}));
}

TEST_F(StreamsTest, ChaptersComeFromTheTableOfContents) {
    auto player = Open("multi.mkv");
    const auto chapters = Entries(*player, STREAM_CHAPTERS);
    ASSERT_EQ(chapters.size(), 2u);
    EXPECT_EQ(chapters[0].name, "Opening");
    EXPECT_EQ(chapters[1].name, "Ending");
    EXPECT_EQ(Flags(*player, STREAM_CHAPTERS), (std::vector<int>{1, 0}));
    EXPECT_EQ(player->SelectStream(1, STREAM_CHAPTERS), S_OK);
    player->WaitForState();
    EXPECT_EQ(player->GetPosition(), 300);
    EXPECT_EQ(Flags(*player, STREAM_CHAPTERS), (std::vector<int>{0, 1}));
    int kind = STREAM_CHAPTERS;
    std::string untouched = "unchanged";
    EXPECT_EQ(player->GetStreamName(2, nullptr, nullptr, &kind, &untouched, nullptr), E_FAIL);
    EXPECT_EQ(untouched, "unchanged");
}

TEST_F(StreamsTest, OtherContainersOfferOneStreamSelector) {
    auto player = Open("multi.mp4");
    ASSERT_FALSE(player->HasSplitter());
    ASSERT_EQ(player->GetStreamCount(0), 1);
    std::string selectorName;
    int kind = 0;
    EXPECT_EQ(player->GetStreamName(1, nullptr, nullptr, &kind, &selectorName, nullptr), S_OK);
    EXPECT_FALSE(selectorName.empty());
    // Video, two sounds and two subtitles, grouped by kind.
    ASSERT_EQ(player->GetStreamCount(1), 5);
    std::vector<int> groups, flags;
    for (int i = 0; i < 5; ++i) {
        int group = 1, flag = -1;
        MajorType type = MajorType::Unknown;
        ASSERT_EQ(player->GetStreamName(i, &type, &flag, &group, nullptr, nullptr), S_OK);
        groups.push_back(group);
        flags.push_back(flag);
    }
    EXPECT_EQ(groups, (std::vector<int>{0, 1, 1, 2, 2}));
    EXPECT_EQ(flags, (std::vector<int>{1, 1, 0, 0, 0}));

    EXPECT_EQ(player->SelectStream(2, 1), S_OK);
    EXPECT_EQ(player->SelectStream(4, 1), S_OK);
    flags.clear();
    for (int i = 0; i < 5; ++i) {
        int group = 1, flag = -1;
        player->GetStreamName(i, nullptr, &flag, &group, nullptr, nullptr);
        flags.push_back(flag);
    }
    EXPECT_EQ(flags, (std::vector<int>{1, 0, 1, 0, 1}));
    EXPECT_EQ(player->SelectStream(0, 2), E_FAIL) << "there is no second selector";
    int outOfRange = 1;
    EXPECT_EQ(player->GetStreamName(5, nullptr, nullptr, &outOfRange, nullptr, nullptr), E_FAIL);
}

TEST_F(StreamsTest, ASingleStreamFileHasNothingToChoose) {
    auto player = Open("audio.wav");
    EXPECT_FALSE(player->HasSplitter());
    ASSERT_EQ(player->GetStreamCount(0), 1);
    EXPECT_EQ(player->GetStreamCount(1), 1);
    EXPECT_EQ(player->GetStreamCount(2), 0) << "only one selector exists";
    EXPECT_EQ(player->SelectStream(0, 1), S_OK);
    EXPECT_EQ(player->SelectStream(0, 2), E_FAIL);
    EXPECT_EQ(player->HasAudio(), S_OK);
}

}  // namespace
