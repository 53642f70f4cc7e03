#include "Registry.h"

#include "RegistryStore.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <unordered_map>
#include <vector>

namespace velvaro::platform {
namespace {

using Generation = std::pair<std::int64_t, std::int64_t>;

struct OpenKey {
    StoredKey key;
    REGSAM access = KEY_ALL_ACCESS;
    // Enumeration by index re-reads the key only when the store changed.
    std::optional<Generation> subkeysRead;
    std::vector<std::string> subkeys;
    std::optional<Generation> valuesRead;
    std::vector<StoredValue> values;
};

constexpr HKEY kFirstHandle = 0x1000;

// Everything below is guarded by `mutex`; the registry may be used from the
// update worker as well as the UI thread.
struct Registry {
    // Recursive: a transaction scope holds it across the calls it joins.
    std::recursive_mutex mutex;
    std::unique_ptr<RegistryStore> store;
    std::unordered_map<HKEY, OpenKey> handles;
    HKEY nextHandle = kFirstHandle;

    RegistryStore& Store() {
        if (!store) {
            // A folder named by $VELVARO_REGISTRY may be shared; the default is ours.
            const char* given = std::getenv("VELVARO_REGISTRY");
            store = std::make_unique<RegistryStore>(RegistryPath(), !given || !*given);
        }
        return *store;
    }

    bool IsHive(HKEY key) const {
        return key == HKEY_CLASSES_ROOT || key == HKEY_CURRENT_USER || key == HKEY_LOCAL_MACHINE;
    }

    // Resolves a handle; `needed` is the access right the call requires.
    LONG Resolve(HKEY key, REGSAM needed, OpenKey** open, OpenKey* scratch) {
        if (IsHive(key)) {
            *scratch = OpenKey{};
            *open = scratch;
            return Store().Hive(key, &scratch->key);
        }
        const auto found = handles.find(key);
        if (found == handles.end()) {
            return ERROR_INVALID_HANDLE;
        }
        if ((found->second.access & needed) != needed) {
            return ERROR_ACCESS_DENIED;
        }
        *open = &found->second;
        return ERROR_SUCCESS;
    }

    HKEY Add(StoredKey key, REGSAM access) {
        HKEY handle = nextHandle;
        while (handles.count(handle) || IsHive(handle) || handle == 0) {
            handle += 4;
        }
        nextHandle = handle + 4;
        handles.emplace(handle, OpenKey{std::move(key), access, {}, {}, {}, {}});
        return handle;
    }
};

Registry& TheRegistry() {
    static Registry registry;
    return registry;
}

// Copies `text` into a caller's name buffer of *size bytes (terminator included).
LONG CopyName(const std::string& text, char* name, DWORD* size) {
    if (!name || !size) {
        return ERROR_INVALID_PARAMETER;
    }
    if (text.size() + 1 > *size) {
        *size = static_cast<DWORD>(text.size());
        return ERROR_MORE_DATA;
    }
    std::memcpy(name, text.data(), text.size());
    name[text.size()] = '\0';
    *size = static_cast<DWORD>(text.size());
    return ERROR_SUCCESS;
}

LONG CopyData(const StoredValue& value, DWORD* type, BYTE* data, DWORD* dataSize) {
    if (type) {
        *type = value.type;
    }
    if (!dataSize) {
        return data ? ERROR_INVALID_PARAMETER : ERROR_SUCCESS;
    }
    const DWORD needed = static_cast<DWORD>(value.data.size());
    if (data) {
        if (needed > *dataSize) {
            *dataSize = needed;
            return ERROR_MORE_DATA;
        }
        std::memcpy(data, value.data.data(), needed);
    }
    *dataSize = needed;
    return ERROR_SUCCESS;
}

// Runs `call` under the registry's lock with the resolved handle.
template <typename Call>
LONG WithKey(HKEY key, REGSAM needed, Call call) {
    auto& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    OpenKey* open = nullptr;
    OpenKey scratch;
    if (const LONG status = registry.Resolve(key, needed, &open, &scratch);
        status != ERROR_SUCCESS) {
        return status;
    }
    return call(registry, open);
}

}  // namespace

std::string RegistryPath() {
    if (const char* path = std::getenv("VELVARO_REGISTRY"); path && *path) {
        return path;
    }
    std::string config;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg == '/') {
        config = xdg;
    } else if (const char* home = std::getenv("HOME"); home && *home) {
        config = std::string(home) + "/.config";
    } else {
        config = "/tmp";
    }
    return config + "/velvaro/registry.db";
}

