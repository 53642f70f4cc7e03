// Subtitle files beside a film, found, listed, drawn and skipped when damaged.
#include "FileBytes.h"
#include "PlayerFixture.h"
#include "TestRegistry.h"

#include <filesystem>

namespace {

using velvaro::test::RunEventsUntil;

// Two cues over nearly the whole film.
std::string Cues(const std::string& first, const std::string& second) {
    return "1\n00:00:00,000 --> 00:00:03,000\n" + first + "\n\n2\n00:00:03,000 --> 00:00:05,900\n" +
           second + "\n";
}

class SubtitleFilesTest : public velvaro::test::PlayerTest {
protected:
    std::string Path(const std::string& name) const { return folder / name; }
    void Write(const std::string& name, const std::string& bytes) const {
        velvaro::test::WriteBytes(Path(name), bytes);
    }
    // A black film: as Matroska with one English subtitle track of its
    // own, as MP4 and AVI without.
    std::unique_ptr<CFilePlayer> OpenFilm(const std::string& container = "mkv") {
        const std::string path = Path("film." + container);
        if (!std::filesystem::exists(path)) {
            std::filesystem::copy_file(velvaro::test::Media("dark." + container), path);
        }
        auto player =
            std::make_unique<CFilePlayer>(QRect(0, 0, 320, 240), nullptr, &owner, path, 0, 0, 0);
        film_ = player->GetVideoOutput();
        return player;
    }
    // The lower half of the picture, where the text goes.
    QImage Bottom() {
        const QImage picture = velvaro::test::LatestPicture(film_, QSize(320, 240));
        return picture.isNull() ? QImage() : picture.copy(0, 120, 320, 120);
    }
    // The film is black: bright pixels are text.
    static int Bright(const QImage& image) {
        return velvaro::test::CountPixels(image, image.rect(),
                                          [](const QColor& c) { return c.lightness() > 100; });
    }
    bool TextShown(bool shown) {
        return RunEventsUntil([&] { return (Bright(Bottom()) > 10) == shown; });
    }

