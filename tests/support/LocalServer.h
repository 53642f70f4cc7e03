// A test server script run by python3 as a child process on a free port of
// 127.0.0.1: it says "PORT <n>" on its first line and logs each request as a
// line of the file given with --log. Killed when the holder goes.
#pragma once

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

namespace velvaro::test {

class LocalServer {
public:
    LocalServer(const QString& script, const QStringList& arguments, const QString& log)
        : log_(log) {
        QFile::remove(log_);
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.start(QStandardPaths::findExecutable(QStringLiteral("python3")),
                       QStringList{script, QStringLiteral("--log"), log_} + arguments);
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
    ~LocalServer() {
        process_.kill();
        process_.waitForFinished(5000);
    }
    LocalServer(const LocalServer&) = delete;
    LocalServer& operator=(const LocalServer&) = delete;

    bool Started() const { return port_ > 0; }
    int Port() const { return port_; }
    // The lines the server logged, one per request.
    QStringList Requests() const {
        QFile file(log_);
        if (!file.open(QIODevice::ReadOnly)) {
            return {};
        }
        return QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
    }

private:
    QString log_;
    QProcess process_;
    int port_ = 0;
};

}  // namespace velvaro::test
