// Network addresses given where a file name may stand: "http://host/film.mp4"
// is played from the network, "C:" or "name:with-colon" stays a file name.
#pragma once

#include <QString>

namespace velvaro::platform {

enum class AddressKind {
    File,           // no "scheme://" in front: a file name
    Network,        // http or https, with a host
    UnknownScheme,  // "scheme://" of a kind that is not played
    Malformed,      // "http://" without a host, or characters no address has
};

AddressKind KindOfAddress(const QString& text);
inline bool IsNetworkAddress(const QString& text) {
    return KindOfAddress(text) == AddressKind::Network;
}
// What the title and the recent list show: the last segment of the path,
// else the host.
QString AddressDisplayName(const QString& address);

}  // namespace velvaro::platform
