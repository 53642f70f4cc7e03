#include "platform/NetworkAddress.h"

#include <QRegularExpression>
#include <QUrl>

namespace velvaro::platform {

AddressKind KindOfAddress(const QString& text) {
    // A scheme of two letters at least: "c://" would be a drive elsewhere.
    static const QRegularExpression scheme(QStringLiteral("^([A-Za-z][A-Za-z0-9+.-]+)://"));
    const QRegularExpressionMatch match = scheme.match(text);
    if (!match.hasMatch()) {
        return AddressKind::File;
    }
    const QString name = match.captured(1).toLower();
    if (name != u"http" && name != u"https") {
        return AddressKind::UnknownScheme;
    }
    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty() ||
        text.contains(QRegularExpression(QStringLiteral("\\s")))) {
        return AddressKind::Malformed;
    }
    return AddressKind::Network;
}

QString AddressDisplayName(const QString& address) {
    const QUrl url(address);
    const QString segment = url.path().section(u'/', -1, -1, QString::SectionSkipEmpty);
    if (!segment.isEmpty()) {
        return segment;
    }
    return url.host().isEmpty() ? address : url.host();
}

}  // namespace velvaro::platform
