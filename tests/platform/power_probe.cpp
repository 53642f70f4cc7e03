// Switches power saving off and on again and says "done": run without any
// session bus, it must neither hang nor complain.
#include "platform/PowerSaving.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    SetPowerSavingActive(false);
    SetPowerSavingActive(false);
    SetPowerSavingActive(true);
    std::puts("done");
    return 0;
}
