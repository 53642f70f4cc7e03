// Previews of a film for the position bar: the key frame nearest the time
// asked for, only the newest request answered, none from a file without
// picture, and the film that plays beside them shows every frame.
#include "PlayerFixture.h"
#include "engine/FramePreviews.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

using velvaro::engine::FramePreview;
using velvaro::engine::FramePreviews;
using velvaro::test::Media;
using velvaro::test::RunEventsUntil;

// The previews of one file and the answers they gave, in order.
struct Previews {
    explicit Previews(const std::string& name, std::function<void()> onAnswer = {})
        : previews(std::make_unique<FramePreviews>(Media(name), QSize(160, 90), &context,
                                                   [this, onAnswer](const FramePreview& answer) {
                                                       answers.push_back(answer);
                                                       if (onAnswer) {
                                                           onAnswer();
                                                       }
                                                   })) {}
    // The answer to `milliseconds`, once it came.
    FramePreview At(int milliseconds) {
        const size_t before = answers.size();
        previews->Request(milliseconds);
        EXPECT_TRUE(RunEventsUntil([&] { return answers.size() > before; }, 15000));
        return answers.empty() ? FramePreview{} : answers.back();
    }

    QObject context;
    std::vector<FramePreview> answers;
    std::unique_ptr<FramePreviews> previews;
};

// colours.mp4: a second each of red, green, blue and white.
std::string ColourOf(const QImage& picture) {
    if (picture.isNull()) {
        return "none";
    }
    const QColor centre = picture.pixelColor(picture.width() / 2, picture.height() / 2);
    const auto high = [](int value) { return value > 160; };
    const auto low = [](int value) { return value < 90; };
    if (high(centre.red()) && high(centre.green()) && high(centre.blue())) {
        return "white";
    }
    if (high(centre.red()) && low(centre.green()) && low(centre.blue())) {
        return "red";
    }
    if (low(centre.red()) && high(centre.green()) && low(centre.blue())) {
        return "green";
    }
    if (low(centre.red()) && low(centre.green()) && high(centre.blue())) {
        return "blue";
    }
    return centre.name().toStdString();
}

// Threads of this process at the previews' low priority (nice 10).
int LowPriorityThreads() {
    int count = 0;
    for (const QString& task :
         QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile stat(QStringLiteral("/proc/self/task/%1/stat").arg(task));
        if (!stat.open(QIODevice::ReadOnly)) {
            continue;
        }
        const QByteArray line = stat.readAll();
        // The fields after the name in parentheses; nice is the 19th field.
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        count += fields.size() > 16 && fields[16].toInt() == 10;
    }
    return count;
}

TEST(FramePreviews, ShowTheKeyFrameNearestTheTime) {
    Previews colours("colours.mp4");
    struct Case {
        int at;
        int shown;
        const char* colour;
    };
    for (const Case& test : {Case{2200, 2000, "blue"}, Case{400, 0, "red"},
                             Case{1100, 1000, "green"}, Case{3400, 3000, "white"}}) {
        const FramePreview answer = colours.At(test.at);
        EXPECT_EQ(answer.requested, test.at);
        EXPECT_EQ(answer.shown, test.shown) << test.at;
        EXPECT_EQ(ColourOf(answer.picture), test.colour) << test.at;
        // 320x240 fits the box at 120x90.
        EXPECT_EQ(answer.picture.size(), QSize(120, 90)) << test.at;
    }
    // Asked again, near a time shown before: the same picture.
    const FramePreview again = colours.At(2250);
    EXPECT_EQ(again.shown, 2000);
    EXPECT_EQ(ColourOf(again.picture), "blue");
}

TEST(FramePreviews, AnswerOnlyTheNewestRequest) {
    Previews colours("colours.mp4");
    for (const int at : {500, 1400, 3100, 2300}) {
        colours.previews->Request(at);
    }
    ASSERT_TRUE(RunEventsUntil([&] { return !colours.answers.empty(); }, 15000));
    velvaro::test::RunEventsFor(300);
    ASSERT_EQ(colours.answers.size(), 1u);
    EXPECT_EQ(colours.answers[0].requested, 2300);
    EXPECT_EQ(ColourOf(colours.answers[0].picture), "blue");
}

TEST(FramePreviews, NoneOfSoundOrOfWhatIsNoMedium) {
    for (const char* name : {"audio.mp3", "not-media.avi", "damaged/folder.mkv", "missing.mkv"}) {
        Previews none(name);
        const FramePreview answer = none.At(1000);
        EXPECT_TRUE(answer.picture.isNull()) << name;
        EXPECT_EQ(answer.shown, -1) << name;
        // And at once the next time.
        EXPECT_TRUE(none.At(2000).picture.isNull()) << name;
    }
}

class FramePreviewsBesideTheFilm : public velvaro::test::PlayerTest {};

// Previews of a 1080p film, one after another as fast as they come, while
// a film plays to its end: every one of its 150 frames is shown,
// and the previews are made at a low priority.
TEST_F(FramePreviewsBesideTheFilm, TheFilmDropsNoFrame) {
    auto film = Open("video-only.mkv");
    ASSERT_EQ(film->GetOpenResult(), S_OK);
    int next = 0;
    int made = 0;
    int lowPriority = 0;
    std::unique_ptr<Previews> previews;
    previews = std::make_unique<Previews>("framed-1080p.mkv", [&] {
        made += !previews->answers.back().picture.isNull();
        lowPriority = std::max(lowPriority, LowPriorityThreads());
        next = (next + 337) % 4000;
        previews->previews->Request(next);
    });
    ASSERT_EQ(film->Play(), S_OK);
    velvaro::test::RunEventsFor(500);  // the pointer comes to the bar once the film plays
    previews->previews->Request(next);
    ASSERT_TRUE(RunEventsUntil(
        [&] {
            long code = 0;
            LONG_PTR param = 0;
            return film->GetEvent(&code, &param, &param) == S_OK && code == EC_COMPLETE;
        },
        20000));
    previews.reset();
    EXPECT_GE(made, 10);
    // The worker and the graph's streaming threads, its decoder's among them.
    EXPECT_GE(lowPriority, 3);
    EXPECT_EQ(film->GetFramesDrawn(), 150);
}

}  // namespace