RegistryTransaction::RegistryTransaction() {
    Registry& registry = TheRegistry();
    registry.mutex.lock();
    if (registry.Store().BeginTransaction() == ERROR_SUCCESS) {
        store_ = registry.store.get();
    } else {
        registry.mutex.unlock();
    }
}

RegistryTransaction::~RegistryTransaction() {
    End(true);
}

LONG RegistryTransaction::Commit() {
    return End(true);
}

void RegistryTransaction::Rollback() {
    End(false);
}

LONG RegistryTransaction::End(bool commit) {
    if (!store_) {
        return ERROR_CANTWRITE;
    }
    Registry& registry = TheRegistry();
    LONG status = ERROR_CANTWRITE;
    // Closing the store ended the transaction without its writes.
    if (registry.store.get() == store_) {
        if (commit) {
            status = registry.store->CommitTransaction();
        } else {
            registry.store->RollbackTransaction();
        }
    }
    store_ = nullptr;
    registry.mutex.unlock();
    return status;
}

void CloseRegistry() {
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    registry.handles.clear();
    registry.store.reset();
}

}  // namespace velvaro::platform

using velvaro::platform::OpenKey;
using velvaro::platform::Registry;
using velvaro::platform::StoredKey;
using velvaro::platform::StoredValue;
using velvaro::platform::TheRegistry;
using velvaro::platform::WithKey;

LONG RegOpenKeyEx(HKEY key, std::string_view subKey, REGSAM access, HKEY* result) {
    if (!result) {
        return ERROR_INVALID_PARAMETER;
    }
    return WithKey(key, 0, [&](Registry& registry, OpenKey* parent) -> LONG {
        StoredKey opened;
        if (const LONG status = registry.Store().Open(parent->key, subKey, &opened);
            status != ERROR_SUCCESS) {
            return status;
        }
        *result = registry.Add(std::move(opened), access);
        return ERROR_SUCCESS;
    });
}

LONG RegCreateKeyEx(HKEY key, std::string_view subKey, REGSAM access, HKEY* result,
                    DWORD* disposition) {
    if (!result) {
        return ERROR_INVALID_PARAMETER;
    }
    return WithKey(key, KEY_CREATE_SUB_KEY, [&](Registry& registry, OpenKey* parent) -> LONG {
        StoredKey created;
        bool isNew = false;
        if (const LONG status = registry.Store().Create(parent->key, subKey, &created, &isNew);
            status != ERROR_SUCCESS) {
            return status;
        }
        if (disposition) {
            *disposition = isNew ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
        }
        *result = registry.Add(std::move(created), access);
        return ERROR_SUCCESS;
    });
}

