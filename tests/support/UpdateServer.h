// The local update server (update_server.py) as a child process on a free
// port of 127.0.0.1. While it runs, VELVARO_UPDATE_SERVER points at it, so
// the update never reaches the internet.
#pragma once

#include "LocalServer.h"

namespace velvaro::test {

class UpdateServer {
public:
    // `arguments` are the server's switches; `log` is where it logs requests.
    UpdateServer(const QStringList& arguments, const QString& log)
        : server_(QStringLiteral(VELVARO_UPDATE_SERVER_SCRIPT), arguments, log) {
        if (server_.Started()) {
            qputenv("VELVARO_UPDATE_SERVER",
                    QStringLiteral("127.0.0.1:%1").arg(server_.Port()).toLatin1());
        }
    }

    bool Started() const { return server_.Started(); }
    int Port() const { return server_.Port(); }

    // Each request so far as "<client port> <path>".
    QStringList Requests() const { return server_.Requests(); }
    // Only the paths, in order.
    QStringList Paths() const {
        QStringList paths;
        for (const QString& request : Requests()) {
            paths << request.section(u' ', 1);
        }
        return paths;
    }

private:
    LocalServer server_;
};

}  // namespace velvaro::test
