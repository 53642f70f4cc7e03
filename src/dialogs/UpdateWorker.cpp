#include "UpdateWorker.h"

#include "UpdateSupport.h"
#include "platform/ProductVersion.h"

#include <QEventLoop>
#include <QFile>
#include <QHostAddress>
#include <QNetworkAccessManager>
#include <QNetworkProxyFactory>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QThread>
#include <QTimer>
#include <QUrl>

#include <cerrno>
#include <functional>
#include <memory>

namespace velvaro::update {

using velvaro::platform::FileErrorKind;

namespace {

constexpr int kPollMilliseconds = 50;
constexpr int kAnswerPollMilliseconds = 100;
constexpr qint64 kBlockSize = 1024;

// The proxy the system is set up with, for this session only; a server on
// this machine is reached directly.
class SystemProxies : public QNetworkProxyFactory {
public:
    QList<QNetworkProxy> queryProxy(const QNetworkProxyQuery& query) override {
        const QString host = query.peerHostName();
        if (host == QLatin1String("localhost") || QHostAddress(host).isLoopback()) {
            return {QNetworkProxy(QNetworkProxy::NoProxy)};
        }
        return systemProxyForQuery(query);
    }
};

// One session with the server: one manager, so that its requests share the
// connection.
class Session {
public:
    explicit Session(const ServerAddress& address) {
        manager_.setProxyFactory(new SystemProxies);  // the manager owns it
        base_.setScheme(QStringLiteral("http"));
        base_.setHost(address.host);
        base_.setPort(address.port);
    }

    // `object` is a path on the server, with its query when it has one.
    std::unique_ptr<QNetworkReply> Get(const QString& object) {
        QUrl url = base_;
        QString path = object;
        QString query;
        if (const qsizetype mark = path.indexOf(u'?'); mark >= 0) {
            query = path.mid(mark + 1);
            path.truncate(mark);
        }
        if (!path.startsWith(u'/')) {
            path.prepend(u'/');
        }
        url.setPath(path, QUrl::TolerantMode);
        if (!query.isEmpty()) {
            url.setQuery(query, QUrl::TolerantMode);
        }
        QNetworkRequest request(url);
        request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                             QNetworkRequest::ManualRedirectPolicy);
        return std::unique_ptr<QNetworkReply>(manager_.get(request));
    }

private:
    QNetworkAccessManager manager_;
    QUrl base_;
};

class Worker {
public:
    Worker(CUpdateDlg& dialog, CUpdateDlg::Shared& shared, const WorkerTexts& texts)
        : dialog_(dialog), shared_(shared), texts_(texts) {}

    void Run() {
        const ServerAddress address = GetServerAddress();
        Session session(address);
        Status(Text("CONNECT_VV", {address.host}));
        RunSteps(session, address);
        if (shared_.running) {
            dialog_.PostButtonText(Text("ID_BUTTON_OK"));
        }
    }

private:
    QString Text(const char* key, const QStringList& args = {}) const {
        return FormatCode(texts_.code.value(QString::fromLatin1(key)), args);
    }

    // Status texts are only written while the user still waits for them.
    void Status(const QString& text) {
        if (shared_.running) {
            dialog_.PostStatus(text);
        }
    }

    // Runs this thread's events until `done` holds; false when the user
    // cancelled first.
    bool WaitFor(QNetworkReply& reply, const std::function<bool()>& done) {
        QEventLoop loop;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, &loop, &QEventLoop::quit);
        QObject::connect(&reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
        QObject::connect(&reply, &QNetworkReply::readyRead, &loop, &QEventLoop::quit);
        QObject::connect(&reply, &QNetworkReply::metaDataChanged, &loop, &QEventLoop::quit);
        poll.start(kPollMilliseconds);
        while (!done()) {
            if (!shared_.running) {
                reply.abort();
                return false;
            }
            loop.exec();
        }
        return shared_.running;
    }

    static bool HasStatus(const QNetworkReply& reply) {
        return reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid();
    }
    static int StatusCode(const QNetworkReply& reply) {
        return reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    }

