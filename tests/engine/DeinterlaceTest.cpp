// Interlaced films are shown whole unless deinterlacing is off, and
// progressive ones as they are unless it is on. A picture's comb energy, the
// mean difference between neighbouring rows, is what combing shows as: the
// test films' upright stripes move sideways between the two fields of a
// picture, so left combed its rows disagree all over.
#include "PlayerFixture.h"

#include <cmath>

namespace {

using velvaro::engine::Deinterlacing;
using velvaro::engine::DeinterlacingOfNewGraphs;
using velvaro::engine::SetDeinterlacingOfNewGraphs;
using velvaro::test::LatestPicture;
using velvaro::test::RunEventsUntil;

double CombEnergy(const QImage& picture) {
    const QImage grey = picture.convertToFormat(QImage::Format_Grayscale8);
    double sum = 0;
    for (int y = 0; y + 1 < grey.height(); ++y) {
        const uchar* row = grey.constScanLine(y);
        const uchar* next = grey.constScanLine(y + 1);
        for (int x = 0; x < grey.width(); ++x) {
            sum += std::abs(row[x] - next[x]);
        }
    }
    return grey.isNull() ? 0 : sum / (double(grey.width()) * (grey.height() - 1));
}

class DeinterlaceTest : public velvaro::test::PlayerTest {
protected:
    void TearDown() override { SetDeinterlacingOfNewGraphs(Deinterlacing::Automatic); }

    // Paused at one second, the picture shown there at its own size.
    QImage PausedAtOneSecond(CFilePlayer& player) {
        player.Pause();
        const auto before = player.GetVideoOutput()->Mailbox()->Latest();
        Seek(player, 100);
        return NextPicture(player, before);
    }
    // The picture shown after `before`; null when none comes.
    static QImage NextPicture(CFilePlayer& player,
                              const velvaro::engine::FrameMailbox::Picture& before) {
        const auto output = player.GetVideoOutput();
        if (!RunEventsUntil([&] { return output->Mailbox()->Latest() != before; })) {
            return QImage();
        }
        long width = 0, height = 0;
        player.GetNativeVideoSize(&width, &height);
        return LatestPicture(output, QSize(int(width), int(height)));
    }
    // Changes the deinterlacing of the paused `player`: the picture comes again.
    static QImage ShownWith(CFilePlayer& player, Deinterlacing mode) {
        const auto before = player.GetVideoOutput()->Mailbox()->Latest();
        EXPECT_EQ(player.SetDeinterlacing(mode), S_OK);
        return NextPicture(player, before);
    }
};

TEST_F(DeinterlaceTest, InterlacedFilmsShowCombsOnlyWithDeinterlacingOff) {
    for (const char* name : {"interlaced-mpeg2.mpg", "interlaced-h264.mkv"}) {
        SCOPED_TRACE(name);
        auto player = Open(name);
        const QImage automatic = PausedAtOneSecond(*player);
        ASSERT_FALSE(automatic.isNull());
        const QImage off = ShownWith(*player, Deinterlacing::Off);
        const QImage on = ShownWith(*player, Deinterlacing::On);
        ASSERT_FALSE(off.isNull() || on.isNull());
        EXPECT_GT(CombEnergy(off), 20.0);
        EXPECT_LT(CombEnergy(automatic), CombEnergy(off) / 8);
        EXPECT_LT(CombEnergy(on), CombEnergy(off) / 8);
        EXPECT_EQ(player->SetDeinterlacing(Deinterlacing::On), S_FALSE);
        EXPECT_EQ(player->GetPosition(), 100) << "the picture shown again is the one at 1 s";
    }
}

// Automatic leaves a progressive film's picture untouched; On would not.
TEST_F(DeinterlaceTest, ProgressiveFilmsAreShownAsTheyAreUnlessDeinterlacingIsOn) {
    auto player = Open("mpeg2-169.mpg");
    const QImage automatic = PausedAtOneSecond(*player);
    ASSERT_FALSE(automatic.isNull());
    EXPECT_TRUE(ShownWith(*player, Deinterlacing::Off) == automatic);
    EXPECT_FALSE(ShownWith(*player, Deinterlacing::On) == automatic) << "On halves the rows";
}

TEST_F(DeinterlaceTest, FilmsOpenedLaterStartAsNewGraphsAreTold) {
    SetDeinterlacingOfNewGraphs(Deinterlacing::Off);
    EXPECT_EQ(DeinterlacingOfNewGraphs(), Deinterlacing::Off);
    auto player = Open("interlaced-mpeg2.mpg");
    EXPECT_GT(CombEnergy(PausedAtOneSecond(*player)), 20.0);
    EXPECT_EQ(player->SetDeinterlacing(Deinterlacing::Off), S_FALSE);
    auto sound = Open("audio.mp3");
    EXPECT_EQ(sound->SetDeinterlacing(Deinterlacing::On), E_NOINTERFACE);
}

}  // namespace
