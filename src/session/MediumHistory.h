// The five media opened last and the position each film was left at, both
// kept in the registry; nothing is kept in memory, so every view reads the
// registry anew.
#pragma once

#include <QObject>
#include <QString>

#include <utility>
#include <vector>

class PlayerSession;

class MediumHistory : public QObject {
    Q_OBJECT

public:
    explicit MediumHistory(PlayerSession& session) : session_(session) {}

    // The session's medium goes first in the list.
    void AddCurrent();
    // The resume positions stay: they belong to the files, not to the list.
    void Clear();
    // The path of entry 1..5; empty when there is none.
    static QString EntryPath(int entry);
    // The entries' numbers and names, newest first; a gap has no entry.
    static std::vector<std::pair<int, QString>> Entries();

    // Only films are resumed; a song starts from its beginning.
    void SaveResumePosition();
    bool HasRememberedPosition() const;
    // The same for the medium named `name` (its file name), open or not.
    static bool Remembers(const QString& name);
    void JumpToLastPosition();

Q_SIGNALS:
    void changed();

private:
    PlayerSession& session_;
};
