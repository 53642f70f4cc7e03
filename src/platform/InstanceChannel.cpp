#include "InstanceChannel.h"

#include "Atoms.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QTimer>
#include <QtEndian>

#include <unistd.h>

#include <cstring>

namespace {

// A record: magic, wParam, lParam, text length (-1: no text), the UTF-8 text.
// The answer: the 64-bit result. All little-endian.
constexpr quint32 kMagic = 0x31504956;  // "VIP1"
constexpr int kHeaderSize = 4 + 4 + 8 + 4;
constexpr int kAnswerSize = 8;
// Far beyond any atom name; more is not one of our senders.
constexpr qint32 kMaxTextBytes = 64 * 1024;
constexpr int kConnectTimeout = 2000;
constexpr int kLockTimeout = 2000;

struct Record {
    quint32 wParam = 0;
    qint64 lParam = 0;
    bool hasText = false;
    QByteArray text;
};

QByteArray EncodeRecord(UINT wParam, LPARAM lParam, const QByteArray* text) {
    QByteArray bytes(kHeaderSize, '\0');
    char* data = bytes.data();
    qToLittleEndian<quint32>(kMagic, data);
    qToLittleEndian<quint32>(wParam, data + 4);
    qToLittleEndian<qint64>(text ? 0 : lParam, data + 8);
    qToLittleEndian<qint32>(text ? static_cast<qint32>(text->size()) : -1, data + 16);
    if (text) {
        bytes += *text;
    }
    return bytes;
}

enum class Parse { Complete, NeedMore, Invalid };

// Takes one record off the front of `buffer` when it is all there.
Parse TakeRecord(QByteArray& buffer, Record& record) {
    if (buffer.size() < kHeaderSize) {
        return Parse::NeedMore;
    }
    const char* data = buffer.constData();
    const qint32 length = qFromLittleEndian<qint32>(data + 16);
    if (qFromLittleEndian<quint32>(data) != kMagic || length < -1 || length > kMaxTextBytes) {
        return Parse::Invalid;
    }
    const qsizetype size = kHeaderSize + (length > 0 ? length : 0);
    if (buffer.size() < size) {
        return Parse::NeedMore;
    }
    record.wParam = qFromLittleEndian<quint32>(data + 4);
    record.lParam = qFromLittleEndian<qint64>(data + 8);
    record.hasText = length >= 0;
    record.text = buffer.mid(kHeaderSize, size - kHeaderSize);
    buffer.remove(0, size);
    return Parse::Complete;
}

}  // namespace

QString InstanceSocketPath(const QString& className) {
    const QString testFolder = qEnvironmentVariable("VELVARO_INSTANCE_DIR");
    if (!testFolder.isEmpty()) {
        return QDir(testFolder).filePath(className);
    }
    const QString runtimeFolder = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtimeFolder.isEmpty() && QFileInfo(runtimeFolder).isDir()) {
        return QDir(runtimeFolder).filePath(className);
    }
    // A folder all users share: the uid keeps one user's windows apart from
    // another's.
    return QDir(QDir::tempPath())
        .filePath(className + QLatin1Char('-') + QString::number(getuid()));
}

// One sender. Its records are taken one at a time; while the window handles
// one (perhaps in a nested event loop), further bytes only queue up.
class InstanceListener::Connection : public QObject {
public:
    Connection(InstanceListener* listener, QLocalSocket* socket)
        : QObject(listener), listener_(listener), socket_(socket) {
        socket_->setParent(this);
        QObject::connect(socket_, &QLocalSocket::readyRead, this, &Connection::Read);
        QObject::connect(socket_, &QLocalSocket::disconnected, this, &QObject::deleteLater);
    }

private:
    void Read() {
        buffer_ += socket_->readAll();
        if (busy_) {
            return;
        }
        busy_ = true;
        const QPointer<Connection> alive(this);
        Record record;
        Parse state;
        while ((state = TakeRecord(buffer_, record)) == Parse::Complete) {
            LPARAM lParam = static_cast<LPARAM>(record.lParam);
            if (record.hasText) {
                lParam = GlobalAddAtom(QString::fromUtf8(record.text));
            }
            const LRESULT result =
                listener_->window_
                    ? SendMessage(listener_->window_, listener_->message_, record.wParam, lParam)
                    : 0;
            if (!alive) {
                return;  // closed while the window was busy with the record
            }
            QByteArray answer(kAnswerSize, '\0');
            qToLittleEndian<qint64>(result, answer.data());
            socket_->write(answer);
            socket_->flush();
            // Qt does not signal bytes that come in while we are inside its
            // readyRead, so those of a nested loop are picked up here.
            buffer_ += socket_->readAll();
        }
        busy_ = false;
        if (state == Parse::Invalid) {
            socket_->abort();
            deleteLater();
        }
    }

