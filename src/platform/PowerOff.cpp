#include "PowerOff.h"

#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QString>
#include <QVariant>

#include <utility>

namespace {

const QString kService = QStringLiteral("org.freedesktop.login1");
const QString kPath = QStringLiteral("/org/freedesktop/login1");
const QString kInterface = QStringLiteral("org.freedesktop.login1.Manager");
// logind answers at once; a hanging bus must not keep the window frozen.
constexpr int kCallTimeout = 3000;

// Constructed on first use, so a test's static recorder can be installed
// before main() whatever the order of static initialisation.
std::function<void()>& Replacement() {
    static std::function<void()> replacement;
    return replacement;
}

}  // namespace

void SetPowerOffForTesting(std::function<void()> replacement) {
    Replacement() = std::move(replacement);
}

void PowerOffSystem() {
    if (const std::function<void()>& replacement = Replacement()) {
        replacement();
        return;
    }
    // Registered here first: otherwise Qt's bus thread may hand an error
    // reply over before they are known and warn about invalid types.
    qRegisterMetaType<QDBusError>();
    qRegisterMetaType<QDBusMessage>();
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected()) {
        return;
    }
    QDBusMessage message =
        QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("PowerOff"));
    message.setArguments({QVariant(false)});  // interactive: no authentication prompt
    bus.call(message, QDBus::Block, kCallTimeout);
}
