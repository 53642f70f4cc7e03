// The clock that moves the position bar and the time: it ticks while the
// medium plays and rests while nothing can move, so a paused player never
// wakes; whatever may move it wakes it, and a remote hears of the jumps.
#include "PlayerWindow.h"
#include "RunProgram.h"

#include <QDBusConnection>

namespace {

// Counts the clock's ticks as the session tells them.
class TickCounter : public QObject {
public:
    explicit TickCounter(EngineEvents& clock) {
        connect(&clock, &EngineEvents::ticked, this, [this] { ++ticks_; });
    }
    int Take() { return std::exchange(ticks_, 0); }

private:
    int ticks_ = 0;
};

// The Seeked signals a remote sees, on its own connection to the bus.
class SeekListener : public QObject {
    Q_OBJECT
public:
    explicit SeekListener(const std::string& address)
        : bus_(QDBusConnection::connectToBus(QString::fromStdString(address), u"seek-listener"_s)) {
        bus_.connect(QString(), u"/org/mpris/MediaPlayer2"_s, u"org.mpris.MediaPlayer2.Player"_s,
                     u"Seeked"_s, this, SLOT(OnSeeked(qlonglong)));
    }
    ~SeekListener() override { QDBusConnection::disconnectFromBus(u"seek-listener"_s); }
    bool Connected() const { return bus_.isConnected(); }
    std::vector<qlonglong> Take() { return std::exchange(seeks_, {}); }

public Q_SLOTS:
    void OnSeeked(qlonglong position) { seeks_.push_back(position); }

private:
    QDBusConnection bus_;
    std::vector<qlonglong> seeks_;
};

class ClockTest : public PlayerWindowTest {
protected:
    // Plays out the tick that shows where the medium came to rest.
    void Settle() {
        Spin(400);
        ticks->Take();
    }
    void StartCounting() { ticks = std::make_unique<TickCounter>(window->Session().Events()); }
    int TicksIn(int milliseconds) {
        Spin(milliseconds);
        return ticks->Take();
    }
    int TicksAtRest(int milliseconds = 1000) {
        Settle();
        return TicksIn(milliseconds);
    }

    std::unique_ptr<TickCounter> ticks;
};

TEST_F(ClockTest, TheClockRestsWhileNothingMovesAndWakesForWhatMovesIt) {
    Start(Media("multi.mkv"));
    StartCounting();
    EXPECT_GE(TicksIn(1000), 2) << "playing, the clock ticks";
    Command(IDTBB_PAUSE);
    EXPECT_EQ(TicksAtRest(1500), 0) << "paused";

    // A seek by the position bar wakes it long enough to show where it landed.
    Scroll(PositionSlider(), SB_THUMBPOSITION, 300);
    EXPECT_TRUE(StatusComes(0, u"00:00:03"_s));
    EXPECT_EQ(TicksAtRest(), 0) << "paused again after the seek";

    // So do a frame step by key and a stop.
    Key(VK_OEM_PERIOD);
    EXPECT_GE(TicksIn(400), 1) << "woken by the key";
    Command(IDTBB_STOP);
    EXPECT_TRUE(StatusComes(0, u"00:00:00"_s));
    EXPECT_EQ(TicksAtRest(), 0) << "stopped";
    Command(IDTBB_PLAY);
    EXPECT_GE(TicksIn(1000), 2) << "playing again";
    EXPECT_TRUE(StatusComes(0, u"00:00:01"_s));
}

// A notice stands in for the time until it runs out, and the clock waits
// for it even when nothing plays.
TEST_F(ClockTest, ANoticeKeepsTheClockAwakeUntilTheTimeShowsAgain) {
    settings->startMediaAutomatically = 0;
    commandLine.SetBookmarkFile((folder().path() / "none.vbm").string());
    Start(Media("multi.mkv"));
    StartCounting();
    EXPECT_GE(TicksIn(1000), 2);
    EXPECT_TRUE(StatusText(0).contains(u"none.vbm"_s)) << StatusText(0).toStdString();
    ExpireNotice();
    EXPECT_TRUE(StatusComes(0, u"00:00:00"_s));
    EXPECT_EQ(TicksAtRest(), 0);
}

// The clock tells a remote of jumps; a resume after a long pause is none.
TEST_F(ClockTest, ARemoteHearsOfSeeksWhilePausedButNotOfAResume) {
    velvaro::test::PrivateBus bus;
    ASSERT_FALSE(bus.Address().empty()) << "dbus-daemon did not start";
    // The window's session bus is this one when the test has the process to
    // itself, as under ctest; a process settles its session bus only once.
    qputenv("DBUS_SESSION_BUS_ADDRESS", QByteArray::fromStdString(bus.Address()));
    Start(Media("multi.mkv"));
    qunsetenv("DBUS_SESSION_BUS_ADDRESS");
    if (!QDBusConnection::sessionBus().isConnected()) {
        GTEST_SKIP() << "an earlier test in this process settled the session bus";
    }
    SeekListener remote(bus.Address());
    ASSERT_TRUE(remote.Connected());
    StartCounting();

    Command(IDTBB_PAUSE);
    Settle();
    Scroll(PositionSlider(), SB_THUMBPOSITION, 300);
    std::vector<qlonglong> seeks;
    WaitFor([&] {
        std::ranges::copy(remote.Take(), std::back_inserter(seeks));
        return !seeks.empty();
    });
    ASSERT_EQ(seeks.size(), 1u) << "a seek while paused";
    EXPECT_NEAR(seeks[0], 3000000, 100000);
    TicksAtRest(1500);
    remote.Take();

    Command(IDTBB_PLAY);
    Spin(1200);
    EXPECT_EQ(remote.Take(), std::vector<qlonglong>{});
    Command(IDTBB_PAUSE);
}

}  // namespace

#include "ClockTest.moc"