    // Waits for the answer's status line. False, with the error shown, when
    // the request failed before it or the user cancelled.
    bool WaitForAnswer(QNetworkReply& reply) {
        if (!WaitFor(reply, [&] { return HasStatus(reply) || reply.isFinished(); })) {
            return false;
        }
        if (!HasStatus(reply)) {
            Status(Text("ERROR", {reply.errorString()}));
            return false;
        }
        return true;
    }

    void RunSteps(Session& session, const ServerAddress& address) {
        auto versionInfo = session.Get(QStringLiteral("versioninfo_velvaro"));
        if (!WaitForAnswer(*versionInfo)) {
            return;
        }
        if (StatusCode(*versionInfo) != 200) {
            Status(Text("ERROR_VERSIONINFO_NOT_FOUND"));
            return;
        }
        Status(Text("CONNECT_ESTABLISHED"));
        const QString installed = GetProductVersion();
        Status(Text("GET_CURRENT_VERSION"));
        if (!WaitFor(*versionInfo, [&] { return versionInfo->isFinished(); })) {
            return;
        }
        if (versionInfo->error() != QNetworkReply::NoError) {
            Status(Text("ERROR", {versionInfo->errorString()}));
            return;
        }
        const QStringList lines = AnswerLines(versionInfo->readAll());
        if (lines.isEmpty()) {
            Status(Text("ERROR_VERSIONINFO_NOT_FOUND"));
            return;
        }
        const QString newest = lines.at(0).trimmed();
        if (!IsNewer(newest, installed)) {
            Status(Text("STATUS_VV_UP2DATE"));
            return;
        }
        const QString programPath = GetProgramPath();
        if (!CanReplaceProgram(programPath)) {
            Status(Text("UPDATE_PACKAGE_MANAGER"));
            return;
        }
        FetchHistory(address, installed);
        Status(Text("VERSION_INFO", {installed, newest}));
        if (shared_.running) {
            dialog_.PostButtonText(Text("YES"));
        }
        shared_.answer = CUpdateDlg::kWaiting;
        while (shared_.running && shared_.answer == CUpdateDlg::kWaiting) {
            QThread::msleep(kAnswerPollMilliseconds);
        }
        if (shared_.answer != CUpdateDlg::kYes) {
            if (shared_.running) {
                shared_.declined = true;
            }
            return;
        }
        dialog_.PostButtonText(texts_.cancelButton);
        shared_.answer = CUpdateDlg::kNoAnswer;

        const QString object = lines.size() > 1 ? lines.at(1).trimmed() : QString();
        if (object.isEmpty()) {
            Status(Text("ERROR_PATH_NOT_FOUND"));
            return;
        }
        QByteArray signature;
        if (lines.size() > 2 && lines.at(2).startsWith(QLatin1String("sig:"))) {
            signature = lines.at(2).mid(4).trimmed().toLatin1();
        }
        versionInfo.reset();
        auto download = session.Get(object);
        if (!WaitForAnswer(*download)) {
            return;
        }
        if (StatusCode(*download) != 200) {
            Status(Text("ERROR_FILE_NOT_FOUND"));
            return;
        }
        Download(*download, programPath, signature);
    }

    void FetchHistory(const ServerAddress& address, const QString& installed) {
        Session history(address);
        auto reply = history.Get(QStringLiteral("velvaro_update_history.php?lang=%1&version=%2")
                                     .arg(texts_.language, installed));
        if (!WaitFor(*reply, [&] { return reply->isFinished(); })) {
            return;
        }
        if (!HasStatus(*reply) || StatusCode(*reply) != 200) {
            return;
        }
        const QStringList lines = AnswerLines(reply->readAll());
        for (qsizetype i = 0; i < lines.size(); ++i) {
            const int column = static_cast<int>(i % 3);
            if (column == 0) {
                dialog_.PostHistoryRow(lines.at(i));
            } else {
                dialog_.PostHistoryCell(column, lines.at(i));
            }
        }
    }

    struct TempFile {
        QFile file;
        FileErrorKind error = FileErrorKind::None;

