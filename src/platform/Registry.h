// Win32-shaped registry calls over Velvaro's own store (one SQLite database
// holding the three hives). Key and value names are case-insensitive and
// case-preserving; every write is its own committed transaction, so two
// processes can share the store. Failures come back as result codes, never
// as exceptions: callers fall back to defaults.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

using DWORD = std::uint32_t;
using LONG = std::int32_t;
using BYTE = std::uint8_t;
using REGSAM = std::uint32_t;
using HKEY = std::uint32_t;

inline constexpr HKEY HKEY_CLASSES_ROOT = 0x80000000u;
inline constexpr HKEY HKEY_CURRENT_USER = 0x80000001u;
inline constexpr HKEY HKEY_LOCAL_MACHINE = 0x80000002u;

inline constexpr LONG ERROR_SUCCESS = 0;
inline constexpr LONG ERROR_FILE_NOT_FOUND = 2;
inline constexpr LONG ERROR_ACCESS_DENIED = 5;
inline constexpr LONG ERROR_INVALID_HANDLE = 6;
inline constexpr LONG ERROR_INVALID_PARAMETER = 87;
inline constexpr LONG ERROR_MORE_DATA = 234;
inline constexpr LONG ERROR_NO_MORE_ITEMS = 259;
inline constexpr LONG ERROR_BADDB = 1009;
inline constexpr LONG ERROR_CANTWRITE = 1013;
inline constexpr LONG ERROR_KEY_DELETED = 1018;

inline constexpr DWORD REG_NONE = 0;
inline constexpr DWORD REG_SZ = 1;
inline constexpr DWORD REG_BINARY = 3;
inline constexpr DWORD REG_DWORD = 4;

inline constexpr DWORD REG_CREATED_NEW_KEY = 1;
inline constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

inline constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
inline constexpr REGSAM KEY_SET_VALUE = 0x0002;
inline constexpr REGSAM KEY_CREATE_SUB_KEY = 0x0004;
inline constexpr REGSAM KEY_ENUMERATE_SUB_KEYS = 0x0008;
inline constexpr REGSAM KEY_READ = 0x20019;
inline constexpr REGSAM KEY_WRITE = 0x20006;
inline constexpr REGSAM KEY_ALL_ACCESS = 0xF003F;

// Opens an existing key below `key`; an empty `subKey` opens `key` itself again.
LONG RegOpenKeyEx(HKEY key, std::string_view subKey, REGSAM access, HKEY* result);
// Opens or creates the key and every missing key on the way.
LONG RegCreateKeyEx(HKEY key, std::string_view subKey, REGSAM access, HKEY* result,
                    DWORD* disposition = nullptr);
LONG RegCloseKey(HKEY key);

// On entry *dataSize is the buffer size in bytes; on return the value's size.
// A null `data` only asks for type and size. A too small buffer gives
// ERROR_MORE_DATA and leaves the buffer untouched.
LONG RegQueryValueEx(HKEY key, std::string_view valueName, DWORD* type, BYTE* data,
                     DWORD* dataSize);
LONG RegSetValueEx(HKEY key, std::string_view valueName, DWORD type, const BYTE* data,
                   DWORD dataSize);
LONG RegDeleteValue(HKEY key, std::string_view valueName);

// Subkeys enumerate by name, values in the order they were first written.
// On entry *nameSize is the name buffer's size in bytes, terminator included;
// on return the name's length without it.
LONG RegEnumKeyEx(HKEY key, DWORD index, char* name, DWORD* nameSize);
LONG RegEnumValue(HKEY key, DWORD index, char* name, DWORD* nameSize, DWORD* type, BYTE* data,
                  DWORD* dataSize);
// Name lengths without the terminating zero, data length in bytes.
LONG RegQueryInfoKey(HKEY key, DWORD* subKeys, DWORD* maxSubKeyLength, DWORD* values,
                     DWORD* maxValueNameLength, DWORD* maxValueLength);

// Deletes a key that has no subkeys (ERROR_ACCESS_DENIED otherwise).
LONG RegDeleteKey(HKEY key, std::string_view subKey);
// Deletes a key with everything below it; an empty `subKey` empties `key`.
LONG RegDeleteTree(HKEY key, std::string_view subKey);

namespace velvaro::platform {

// The database file the store uses: $VELVARO_REGISTRY, else
// $XDG_CONFIG_HOME/velvaro/registry.db (XDG default ~/.config).
std::string RegistryPath();

// Makes every registry write of the scope one transaction, so that a
// process killed halfway leaves the store as it was before. The scope holds
// the registry for its thread: other threads wait until it ends. It commits
// when it ends unless rolled back; scopes nest, and only the outermost
// commits to the file.
class RegistryTransaction {
public:
    RegistryTransaction();
    ~RegistryTransaction();
    RegistryTransaction(const RegistryTransaction&) = delete;
    RegistryTransaction& operator=(const RegistryTransaction&) = delete;

    // Each ends the scope early.
    LONG Commit();
    void Rollback();

private:
    LONG End(bool commit);
    const void* store_ = nullptr;  // the store it began on; none once ended
};

// Where the store moved a damaged registry file that it replaced with a new
// one, once: the next call gives nothing until another file is set aside.
std::optional<std::string> TakeSetAsideRegistry();

// Where the store is when it could be opened only for reading (its folder or
// file may not be written), once: then changes are not saved.
std::optional<std::string> TakeReadOnlyRegistry();

// Closes the store and every open handle; the next call opens it again from
// RegistryPath(). Tests use it to move between isolated stores.
void CloseRegistry();

}  // namespace velvaro::platform
