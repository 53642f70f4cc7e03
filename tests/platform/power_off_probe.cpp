// Makes the real power-off request and says "done". Only for the tests: it
// refuses to run unless $DBUS_SYSTEM_BUS_ADDRESS names a bus other than the
// machine's own system bus, so it can never power anything off.
#include "platform/PowerOff.h"

#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    const char* given = std::getenv("DBUS_SYSTEM_BUS_ADDRESS");
    const std::string address = given ? given : "";
    if (address.empty() || address.find("/run/dbus") != std::string::npos ||
        address.find("system_bus_socket") != std::string::npos) {
        std::fputs("power_off_probe: needs a private bus in DBUS_SYSTEM_BUS_ADDRESS\n", stderr);
        return 2;
    }
    QCoreApplication application(argc, argv);
    PowerOffSystem();
    std::puts("done");
    return 0;
}
