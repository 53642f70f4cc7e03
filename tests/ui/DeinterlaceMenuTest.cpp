// View > Deinterlace: its three items check one another out, change the
// picture of the open film at once and are what the next window starts
// with. The picture is judged by a screenshot's comb energy, the mean
// difference between neighbouring rows: the interlaced test film's stripes
// move between the two fields of a picture, so its rows disagree where the
// fields are left as they are.
#include "PlayerWindow.h"

#include <QDir>
#include <QImage>

#include <cmath>

namespace {

struct DeinterlaceMenuTest : PlayerWindowTest {
    void SetUp() override {
        PlayerWindowTest::SetUp();
        shots = folder().path() / "shots";
        std::filesystem::create_directories(shots);
        settings->screenshotDirectory = shots.string();
    }
    // Chosen in the menu bar's View menu, as a person clicks it; the paused
    // film's picture comes again.
    void Choose(int item) {
        const auto before = window->Player()->GetVideoOutput()->Mailbox()->Latest();
        QAction* action = FindCommands(MainMenu(), item).value(0);
        ASSERT_TRUE(action);
        action->trigger();
        Settle();
        EXPECT_TRUE(WaitFor(
            [&] { return window->Player()->GetVideoOutput()->Mailbox()->Latest() != before; }));
    }
    // The comb energy of a screenshot (F12) of the picture shown.
    double ScreenshotComb() {
        Key(VK_F12);
        const QStringList files =
            QDir(QString::fromStdString(shots.string())).entryList(QDir::Files);
        EXPECT_EQ(files.size(), 1);
        const QImage shot =
            QImage(QString::fromStdString((shots / files.value(0).toStdString()).string()))
                .convertToFormat(QImage::Format_Grayscale8);
        std::filesystem::remove_all(shots);
        std::filesystem::create_directories(shots);
        double sum = 0;
        for (int y = 0; y + 1 < shot.height(); ++y) {
            for (int x = 0; x < shot.width(); ++x) {
                sum += std::abs(shot.constScanLine(y)[x] - shot.constScanLine(y + 1)[x]);
            }
        }
        EXPECT_EQ(shot.size(), QSize(720, 576));
        return shot.isNull() ? 0 : sum / (shot.width() * (shot.height() - 1.0));
    }
    void ExpectChecked(int item) {
        std::vector<int> others;
        for (int id : {IDM_ANSICHT_DEINTERLACE_AUTO, IDM_ANSICHT_DEINTERLACE_EIN,
                       IDM_ANSICHT_DEINTERLACE_AUS}) {
            if (id != item) {
                others.push_back(id);
            }
        }
        ExpectState({.checkedCommands = {item}, .uncheckedCommands = others});
        EXPECT_TRUE(MenuChecked(item));
    }

    std::filesystem::path shots;
};

TEST_F(DeinterlaceMenuTest, TheChosenItemIsCheckedChangesThePictureAtOnceAndTheNextStartKeepsIt) {
    Start(Media("interlaced-mpeg2.mpg"));
    PauseAt(100);
    ExpectChecked(IDM_ANSICHT_DEINTERLACE_AUTO);
    const double automatic = ScreenshotComb();
    Choose(IDM_ANSICHT_DEINTERLACE_AUS);
    ExpectChecked(IDM_ANSICHT_DEINTERLACE_AUS);
    const double off = ScreenshotComb();
    EXPECT_GT(off, 20.0);
    EXPECT_LT(automatic, off / 4);
    Choose(IDM_ANSICHT_DEINTERLACE_EIN);
    ExpectChecked(IDM_ANSICHT_DEINTERLACE_EIN);
    EXPECT_LT(ScreenshotComb(), off / 4);
    Choose(IDM_ANSICHT_DEINTERLACE_AUS);
    EXPECT_EQ(settings->deinterlace, 2);

    // The next window starts with Off, and so do the films it opens.
    window.reset();
    Start(Media("interlaced-h264.mkv"));
    PauseAt(100);
    ExpectChecked(IDM_ANSICHT_DEINTERLACE_AUS);
    EXPECT_GT(ScreenshotComb(), 20.0);
    Choose(IDM_ANSICHT_DEINTERLACE_AUTO);
    EXPECT_LT(ScreenshotComb(), 5.0);
    EXPECT_EQ(settings->deinterlace, 0);
}

}  // namespace
