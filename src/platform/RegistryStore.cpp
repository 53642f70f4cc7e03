#include "RegistryStore.h"

#include "RegistryStoreRows.h"

#include <QString>
#include <QUrl>

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>

namespace velvaro::platform {

using namespace store_rows;

namespace {

constexpr int kBusyTimeoutMs = 10000;

// The tables stay readable with the sqlite3 tool: DWORDs are stored as
// integers and zero-terminated strings as text; anything else as a blob.
constexpr const char* kSchema = R"sql(
CREATE TABLE IF NOT EXISTS keys(
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    hive TEXT NOT NULL,
    path TEXT NOT NULL,
    fold TEXT NOT NULL,
    parent TEXT,
    name TEXT NOT NULL,
    UNIQUE(hive, fold));
CREATE INDEX IF NOT EXISTS keys_by_parent ON keys(hive, parent, fold);
CREATE TABLE IF NOT EXISTS vals(
    seq INTEGER PRIMARY KEY AUTOINCREMENT,
    key INTEGER NOT NULL REFERENCES keys(id) ON DELETE CASCADE,
    fold TEXT NOT NULL,
    name TEXT NOT NULL,
    type INTEGER NOT NULL,
    data,
    UNIQUE(key, fold));
CREATE VIEW IF NOT EXISTS registry AS
    SELECT k.hive AS hive, k.path AS key, v.name AS name, v.type AS type, v.data AS data
    FROM vals v JOIN keys k ON k.id = v.key;
INSERT OR IGNORE INTO keys(hive, path, fold, parent, name) VALUES
    ('HKEY_CLASSES_ROOT', '', '', NULL, ''),
    ('HKEY_CURRENT_USER', '', '', NULL, ''),
    ('HKEY_LOCAL_MACHINE', '', '', NULL, '');
)sql";

// Processes opening a new store together race to switch it to WAL, and the
// switch answers "locked" at once instead of waiting: retry it for a while.
int SwitchToWal(sqlite3* db) {
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(kBusyTimeoutMs);
    for (;;) {
        const int result = Execute(db, "PRAGMA journal_mode=WAL");
        if ((result != SQLITE_BUSY && result != SQLITE_LOCKED) ||
            std::chrono::steady_clock::now() > deadline) {
            return result;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

// The settings hold the history and the resume positions: only their owner
// may read them, whatever the umask.
constexpr mode_t kPrivateFolder = 0700;
constexpr mode_t kPrivateFile = 0600;

// Makes `folder` and the missing folders above it, each private.
void MakePrivateFolders(const std::filesystem::path& folder) {
    std::error_code error;
    if (folder.empty() || std::filesystem::exists(folder, error) || error) {
        return;
    }
    MakePrivateFolders(folder.parent_path());
    if (mkdir(folder.c_str(), kPrivateFolder) == 0) {
        chmod(folder.c_str(), kPrivateFolder);
    }
}

// SQLite makes a new file readable by everyone; its log and the log's index
// take the mode of the file, so a new store starts as a private empty file.
void CreatePrivateFile(const std::string& path) {
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, kPrivateFile);
    if (fd >= 0) {
        fchmod(fd, kPrivateFile);
        close(fd);
    }
}

// Takes the group's and the others' rights from a file or folder of ours;
// the owner's stay, so a file the user made read-only stays so.
void MakePrivate(const std::string& path) {
    struct stat status {};
    if (stat(path.c_str(), &status) == 0 && status.st_uid == geteuid() &&
        (status.st_mode & 077) != 0) {
        chmod(path.c_str(), status.st_mode & 0700);
    }
}

// The store, its log, and the damaged copies set aside beside it, which
// older versions left readable by everyone.
void MakeStoreFilesPrivate(const std::string& path) {
    for (const char* suffix : {"", "-wal", "-shm", "-journal"}) {
        MakePrivate(path + suffix);
    }
    const std::filesystem::path file(path);
    const std::string broken = file.filename().string() + ".broken";
    const std::filesystem::path folder = file.has_parent_path() ? file.parent_path() : ".";
    std::error_code error;
    for (std::filesystem::directory_iterator entry(folder, error), end; !error && entry != end;
         entry.increment(error)) {
        const std::string name = entry->path().filename().string();
        if (name == broken || name.starts_with(broken + '.')) {
            MakePrivate(entry->path().string());
        }
    }
}

// `path` as an SQLite URI, escaped as a URL's path is, for an immutable read.
std::string UriFor(const std::string& path) {
    QUrl uri = QUrl::fromLocalFile(QString::fromStdString(path));
    uri.setQuery(QStringLiteral("immutable=1"));
    return uri.toString(QUrl::FullyEncoded).toStdString();
}

struct BackupFinisher {
    void operator()(sqlite3_backup* backup) const { sqlite3_backup_finish(backup); }
};

// In a folder the user may not write, SQLite cannot make the index of a WAL
// store's log there and will not read the store at all, not even read-only.
// Nobody can write to the store then, and with no log beside it the main
// file holds all of it: it is read as immutable, once, into memory. Kept
// open as immutable it would read garbage once the folder became writable
// again and another player wrote to it. A log left by a player that was
// killed may hold settings the main file lacks, so such a store is not read
// this way.
int ReadIntoMemory(const std::string& path, SqliteDatabase* db) {
    std::error_code error;
    if (std::filesystem::exists(path + "-wal", error) || error) {
        return SQLITE_CANTOPEN;
    }
    sqlite3* raw = nullptr;
    int result = sqlite3_open_v2(UriFor(path).c_str(), &raw, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI,
                                 nullptr);
    const SqliteDatabase file(raw);
    if (result != SQLITE_OK) {
        return result;
    }
    raw = nullptr;
    result = sqlite3_open_v2(":memory:", &raw, SQLITE_OPEN_READWRITE, nullptr);
    db->reset(raw);
    if (result != SQLITE_OK) {
        return result;
    }
    const std::unique_ptr<sqlite3_backup, BackupFinisher> backup(
        sqlite3_backup_init(db->get(), "main", file.get(), "main"));
    if (!backup) {
        return sqlite3_errcode(db->get());
    }
    const int copied = sqlite3_backup_step(backup.get(), -1);
    return copied == SQLITE_DONE ? SQLITE_OK : copied;
}

}  // namespace

std::string FoldName(std::string_view name) {
    bool ascii = true;
    for (const char c : name) {
        ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    }
    if (ascii) {
        std::string folded(name);
        for (char& c : folded) {
            if (c >= 'A' && c <= 'Z') {
                c = static_cast<char>(c - 'A' + 'a');
            }
        }
        return folded;
    }
    return QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()))
        .toCaseFolded()
        .toStdString();
}

