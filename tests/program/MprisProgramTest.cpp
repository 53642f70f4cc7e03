// The real program on a private session bus, driven by the real playerctl as
// a desktop's media controls would, and by the media keys; without a bus it
// plays all the same.
#include "MediaServer.h"
#include "ProgramFixture.h"

#include <QUrl>

namespace velvaro::test {
namespace {

class MprisProgramTest : public WholeProgramTest {
protected:
    void SetUp() override {
        WholeProgramTest::SetUp();
        ASSERT_FALSE(bus_.Address().empty()) << "dbus-daemon did not start";
        extraEnvironment_["DBUS_SESSION_BUS_ADDRESS"] = bus_.Address();
    }

    // playerctl's answer; the player named velvaro unless the arguments name players.
    std::string Playerctl(std::vector<std::string> args) const {
        if (!args.front().starts_with('-')) {
            args.insert(args.begin(), {"-p", "velvaro"});
        }
        const std::string out =
            RunProgram("/usr/bin/playerctl", args, {{"DBUS_SESSION_BUS_ADDRESS", bus_.Address()}})
                .out;
        return QString::fromStdString(out).trimmed().toStdString();
    }
    bool WaitForAnswer(const std::vector<std::string>& args, const std::string& wanted) const {
        std::string last;
        const bool answered = RunEventsUntil(
            [&] {
                QThread::msleep(100);
                return (last = Playerctl(args)) == wanted;
            },
            15000);
        EXPECT_TRUE(answered) << "last answer: " << last;
        return answered;
    }
    double Seconds(const std::string& command) const {
        return QString::fromStdString(Playerctl({command})).toDouble();
    }
    // Presses a media key; true once the window's title shows what it did.
    bool KeyShows(const std::string& key, const std::string& title) const {
        return XInput({"keys", key}) == 0 && WaitForTitles({title});
    }

