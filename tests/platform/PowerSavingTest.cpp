// Power saving through a screen saver service on a private session bus.
#include "ChildProcess.h"
#include "RunProgram.h"
#include "TestRegistry.h"
#include "platform/PowerSaving.h"

#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QProcess>

#include <memory>

namespace {

using velvaro::test::NextLine;
using velvaro::test::Stop;

// A bus of its own for this test program, the session bus of everything in it.
class PowerSavingTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        bus_ = std::make_unique<QProcess>();
        bus_->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        bus_->start(QStringLiteral("dbus-daemon"),
                    {QStringLiteral("--session"), QStringLiteral("--nofork"),
                     QStringLiteral("--nopidfile"), QStringLiteral("--print-address=1")});
        const QString address = NextLine(*bus_, 10000);
        ASSERT_FALSE(address.isEmpty()) << "dbus-daemon did not start";
        qputenv("DBUS_SESSION_BUS_ADDRESS", address.toUtf8());
    }
    static void TearDownTestSuite() {
        Stop(*bus_);
        bus_.reset();
    }

    void TearDown() override {
        SetPowerSavingActive(true);  // leave nothing inhibited for the next test
        Stop(service_);
    }

    void StartService() {
        service_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        service_.start(QStringLiteral(SCREENSAVER_SERVICE));
        ASSERT_EQ(NextLine(service_), QStringLiteral("ready"));
    }
    // The calls the service printed since the last look.
    QStringList Calls() {
        QStringList calls;
        service_.waitForReadyRead(200);
        while (service_.canReadLine() || service_.waitForReadyRead(50)) {
            while (service_.canReadLine()) {
                calls.push_back(QString::fromUtf8(service_.readLine()).chopped(1));
            }
        }
        return calls;
    }

    static std::unique_ptr<QProcess> bus_;
    QProcess service_;
};

std::unique_ptr<QProcess> PowerSavingTest::bus_;

TEST_F(PowerSavingTest, OneInhibitionWhileOffReleasedWhenOnAgain) {
    StartService();
    SetPowerSavingActive(false);
    SetPowerSavingActive(false);
    EXPECT_EQ(Calls(), QStringList{QStringLiteral("Inhibit Velvaro|Playing a video -> 1")});
    SetPowerSavingActive(true);
    EXPECT_EQ(Calls(), QStringList{QStringLiteral("UnInhibit 1")});
    SetPowerSavingActive(true);
    EXPECT_EQ(Calls(), QStringList());
    SetPowerSavingActive(false);
    SetPowerSavingActive(true);
    EXPECT_EQ(Calls(), (QStringList{QStringLiteral("Inhibit Velvaro|Playing a video -> 2"),
                                    QStringLiteral("UnInhibit 2")}));
}

TEST_F(PowerSavingTest, WithoutTheServiceNothingHappensAndALaterServiceIsUsed) {
    QElapsedTimer clock;
    clock.start();
    SetPowerSavingActive(false);
    EXPECT_LT(clock.elapsed(), 2000);
    // The failed call counts for nothing: once the service is there, the
    // next request inhibits.
    StartService();
    SetPowerSavingActive(false);
    EXPECT_EQ(Calls(), QStringList{QStringLiteral("Inhibit Velvaro|Playing a video -> 1")});
    SetPowerSavingActive(true);
    EXPECT_EQ(Calls(), QStringList{QStringLiteral("UnInhibit 1")});
}

TEST(PowerSavingWithoutBusTest, NothingHappensSilently) {
    velvaro::test::TestFolder folder;
    QElapsedTimer clock;
    clock.start();
    const auto result =
        velvaro::test::RunProgram(POWER_PROBE, {},
                                  {{"DBUS_SESSION_BUS_ADDRESS", "unix:path=" + (folder / "no-bus")},
                                   {"DISPLAY", ""},
                                   {"WAYLAND_DISPLAY", ""},
                                   {"XDG_RUNTIME_DIR", folder.path().string()}});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, "done\n");
    EXPECT_EQ(result.err, "");
    EXPECT_LT(clock.elapsed(), 5000);
}

}  // namespace
