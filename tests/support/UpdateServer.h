// The local update server (update_server.py) as a child process on a free
// port of 127.0.0.1. While it runs, VELVARO_UPDATE_SERVER points at it, so
// the update never reaches the internet.
#pragma once

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

namespace velvaro::test {

class UpdateServer {
public:
    // `arguments` are the server's switches; `log` is where it logs requests.
    UpdateServer(const QStringList& arguments, const QString& log) : log_(log) {
        QFile::remove(log_);
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.start(QStandardPaths::findExecutable(QStringLiteral("python3")),
                       QStringList{QStringLiteral(VELVARO_UPDATE_SERVER_SCRIPT),
                                   QStringLiteral("--log"), log_} +
                           arguments);
        if (!process_.waitForStarted(5000)) {
            return;
        }
        while (!process_.canReadLine() && process_.waitForReadyRead(5000)) {
        }
        const QString line = QString::fromLatin1(process_.readLine()).trimmed();
        if (line.startsWith(QLatin1String("PORT "))) {
            port_ = line.mid(5).toInt();
            qputenv("VELVARO_UPDATE_SERVER", QStringLiteral("127.0.0.1:%1").arg(port_).toLatin1());
        }
    }
    ~UpdateServer() {
        process_.kill();
        process_.waitForFinished(5000);
    }
    UpdateServer(const UpdateServer&) = delete;
    UpdateServer& operator=(const UpdateServer&) = delete;

    bool Started() const { return port_ > 0; }
    int Port() const { return port_; }

    // Each request so far as "<client port> <path>".
    QStringList Requests() const {
        QFile file(log_);
        if (!file.open(QIODevice::ReadOnly)) {
            return {};
        }
        return QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
    }
    // Only the paths, in order.
    QStringList Paths() const {
        QStringList paths;
        for (const QString& request : Requests()) {
            paths << request.section(u' ', 1);
        }
        return paths;
    }

private:
    QString log_;
    QProcess process_;
    int port_ = 0;
};

}  // namespace velvaro::test
