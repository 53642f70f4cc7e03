// The local media server (media_server.py) as a child process on a free port
// of 127.0.0.1, serving a folder; the first part of a path chooses how it
// misbehaves (see the script).
#pragma once

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace velvaro::test {

class MediaServer {
public:
    explicit MediaServer(const QString& root) {
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.start(QStandardPaths::findExecutable(QStringLiteral("python3")),
                       {QStringLiteral(VELVARO_MEDIA_SERVER_SCRIPT), QStringLiteral("--root"), root,
                        QStringLiteral("--log"), Log()});
        if (!process_.waitForStarted(5000)) {
            return;
        }
        while (!process_.canReadLine() && process_.waitForReadyRead(5000)) {
        }
        const QString line = QString::fromLatin1(process_.readLine()).trimmed();
        if (line.startsWith(QLatin1String("PORT "))) {
            port_ = line.mid(5).toInt();
        }
    }
    ~MediaServer() {
        process_.kill();
        process_.waitForFinished(5000);
    }
    MediaServer(const MediaServer&) = delete;
    MediaServer& operator=(const MediaServer&) = delete;

    bool Started() const { return port_ > 0; }
    // "http://127.0.0.1:<port>/<path>".
    QString Url(const QString& path) const {
        return QStringLiteral("http://127.0.0.1:%1/%2").arg(port_).arg(path);
    }
    std::string Address(const QString& path) const { return Url(path).toStdString(); }
    // Each request so far as "<path> <range or ->".
    QStringList Requests() const {
        QFile file(Log());
        if (!file.open(QIODevice::ReadOnly)) {
            return {};
        }
        return QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
    }

private:
    QString Log() const { return folder_.filePath(QStringLiteral("requests.log")); }

    QTemporaryDir folder_;
    QProcess process_;
    int port_ = 0;
};

}  // namespace velvaro::test
