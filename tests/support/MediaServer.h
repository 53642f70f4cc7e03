// The local media server (media_server.py) on a free port of 127.0.0.1,
// serving a folder; the first part of a path chooses how it misbehaves (see
// the script).
#pragma once

#include "LocalServer.h"

#include <QTemporaryDir>

namespace velvaro::test {

class MediaServer {
public:
    explicit MediaServer(const QString& root)
        : server_(QStringLiteral(VELVARO_MEDIA_SERVER_SCRIPT), {QStringLiteral("--root"), root},
                  folder_.filePath(QStringLiteral("requests.log"))) {}

    bool Started() const { return server_.Started(); }
    // "http://127.0.0.1:<port>/<path>".
    QString Url(const QString& path) const {
        return QStringLiteral("http://127.0.0.1:%1/%2").arg(server_.Port()).arg(path);
    }
    std::string Address(const QString& path) const { return Url(path).toStdString(); }
    // Each request so far as "<path> <range or ->".
    QStringList Requests() const { return server_.Requests(); }

private:
    QTemporaryDir folder_;
    LocalServer server_;
};

}  // namespace velvaro::test
