// The single-instance channel: the running player window listens on a
// per-user local socket named after its window class; a second start finds
// it there and sends its command line as (wParam, lParam) records, each
// answered before the next goes, as synchronously sent messages are.
//
// A record either carries a value, which arrives as lParam, or a text: the
// listener adds the text to the atom table (Atoms.h) and lParam is the atom,
// 0 for an empty text. The window reads the atom's name and deletes it.
#pragma once

#include "WindowMessage.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

class QLocalServer;
class QLocalSocket;

// The class name of the player window, which names its channel.
inline constexpr const char* kPlayerWindowClass = "VelvaroClass";

// Where the socket of a window class lives: $VELVARO_INSTANCE_DIR/<class>
// when set, else in $XDG_RUNTIME_DIR, else in a folder <temp>/velvaro-<uid>
// that only this user may enter (made when missing). A folder somebody else
// made in its place, or one others may enter, is passed over for
// velvaro-<uid>.1 and on. Empty when there is no such folder.
QString InstanceSocketPath(const QString& className);

// Whether a record with that wParam (and a text or not) is one the window
// reads; others are answered with 0 and dropped unseen.
using RecordFilter = std::function<bool(UINT wParam, bool hasText)>;

// The window's side. Delivers every record with SendMessage(window, message,
// wParam, lParam) on the thread that made the listener (the UI thread) and
// answers with the result. The records of one sender are handled strictly in
// order, even when the window runs a nested event loop meanwhile, and one
// sender at a time; a sender that leaves meanwhile is let go only once its
// record is done. Only
// processes of the same user are served, and a record that stays incomplete
// for a few seconds ends its sender's connection.
//
// Only one live listener owns a class's socket: a later one finds the first
// alive and stands by, taking over when the owner goes. A socket left behind
// by a crashed process is removed.
class InstanceListener : public QObject {
public:
    // Each record the filter lets through goes to `deliver`: its wParam, and
    // its lParam or, for a text, an atom the receiver deletes; what it returns
    // is the sender's answer.
    using Delivery = std::function<LRESULT(WPARAM wParam, LPARAM lParam)>;
    InstanceListener(const QString& className, Delivery deliver, RecordFilter filter = {});
    ~InstanceListener() override;

    bool IsListening() const;
    QString SocketPath() const { return path_; }

    // While held, records wait unread (their senders wait for the answers),
    // for the window to finish something it cannot leave halfway.
    void Hold(bool held);

private:
    class Connection;

    void Listen();
    bool OwnerIsAlive();
    void AcceptConnections();
    void ScheduleWaiting();

    QString path_;
    Delivery deliver_;
    RecordFilter filter_;
    bool held_ = false;
    std::vector<QPointer<QObject>> connections_;
    QPointer<QObject> current_;  // the sender whose records are being taken
    std::unique_ptr<QLocalServer> server_;
    // While another window owns the socket: our connection to it, which
    // closes when the owner goes.
    std::unique_ptr<QLocalSocket> owner_;
};

// The sender's side: a connection to a running window.
class InstanceConnection {
public:
    ~InstanceConnection();
    InstanceConnection(const InstanceConnection&) = delete;
    InstanceConnection& operator=(const InstanceConnection&) = delete;

    // Send one record and wait for its answer, as long as the window lives
    // unless a timeout is set. False when the window is gone or the time ran
    // out; after a failure every further record fails at once.
    bool SendRecord(UINT wParam, LPARAM lParam, LRESULT* result = nullptr);
    bool SendRecord(UINT wParam, const QString& text, LRESULT* result = nullptr);

    // How long one record may wait for its answer; -1: no limit.
    void SetTimeout(int milliseconds) { timeout_ = milliseconds; }

private:
    friend std::unique_ptr<InstanceConnection> FindInstanceWindow(const QString& className);
    explicit InstanceConnection(std::unique_ptr<QLocalSocket> socket);

    bool Send(UINT wParam, LPARAM lParam, const QByteArray* text, LRESULT* result);

    std::unique_ptr<QLocalSocket> socket_;
    int timeout_ = -1;
    bool broken_ = false;
};

// The running window of that class, or null when none of this user listens.
std::unique_ptr<InstanceConnection> FindInstanceWindow(const QString& className);