namespace {
std::mutex noticeMutex;
std::optional<std::string> setAsidePath;
std::optional<std::string> readOnlyPath;
}  // namespace

RegistryStore::RegistryStore(std::string path, bool ownFolder) : path_(std::move(path)) {
    if (ownFolder) {
        MakePrivate(std::filesystem::path(path_).parent_path());
    }
    MakeStoreFilesPrivate(path_);
    OpenResult result = TryOpen(Mode::ReadWrite);
    if (result == OpenResult::Damaged) {
        SetAside();
        result = TryOpen(Mode::ReadWrite);
    }
    // A folder or file we may not write: an existing store may still be readable.
    if (result != OpenResult::Ok) {
        result = TryOpen(Mode::ReadOnly);
    }
    if (result != OpenResult::Ok) {
        result = TryOpen(Mode::Snapshot);
    }
    if (result != OpenResult::Ok) {
        db_.reset();
        access_ = Access::None;
    }
    if (access_ == Access::ReadOnly) {
        std::lock_guard lock(noticeMutex);
        readOnlyPath = path_;
    }
}

RegistryStore::OpenResult RegistryStore::TryOpen(Mode mode) {
    db_.reset();
    access_ = Access::None;
    const bool readWrite = mode == Mode::ReadWrite;
    int opened = SQLITE_OK;
    if (mode == Mode::Snapshot) {
        opened = ReadIntoMemory(path_, &db_);
    } else {
        int flags = SQLITE_OPEN_READONLY;
        if (readWrite) {
            MakePrivateFolders(std::filesystem::path(path_).parent_path());
            CreatePrivateFile(path_);
            flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
        }
        sqlite3* raw = nullptr;
        opened = sqlite3_open_v2(path_.c_str(), &raw, flags, nullptr);
        db_.reset(raw);
    }
    if (opened != SQLITE_OK) {
        return IsDamage(opened) ? OpenResult::Damaged : OpenResult::Failed;
    }
    sqlite3_busy_timeout(db_.get(), kBusyTimeoutMs);

    if (readWrite) {
        // WAL: readers never block the writer of another process, and a
        // process killed mid-write loses only its uncommitted transaction.
        const int wal = SwitchToWal(db_.get());
        if (wal != SQLITE_OK) {
            return IsDamage(wal) ? OpenResult::Damaged : OpenResult::Failed;
        }
        Execute(db_.get(), "PRAGMA synchronous=NORMAL");
    }
    Execute(db_.get(), "PRAGMA foreign_keys=ON");

    {
        Statement check(db_.get(), "PRAGMA quick_check");
        if (!check.valid()) {
            return IsDamage(check.prepareResult()) ? OpenResult::Damaged : OpenResult::Failed;
        }
        const int step = check.Step();
        if (IsDamage(step) || (step == SQLITE_ROW && check.Text(0) != "ok")) {
            return OpenResult::Damaged;
        }
        if (step != SQLITE_ROW) {
            return OpenResult::Failed;
        }
    }

    if (readWrite) {
        const int began = Execute(db_.get(), "BEGIN IMMEDIATE");
        if (began != SQLITE_OK) {
            return IsDamage(began) ? OpenResult::Damaged : OpenResult::Failed;
        }
        const int created = Execute(db_.get(), kSchema);
        if (created != SQLITE_OK) {
            Execute(db_.get(), "ROLLBACK");
            return IsDamage(created) ? OpenResult::Damaged : OpenResult::Failed;
        }
        if (Execute(db_.get(), "COMMIT") != SQLITE_OK) {
            Execute(db_.get(), "ROLLBACK");
            return OpenResult::Failed;
        }
    }
    // Tables of another shape mean the file is not ours.
    if (!PrepareStatements()) {
        return readWrite ? OpenResult::Damaged : OpenResult::Failed;
    }
    access_ = readWrite ? Access::ReadWrite : Access::ReadOnly;
    return OpenResult::Ok;
}