LONG RegCloseKey(HKEY key) {
    auto& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    if (registry.IsHive(key)) {
        return ERROR_SUCCESS;
    }
    return registry.handles.erase(key) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

LONG RegQueryValueEx(HKEY key, std::string_view valueName, DWORD* type, BYTE* data,
                     DWORD* dataSize) {
    return WithKey(key, KEY_QUERY_VALUE, [&](Registry& registry, OpenKey* open) -> LONG {
        StoredValue value;
        if (const LONG status = registry.Store().QueryValue(open->key, valueName, &value);
            status != ERROR_SUCCESS) {
            return status;
        }
        return velvaro::platform::CopyData(value, type, data, dataSize);
    });
}

LONG RegSetValueEx(HKEY key, std::string_view valueName, DWORD type, const BYTE* data,
                   DWORD dataSize) {
    if (!data && dataSize) {
        return ERROR_INVALID_PARAMETER;
    }
    return WithKey(key, KEY_SET_VALUE, [&](Registry& registry, OpenKey* open) -> LONG {
        const std::string_view bytes(reinterpret_cast<const char*>(data), data ? dataSize : 0);
        return registry.Store().SetValue(open->key, valueName, type, bytes);
    });
}

LONG RegDeleteValue(HKEY key, std::string_view valueName) {
    return WithKey(key, KEY_SET_VALUE, [&](Registry& registry, OpenKey* open) -> LONG {
        return registry.Store().DeleteValue(open->key, valueName);
    });
}

LONG RegEnumKeyEx(HKEY key, DWORD index, char* name, DWORD* nameSize) {
    return WithKey(key, KEY_ENUMERATE_SUB_KEYS, [&](Registry& registry, OpenKey* open) -> LONG {
        auto& store = registry.Store();
        const auto generation = store.Generation();
        if (index == 0 || open->subkeysRead != generation) {
            if (const LONG status = store.Subkeys(open->key, &open->subkeys);
                status != ERROR_SUCCESS) {
                open->subkeysRead.reset();
                return status;
            }
            open->subkeysRead = generation;
        }
        if (index >= open->subkeys.size()) {
            return ERROR_NO_MORE_ITEMS;
        }
        return velvaro::platform::CopyName(open->subkeys[index], name, nameSize);
    });
}

LONG RegEnumValue(HKEY key, DWORD index, char* name, DWORD* nameSize, DWORD* type, BYTE* data,
                  DWORD* dataSize) {
    return WithKey(key, KEY_QUERY_VALUE, [&](Registry& registry, OpenKey* open) -> LONG {
        auto& store = registry.Store();
        const auto generation = store.Generation();
        if (index == 0 || open->valuesRead != generation) {
            if (const LONG status = store.Values(open->key, &open->values);
                status != ERROR_SUCCESS) {
                open->valuesRead.reset();
                return status;
            }
            open->valuesRead = generation;
        }
        if (index >= open->values.size()) {
            return ERROR_NO_MORE_ITEMS;
        }
        const StoredValue& value = open->values[index];
        if (const LONG status = velvaro::platform::CopyName(value.name, name, nameSize);
            status != ERROR_SUCCESS) {
            return status;
        }
        return velvaro::platform::CopyData(value, type, data, dataSize);
    });
}

LONG RegQueryInfoKey(HKEY key, DWORD* subKeys, DWORD* maxSubKeyLength, DWORD* values,
                     DWORD* maxValueNameLength, DWORD* maxValueLength) {
    return WithKey(key, KEY_QUERY_VALUE, [&](Registry& registry, OpenKey* open) -> LONG {
        auto& store = registry.Store();
        std::vector<std::string> keyNames;
        std::vector<StoredValue> keyValues;
        if (const LONG status = store.Subkeys(open->key, &keyNames); status != ERROR_SUCCESS) {
            return status;
        }
        if (const LONG status = store.Values(open->key, &keyValues); status != ERROR_SUCCESS) {
            return status;
        }
        size_t longestKey = 0, longestName = 0, longestData = 0;
        for (const auto& k : keyNames) {
            longestKey = std::max(longestKey, k.size());
        }
        for (const auto& v : keyValues) {
            longestName = std::max(longestName, v.name.size());
            longestData = std::max(longestData, v.data.size());
        }
        if (subKeys) {
            *subKeys = static_cast<DWORD>(keyNames.size());
        }
        if (maxSubKeyLength) {
            *maxSubKeyLength = static_cast<DWORD>(longestKey);
        }
        if (values) {
            *values = static_cast<DWORD>(keyValues.size());
        }
        if (maxValueNameLength) {
            *maxValueNameLength = static_cast<DWORD>(longestName);
        }
        if (maxValueLength) {
            *maxValueLength = static_cast<DWORD>(longestData);
        }
        return ERROR_SUCCESS;
    });
}

namespace {

LONG DeleteKey(HKEY key, std::string_view subKey, bool recursive) {
    return WithKey(key, 0, [&](Registry& registry, OpenKey* open) -> LONG {
        return registry.Store().Delete(open->key, subKey, recursive);
    });
}

}  // namespace

LONG RegDeleteKey(HKEY key, std::string_view subKey) {
    return DeleteKey(key, subKey, false);
}

LONG RegDeleteTree(HKEY key, std::string_view subKey) {
    return DeleteKey(key, subKey, true);
}