    PrivateBus bus_;
};

TEST_F(MprisProgramTest, PlayerctlAndTheMediaKeysPlayPauseSeekAndGoToTheNextItem) {
    SetUpRegistry({{"SingleInstanceMode", 1}});
    auto player = Start({WritePlaylist({kMedia + "long.mkv", kMedia + "audio.mp3"})});
    ASSERT_TRUE(WaitForTitles({"Velvaro - long.mkv - PLAY"}));
    ASSERT_TRUE(WaitForAnswer({"status"}, "Playing"));
    const QStringList metadata =
        QString::fromStdString(
            Playerctl({"metadata", "--format", "{{xesam:title}}|{{mpris:length}}|{{xesam:url}}"}))
            .split(u'|');
    ASSERT_EQ(metadata.size(), 3);
    EXPECT_EQ(metadata[0], QStringLiteral("long.mkv"));
    EXPECT_NEAR(metadata[1].toLongLong(), 24000000, 500000);
    EXPECT_EQ(metadata[2], QUrl::fromLocalFile(QString::fromStdString(kMedia + "long.mkv"))
                               .toString(QUrl::FullyEncoded));

    Playerctl({"play-pause"});
    ASSERT_TRUE(WaitForTitles({"Velvaro - long.mkv - PAUSE"}));
    EXPECT_TRUE(WaitForAnswer({"status"}, "Paused"));
    Playerctl({"position", "12"});
    EXPECT_TRUE(RunEventsUntil([&] { return std::abs(Seconds("position") - 12) < 0.5; }, 5000))
        << Playerctl({"position"});
    Playerctl({"play-pause"});
    ASSERT_TRUE(WaitForTitles({"Velvaro - long.mkv - PLAY"}));
    EXPECT_TRUE(WaitForAnswer({"status"}, "Playing"));
    EXPECT_TRUE(RunEventsUntil([&] { return Seconds("position") > 12.5; }, 5000))
        << "the position did not move on from 12 s: " << Playerctl({"position"});

    Playerctl({"volume", "0.3"});
    EXPECT_TRUE(WaitForAnswer({"volume"}, "0.300000"));

    ASSERT_TRUE(KeyShows("XF86AudioPause", "Velvaro - long.mkv - PAUSE"));
    ASSERT_TRUE(KeyShows("XF86AudioPlay", "Velvaro - long.mkv - PLAY"));

    Playerctl({"next"});
    ASSERT_TRUE(WaitForTitles({"Velvaro - audio.mp3 - PLAY"}));
    EXPECT_TRUE(WaitForAnswer({"metadata", "xesam:title"}, "audio.mp3"));
    ASSERT_TRUE(KeyShows("XF86AudioPrev", "Velvaro - long.mkv - PLAY"));

    Playerctl({"stop"});
    ASSERT_TRUE(WaitForTitles({"Velvaro - long.mkv - STOP"}));
    EXPECT_TRUE(WaitForAnswer({"status"}, "Stopped"));
    // playerctl has no quit; dbus-send asks as a panel's close button would.
    EXPECT_EQ(RunProgram("/usr/bin/dbus-send",
                         {"--session", "--print-reply", "--dest=org.mpris.MediaPlayer2.velvaro",
                          "/org/mpris/MediaPlayer2", "org.mpris.MediaPlayer2.Quit"},
                         {{"DBUS_SESSION_BUS_ADDRESS", bus_.Address()}})
                  .exitCode,
              0);
    ASSERT_TRUE(player->WaitForExit(10000));
    EXPECT_EQ(player->exitCode(), 0);
}

// Addresses come as files do: handed over by a second start, and through
// the bus's OpenUri, each named by its last path segment.
TEST_F(MprisProgramTest, AddressesArriveByHandOverAndThroughTheBus) {
    MediaServer server{QStringLiteral(VELVARO_TEST_MEDIA)};
    ASSERT_TRUE(server.Started());
    SetUpRegistry({{"SingleInstanceMode", 1}});
    auto first = Start({kMedia + "audio.mp3"});
    ASSERT_TRUE(WaitForTitles({"Velvaro - audio.mp3 - PLAY"}));
    auto second = Start({server.Address(QStringLiteral("redirect/net/clip.mp4"))});
    ASSERT_TRUE(second->WaitForExit(15000));
    EXPECT_TRUE(WaitForTitles({"Velvaro - clip.mp4 - PLAY"}));
    const std::string stream = server.Address(QStringLiteral("net/hls/index.m3u8"));
    Playerctl({"open", stream});
    EXPECT_TRUE(WaitForTitles({"Velvaro - index.m3u8 - PLAY"}));
    EXPECT_TRUE(WaitForAnswer({"metadata", "xesam:url"}, stream));
    EXPECT_EQ(first->state(), QProcess::Running);
}

// Without single instance every start gets a window and a bus name of its
// own; a termination signal closes a window and saves its settings, also
// during an open, and the command-line medium opens without a splash too.
TEST_F(MprisProgramTest, EachWindowHasANameOfItsOwnAndEndsOnASignalSavingItsSettings) {
    SetUpRegistry({{"SingleInstanceMode", 0}, {"CompactView", 0}});
    auto first = Start({kMedia + "multi.mkv"});
    ASSERT_TRUE(WaitForTitles({"Velvaro - multi.mkv - PLAY"}));
    ASSERT_TRUE(WaitForAnswer({"--list-all"}, "velvaro"));
    // Silent for seconds before the open gives up on it.
    auto opening = Start({kMedia + "damaged/huge.y4m", "/compact"});
    ASSERT_TRUE(WaitForTitles({"Velvaro - multi.mkv - PLAY", "Velvaro"}));
    QThread::msleep(800);
    Stop(*opening);
    EXPECT_EQ(Setting("CompactView"), "1") << "not saved on a signal during an open";
    SetUpRegistry({{"CompactView", 0}});
    auto second = Start({"/nosplash", kMedia + "audio.mp3", "/compact"});
    ASSERT_TRUE(WaitForTitles({"Velvaro - multi.mkv - PLAY", "Velvaro - audio.mp3 - PLAY"}));
    const std::string instance = "velvaro.instance" + std::to_string(second->processId());
    EXPECT_TRUE(RunEventsUntil(
        [&] {
            QThread::msleep(100);
            QStringList names = QString::fromStdString(Playerctl({"--list-all"})).split(u'\n');
            names.sort();
            return names ==
                   QStringList{QStringLiteral("velvaro"), QString::fromStdString(instance)};
        },
        15000))
        << Playerctl({"--list-all"});
    EXPECT_EQ(Playerctl({"-p", "velvaro", "metadata", "xesam:title"}), "multi.mkv");
    Stop(*second);
    EXPECT_EQ(Setting("CompactView"), "1");
    EXPECT_TRUE(WaitForTitles({"Velvaro - multi.mkv - PLAY"})) << "the first window ended";
}

// The media keys need no bus.
TEST_F(MprisProgramTest, WithoutASessionBusThePlayerPlaysAndHearsTheMediaKeys) {
    extraEnvironment_["DBUS_SESSION_BUS_ADDRESS"] = "unix:path=" + (folder_ / "no-bus");
    SetUpRegistry({{"SingleInstanceMode", 1}});
    auto player = Start({kMedia + "long.mkv"});
    ASSERT_TRUE(WaitForTitles({"Velvaro - long.mkv - PLAY"}));
    ASSERT_TRUE(KeyShows("XF86AudioStop", "Velvaro - long.mkv - STOP"));
    ASSERT_TRUE(KeyShows("XF86AudioPlay", "Velvaro - long.mkv - PLAY"));
}

}  // namespace
}  // namespace velvaro::test
