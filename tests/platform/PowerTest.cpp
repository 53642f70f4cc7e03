// Power saving and the power-off request. Power saving talks to a screen
// saver service on a private session bus. The power-off request is counted
// instead of made in every test program; the real one, made by a probe
// process, goes to a stand-in logind on a private bus, never to the machine's.
#include "RunProgram.h"
#include "TestRegistry.h"
#include "platform/PowerSaving.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>

#include <memory>
#include <string>

namespace {

using namespace velvaro::test;
using Lines = std::vector<std::string>;

// What a probe that asks for something and must stay silent prints.
const ProgramResult kDone = {0, "done\n", ""};

// A private bus for the whole suite, and stand-in services on it.
class PowerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { bus_ = std::make_unique<PrivateBus>(); }
    static void TearDownTestSuite() { bus_.reset(); }
    void SetUp() override { ASSERT_FALSE(bus_->Address().empty()) << "dbus-daemon did not start"; }

    void StartService(const std::vector<std::string>& arguments) {
        service_.reset();  // its name must be free again
        service_ = std::make_unique<Child>(
            std::map<std::string, std::string>{{"DBUS_SYSTEM_BUS_ADDRESS", bus_->Address()}});
        ASSERT_TRUE(service_->Start(BUS_SERVICES, arguments));
        ASSERT_EQ(service_->NextLine(), "ready");
    }
    // The calls the service printed since the last look.
    Lines Calls() {
        Lines calls;
        for (std::optional<std::string> call; (call = service_->NextLine(300));) {
            calls.push_back(*call);
        }
        return calls;
    }
    ProgramResult Probe(const std::string& what, const std::string& systemBus) {
        return RunProgram(POWER_PROBE, {what}, {{"DBUS_SYSTEM_BUS_ADDRESS", systemBus}});
    }

    static std::unique_ptr<PrivateBus> bus_;
    std::unique_ptr<Child> service_;
};

std::unique_ptr<PrivateBus> PowerTest::bus_;

TEST_F(PowerTest, PowerSavingOneInhibitionWhileOffReleasedWhenOnAgain) {
    const ScopedEnvironment session({{"DBUS_SESSION_BUS_ADDRESS", bus_->Address()}});
    QElapsedTimer clock;
    clock.start();
    SetPowerSavingActive(false);  // no service yet: nothing happens, and quickly
    EXPECT_LT(clock.elapsed(), 2000);
    // The failed call counts for nothing: now the next request inhibits.
    StartService({"screensaver"});
    SetPowerSavingActive(false);
    SetPowerSavingActive(false);
    EXPECT_EQ(Calls(), Lines{"Inhibit Velvaro|Playing a video -> 1"});
    SetPowerSavingActive(true);
    EXPECT_EQ(Calls(), Lines{"UnInhibit 1"});
    SetPowerSavingActive(true);
    EXPECT_EQ(Calls(), Lines());
    SetPowerSavingActive(false);
    SetPowerSavingActive(true);
    EXPECT_EQ(Calls(), (Lines{"Inhibit Velvaro|Playing a video -> 2", "UnInhibit 2"}));
}

TEST_F(PowerTest, WithoutAnyBusPowerSavingAndPowerOffAreSilent) {
    const TestFolder folder;
    const std::string none = "unix:path=" + (folder / "no-bus");
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(RunProgram(POWER_PROBE, {"saving"},
                         {{"DBUS_SESSION_BUS_ADDRESS", none},
                          {"DISPLAY", ""},
                          {"WAYLAND_DISPLAY", ""},
                          {"XDG_RUNTIME_DIR", folder.path().string()}}),
              kDone);
    EXPECT_EQ(Probe("off", none), kDone);
    EXPECT_LT(clock.elapsed(), 10000);
    // The probe makes the real request, so it must never reach the machine's bus.
    for (const std::string address : {"", "unix:path=/run/dbus/system_bus_socket",
                                      "unix:path=/var/run/dbus/system_bus_socket"}) {
        const ProgramResult result = Probe("off", address);
        EXPECT_EQ(std::pair(result.exitCode, result.out), std::pair(2, std::string())) << address;
    }
}

TEST_F(PowerTest, PowerOffAsksLogindOnceWithoutPromptAndARefusalOrNoServiceIsSilent) {
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(Probe("off", bus_->Address()), kDone);  // nobody owns the name yet
    EXPECT_LT(clock.elapsed(), 5000);
    StartService({"login1"});
    EXPECT_EQ(Probe("off", bus_->Address()), kDone);
    EXPECT_EQ(Calls(), Lines{"PowerOff false"});
    StartService({"login1", "refuse"});
    EXPECT_EQ(Probe("off", bus_->Address()), kDone);
    EXPECT_EQ(Calls(), Lines{"PowerOff false"});
}

}  // namespace
