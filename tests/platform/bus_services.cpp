// Stand-ins for the desktop's bus services, each printing every call it gets
// on its own line and "ready" once its name is taken:
//   bus_services screensaver      org.freedesktop.ScreenSaver on the session
//                                 bus: "Inhibit <application>|<reason> -> <cookie>",
//                                 "UnInhibit <cookie>"
//   bus_services login1 [refuse]  org.freedesktop.login1 on the private bus
//                                 given as $DBUS_SYSTEM_BUS_ADDRESS: "PowerOff
//                                 <interactive>"; with "refuse" each call is
//                                 denied, as logind does for a user who may not
//   bus_services saving           switches power saving off and on again; run
//                                 without any session bus, it must neither
//                                 hang nor complain
//   bus_services off              makes the real power-off request
// The last two say "done" at the end. login1 and off refuse to run unless
// $DBUS_SYSTEM_BUS_ADDRESS names a bus other than the machine's own system
// bus, so nothing can ever be powered off.
#include "platform/PowerOff.h"
#include "platform/PowerSaving.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusError>
#include <QObject>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

class ScreenSaver : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")

public Q_SLOTS:
    uint Inhibit(const QString& application, const QString& reason) {
        std::printf("Inhibit %s|%s -> %u\n", application.toUtf8().constData(),
                    reason.toUtf8().constData(), ++lastCookie_);
        return lastCookie_;
    }
    void UnInhibit(uint cookie) { std::printf("UnInhibit %u\n", cookie); }

private:
    uint lastCookie_ = 0;
};

class Login1 : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")

public:
    explicit Login1(bool refuse) : refuse_(refuse) {}

public Q_SLOTS:
    void PowerOff(bool interactive) {
        std::printf("PowerOff %s\n", interactive ? "true" : "false");
        if (refuse_) {
            sendErrorReply(QDBusError::AccessDenied, QStringLiteral("Access denied"));
        }
    }

private:
    bool refuse_;
};

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);  // every line goes out at once
    const std::string what = argc > 1 ? argv[1] : "";
    const char* given = std::getenv("DBUS_SYSTEM_BUS_ADDRESS");
    const std::string system = given ? given : "";
    const bool login1 = what == "login1";
    if ((login1 || what == "off") &&
        (system.empty() || system.find("/run/dbus") != std::string::npos ||
         system.find("system_bus_socket") != std::string::npos)) {
        std::fputs("bus_services: needs a private bus in DBUS_SYSTEM_BUS_ADDRESS\n", stderr);
        return 2;
    }
    QCoreApplication application(argc, argv);
    if (what == "off" || what == "saving") {
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
    QDBusConnection bus = login1 ? QDBusConnection::systemBus() : QDBusConnection::sessionBus();
    ScreenSaver screenSaver;
    Login1 manager(argc > 2 && std::strcmp(argv[2], "refuse") == 0);
    const QString name = login1 ? QStringLiteral("org.freedesktop.login1")
                                : QStringLiteral("org.freedesktop.ScreenSaver");
    const QString path = login1 ? QStringLiteral("/org/freedesktop/login1")
                                : QStringLiteral("/org/freedesktop/ScreenSaver");
    if (!bus.registerObject(path, login1 ? static_cast<QObject*>(&manager) : &screenSaver,
                            QDBusConnection::ExportAllSlots) ||
        !bus.registerService(name)) {
        std::fprintf(stderr, "bus_services: %s\n", bus.lastError().message().toUtf8().constData());
        return 1;
    }
    std::puts("ready");
    return application.exec();
}

#include "bus_services.moc"
