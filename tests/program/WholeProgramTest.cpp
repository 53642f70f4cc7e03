// Velvaro as a user starts it: single instance, hand-over, quitting after
// playback or a playlist, settings kept after exit, names found beside the
// program, damaged media, and the uninstall run.
#include "ProgramFixture.h"
#include "platform/Registry.h"

#include <QElapsedTimer>

#include <sys/stat.h>

namespace velvaro::test {
namespace {

using PlaylistProgramTest = WholeProgramTest;

// The first start asks for a language; Enter on the page takes the one it
// offers, stores it and goes on to the window, from either Enter key.
TEST_F(WholeProgramTest, EnterOnTheFirstStartsLanguagePageChoosesAndTheStartGoesOn) {
    for (const char* key : {"Return", "KP_Enter"}) {
        SCOPED_TRACE(key);
        std::filesystem::remove(registry_);
        auto player = Start({});
        ASSERT_FALSE(WaitForWindow("Velvaro Sprache/Language").empty());
        QThread::msleep(300);
        ASSERT_EQ(XInput({"keys", key}), 0);
        ASSERT_TRUE(WaitForTitles({"Velvaro"})) << "no player window after Enter";
        EXPECT_EQ(Setting("LanguageResource"), "IDR_LNG_ENGLISH");
        Stop(*player);
    }
}

// The user made the settings folder read-only after a clean exit: every
// start runs on the stored settings, with no language page asking again,
// and leaves the file as it was.
TEST_F(WholeProgramTest, SettingsInAFolderThatCannotBeWrittenAreUsedAndKept) {
    const std::string settings = folder_ / "settings";
    registry_ = settings + "/registry.db";
    std::filesystem::create_directories(settings);
    SetUpRegistry({});
    const std::string bytes = ReadBytes(registry_);
    const ReadOnlyFolder readOnly(settings, false, false);
    std::string program = VELVARO_EXECUTABLE;
    std::vector<std::string> args = {"/nosplash"};
    if (geteuid() == 0) {
        ASSERT_EQ(chown((folder_ / "runtime").c_str(), ReadOnlyFolder::kNobody, 0), 0);
        args.insert(args.begin(), {"--reuid=65534", "--regid=65534", "--clear-groups", program});
        program = "/usr/bin/setpriv";
    }
    for (int start = 0; start < 2; ++start) {
        auto player = Start(args, program);
        ASSERT_TRUE(WaitForTitles({"Velvaro"})) << "start " << start;
        Stop(*player);
    }
    EXPECT_TRUE(ReadBytes(registry_) == bytes);
    EXPECT_FALSE(std::filesystem::exists(registry_ + ".broken"));
}

// A run that shows only a box ends on a termination signal as if the box
// were answered: with 0, the run's work kept, and nothing started after it.
TEST_F(WholeProgramTest, ABoxOnlyRunEndsOnASignalAsIfTheBoxWereAnswered) {
    SetUpRegistry({});
    // A copy: the update steps look for files beside the program.
    const std::string program = folder_ / "app/velvaro";
    std::filesystem::create_directories(folder_ / "app");
    std::filesystem::copy_file(VELVARO_EXECUTABLE, program);
    const struct {
        const char* option;
        const char* box;
        const char* language;  // the stored language afterwards
    } runs[] = {
        {"/help", "Velvaro command line parameters", "IDR_LNG_ENGLISH"},
        {"/update_step_1", "Vel-Varo Update", "IDR_LNG_ENGLISH"},
        {"/update_step_2", "Vel-Varo Update", "IDR_LNG_ENGLISH"},
        {"/uninstall", "Vel-Varo Uninstall", "<none>"},
    };
    for (const auto& run : runs) {
        SCOPED_TRACE(run.option);
        auto box = Start({run.option}, program);
        ASSERT_FALSE(WaitForWindow(run.box).empty());
        QThread::msleep(200);
        box->terminate();
        ASSERT_TRUE(box->WaitForExit(5000)) << "the signal did not end the run";
        EXPECT_EQ(std::pair(box->exitStatus(), box->exitCode()),
                  std::pair(QProcess::NormalExit, 0));
        EXPECT_TRUE(WindowTitles().empty());
        EXPECT_EQ(Setting("LanguageResource"), run.language);
    }
}

// A second start hands over a file whose open blocks and then fails with a
// box; a third comes while the box is open. Both wait for their answers, and
// once the box is answered the window takes the third's file and switches.
// (The window once crashed here: a connection went while its record was being handled.)
TEST_F(WholeProgramTest, HandOversDuringABlockedOpenAndItsBoxWaitAndArriveInTurn) {
    SetUpRegistry({{"SingleInstanceMode", 1}});
    auto first = Start({});
    ASSERT_TRUE(WaitForTitles({"Velvaro"}));
    auto second = Start({kMedia + "damaged/huge.y4m"});
    const std::string box = WaitForWindow("Error");
    ASSERT_FALSE(box.empty());
    auto third = Start({kMedia + "video-only.mkv", "/pause"});
    EXPECT_FALSE(third->WaitForExit(1000)) << "the third start waits for its answers";
    EXPECT_EQ(second->state(), QProcess::Running) << "the second start waits for its answer";
    XInput({"close", box});
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

// A playlist file named on the command line plays through, passing over what
// is missing, and "close" quits after its last item; options alone from a
// second start change the running window, and compact view is a setting.
TEST_F(PlaylistProgramTest, PlaysEveryItemThatOpensQuitsAfterTheLastAndKeepsHandedOverSettings) {
    SetUpRegistry({{"SingleInstanceMode", 1}, {"CompactView", 0}});
    auto player = Start(
        {WritePlaylist({kMedia + "video-only.mkv", "gone.mkv", kMedia + "audio.mp3"}), "/close"});
    ASSERT_TRUE(WaitForTitles({"Velvaro - video-only.mkv - PLAY"}));
    auto second = Start({"/compact"});
    ASSERT_TRUE(second->WaitForExit(10000));
    ASSERT_TRUE(WaitForTitles({"Velvaro - audio.mp3 - PLAY"}));
    ASSERT_TRUE(player->WaitForExit(20000)) << "the player did not quit after the playlist";
    EXPECT_EQ(player->exitCode(), 0);
    EXPECT_EQ(Setting("CompactView"), "1");
    EXPECT_EQ(Setting("LanguageResource"), "IDR_LNG_ENGLISH");
    EXPECT_TRUE(WindowTitles().empty());
}

// A list of an unmounted drive: thousands of files that are not there, some
// that are there but do not open, one good one last. The good one plays, and
// a termination signal while the list is walked ends the program at once.
TEST_F(PlaylistProgramTest, AWalkPastThousandsOfMissingFilesPlaysTheGoodOneAndASignalEndsIt) {
    SetUpRegistry({});
    const auto listOf = [this](const std::string& stuck) {
        std::vector<std::string> items;
        for (int item = 0; item < 20000; ++item) {
            items.push_back("/unmounted/drive/" + std::to_string(item) + ".mkv");
        }
        items.insert(items.end(), 100, kMedia + "not-media.avi");
        items.push_back(stuck);
        items.push_back(kMedia + "video-only.mkv");
        return WritePlaylist(items);
    };
    {
        auto player = Start({listOf(kMedia + "not-media.avi")});
        EXPECT_FALSE(WaitForWindow("Velvaro - video-only.mkv - PLAY", 60000).empty());
        Stop(*player);
    }
    // A file whose open hangs for seconds keeps the walk under way.
    auto player = Start({listOf(kMedia + "damaged/huge.y4m")});
    ASSERT_FALSE(WaitForWindow("Velvaro").empty());
    QThread::msleep(1000);
    ASSERT_EQ(WindowTitles(), Titles{"Velvaro"}) << "the walk is not under way";
    QElapsedTimer clock;
    clock.start();
    player->terminate();
    // Generous for a loaded machine; it takes a few tens of milliseconds.
    ASSERT_TRUE(player->WaitForExit(1000)) << "still walking the list after a second";
    EXPECT_EQ(std::pair(player->exitStatus(), player->exitCode()),
              std::pair(QProcess::NormalExit, 0));
}

// Damaged media as a user meets them: started on each with "close", the
// player plays it to its end (or its error) and quits, or says why it cannot
// open it and ends once the box is answered and the window closed.
TEST_F(WholeProgramTest, EveryDamagedFileEndsInBoundedTimeWithoutACrash) {
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

// Writes string values into the player's registry file, as another program would.
void WriteStrings(
    const std::string& registry,
    const std::vector<std::tuple<HKEY, std::string, std::string, std::string>>& values) {
    const ScopedEnvironment file({{"VELVARO_REGISTRY", registry}});
    velvaro::platform::CloseRegistry();
    for (const auto& [root, path, name, data] : values) {
        HKEY key = 0;
        ASSERT_EQ(RegCreateKeyEx(root, path, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
        ASSERT_EQ(RegSetValueEx(key, name, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                                static_cast<DWORD>(data.size() + 1)),
                  ERROR_SUCCESS);
        RegCloseKey(key);
    }
    velvaro::platform::CloseRegistry();
}

// The first start owns Velvaro's playlists, on the desktop too; the window
// registers the file type with the program's own path at every start. The
// uninstall run, its box answered, ends with 0 and leaves nothing of the
// program in the registry or on the desktop.
TEST_F(WholeProgramTest, TheFirstStartOwnsPlaylistsAndUninstallTakesEveryTraceAwayEndingWithZero) {
    SetUpRegistry({{"Volume", -500}});
    const auto shellValue = [this](const std::string& key) {
        return SqliteFile(registry_).Value(
            "SELECT data FROM registry WHERE hive = 'HKEY_CLASSES_ROOT' AND lower(key) = lower('" +
            key + "') AND name = ''");
    };
    EXPECT_EQ(shellValue(".vpp"), "velvarofile");
    EXPECT_EQ(shellValue(".mkv"), "<none>");
    const std::string program = std::filesystem::canonical(VELVARO_EXECUTABLE).string();
    const std::filesystem::path entry = folder_ / "data/applications/velvaro.desktop";
    const std::string text = ReadBytes(entry);
    EXPECT_NE(text.find("\nExec=" + program + " %F\n"), std::string::npos) << text;
    EXPECT_NE(text.find("application/x-velvaro-playlist;"), std::string::npos) << text;
    EXPECT_TRUE(std::filesystem::exists(folder_ / "data/icons/hicolor/256x256/apps/velvaro.png"));
    EXPECT_NE(ReadBytes(folder_ / "config/mimeapps.list")
                  .find("application/x-velvaro-playlist=velvaro.desktop;"),
              std::string::npos);
    EXPECT_EQ(shellValue("VelvaroFile\\shell\\open\\command"), "<none>");

    // Another product of the maker, and a player that owned .avi before.
    WriteStrings(registry_,
                 {{HKEY_CURRENT_USER, "Software\\Quellware\\Other", "Path", "/opt/other"},
                  {HKEY_CLASSES_ROOT, ".avi", "", "aviFile"},
                  {HKEY_CLASSES_ROOT, ".mkv", "", "mkvFile"}});
    // avi owned from now on: the window's repair takes it at its start.
    SqliteFile(registry_, SQLITE_OPEN_READWRITE)
        .Rows(
            "UPDATE vals SET data = 3 WHERE fold = 'avi' AND key IN (SELECT id FROM keys "
            "WHERE fold = lower('Software\\Quellware\\Vel-Varo\\FileAssociations'))");
    auto player = Start({"/nosplash"});
    ASSERT_TRUE(WaitForTitles({"Velvaro"}));
    EXPECT_EQ(shellValue("VelvaroFile\\shell\\open\\command"), program + " \"%1\"");
    Stop(*player);

    // Keys at or below `path` (lower case) in `hive`.
    const auto keysAt = [this](const std::string& hive, const std::string& path) {
        return SqliteFile(registry_).Value(
            "SELECT count(*) FROM keys WHERE hive = '" + hive + "' AND (fold = '" + path +
            "' OR substr(fold, 1, " + std::to_string(path.size() + 1) + ") = '" + path + "\\')");
    };
    const std::string uninstallEntry =
        "software\\microsoft\\windows\\currentversion\\uninstall\\velvaro";
    ASSERT_NE(keysAt("HKEY_CURRENT_USER", "software\\quellware\\vel-varo"), "0");
    ASSERT_NE(keysAt("HKEY_CLASSES_ROOT", "velvarofile"), "0");
    ASSERT_EQ(keysAt("HKEY_LOCAL_MACHINE", uninstallEntry), "1");
    ASSERT_EQ(shellValue(".avi"), "velvarofile");
    ASSERT_TRUE(std::filesystem::exists(entry));

    auto uninstall = Start({"/uninstall"});
    const std::string box = WaitForWindow("Vel-Varo Uninstall");
    ASSERT_FALSE(box.empty());
    EXPECT_TRUE(WindowTitles().empty()) << "no player window";
    EXPECT_EQ(uninstall->state(), QProcess::Running) << "the box waits for its answer";
    XInput({"close", box});
    ASSERT_TRUE(uninstall->WaitForExit(15000));
    EXPECT_EQ(std::pair(uninstall->exitStatus(), uninstall->exitCode()),
              std::pair(QProcess::NormalExit, 0));

    // What is left is exactly what was there before Velvaro: the other
    // product, .avi's and .mkv's owners, and .vpp's key, now empty.
    EXPECT_EQ(SqliteFile(registry_).Rows(
                  "SELECT hive, key, name, data FROM registry ORDER BY hive, key, name"),
              (std::vector<std::vector<std::string>>{
                  {"HKEY_CLASSES_ROOT", ".avi", "", "aviFile"},
                  {"HKEY_CLASSES_ROOT", ".mkv", "", "mkvFile"},
                  {"HKEY_CURRENT_USER", "Software\\Quellware\\Other", "Path", "/opt/other"}}));
    EXPECT_EQ(keysAt("HKEY_CURRENT_USER", "software\\quellware\\vel-varo"), "0");
    EXPECT_EQ(keysAt("HKEY_CLASSES_ROOT", "velvarofile"), "0");
    EXPECT_EQ(keysAt("HKEY_LOCAL_MACHINE", uninstallEntry), "0");
    EXPECT_NE(keysAt("HKEY_CLASSES_ROOT", ".vpp"), "0") << "the extension's key stays";
    EXPECT_FALSE(std::filesystem::exists(entry));
    const std::string defaults = ReadBytes(folder_ / "config/mimeapps.list");
    EXPECT_EQ(defaults.find("velvaro.desktop"), std::string::npos) << defaults;
}

}  // namespace
}  // namespace velvaro::test
