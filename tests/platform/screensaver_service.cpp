// A screen saver service for the tests: takes the name
// org.freedesktop.ScreenSaver on the session bus of $DBUS_SESSION_BUS_ADDRESS
// and prints every call it gets, one line each:
//   Inhibit <application>|<reason> -> <cookie>
//   UnInhibit <cookie>
// Prints "ready" once the name is its own.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusError>
#include <QObject>

#include <cstdio>

class ScreenSaver : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")

public Q_SLOTS:
    uint Inhibit(const QString& application, const QString& reason) {
        const uint cookie = ++lastCookie_;
        std::printf("Inhibit %s|%s -> %u\n", application.toUtf8().constData(),
                    reason.toUtf8().constData(), cookie);
        std::fflush(stdout);
        return cookie;
    }
    void UnInhibit(uint cookie) {
        std::printf("UnInhibit %u\n", cookie);
        std::fflush(stdout);
    }

private:
    uint lastCookie_ = 0;
};

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    QDBusConnection bus = QDBusConnection::sessionBus();
    ScreenSaver screenSaver;
    if (!bus.registerObject(QStringLiteral("/org/freedesktop/ScreenSaver"), &screenSaver,
                            QDBusConnection::ExportAllSlots) ||
        !bus.registerService(QStringLiteral("org.freedesktop.ScreenSaver"))) {
        std::fprintf(stderr, "screensaver_service: %s\n",
                     bus.lastError().message().toUtf8().constData());
        return 1;
    }
    std::puts("ready");
    std::fflush(stdout);
    return application.exec();
}

#include "screensaver_service.moc"
