// Velvaro as a user starts it: single instance, hand-over, quitting after
// playback, settings kept after exit, names found beside the program.
#include "ProgramFixture.h"

namespace velvaro::test {
namespace {

// The first start owns Velvaro's playlists, on the desktop too; the window
// registers the file type with the program's own path at every start.
TEST_F(WholeProgramTest, TheFirstStartOwnsPlaylistsOnTheDesktopAndTheWindowRegistersTheType) {
    SetUpRegistry({});
    const auto shellValue = [this](const std::string& key) {
        return SqliteFile(registry_).Value(
            "SELECT data FROM registry WHERE hive = 'HKEY_CLASSES_ROOT' AND lower(key) = lower('" +
            key + "') AND name = ''");
    };
    EXPECT_EQ(shellValue(".vpp"), "velvarofile");
    EXPECT_EQ(shellValue(".mkv"), "<none>");
    const std::string program = std::filesystem::canonical(VELVARO_EXECUTABLE).string();
    const std::string text = ReadBytes(folder_ / "data/applications/velvaro.desktop");
    EXPECT_NE(text.find("\nExec=" + program + " %F\n"), std::string::npos) << text;
    EXPECT_NE(text.find("application/x-velvaro-playlist;"), std::string::npos) << text;
    EXPECT_TRUE(std::filesystem::exists(folder_ / "data/icons/hicolor/256x256/apps/velvaro.png"));
    const std::string defaults = ReadBytes(folder_ / "config/mimeapps.list");
    EXPECT_NE(defaults.find("application/x-velvaro-playlist=velvaro.desktop;"), std::string::npos)
        << defaults;

    EXPECT_EQ(shellValue("VelvaroFile\\shell\\open\\command"), "<none>");
    auto player = Start({"/nosplash"});
    ASSERT_TRUE(WaitForTitles({"Velvaro"}));
    EXPECT_EQ(shellValue("VelvaroFile\\shell\\open\\command"), program + " \"%1\"");
    player->terminate();
    EXPECT_TRUE(player->WaitForExit(10000));
}

// A termination signal closes a window and saves its settings.
TEST_F(WholeProgramTest, WithoutSingleInstanceASecondWindowStartsAndEachEndsOnASignal) {
    SetUpRegistry({{"SingleInstanceMode", 0}, {"CompactView", 0}});
    auto first = Start({kMedia + "multi.mkv"});
    ASSERT_TRUE(WaitForTitles({"Velvaro - multi.mkv - PLAY"}));
    auto second = Start({kMedia + "audio.mp3", "/compact"});
    ASSERT_TRUE(WaitForTitles({"Velvaro - multi.mkv - PLAY", "Velvaro - audio.mp3 - PLAY"}));
    second->terminate();
    ASSERT_TRUE(second->WaitForExit(10000));
    EXPECT_EQ(second->exitCode(), 0);
    EXPECT_EQ(Setting("CompactView"), "1");
    EXPECT_TRUE(WaitForTitles({"Velvaro - multi.mkv - PLAY"})) << "the first window ended";
}

TEST_F(WholeProgramTest, CloseQuitsAfterPlaybackAndHandedOverSettingsAreKept) {
    SetUpRegistry({{"SingleInstanceMode", 1}, {"CompactView", 0}});
    auto first = Start({kMedia + "video-only.mkv", "/close"});
    ASSERT_TRUE(WaitForTitles({"Velvaro - video-only.mkv - PLAY"}));
    // Options alone change the running window; compact view is a setting.
    auto second = Start({"/compact"});
    ASSERT_TRUE(second->WaitForExit(10000));
    ASSERT_TRUE(first->WaitForExit(20000)) << "the player did not quit after playback";
    EXPECT_EQ(first->exitCode(), 0);
    EXPECT_EQ(Setting("CompactView"), "1");
    EXPECT_EQ(Setting("LanguageResource"), "IDR_LNG_ENGLISH");
    EXPECT_TRUE(WindowTitles().empty());
}

// A second start hands over a file whose open blocks and then fails with a
// box; a third comes while the box is open. Both wait for their answers, and
// once the box is answered the window takes the third's file and switches. (The window
// once crashed here: a connection went while its record was being handled.)
TEST_F(WholeProgramTest, HandOversDuringABlockedOpenAndItsBoxWaitAndArriveInTurn) {
    SetUpRegistry({{"SingleInstanceMode", 1}});
    auto first = Start({});
    ASSERT_TRUE(WaitForTitles({"Velvaro"}));
    auto second = Start({kMedia + "damaged/huge.y4m"});
    std::string box;
    ASSERT_TRUE(RunEventsUntil(
        [&] {
            QThread::msleep(100);
            return !(box = WindowId("Error")).empty();
        },
        15000));
    auto third = Start({kMedia + "video-only.mkv", "/pause"});
    EXPECT_FALSE(third->WaitForExit(1000)) << "the third start waits for its answers";
    EXPECT_EQ(second->state(), QProcess::Running) << "the second start waits for its answer";
    RunProgram(CLOSE_WINDOW, {box}, {{"DISPLAY", display_.Name()}});
    ASSERT_TRUE(second->WaitForExit(15000));
    ASSERT_TRUE(third->WaitForExit(15000));
    EXPECT_TRUE(WaitForTitles({"Velvaro - video-only.mkv - PAUSE"}));
    EXPECT_EQ(first->state(), QProcess::Running) << "the first window ended";
}

TEST_F(WholeProgramTest, ANameNotInTheCurrentFolderIsFoundBesideTheProgram) {
    SetUpRegistry({});
    const std::string program = folder_ / "opt/velvaro";
    std::filesystem::create_directories(folder_ / "opt");
    std::filesystem::create_directories(folder_ / "elsewhere");
    // A copy, not a symbolic link: the program's folder is where its file is.
    std::error_code error;
    std::filesystem::create_hard_link(VELVARO_EXECUTABLE, program, error);
    if (error) {
        std::filesystem::copy_file(VELVARO_EXECUTABLE, program);
    }
    std::filesystem::create_symlink(kMedia + "video-only.mkv", folder_ / "opt/beside.mkv");
    auto player = Start({"beside.mkv", "/compact"}, program, folder_ / "elsewhere");
    ASSERT_TRUE(WaitForTitles({"Velvaro - beside.mkv - PLAY"}));
    // Compact, without its caption, the window keeps its sizing frame.
    const std::string hints =
        RunProgram("/usr/bin/xprop",
                   {"-id", WindowId("Velvaro - beside.mkv - PLAY"), "_MOTIF_WM_HINTS"},
                   {{"DISPLAY", display_.Name()}})
            .out;
    EXPECT_NE(hints.find("= 0x3, 0x3e, 0x6,"), std::string::npos) << hints;
}

}  // namespace
}  // namespace velvaro::test
