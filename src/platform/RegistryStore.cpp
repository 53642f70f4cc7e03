#include "RegistryStore.h"

#include <QString>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <system_error>
#include <thread>

namespace velvaro::platform {
namespace {

constexpr int kBusyTimeoutMs = 10000;
constexpr size_t kMaxKeyNameLength = 255;

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

const char* HiveName(HKEY hive) {
    switch (hive) {
        case HKEY_CLASSES_ROOT:
            return "HKEY_CLASSES_ROOT";
        case HKEY_CURRENT_USER:
            return "HKEY_CURRENT_USER";
        case HKEY_LOCAL_MACHINE:
            return "HKEY_LOCAL_MACHINE";
        default:
            return nullptr;
    }
}

// Splits "A\\B\\\\C" into its non-empty parts.
std::vector<std::string_view> SplitPath(std::string_view path) {
    std::vector<std::string_view> parts;
    while (!path.empty()) {
        const auto cut = path.find('\\');
        const auto part = path.substr(0, cut);
        if (!part.empty()) {
            parts.push_back(part);
        }
        if (cut == std::string_view::npos) {
            break;
        }
        path.remove_prefix(cut + 1);
    }
    return parts;
}

std::string Join(const std::string& parent, std::string_view child) {
    return parent.empty() ? std::string(child) : parent + '\\' + std::string(child);
}

bool IsDamage(int result) {
    return result == SQLITE_NOTADB || result == SQLITE_CORRUPT;
}

void BindData(Statement& statement, int index, DWORD type, std::string_view data) {
    if (type == REG_DWORD && data.size() == 4) {
        const auto* b = reinterpret_cast<const unsigned char*>(data.data());
        statement.Bind(index, static_cast<std::int64_t>(b[0] | b[1] << 8 | b[2] << 16 |
                                                        static_cast<std::uint32_t>(b[3]) << 24));
    } else if (type == REG_SZ && !data.empty() && data.back() == '\0' &&
               data.find('\0') == data.size() - 1) {
        statement.Bind(index, data.substr(0, data.size() - 1));
    } else {
        statement.BindBlob(index, data);
    }
}

std::string ColumnData(const Statement& statement, int column) {
    switch (statement.Type(column)) {
        case SQLITE_INTEGER: {
            const auto v = static_cast<std::uint32_t>(statement.Int(column));
            const char bytes[4] = {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8 & 0xFF),
                                   static_cast<char>(v >> 16 & 0xFF), static_cast<char>(v >> 24)};
            return std::string(bytes, 4);
        }
        case SQLITE_TEXT:
            return statement.Text(column) + '\0';
        case SQLITE_NULL:
            return {};
        default:
            return statement.Bytes(column);
    }
}

// Resets a statement when it leaves scope, so no read stays open.
class StepScope {
public:
    explicit StepScope(Statement& statement) : statement_(statement) {}
    ~StepScope() { statement_.Reset(); }
    StepScope(const StepScope&) = delete;
    StepScope& operator=(const StepScope&) = delete;

private:
    Statement& statement_;
};

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

RegistryStore::RegistryStore(std::string path) : path_(std::move(path)) {
    OpenResult result = TryOpen(true);
    if (result == OpenResult::Damaged) {
        SetAside();
        result = TryOpen(true);
    }
    if (result != OpenResult::Ok) {
        // A folder we cannot write: an existing store may still be readable.
        result = TryOpen(false);
    }
    if (result != OpenResult::Ok) {
        db_.reset();
        access_ = Access::None;
    }
}

RegistryStore::OpenResult RegistryStore::TryOpen(bool readWrite) {
    db_.reset();
    access_ = Access::None;
    int flags = SQLITE_OPEN_READONLY;
    if (readWrite) {
        std::error_code ignored;
        std::filesystem::create_directories(std::filesystem::path(path_).parent_path(), ignored);
        flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
    }
    sqlite3* raw = nullptr;
    const int opened = sqlite3_open_v2(path_.c_str(), &raw, flags, nullptr);
    db_.reset(raw);
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
    for (const Statement* s :
         {&findKey_, &keyById_, &insertKey_, &childKeys_, &countChildren_, &findValue_,
          &upsertValue_, &deleteValue_, &keyValues_, &deleteKeyAndBelow_, &deleteBelow_,
          &deleteOwnValues_, &dataVersion_, &begin_, &commit_, &rollback_}) {
        if (!s->valid()) {
            return false;
        }
    }
    return true;
}

void RegistryStore::SetAside() {
    db_.reset();
    const std::string broken = path_ + ".broken";
    std::error_code error;
    std::filesystem::rename(path_, broken, error);
    for (const char* suffix : {"-wal", "-shm", "-journal"}) {
        std::filesystem::remove(path_ + suffix, error);
    }
    std::fprintf(stderr, "velvaro: settings file %s was damaged; moved it to %s and started anew\n",
                 path_.c_str(), broken.c_str());
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
    StepScope scope(begin_);
    const int result = begin_.Step();
    return result == SQLITE_DONE ? ERROR_SUCCESS : WriteFailure(result);
}

LONG RegistryStore::Commit() {
    int result = SQLITE_OK;
    {
        StepScope scope(commit_);
        result = commit_.Step();
    }
    if (result != SQLITE_DONE) {
        StepScope scope(rollback_);
        rollback_.Step();
        return WriteFailure(result);
    }
    ++localWrites_;
    return ERROR_SUCCESS;
}

LONG RegistryStore::Hive(HKEY hive, StoredKey* key) {
    const char* name = HiveName(hive);
    if (!name) {
        return ERROR_INVALID_HANDLE;
    }
    if (access_ == Access::None) {
        return ERROR_BADDB;
    }
    StepScope scope(findKey_);
    findKey_.Bind(1, std::string_view(name)).Bind(2, std::string_view());
    const int result = findKey_.Step();
    if (result != SQLITE_ROW) {
        return result == SQLITE_DONE ? ERROR_BADDB : ReadFailure(result);
    }
    *key = StoredKey{findKey_.Int(0), name, {}, {}};
    return ERROR_SUCCESS;
}

LONG RegistryStore::Alive(const StoredKey& key) {
    StepScope scope(keyById_);
    keyById_.Bind(1, key.id);
    const int result = keyById_.Step();
    if (result == SQLITE_ROW) {
        return ERROR_SUCCESS;
    }
    return result == SQLITE_DONE ? ERROR_KEY_DELETED : ReadFailure(result);
}

LONG RegistryStore::Open(const StoredKey& parent, std::string_view subKey, StoredKey* key) {
    if (const LONG alive = Alive(parent); alive != ERROR_SUCCESS) {
        return alive;
    }
    const auto parts = SplitPath(subKey);
    if (parts.empty()) {
        *key = parent;
        return ERROR_SUCCESS;
    }
    std::string fold = parent.fold;
    for (const auto part : parts) {
        fold = Join(fold, FoldName(part));
    }
    StepScope scope(findKey_);
    findKey_.Bind(1, parent.hive).Bind(2, fold);
    const int result = findKey_.Step();
    if (result != SQLITE_ROW) {
        return result == SQLITE_DONE ? ERROR_FILE_NOT_FOUND : ReadFailure(result);
    }
    *key = StoredKey{findKey_.Int(0), parent.hive, fold, findKey_.Text(1)};
    return ERROR_SUCCESS;
}

LONG RegistryStore::Create(const StoredKey& parent, std::string_view subKey, StoredKey* key,
                           bool* created) {
    const auto parts = SplitPath(subKey);
    for (const auto part : parts) {
        if (part.size() > kMaxKeyNameLength) {
            return ERROR_INVALID_PARAMETER;
        }
    }
    if (const LONG began = Begin(); began != ERROR_SUCCESS) {
        return began;
    }
    *created = false;
    StoredKey current = parent;
    LONG status = Alive(parent);
    for (auto part = parts.begin(); status == ERROR_SUCCESS && part != parts.end(); ++part) {
        const std::string fold = Join(current.fold, FoldName(*part));
        StepScope findScope(findKey_);
        findKey_.Bind(1, current.hive).Bind(2, fold);
        const int found = findKey_.Step();
        if (found == SQLITE_ROW) {
            current = StoredKey{findKey_.Int(0), current.hive, fold, findKey_.Text(1)};
            *created = false;
            continue;
        }
        if (found != SQLITE_DONE) {
            status = WriteFailure(found);
            break;
        }
        const std::string path = Join(current.path, *part);
        StepScope insertScope(insertKey_);
        insertKey_.Bind(1, current.hive).Bind(2, path).Bind(3, fold).Bind(4, current.fold);
        insertKey_.Bind(5, *part);
        const int inserted = insertKey_.Step();
        if (inserted != SQLITE_DONE) {
            status = WriteFailure(inserted);
            break;
        }
        current = StoredKey{sqlite3_last_insert_rowid(db_.get()), current.hive, fold, path};
        *created = true;
    }
    if (status != ERROR_SUCCESS) {
        StepScope scope(rollback_);
        rollback_.Step();
        return status;
    }
    if (const LONG committed = Commit(); committed != ERROR_SUCCESS) {
        return committed;
    }
    *key = current;
    return ERROR_SUCCESS;
}

LONG RegistryStore::QueryValue(const StoredKey& key, std::string_view name, StoredValue* value) {
    if (const LONG alive = Alive(key); alive != ERROR_SUCCESS) {
        return alive;
    }
    StepScope scope(findValue_);
    findValue_.Bind(1, key.id).Bind(2, FoldName(name));
    const int result = findValue_.Step();
    if (result != SQLITE_ROW) {
        return result == SQLITE_DONE ? ERROR_FILE_NOT_FOUND : ReadFailure(result);
    }
    value->name = std::string(name);
    value->type = static_cast<DWORD>(findValue_.Int(0));
    value->data = ColumnData(findValue_, 1);
    return ERROR_SUCCESS;
}

LONG RegistryStore::SetValue(const StoredKey& key, std::string_view name, DWORD type,
                             std::string_view data) {
    if (access_ != Access::ReadWrite) {
        return access_ == Access::None ? ERROR_BADDB : ERROR_ACCESS_DENIED;
    }
    int result = SQLITE_OK;
    {
        StepScope scope(upsertValue_);
        upsertValue_.Bind(1, key.id).Bind(2, FoldName(name)).Bind(3, name);
        upsertValue_.Bind(4, static_cast<std::int64_t>(type));
        BindData(upsertValue_, 5, type, data);
        result = upsertValue_.Step();
    }
    if (result == SQLITE_DONE) {
        ++localWrites_;
        return ERROR_SUCCESS;
    }
    // The key's row went away under us (another process deleted it).
    if (result == SQLITE_CONSTRAINT) {
        return ERROR_KEY_DELETED;
    }
    return WriteFailure(result);
}

LONG RegistryStore::DeleteValue(const StoredKey& key, std::string_view name) {
    if (access_ != Access::ReadWrite) {
        return access_ == Access::None ? ERROR_BADDB : ERROR_ACCESS_DENIED;
    }
    if (const LONG alive = Alive(key); alive != ERROR_SUCCESS) {
        return alive;
    }
    StepScope scope(deleteValue_);
    deleteValue_.Bind(1, key.id).Bind(2, FoldName(name));
    const int result = deleteValue_.Step();
    if (result != SQLITE_DONE) {
        return WriteFailure(result);
    }
    if (sqlite3_changes(db_.get()) == 0) {
        return ERROR_FILE_NOT_FOUND;
    }
    ++localWrites_;
    return ERROR_SUCCESS;
}

LONG RegistryStore::Subkeys(const StoredKey& key, std::vector<std::string>* names) {
    if (const LONG alive = Alive(key); alive != ERROR_SUCCESS) {
        return alive;
    }
    names->clear();
    StepScope scope(childKeys_);
    childKeys_.Bind(1, key.hive).Bind(2, key.fold);
    int result = SQLITE_ROW;
    while ((result = childKeys_.Step()) == SQLITE_ROW) {
        names->push_back(childKeys_.Text(0));
    }
    return result == SQLITE_DONE ? ERROR_SUCCESS : ReadFailure(result);
}

LONG RegistryStore::Values(const StoredKey& key, std::vector<StoredValue>* values) {
    if (const LONG alive = Alive(key); alive != ERROR_SUCCESS) {
        return alive;
    }
    values->clear();
    StepScope scope(keyValues_);
    keyValues_.Bind(1, key.id);
    int result = SQLITE_ROW;
    while ((result = keyValues_.Step()) == SQLITE_ROW) {
        values->push_back(StoredValue{keyValues_.Text(0), static_cast<DWORD>(keyValues_.Int(1)),
                                      ColumnData(keyValues_, 2)});
    }
    return result == SQLITE_DONE ? ERROR_SUCCESS : ReadFailure(result);
}

LONG RegistryStore::Delete(const StoredKey& parent, std::string_view subKey, bool recursive) {
    if (const LONG began = Begin(); began != ERROR_SUCCESS) {
        return began;
    }
    StoredKey target;
    LONG status = Open(parent, subKey, &target);
    const bool onlyContents = SplitPath(subKey).empty();
    if (status == ERROR_SUCCESS && !recursive) {
        // Windows refuses to delete a key that still has subkeys.
        StepScope scope(countChildren_);
        countChildren_.Bind(1, target.hive).Bind(2, target.fold);
        const int counted = countChildren_.Step();
        if (counted != SQLITE_ROW) {
            status = WriteFailure(counted);
        } else if (countChildren_.Int(0) > 0 || onlyContents) {
            status = ERROR_ACCESS_DENIED;
        }
    }
    if (status == ERROR_SUCCESS && !onlyContents) {
        StepScope scope(deleteKeyAndBelow_);
        deleteKeyAndBelow_.Bind(1, target.hive).Bind(2, target.fold);
        const int deleted = deleteKeyAndBelow_.Step();
        status = deleted == SQLITE_DONE ? ERROR_SUCCESS : WriteFailure(deleted);
    } else if (status == ERROR_SUCCESS) {
        StepScope below(deleteBelow_);
        deleteBelow_.Bind(1, target.hive).Bind(2, target.fold);
        int deleted = deleteBelow_.Step();
        if (deleted == SQLITE_DONE) {
            StepScope own(deleteOwnValues_);
            deleteOwnValues_.Bind(1, target.id);
            deleted = deleteOwnValues_.Step();
        }
        status = deleted == SQLITE_DONE ? ERROR_SUCCESS : WriteFailure(deleted);
    }
    if (status != ERROR_SUCCESS) {
        StepScope scope(rollback_);
        rollback_.Step();
        return status;
    }
    return Commit();
}

std::pair<std::int64_t, std::int64_t> RegistryStore::Generation() {
    std::int64_t version = -1;
    if (access_ != Access::None) {
        StepScope scope(dataVersion_);
        if (dataVersion_.Step() == SQLITE_ROW) {
            version = dataVersion_.Int(0);
        }
    }
    return {version, localWrites_};
}

}  // namespace velvaro::platform
