// power_probe saving: switches power saving off and on again; run without
// any session bus, it must neither hang nor complain.
// power_probe off: makes the real power-off request. It refuses to run unless
// $DBUS_SYSTEM_BUS_ADDRESS names a bus other than the machine's own system
// bus, so it can never power anything off.
// Either says "done" at the end.
#include "platform/PowerOff.h"
#include "platform/PowerSaving.h"

#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    const std::string what = argc > 1 ? argv[1] : "";
    const char* given = std::getenv("DBUS_SYSTEM_BUS_ADDRESS");
    const std::string address = given ? given : "";
    if (what == "off" && (address.empty() || address.find("/run/dbus") != std::string::npos ||
                          address.find("system_bus_socket") != std::string::npos)) {
        std::fputs("power_probe: needs a private bus in DBUS_SYSTEM_BUS_ADDRESS\n", stderr);
        return 2;
    }
    QCoreApplication application(argc, argv);
    if (what == "off") {
        PowerOffSystem();
    } else {
        SetPowerSavingActive(false);
        SetPowerSavingActive(false);
        SetPowerSavingActive(true);
    }
    std::puts("done");
    return 0;
}
