// Damaged media as a user meets them: started on each with "close", the
// player plays it to its end (or its error) and quits, or says why it cannot
// open it and ends once the box is answered and the window closed. None may
// crash or hang; a termination signal during an open still saves.
#include "ProgramFixture.h"

#include <sys/stat.h>

namespace velvaro::test {
namespace {

using DamagedMediaProgramTest = WholeProgramTest;

TEST_F(DamagedMediaProgramTest, EveryDamagedFileEndsInBoundedTimeWithoutACrash) {
    SetUpRegistry({});
    std::vector<std::string> files = {folder_ / "fifo.mkv"};
    ASSERT_EQ(mkfifo(files[0].c_str(), 0600), 0);
    for (const auto& entry : std::filesystem::directory_iterator(kMedia + "damaged")) {
        files.push_back(entry.path());
    }
    for (const std::string& file : files) {
        SCOPED_TRACE(file);
        auto player = Start({file, "/close"});
        bool answered = false, closed = false;
        const bool ended = RunEventsUntil(
            [&] {
                if (player->state() == QProcess::NotRunning) {
                    return true;
                }
                QThread::msleep(200);
                const std::string box = WindowId("Error");
                if (!box.empty()) {
                    answered = true;
                    XInput({"close", box});
                }
                // A folder with nothing to play says so as a film would.
                if (!closed && answered && box.empty()) {
                    closed = true;
                    player->terminate();
                }
                return false;
            },
            30000);
        ASSERT_TRUE(ended) << "still running";
        EXPECT_TRUE(answered || !std::filesystem::is_directory(file)) << "no box";
        EXPECT_EQ(std::pair(player->exitStatus(), player->exitCode()),
                  std::pair(QProcess::NormalExit, 0));
    }
}

TEST_F(DamagedMediaProgramTest, ATerminationSignalDuringAnOpenSavesAndEnds) {
    SetUpRegistry({{"CompactView", 0}});
    // Silent for seconds before the open gives up on it.
    auto player = Start({kMedia + "damaged/huge.y4m", "/compact"});
    ASSERT_TRUE(WaitForTitles({"Velvaro"}));
    QThread::msleep(800);
    Stop(*player);
    EXPECT_EQ(Setting("CompactView"), "1");
}

}  // namespace
}  // namespace velvaro::test
