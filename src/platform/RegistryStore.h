// The registry's database: keys and values of the three hives in SQLite.
// Not thread-safe by itself; the registry calls serialise access to it.
#pragma once

#include "Registry.h"
#include "Sqlite.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace velvaro::platform {

// A key as the store knows it: its row id and its case-folded path, which
// identify it, and the path as written.
struct StoredKey {
    std::int64_t id = 0;
    std::string hive;
    std::string fold;
    std::string path;
};

struct StoredValue {
    std::string name;
    DWORD type = REG_NONE;
    std::string data;
};

class RegistryStore {
public:
    enum class Access { None, ReadOnly, ReadWrite };

    // Opens (creating when needed) the database at `path`. A file that is not
    // a sound database is moved aside to `path` + ".broken" (".broken.1" and
    // on when that exists) with one line on standard error. A store that
    // cannot be written is read only. When nothing can be opened, every call
    // fails. The files, and the folders made for them, are kept private;
    // with `ownFolder` the folder is Velvaro's own and is kept private even
    // when it exists.
    explicit RegistryStore(std::string path, bool ownFolder = false);

    Access access() const { return access_; }

    LONG Hive(HKEY hive, StoredKey* key);
    LONG Open(const StoredKey& parent, std::string_view subKey, StoredKey* key);
    LONG Create(const StoredKey& parent, std::string_view subKey, StoredKey* key, bool* created);
    LONG Alive(const StoredKey& key);

    LONG QueryValue(const StoredKey& key, std::string_view name, StoredValue* value);
    LONG SetValue(const StoredKey& key, std::string_view name, DWORD type, std::string_view data);
    LONG DeleteValue(const StoredKey& key, std::string_view name);

    LONG Subkeys(const StoredKey& key, std::vector<std::string>* names);
    LONG Values(const StoredKey& key, std::vector<StoredValue>* values);

    // Deletes parent\subKey; `recursive` takes everything below along, else a
    // key with subkeys is refused. With an empty subKey and `recursive` only
    // the parent's values and subkeys go.
    LONG Delete(const StoredKey& parent, std::string_view subKey, bool recursive);

    // Changes when anything in the store changed, from this or another process.
    std::pair<std::int64_t, std::int64_t> Generation();

    // Scopes that make every write until their end one transaction. They
    // nest: an inner scope is a savepoint, only the outermost commits, and
    // a scope rolled back takes back just its own writes.
    LONG BeginTransaction();
    LONG CommitTransaction();
    void RollbackTransaction();
    int transactionDepth() const { return depth_; }

private:
    enum class OpenResult { Ok, Damaged, Failed };
    // Snapshot: read once into memory, for a store whose folder may not be written.
    enum class Mode { ReadWrite, ReadOnly, Snapshot };
    OpenResult TryOpen(Mode mode);
    bool PrepareStatements();
    void SetAside();
    // One call's writes: a transaction of their own, or a savepoint inside
    // an open scope, so that a failed call never leaves half its rows.
    LONG Begin();
    LONG Commit();
    void Rollback();
    void CountWrite();
    LONG WriteFailure(int sqliteResult);
    LONG ReadFailure(int sqliteResult) const;

    std::string path_;
    SqliteDatabase db_;
    Access access_ = Access::None;
    std::int64_t localWrites_ = 0;
    int depth_ = 0;

    Statement findKey_, keyById_, insertKey_, childKeys_, countChildren_;
    Statement findValue_, upsertValue_, deleteValue_, keyValues_;
    Statement deleteKeyAndBelow_, deleteBelow_, deleteOwnValues_, dataVersion_;
    Statement begin_, commit_, rollback_, savepoint_, release_, rollbackTo_;
};

// For tests of what a kill leaves behind: the process kills itself with
// SIGKILL right after its nth write call from now on; 0 never.
void KillAfterWrites(int n);

// Case folding used for key and value names.
std::string FoldName(std::string_view name);

}  // namespace velvaro::platform
