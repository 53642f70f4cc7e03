// A stand-in for logind on a private bus given as $DBUS_SYSTEM_BUS_ADDRESS:
// takes the name org.freedesktop.login1 and prints every PowerOff call it
// gets as "PowerOff <interactive>". With the argument "refuse" it answers
// each call with an access-denied error, as logind does for a user who may
// not power off. Prints "ready" once the name is its own.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusError>
#include <QObject>

#include <cstdio>
#include <cstdlib>
#include <cstring>

class Manager : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")

public:
    explicit Manager(bool refuse) : refuse_(refuse) {}

public Q_SLOTS:
    void PowerOff(bool interactive) {
        std::printf("PowerOff %s\n", interactive ? "true" : "false");
        std::fflush(stdout);
        if (refuse_) {
            sendErrorReply(QDBusError::AccessDenied, QStringLiteral("Access denied"));
        }
    }

private:
    bool refuse_;
};

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    const char* address = std::getenv("DBUS_SYSTEM_BUS_ADDRESS");
    if (!address || !*address) {
        std::fputs("login1_service: no private bus given\n", stderr);
        return 2;
    }
    QDBusConnection bus = QDBusConnection::systemBus();
    Manager manager(argc > 1 && std::strcmp(argv[1], "refuse") == 0);
    if (!bus.registerObject(QStringLiteral("/org/freedesktop/login1"), &manager,
                            QDBusConnection::ExportAllSlots) ||
        !bus.registerService(QStringLiteral("org.freedesktop.login1"))) {
        std::fprintf(stderr, "login1_service: %s\n",
                     bus.lastError().message().toUtf8().constData());
        return 1;
    }
    std::puts("ready");
    std::fflush(stdout);
    return application.exec();
}

#include "login1_service.moc"
