#include "PowerSaving.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QString>
#include <QVariant>

#include <optional>

namespace {

const QString kService = QStringLiteral("org.freedesktop.ScreenSaver");
const QString kPath = QStringLiteral("/org/freedesktop/ScreenSaver");
const QString kInterface = QStringLiteral("org.freedesktop.ScreenSaver");
// A hanging service must not freeze the window for the bus's default 25 s.
constexpr int kCallTimeout = 2000;

// The cookie of our inhibition while there is one. The service drops it by
// itself when our bus connection goes, so nothing needs releasing at exit.
std::optional<quint32> inhibitCookie;

QDBusMessage Call(const QString& method, const QVariantList& arguments) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        return {};
    }
    QDBusMessage message = QDBusMessage::createMethodCall(kService, kPath, kInterface, method);
    message.setArguments(arguments);
    return bus.call(message, QDBus::Block, kCallTimeout);
}

}  // namespace

void SetPowerSavingActive(bool active) {
    if (active) {
        if (inhibitCookie) {
            Call(QStringLiteral("UnInhibit"), {QVariant::fromValue(*inhibitCookie)});
            inhibitCookie.reset();
        }
        return;
    }
    if (inhibitCookie) {
        return;
    }
    const QDBusMessage reply = Call(QStringLiteral("Inhibit"),
                                    {QStringLiteral("Velvaro"), QStringLiteral("Playing a video")});
    if (reply.type() == QDBusMessage::ReplyMessage && reply.arguments().size() == 1 &&
        reply.arguments().front().canConvert<quint32>()) {
        inhibitCookie = reply.arguments().front().value<quint32>();
    }
}