    const velvaro::test::TestFolder folder;
    std::shared_ptr<velvaro::engine::VideoOutput> film_;  // of the film opened last
};

// With and without a language part, any case of the extension; codes and
// written-out languages by their names, unknown codes as they are; other
// files of the folder not at all. Every container offers them after its own
// subtitles: the splitter's list, or the stream selector's. Chosen like the
// film's own, one at a time, a file draws its text, "off" takes it away and
// the last one comes back.
TEST_F(SubtitleFilesTest, EveryContainerOffersTheFilesBesideTheFilmAfterItsOwnSubtitles) {
    Write("film.srt", Cues("Hello", "Goodbye"));
    Write("film.de.srt", Cues("Hallo", "Auf Wiedersehen"));
    Write("film.FR.SRT", Cues("Bonjour", "Au revoir"));
    Write("film.italian.vtt", "WEBVTT\n\n00:00.000 --> 00:05.900\nHola\n");
    Write("film.xx.ssa",
          "[Script Info]\nScriptType: v4.00\n\n[V4 Styles]\nFormat: Name, Fontname, Fontsize\n"
          "Style: Default,Sans,20\n\n[Events]\nFormat: Marked, Start, End, Style, Name, MarginL, "
          "MarginR, MarginV, Effect, Text\nDialogue: Marked=0,0:00:00.00,0:00:05.90,Default,,0,0,"
          "0,,Xx\n");
    for (const char* other : {"other.srt", "film.txt", "film.srt.bak", "filmfilm.srt"}) {
        Write(other, Cues("Not", "Listed"));
    }
    std::filesystem::create_directory(Path("film.it.srt"));
    for (const auto& [container, own] :
         {std::pair<std::string, List>{"mkv", {"English:0"}}, {"mp4", {}}, {"avi", {}}}) {
        SCOPED_TRACE(container);
        auto player = OpenFilm(container);
        EXPECT_EQ(player->HasVideo(), S_OK);
        // Each subtitle as "name:flags", and how to choose it.
        // The splitter lists subtitles alone; the stream selector (1) all streams.
        const int group = player->HasSplitter() ? STREAM_SUBTITLES : 1;
        std::vector<std::pair<int, int>> choices;
        const auto subtitles = [&] {
            List entries;
            choices.clear();
            for (int i = 0; i < player->GetStreamCount(group); ++i) {
                MajorType type = MajorType::Subtitle;
                std::string name;
                int flags = 0, kind = group;
                player->GetStreamName(i, group == 1 ? &type : nullptr, &flags, &kind, &name,
                                      nullptr);
                if (type == MajorType::Subtitle) {
                    entries.push_back(name + ":" + std::to_string(flags));
                    choices.emplace_back(i, group);
                }
            }
            return entries;
        };
        List expected = own;
        expected.insert(expected.end(),
                        {"film.srt:0", "French:0", "German:0", "Italian:0", "xx:0"});
        ASSERT_EQ(subtitles(), expected);
        // A file chosen draws its text, "off" takes it away and the last one
        // comes back; then the first subtitle, whatever it is, and the last
        // file. The list's flags follow.
        Seek(*player, 100);
        const int first = static_cast<int>(own.size());
        const std::tuple<int, int, bool> steps[] = {{first + 2, first + 2, true},
                                                    {-1, -1, true},
                                                    {-2, first + 2, true},
                                                    {0, 0, false},
                                                    {first + 4, first + 4, false}};
        for (const auto& [select, shown, text] : steps) {
            const auto [index, kind] =
                select < 0 ? std::pair(select, int{STREAM_SUBTITLES}) : choices.at(select);
            EXPECT_EQ(player->SelectStream(index, kind), S_OK) << select;
            const List entries = subtitles();
            for (size_t i = 0; i < entries.size(); ++i) {
                EXPECT_EQ(entries[i].back(), static_cast<int>(i) == shown ? '1' : '0')
                    << select << " " << entries[i];
            }
            EXPECT_TRUE(!text || TextShown(shown >= 0)) << select;
        }
        EXPECT_EQ(player->SelectStream(6, STREAM_SUBTITLES), E_FAIL);
    }
}

// The text of a chosen file is drawn over the picture and goes with "off".
// An 8-bit Western file draws the same text as its UTF-8 twin, with or
// without the byte-order mark.
TEST_F(SubtitleFilesTest, ChosenFilesDrawTheirTextInTheirEncoding) {
    const std::string utf8 = "M\xC3\xBCller \xE2\x80\x93 5 \xE2\x82\xAC";
    Write("film.srt", Cues(utf8, utf8));
    Write("film.de.srt", Cues("M\xFCller \x96 5 \x80", "M\xFCller \x96 5 \x80"));
    Write("film.en.srt", "\xEF\xBB\xBF" + Cues(utf8, utf8));
    auto player = OpenFilm();
    ASSERT_EQ(Streams(*player, STREAM_SUBTITLES),
              (List{"English:0", "film.srt:0", "German:0", "English:0"}));
    Seek(*player, 100);
    ASSERT_TRUE(TextShown(false)) << "nothing drawn before a choice";

    QImage text;  // the UTF-8 file's
    for (int file : {1, 3, 2}) {
        ASSERT_EQ(player->SelectStream(file, STREAM_SUBTITLES), S_OK);
        ASSERT_TRUE(TextShown(true)) << file << ": " << Bright(Bottom());
        text = text.isNull() ? Bottom() : text;
        EXPECT_TRUE(RunEventsUntil([&] { return Bottom() == text; }, 8000))
            << file << ": the same text";
        EXPECT_EQ(player->SelectStream(-1, STREAM_SUBTITLES), S_OK);
        EXPECT_TRUE(TextShown(false)) << file << ": off hides it";
    }

    // Playing on, the text goes on with the picture.
    EXPECT_EQ(player->SelectStream(-2, STREAM_SUBTITLES), S_OK);
    EXPECT_EQ(player->Play(), S_OK);
    EXPECT_TRUE(RunEventsUntil([&] { return player->GetPosition() >= 200; }));
    EXPECT_TRUE(TextShown(true));
    EXPECT_EQ(SettledState(*player), State_Running);
}

// Junk, an empty file, plain words and a broken link are left out, each
// with a line in the log; the film opens and plays, a good file beside them
// still counts. First chosen on a still picture well into the film, that file
// draws the text of that moment, not of the film's start: the long line of
// the second cue, not the short one of the first.
TEST_F(SubtitleFilesTest, DamagedFilesAreSkippedWithALogLine) {
    std::string junk(3000, '\0');
    for (size_t i = 0; i < junk.size(); ++i) {
        junk[i] = static_cast<char>((i * 7919 + 13) % 256);
    }
    Write("film.en.srt", junk);
    Write("film.de.srt", "");
    Write("film.fr.srt", "Only some words,\nno times at all.\n");
    std::filesystem::create_symlink(Path("gone.srt"), Path("film.es.srt"));
    Write("film.srt", Cues("Hi", "WWWWWWWWWWWW"));

    const velvaro::test::ExpectLog log(QtWarningMsg, QStringLiteral("^Subtitle file .* skipped"),
                                       QStringLiteral("velvaro.engine"));
    auto player = OpenFilm();
    EXPECT_EQ(player->GetOpenResult(), S_OK);
    EXPECT_EQ(Streams(*player, STREAM_SUBTITLES), (List{"English:0", "film.srt:0"}));
    ASSERT_EQ(log.Count(), 4);
    for (const char* name : {"film.de.srt", "film.en.srt", "film.es.srt", "film.fr.srt"}) {
        EXPECT_EQ(log.Texts().filter(QStringLiteral("/%1 skipped").arg(QLatin1String(name))).size(),
                  1)
            << name;
    }

    Seek(*player, 400);
    ASSERT_EQ(player->SelectStream(1, STREAM_SUBTITLES), S_OK);
    EXPECT_TRUE(RunEventsUntil([&] { return Bright(Bottom()) > 100; }, 3000))
        << Bright(Bottom()) << " bright pixels";
    Seek(*player, 0);
    EXPECT_EQ(player->Play(), S_OK);
    EXPECT_TRUE(RunEventsUntil([&] { return player->GetPosition() >= 100; }));
    EXPECT_TRUE(TextShown(true));

    // A file gone by the time it is chosen fails alone; the film plays on.
    EXPECT_EQ(player->SelectStream(-1, STREAM_SUBTITLES), S_OK);
    std::filesystem::remove(Path("film.srt"));
    {
        const velvaro::test::ExpectLog gone(QtWarningMsg, QStringLiteral("Subtitle File Source"),
                                            QStringLiteral("velvaro.engine"));
        EXPECT_NE(player->SelectStream(1, STREAM_SUBTITLES), S_OK);
        EXPECT_GE(gone.Count(), 1);
    }
    const int position = player->GetPosition();
    EXPECT_TRUE(RunEventsUntil([&] { return player->GetPosition() >= position + 50; }));
    EXPECT_EQ(SettledState(*player), State_Running);
}

}  // namespace