    InstanceListener* listener_;
    QLocalSocket* socket_;
    QByteArray buffer_;
    bool busy_ = false;
};

InstanceListener::InstanceListener(const QString& className, QObject* window, UINT message)
    : path_(InstanceSocketPath(className)), window_(window), message_(message) {
    Listen();
}

InstanceListener::~InstanceListener() {
    if (owner_) {
        owner_->disconnect(this);
    }
    // The server goes before the connections (children), so the socket file is
    // gone by the time a standing-by listener sees its connection close.
    server_.reset();
}

bool InstanceListener::IsListening() const {
    return server_ && server_->isListening();
}

void InstanceListener::Listen() {
    if (owner_) {
        owner_->disconnect(this);
        owner_.reset();
    }
    QDir().mkpath(QFileInfo(path_).absolutePath());
    // Two starts must not both find the socket stale and remove each
    // other's. A lock that cannot be had within the time is ignored: a stuck
    // lock must not leave the window deaf.
    QLockFile lock(path_ + QStringLiteral(".lock"));
    lock.tryLock(kLockTimeout);
    if (OwnerIsAlive()) {
        return;
    }
    QLocalServer::removeServer(path_);
    auto server = std::make_unique<QLocalServer>();
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server->listen(path_)) {
        return;
    }
    QObject::connect(server.get(), &QLocalServer::newConnection, this,
                     &InstanceListener::AcceptConnections);
    server_ = std::move(server);
}

bool InstanceListener::OwnerIsAlive() {
    if (!QFileInfo::exists(path_)) {
        return false;
    }
    auto probe = std::make_unique<QLocalSocket>();
    probe->connectToServer(path_);
    if (!probe->waitForConnected(kConnectTimeout)) {
        return false;
    }
    QObject::connect(probe.get(), &QLocalSocket::disconnected, this, [this] {
        // Not from within the socket's own signal: Listen() deletes it.
        QTimer::singleShot(0, this, &InstanceListener::Listen);
    });
    owner_ = std::move(probe);
    return true;
}

void InstanceListener::AcceptConnections() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        new Connection(this, socket);  // owned by the listener, gone on disconnect
    }
}

InstanceConnection::InstanceConnection(std::unique_ptr<QLocalSocket> socket)
    : socket_(std::move(socket)) {}

InstanceConnection::~InstanceConnection() = default;

bool InstanceConnection::SendRecord(UINT wParam, LPARAM lParam, LRESULT* result) {
    return Send(wParam, lParam, nullptr, result);
}

bool InstanceConnection::SendRecord(UINT wParam, const QString& text, LRESULT* result) {
    const QByteArray bytes = text.toUtf8();
    return Send(wParam, 0, &bytes, result);
}

bool InstanceConnection::Send(UINT wParam, LPARAM lParam, const QByteArray* text, LRESULT* result) {
    if (broken_ || (text && text->size() > kMaxTextBytes)) {
        return false;
    }
    broken_ = true;  // until the answer is in
    const QDeadlineTimer deadline(timeout_);
    socket_->write(EncodeRecord(wParam, lParam, text));
    while (socket_->bytesToWrite() > 0) {
        if (!socket_->waitForBytesWritten(static_cast<int>(deadline.remainingTime()))) {
            return false;
        }
    }
    while (socket_->bytesAvailable() < kAnswerSize) {
        if (socket_->state() != QLocalSocket::ConnectedState ||
            !socket_->waitForReadyRead(static_cast<int>(deadline.remainingTime()))) {
            return false;
        }
    }
    char answer[kAnswerSize];
    if (socket_->read(answer, kAnswerSize) != kAnswerSize) {
        return false;
    }
    if (result) {
        *result = static_cast<LRESULT>(qFromLittleEndian<qint64>(answer));
    }
    broken_ = false;
    return true;
}

std::unique_ptr<InstanceConnection> FindInstanceWindow(const QString& className) {
    const QString path = InstanceSocketPath(className);
    const QFileInfo file(path);
    // Somebody else's socket in a shared folder is not our window.
    if (!file.exists() || file.ownerId() != getuid()) {
        return nullptr;
    }
    auto socket = std::make_unique<QLocalSocket>();
    socket->connectToServer(path);
    if (!socket->waitForConnected(kConnectTimeout)) {
        return nullptr;
    }
    return std::unique_ptr<InstanceConnection>(new InstanceConnection(std::move(socket)));
}
