// The power-off request: a counter stands in for it in every test program,
// and the real request, made by a probe process of its own, goes to a
// stand-in logind on a private bus, never to the machine's system bus.
#include "ChildProcess.h"
#include "PowerOffGuard.h"
#include "RunProgram.h"
#include "TestRegistry.h"
#include "platform/PowerOff.h"

#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>

#include <memory>
#include <string>

namespace {

using velvaro::test::NextLine;
using velvaro::test::Stop;

TEST(PowerOffTest, TestProgramsCountTheRequestInsteadOfMakingIt) {
    const int before = velvaro::test::PowerOffRequests();
    PowerOffSystem();
    PowerOffSystem();
    EXPECT_EQ(velvaro::test::PowerOffRequests(), before + 2);

    int recorded = 0;
    SetPowerOffForTesting([&recorded] { ++recorded; });
    PowerOffSystem();
    velvaro::test::InstallPowerOffGuard();
    EXPECT_EQ(recorded, 1);
    EXPECT_EQ(velvaro::test::PowerOffRequests(), before + 2);
}

TEST(PowerOffTest, TheProbeRefusesTheMachinesOwnSystemBus) {
    for (const std::string& address :
         {std::string(), std::string("unix:path=/run/dbus/system_bus_socket"),
          std::string("unix:path=/var/run/dbus/system_bus_socket")}) {
        const auto result =
            velvaro::test::RunProgram(POWER_OFF_PROBE, {}, {{"DBUS_SYSTEM_BUS_ADDRESS", address}});
        EXPECT_EQ(result.exitCode, 2) << address;
        EXPECT_EQ(result.out, "") << address;
    }
}

TEST(PowerOffTest, WithoutASystemBusTheRequestIsSilent) {
    velvaro::test::TestFolder folder;
    QElapsedTimer clock;
    clock.start();
    const auto result = velvaro::test::RunProgram(
        POWER_OFF_PROBE, {}, {{"DBUS_SYSTEM_BUS_ADDRESS", "unix:path=" + (folder / "no-bus")}});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, "done\n");
    EXPECT_EQ(result.err, "");
    EXPECT_LT(clock.elapsed(), 5000);
}

// A bus of its own that the probe and the stand-in logind take for the
// system bus.
class PowerOffBusTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        bus_ = std::make_unique<QProcess>();
        bus_->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        bus_->start(QStringLiteral("dbus-daemon"),
                    {QStringLiteral("--session"), QStringLiteral("--nofork"),
                     QStringLiteral("--nopidfile"), QStringLiteral("--print-address=1")});
        address_ = NextLine(*bus_, 10000).toStdString();
    }
    static void TearDownTestSuite() {
        Stop(*bus_);
        bus_.reset();
    }

    void SetUp() override { ASSERT_FALSE(address_.empty()) << "dbus-daemon did not start"; }
    void TearDown() override { Stop(service_); }

    void StartService(const QStringList& arguments = {}) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"),
                           QString::fromStdString(address_));
        service_.setProcessEnvironment(environment);
        service_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        service_.start(QStringLiteral(LOGIN1_SERVICE), arguments);
        ASSERT_EQ(NextLine(service_), QStringLiteral("ready"));
    }
    velvaro::test::ProgramResult RunProbe() {
        return velvaro::test::RunProgram(POWER_OFF_PROBE, {},
                                         {{"DBUS_SYSTEM_BUS_ADDRESS", address_}});
    }
    // The calls the service printed since the last look.
    QStringList Calls() {
        QStringList calls;
        while (service_.canReadLine() || service_.waitForReadyRead(200)) {
            while (service_.canReadLine()) {
                calls.push_back(QString::fromUtf8(service_.readLine()).chopped(1));
            }
        }
        return calls;
    }

    static std::unique_ptr<QProcess> bus_;
    static std::string address_;
    QProcess service_;
};

std::unique_ptr<QProcess> PowerOffBusTest::bus_;
std::string PowerOffBusTest::address_;

TEST_F(PowerOffBusTest, AsksLogindOnceWithoutAnInteractivePrompt) {
    StartService();
    const auto result = RunProbe();
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, "done\n");
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(Calls(), QStringList{QStringLiteral("PowerOff false")});
}

TEST_F(PowerOffBusTest, ARefusalOrAMissingServiceIsSilent) {
    QElapsedTimer clock;
    clock.start();
    auto result = RunProbe();  // nobody owns the name yet
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, "done\n");
    EXPECT_EQ(result.err, "");
    EXPECT_LT(clock.elapsed(), 5000);

    StartService({QStringLiteral("refuse")});
    result = RunProbe();
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, "done\n");
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(Calls(), QStringList{QStringLiteral("PowerOff false")});
}

}  // namespace
