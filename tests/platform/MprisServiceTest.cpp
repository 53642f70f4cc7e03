// The media player object on a private bus, read and driven by the real
// playerctl, over a remote that records what it was asked.
#include "platform/MprisService.h"

#include "EventLoop.h"
#include "RunProgram.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using namespace velvaro::test;
using Lines = std::vector<std::string>;

class RecordingRemote : public MediaRemote {
public:
    void RemotePlay() override { calls.push_back("Play"); }
    void RemotePause() override { calls.push_back("Pause"); }
    void RemotePlayPause() override { calls.push_back("PlayPause"); }
    void RemoteStop() override { calls.push_back("Stop"); }
    void RemoteNext() override { calls.push_back("Next"); }
    void RemotePrevious() override { calls.push_back("Previous"); }
    void RemoteRaise() override { calls.push_back("Raise"); }
    void RemoteQuit() override { calls.push_back("Quit"); }
    void RemoteSetPosition(std::int64_t positionUs) override {
        calls.push_back("SetPosition " + std::to_string(positionUs));
    }
    void RemoteOpenUri(const QString& uri) override {
        calls.push_back("OpenUri " + uri.toStdString());
    }
    void RemoteSetRate(double rate) override { calls.push_back("SetRate " + Number(rate)); }
    void RemoteSetVolume(double volume) override { calls.push_back("SetVolume " + Number(volume)); }
    std::int64_t RemotePosition() const override { return positionUs; }

    static std::string Number(double value) { return QString::number(value).toStdString(); }
    Lines Take() { return std::exchange(calls, {}); }

    Lines calls;
    std::int64_t positionUs = 2500000;
};

// Records the player's change signals as a client on its own connection sees them.
class SignalRecorder : public QObject {
    Q_OBJECT
public:
    explicit SignalRecorder(QDBusConnection bus) {
        bus.connect(QString(), QStringLiteral("/org/mpris/MediaPlayer2"),
                    QStringLiteral("org.freedesktop.DBus.Properties"),
                    QStringLiteral("PropertiesChanged"), this,
                    SLOT(OnChanged(QString, QVariantMap, QStringList)));
        bus.connect(QString(), QStringLiteral("/org/mpris/MediaPlayer2"),
                    QStringLiteral("org.mpris.MediaPlayer2.Player"), QStringLiteral("Seeked"), this,
                    SLOT(OnSeeked(qlonglong)));
    }
    Lines Take() {
        RunEventsFor(300);
        return std::exchange(signals_, {});
    }

public Q_SLOTS:
    void OnChanged(const QString& interface, const QVariantMap& changed, const QStringList&) {
        std::string line = interface.toStdString();
        for (auto it = changed.begin(); it != changed.end(); ++it) {
            line += ' ' + it.key().toStdString();
        }
        signals_.push_back(line);
    }
    void OnSeeked(qlonglong position) { signals_.push_back("Seeked " + std::to_string(position)); }

private:
    Lines signals_;
};

RemoteState Playing(RemoteState::Status status = RemoteState::Status::kPlaying) {
    return {.status = status,
            .medium = 1,
            .open = true,
            .title = QStringLiteral("clip one.mkv"),
            .url = QStringLiteral("file:///media/clip%20one.mkv"),
            .lengthUs = 24000000,
            .minimumRate = 0.5,
            .maximumRate = 32,
            .volume = 0.25,
            .canGoNext = true,
            .canPlay = true,
            .canPause = true,
            .canSeek = true};
}

// The medium of Playing() closed.
const RemoteState kClosed = [] {
    RemoteState state;
    state.medium = 1;
    return state;
}();

class MprisServiceTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(bus_.Address().empty()) << "dbus-daemon did not start";
        connection_ = std::make_unique<QDBusConnection>(
            QDBusConnection::connectToBus(QString::fromStdString(bus_.Address()), Name()));
        ASSERT_TRUE(connection_->isConnected());
    }
    void TearDown() override {
        service_.reset();
        connection_.reset();
        QDBusConnection::disconnectFromBus(Name());
    }
    static QString Name() { return QStringLiteral("mpris-test"); }

    // A registered service with this state, its name granted.
    void StartService(const RemoteState& state) {
        service_ = std::make_unique<MprisService>(remote_, *connection_);
        service_->Publish(state);
        ASSERT_TRUE(service_->Start());
        ASSERT_TRUE(RunEventsUntil([&] { return !service_->ServiceName().isEmpty(); }));
    }

    // playerctl's answer to the words of `command` while this process serves
    // the bus. Asks the player named velvaro, unless the command names players.
    std::string Playerctl(const std::string& command) {
        Child client({{"DBUS_SESSION_BUS_ADDRESS", bus_.Address()}});
        client.setProcessChannelMode(QProcess::SeparateChannels);
        QStringList args = QString::fromStdString(command).split(u' ');
        if (!command.starts_with('-')) {
            args = QStringList{QStringLiteral("-p"), QStringLiteral("velvaro")} + args;
        }
        client.start(QStringLiteral("/usr/bin/playerctl"), args);
        EXPECT_TRUE(client.waitForStarted(10000));
        EXPECT_TRUE(RunEventsUntil([&] { return client.state() == QProcess::NotRunning; }, 10000));
        return client.readAllStandardOutput().trimmed().toStdString();
    }
    void PlayerctlEach(std::initializer_list<const char*> commands) {
        for (const char* command : commands) {
            Playerctl(std::string(command));
        }
    }

    // A property written as a client on a connection of its own would.
    void SetProperty(const char* name, double value) {
        QDBusConnection client =
            QDBusConnection::connectToBus(QString::fromStdString(bus_.Address()), Name() + u'2');
        // Not a QDBusInterface: it would ask this very process, blocked, what
        // the object is.
        QDBusMessage set = QDBusMessage::createMethodCall(
            service_->ServiceName(), QStringLiteral("/org/mpris/MediaPlayer2"),
            QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Set"));
        set << QStringLiteral("org.mpris.MediaPlayer2.Player") << QString::fromLatin1(name)
            << QVariant::fromValue(QDBusVariant(value));
        const QDBusPendingCall call = client.asyncCall(set);
        EXPECT_TRUE(RunEventsUntil([&] { return call.isFinished(); }));
        QDBusConnection::disconnectFromBus(Name() + u'2');
    }

    PrivateBus bus_;
    std::unique_ptr<QDBusConnection> connection_;
    RecordingRemote remote_;
    std::unique_ptr<MprisService> service_;
};