bool RegistryStore::PrepareStatements() {
    sqlite3* db = db_.get();
    findKey_ = Statement(db, "SELECT id, path FROM keys WHERE hive=?1 AND fold=?2");
    keyById_ = Statement(db, "SELECT 1 FROM keys WHERE id=?1");
    insertKey_ = Statement(db,
                           "INSERT INTO keys(hive, path, fold, parent, name) "
                           "VALUES(?1, ?2, ?3, ?4, ?5)");
    childKeys_ = Statement(db, "SELECT name FROM keys WHERE hive=?1 AND parent=?2 ORDER BY fold");
    countChildren_ = Statement(db, "SELECT count(*) FROM keys WHERE hive=?1 AND parent=?2");
    findValue_ = Statement(db, "SELECT type, data FROM vals WHERE key=?1 AND fold=?2");
    upsertValue_ = Statement(db,
                             "INSERT INTO vals(key, fold, name, type, data) "
                             "VALUES(?1, ?2, ?3, ?4, ?5) ON CONFLICT(key, fold) "
                             "DO UPDATE SET type=excluded.type, data=excluded.data");
    deleteValue_ = Statement(db, "DELETE FROM vals WHERE key=?1 AND fold=?2");
    keyValues_ = Statement(db, "SELECT name, type, data FROM vals WHERE key=?1 ORDER BY seq");
    // Children of "a\b" are exactly the folds in ["a\b\", "a\b]"): ']' follows '\'.
    deleteKeyAndBelow_ = Statement(
        db, "DELETE FROM keys WHERE hive=?1 AND (fold=?2 OR (fold>=?2||'\\' AND fold<?2||']'))");
    deleteBelow_ = Statement(db,
                             "DELETE FROM keys WHERE hive=?1 AND fold<>?2 AND "
                             "(?2='' OR (fold>=?2||'\\' AND fold<?2||']'))");
    deleteOwnValues_ = Statement(db, "DELETE FROM vals WHERE key=?1");
    dataVersion_ = Statement(db, "PRAGMA data_version");
    begin_ = Statement(db, "BEGIN IMMEDIATE");
    commit_ = Statement(db, "COMMIT");
    rollback_ = Statement(db, "ROLLBACK");
    savepoint_ = Statement(db, "SAVEPOINT step");
    release_ = Statement(db, "RELEASE step");
    rollbackTo_ = Statement(db, "ROLLBACK TO step");
    for (const Statement* s :
         {&findKey_, &keyById_, &insertKey_, &childKeys_, &countChildren_, &findValue_,
          &upsertValue_, &deleteValue_, &keyValues_, &deleteKeyAndBelow_, &deleteBelow_,
          &deleteOwnValues_, &dataVersion_, &begin_, &commit_, &rollback_, &savepoint_, &release_,
          &rollbackTo_}) {
        if (!s->valid()) {
            return false;
        }
    }
    return true;
}

