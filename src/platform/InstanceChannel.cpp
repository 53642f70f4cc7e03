#include "InstanceChannel.h"

#include "Atoms.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QTimer>
#include <QtEndian>

#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <utility>

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
// A sender that stops halfway through a record is not one of ours either.
constexpr int kPartialRecordTimeout = 5000;
// A sender keeps its turn between records; quiet this long, it gives it up.
constexpr int kTurnIdleTimeout = 1000;
// Many second starts at once (a file manager opening a selection).
constexpr int kListenBacklog = 256;
// Folders tried in the shared temporary folder before giving up.
constexpr int kPrivateFolderTries = 10;

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

// A real folder (not a link) of this user that nobody else may enter.
bool IsPrivateFolder(const QByteArray& path) {
    struct stat info {};
    return lstat(path.constData(), &info) == 0 && S_ISDIR(info.st_mode) &&
           info.st_uid == getuid() && (info.st_mode & 077) == 0;
}

QString PrivateTempFolder() {
    const QString base =
        QDir(QDir::tempPath()).filePath(QStringLiteral("velvaro-") + QString::number(getuid()));
    for (int attempt = 0; attempt < kPrivateFolderTries; ++attempt) {
        const QString folder =
            attempt == 0 ? base : base + QLatin1Char('.') + QString::number(attempt);
        const QByteArray path = QFile::encodeName(folder);
        mkdir(path.constData(), 0700);
        if (IsPrivateFolder(path)) {
            return folder;
        }
    }
    return {};
}

// Whether the socket file is one this user made.
bool IsOwnSocket(const QString& path) {
    struct stat info {};
    return lstat(QFile::encodeName(path).constData(), &info) == 0 && S_ISSOCK(info.st_mode) &&
           info.st_uid == getuid();
}

// Whether the process at the other end runs as this user.
bool PeerIsThisUser(const QLocalSocket& socket) {
    ucred peer{};
    socklen_t size = sizeof peer;
    return getsockopt(static_cast<int>(socket.socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &peer,
                      &size) == 0 &&
           peer.uid == getuid();
}

}  // namespace

QString InstanceSocketPath(const QString& className) {
    const QString testFolder = qEnvironmentVariable("VELVARO_INSTANCE_DIR");
    if (!testFolder.isEmpty()) {
        return QDir(testFolder).filePath(className);
    }
    const QString runtimeFolder = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtimeFolder.isEmpty() && IsPrivateFolder(QFile::encodeName(runtimeFolder))) {
        return QDir(runtimeFolder).filePath(className);
    }
    const QString folder = PrivateTempFolder();
    return folder.isEmpty() ? QString() : QDir(folder).filePath(className);
}

// One sender. Its records are taken one at a time, outside the socket's own
// signals; while the window handles one (perhaps in a nested event loop),
// further bytes only queue up, and a sender that leaves is let go only once
// the record it left is done.
class InstanceListener::Connection : public QObject {
public:
    Connection(InstanceListener* listener, QLocalSocket* socket)
        : QObject(listener), listener_(listener), socket_(socket) {
        socket_->setParent(this);
        partial_.setSingleShot(true);
        partial_.setInterval(kPartialRecordTimeout);
        QObject::connect(&partial_, &QTimer::timeout, this, &Connection::End);
        idle_.setSingleShot(true);
        idle_.setInterval(kTurnIdleTimeout);
        QObject::connect(&idle_, &QTimer::timeout, this, &Connection::Release);
        QObject::connect(socket_, &QLocalSocket::readyRead, this, &Connection::Read);
        QObject::connect(socket_, &QLocalSocket::disconnected, this, &Connection::End);
        if (!PeerIsThisUser(*socket_)) {
            socket_->abort();
            End();
        }
    }

    void Read() {
        buffer_ += socket_->readAll();
        Schedule();
    }

    void Schedule() {
        if (!busy_ && !scheduled_ && MayHandle() && (!buffer_.isEmpty() || answerHeld_)) {
            scheduled_ = true;
            QMetaObject::invokeMethod(this, &Connection::Handle, Qt::QueuedConnection);
        }
    }

private:
    // One sender at a time, so that two command lines never mix; others
    // wait their turn (and the listener may be held for all of them).
    bool MayHandle() const {
        return !listener_->held_ && (!listener_->current_ || listener_->current_ == this);
    }

    void Release() {
        if (listener_->held_ && listener_->current_ == this) {
            idle_.start();  // a held window has not heard it out yet
            return;
        }
        if (listener_->current_ == this) {
            listener_->current_ = nullptr;
            listener_->ScheduleWaiting();
        }
    }