TEST_F(MprisServiceTest, PlayerctlReadsThePublishedStateAndItsPosition) {
    StartService(Playing());
    EXPECT_EQ(Playerctl("status"), "Playing");
    EXPECT_EQ(Playerctl("metadata --format "
                        "{{mpris:trackid}}|{{mpris:length}}|{{xesam:title}}|{{xesam:url}}"),
              "'/org/mpris/MediaPlayer2/velvaro/track/1'|24000000|clip one.mkv|"
              "file:///media/clip%20one.mkv");
    // playerctl adds the time since it read the position while playing.
    EXPECT_NEAR(std::stod(Playerctl("position")), 2.5, 0.1);
    remote_.positionUs = 7000000;
    EXPECT_NEAR(std::stod(Playerctl("position")), 7, 0.1);
    EXPECT_EQ(Playerctl("volume"), "0.250000");

    service_->Publish(Playing(RemoteState::Status::kPaused));
    EXPECT_EQ(Playerctl("status"), "Paused");
    service_->Publish(kClosed);
    EXPECT_EQ(Playerctl("status"), "Stopped");
    EXPECT_EQ(Playerctl("metadata xesam:title"), "");
    EXPECT_EQ(Playerctl("position"), "0.000000");
    EXPECT_TRUE(remote_.Take().empty());
}

TEST_F(MprisServiceTest, PlayerctlCommandsReachTheRemoteOnlyWhereThePlayerCanDoThem) {
    StartService(Playing());
    PlayerctlEach({"play-pause", "play", "pause", "stop", "next", "previous"});
    // No previous item: that one is not passed on.
    EXPECT_EQ(remote_.Take(), (Lines{"PlayPause", "Play", "Pause", "Stop", "Next"}));

    // 30 is past the end, not a position of this track, while a seek past the
    // end goes on to the next track; before the start is the start.
    PlayerctlEach({"position 5", "position 1-", "position 30", "position 30+", "position 9-",
                   "volume 0.5", "volume 3", "open file:///media/other.mkv",
                   "open https://example.org/a.mkv", "open ftp://example.org/a.mkv"});
    EXPECT_EQ(remote_.Take(),
              (Lines{"SetPosition 5000000", "SetPosition 1500000", "Next", "SetPosition 0",
                     "SetVolume 0.5", "SetVolume 1", "OpenUri file:///media/other.mkv",
                     "OpenUri https://example.org/a.mkv"}));

    SetProperty("Rate", 100);
    SetProperty("Rate", 3);
    SetProperty("Rate", 0);  // zero is a pause
    EXPECT_EQ(remote_.Take(), (Lines{"SetRate 32", "SetRate 3", "Pause"}));

    // Nothing open: nothing to play, seek or set.
    service_->Publish(kClosed);
    PlayerctlEach({"play-pause", "play", "pause", "stop", "next", "position 5", "volume 0.5"});
    EXPECT_EQ(remote_.Take(), Lines());
}

TEST_F(MprisServiceTest, ChangesAreAnnouncedOnceEachAndSeeksAsSeeked) {
    StartService(Playing());
    SignalRecorder recorder(*connection_);
    service_->Publish(Playing());
    EXPECT_EQ(recorder.Take(), Lines());

    RemoteState state = Playing(RemoteState::Status::kPaused);
    state.volume = 0.5;
    service_->Publish(state);
    EXPECT_EQ(recorder.Take(), Lines{"org.mpris.MediaPlayer2.Player PlaybackStatus Volume"});

    state.medium = 2;
    state.canGoPrevious = true;
    service_->Publish(state);
    EXPECT_EQ(recorder.Take(), Lines{"org.mpris.MediaPlayer2.Player CanGoPrevious Metadata"});

    state.rate = 2;
    service_->Publish(state);
    service_->NotifySeeked(3000000);
    EXPECT_EQ(recorder.Take(), (Lines{"org.mpris.MediaPlayer2.Player Rate", "Seeked 3000000"}));
}

// A second player's own name is the program tests' to check.
TEST_F(MprisServiceTest, WithoutABusNothingHappensAndQuickly) {
    QElapsedTimer clock;
    clock.start();
    {
        QDBusConnection none = QDBusConnection::connectToBus(
            QStringLiteral("unix:path=/nonexistent/velvaro-no-bus"), Name() + u'4');
        MprisService lonely(remote_, none);
        EXPECT_FALSE(lonely.Start());
        lonely.Publish(Playing());
        lonely.NotifySeeked(1);
        EXPECT_TRUE(lonely.ServiceName().isEmpty());
    }
    QDBusConnection::disconnectFromBus(Name() + u'4');
    EXPECT_LT(clock.elapsed(), 2000);
    EXPECT_TRUE(remote_.Take().empty());
}

}  // namespace

#include "MprisServiceTest.moc"
