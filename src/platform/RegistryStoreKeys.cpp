// The store's keys and values: opening and creating keys, reading, writing
// and deleting values, listing and deleting keys.
#include "RegistryStore.h"

#include "RegistryStoreRows.h"

namespace velvaro::platform {

using namespace store_rows;

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
        Rollback();
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
        CountWrite();
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
    CountWrite();
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
        Rollback();
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