    void Handle() {
        scheduled_ = false;
        if (!MayHandle()) {
            return;  // taken up again in its turn
        }
        idle_.stop();
        busy_ = true;
        const QPointer<Connection> alive(this);
        if (std::exchange(answerHeld_, false)) {
            Answer(heldAnswer_);
        }
        Record record;
        Parse state = Parse::NeedMore;
        while (!gone_ && !listener_->held_ &&
               (state = TakeRecord(buffer_, record)) == Parse::Complete) {
            listener_->current_ = this;  // its turn from its first whole record
            const LRESULT result = Deliver(record);
            if (!alive) {
                return;  // the listener went while the window was busy
            }
            if (listener_->held_) {
                // The record began something the window finishes later (an
                // open): its sender hears back once that is done.
                answerHeld_ = true;
                heldAnswer_ = result;
                break;
            }
            Answer(result);
            buffer_ += socket_->readAll();
        }
        busy_ = false;
        if (listener_->current_ == this) {
            idle_.start();
        }
        if (gone_ || state == Parse::Invalid) {
            End();
        } else if (buffer_.isEmpty() || listener_->held_) {
            partial_.stop();
        } else if (!partial_.isActive()) {
            partial_.start();
        }
    }

    void Answer(LRESULT result) {
        if (!gone_) {
            QByteArray answer(kAnswerSize, '\0');
            qToLittleEndian<qint64>(result, answer.data());
            socket_->write(answer);
            socket_->flush();
        }
    }

    LRESULT Deliver(const Record& record) {
        if (listener_->filter_ && !listener_->filter_(record.wParam, record.hasText)) {
            return 0;
        }
        // The window deletes the atom of each text record it reads.
        const LPARAM lParam = record.hasText ? GlobalAddAtom(QString::fromUtf8(record.text))
                                             : static_cast<LPARAM>(record.lParam);
        return listener_->deliver_(record.wParam, lParam);
    }

    // Hangs up, but never under a record still being handled.
    void End() {
        gone_ = true;
        if (busy_ || ended_) {
            return;
        }
        ended_ = true;
        partial_.stop();
        idle_.stop();
        Release();
        socket_->abort();
        deleteLater();
    }

    InstanceListener* listener_;
    QLocalSocket* socket_;
    QTimer partial_;
    QTimer idle_;  // a sender quiet this long gives up its turn
    QByteArray buffer_;
    bool busy_ = false;
    bool scheduled_ = false;
    bool answerHeld_ = false;  // until the listener's hold ends
    LRESULT heldAnswer_ = 0;
    bool gone_ = false;
    bool ended_ = false;
};

InstanceListener::InstanceListener(const QString& className, Delivery deliver, RecordFilter filter)
    : path_(InstanceSocketPath(className)),
      deliver_(std::move(deliver)),
      filter_(std::move(filter)) {
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

void InstanceListener::Hold(bool held) {
    held_ = held;
    if (!held) {
        ScheduleWaiting();
    }
}

void InstanceListener::ScheduleWaiting() {
    std::erase_if(connections_, [](const QPointer<QObject>& c) { return c.isNull(); });
    for (const QPointer<QObject>& connection : connections_) {
        static_cast<Connection*>(connection.data())->Schedule();
    }
}

bool InstanceListener::IsListening() const {
    return server_ && server_->isListening();
}

void InstanceListener::Listen() {
    if (owner_) {
        owner_->disconnect(this);
        owner_.reset();
    }
    if (path_.isEmpty()) {
        std::fprintf(stderr,
                     "velvaro: no private folder for the single-instance socket; this window "
                     "does not receive second starts\n");
        return;
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
    server->setListenBacklogSize(kListenBacklog);
    if (!server->listen(path_)) {
        return;
    }
    QObject::connect(server.get(), &QLocalServer::newConnection, this,
                     &InstanceListener::AcceptConnections);
    server_ = std::move(server);
}

// Only a window of this user counts; anything else at the path is replaced.
bool InstanceListener::OwnerIsAlive() {
    if (!IsOwnSocket(path_)) {
        return false;
    }
    auto probe = std::make_unique<QLocalSocket>();
    probe->connectToServer(path_);
    if (!probe->waitForConnected(kConnectTimeout) || !PeerIsThisUser(*probe)) {
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
        std::erase_if(connections_, [](const QPointer<QObject>& c) { return c.isNull(); });
        // Owned by the listener, gone on disconnect.
        connections_.emplace_back(new Connection(this, socket));
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
    if (path.isEmpty() || !IsOwnSocket(path)) {
        return nullptr;
    }
    auto socket = std::make_unique<QLocalSocket>();
    socket->connectToServer(path);
    if (!socket->waitForConnected(kConnectTimeout) || !PeerIsThisUser(*socket)) {
        return nullptr;
    }
    return std::unique_ptr<InstanceConnection>(new InstanceConnection(std::move(socket)));
}