        bool Write(const QByteArray& block) {
            errno = 0;
            if (file.write(block) != block.size()) {
                error = FileErrorFromDevice(file.error(), errno);
                if (error == FileErrorKind::None) {
                    error = FileErrorKind::Generic;
                }
                return false;
            }
            return true;
        }
    };

    void Download(QNetworkReply& reply, const QString& programPath, const QByteArray& signature) {
        TempFile files[2];
        files[0].file.setFileName(programPath + QStringLiteral(".tmp1.exe"));
        files[1].file.setFileName(programPath + QStringLiteral(".tmp2.exe"));
        for (TempFile& temp : files) {
            if (!temp.file.open(QIODevice::WriteOnly | QIODevice::Truncate |
                                QIODevice::Unbuffered)) {
                return;
            }
            // The first one is started, the second one becomes the program.
            temp.file.setPermissions(temp.file.permissions() | QFileDevice::ExeOwner |
                                     QFileDevice::ExeGroup | QFileDevice::ExeOther);
        }
        const QVariant lengthHeader = reply.header(QNetworkRequest::ContentLengthHeader);
        const bool hasLength = lengthHeader.isValid();
        const qint64 length = hasLength ? lengthHeader.toLongLong() : 0;
        dialog_.PostProgressRange(length);
        dialog_.PostProgress(0);

        qint64 received = 0;
        const TempFile* failed = nullptr;
        while (shared_.running && !failed) {
            if (reply.bytesAvailable() > 0) {
                const QByteArray block = reply.read(kBlockSize);
                if (block.isEmpty()) {
                    break;
                }
                for (TempFile& temp : files) {
                    if (!temp.Write(block)) {
                        failed = &temp;
                        break;
                    }
                }
                if (failed) {
                    break;
                }
                received += block.size();
                dialog_.PostProgress(received);
                Status(
                    Text("STATUS_DOWNLOAD", {QString::number(received), QString::number(length)}));
                continue;
            }
            if (reply.isFinished()) {
                break;
            }
            WaitFor(reply, [&] { return reply.bytesAvailable() > 0 || reply.isFinished(); });
        }
        const bool networkFailed = !failed && shared_.running && reply.isFinished() &&
                                   reply.error() != QNetworkReply::NoError;
        for (TempFile& temp : files) {
            temp.file.close();
        }

        bool complete = shared_.running && !failed && !networkFailed && hasLength &&
                        received == length && reply.bytesAvailable() == 0;
        bool signatureRefused = false;
        if (complete && !GetPublicKey().isEmpty()) {
            signatureRefused = !SignatureMatches(files[0].file.fileName(), signature) ||
                               !SignatureMatches(files[1].file.fileName(), signature);
            complete = !signatureRefused;
        }
        if (complete) {
            shared_.launched = true;
            Launch(files[0].file.fileName(), {QStringLiteral("/update_step_1")});
            return;
        }
        for (TempFile& temp : files) {
            temp.file.remove();
        }
        if (failed) {
            Status(
                Text("ERROR_TEMPFILE",
                     {failed->file.fileName(),
                      QString::fromStdString(velvaro::platform::GetFileErrorText(failed->error))}));
        } else if (networkFailed) {
            Status(reply.errorString());
        } else if (signatureRefused) {
            Status(Text("ERROR_TEMPFILE",
                        {files[0].file.fileName(), QStringLiteral("signature does not match")}));
        }
    }

    static bool SignatureMatches(const QString& path, const QByteArray& signature) {
        QFile file(path);
        if (signature.isEmpty() || !file.open(QIODevice::ReadOnly)) {
            return false;
        }
        return VerifySignature(file.readAll(), signature, GetPublicKey());
    }

    CUpdateDlg& dialog_;
    CUpdateDlg::Shared& shared_;
    const WorkerTexts& texts_;
};

}  // namespace

void RunUpdateWorker(CUpdateDlg& dialog, CUpdateDlg::Shared& shared, const WorkerTexts& texts) {
    Worker(dialog, shared, texts).Run();
}

}  // namespace velvaro::update