namespace {

// Moves `from` to `to` unless `to` exists; false when it does.
bool MoveIfFree(const std::string& from, const std::string& to, std::error_code* error) {
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        return true;
    }
    *error = std::error_code(errno, std::generic_category());
    return errno != EEXIST;
}

}  // namespace

// An earlier copy set aside may be the only one of older settings: each
// damaged file gets a name of its own.
void RegistryStore::SetAside() {
    db_.reset();
    std::string broken = path_ + ".broken";
    std::error_code error;
    for (int number = 1; !MoveIfFree(path_, broken, &error) && number < 1000; ++number) {
        broken = path_ + ".broken." + std::to_string(number);
    }
    MakePrivate(broken);
    for (const char* suffix : {"-wal", "-shm", "-journal"}) {
        std::filesystem::remove(path_ + suffix, error);
    }
    std::fprintf(stderr, "velvaro: settings file %s was damaged; moved it to %s and started anew\n",
                 path_.c_str(), broken.c_str());
    std::lock_guard lock(noticeMutex);
    setAsidePath = broken;
}

std::optional<std::string> TakeSetAsideRegistry() {
    std::lock_guard lock(noticeMutex);
    return std::exchange(setAsidePath, std::nullopt);
}

std::optional<std::string> TakeReadOnlyRegistry() {
    std::lock_guard lock(noticeMutex);
    return std::exchange(readOnlyPath, std::nullopt);
}

LONG RegistryStore::WriteFailure(int sqliteResult) {
    if (access_ == Access::ReadOnly || sqliteResult == SQLITE_READONLY) {
        return ERROR_ACCESS_DENIED;
    }
    return IsDamage(sqliteResult) ? ERROR_BADDB : ERROR_CANTWRITE;
}

LONG RegistryStore::ReadFailure(int sqliteResult) const {
    return IsDamage(sqliteResult) ? ERROR_BADDB : ERROR_CANTWRITE;
}

LONG RegistryStore::Begin() {
    if (access_ != Access::ReadWrite) {
        return access_ == Access::None ? ERROR_BADDB : ERROR_ACCESS_DENIED;
    }
    Statement& begin = depth_ > 0 ? savepoint_ : begin_;
    StepScope scope(begin);
    const int result = begin.Step();
    return result == SQLITE_DONE ? ERROR_SUCCESS : WriteFailure(result);
}

LONG RegistryStore::Commit() {
    if (depth_ > 0) {
        StepScope scope(release_);
        const int result = release_.Step();
        if (result != SQLITE_DONE) {
            Rollback();
            return WriteFailure(result);
        }
        CountWrite();
        return ERROR_SUCCESS;
    }
    int result = SQLITE_OK;
    {
        StepScope scope(commit_);
        result = commit_.Step();
    }
    if (result != SQLITE_DONE) {
        Rollback();
        return WriteFailure(result);
    }
    ++localWrites_;
    CountWrite();
    return ERROR_SUCCESS;
}

void RegistryStore::Rollback() {
    if (depth_ > 0) {
        StepScope back(rollbackTo_);
        rollbackTo_.Step();
        StepScope release(release_);
        release_.Step();
    } else {
        StepScope scope(rollback_);
        rollback_.Step();
    }
}

LONG RegistryStore::BeginTransaction() {
    if (const LONG began = Begin(); began != ERROR_SUCCESS) {
        return began;
    }
    ++depth_;
    return ERROR_SUCCESS;
}

// The scope's end is one more write: an inner scope releases its savepoint,
// the outermost commits.
LONG RegistryStore::CommitTransaction() {
    --depth_;
    return Commit();
}

void RegistryStore::RollbackTransaction() {
    --depth_;
    Rollback();
    ++localWrites_;
}

namespace {
std::atomic<int> writesBeforeKill{0};
}  // namespace

void KillAfterWrites(int n) {
    writesBeforeKill = n;
}

void RegistryStore::CountWrite() {
    if (writesBeforeKill > 0 && --writesBeforeKill == 0) {
        std::raise(SIGKILL);
    }
}

}  // namespace velvaro::platform
