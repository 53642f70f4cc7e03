#include "RegKey.h"

#include <cstring>
#include <vector>

RegKey::~RegKey() {
    Close();
}

LONG RegKey::Open(HKEY parent, std::string_view name, REGSAM access) {
    HKEY opened = 0;
    const LONG result = RegOpenKeyEx(parent, name, access, &opened);
    if (result == ERROR_SUCCESS) {
        Close();
        key_ = opened;
    }
    return result;
}

LONG RegKey::Create(HKEY parent, std::string_view name, REGSAM access) {
    HKEY created = 0;
    const LONG result = RegCreateKeyEx(parent, name, access, &created);
    if (result == ERROR_SUCCESS) {
        Close();
        key_ = created;
    }
    return result;
}

void RegKey::Close() {
    if (key_ != 0) {
        RegCloseKey(key_);
        key_ = 0;
    }
}

LONG RegKey::RecurseDeleteKey(std::string_view subKey) {
    RegKey key;
    if (const LONG result = key.Open(key_, subKey); result != ERROR_SUCCESS) {
        return result;
    }
    char name[256];
    for (;;) {
        DWORD size = sizeof name;
        if (RegEnumKeyEx(key.Handle(), 0, name, &size) != ERROR_SUCCESS) {
            break;
        }
        if (const LONG result = key.RecurseDeleteKey(std::string_view(name, size));
            result != ERROR_SUCCESS) {
            return result;
        }
    }
    key.Close();
    return RegDeleteKey(key_, subKey);
}

LONG RegKey::QueryDWORD(std::string_view name, DWORD* value) const {
    BYTE buffer[4] = {};
    std::memcpy(buffer, value, sizeof buffer);
    DWORD size = sizeof buffer;
    DWORD type = REG_NONE;
    const LONG result = RegQueryValueEx(key_, name, &type, buffer, &size);
    if (result == ERROR_SUCCESS) {
        std::memcpy(value, buffer, sizeof buffer);
    }
    return result;
}

LONG RegKey::QueryString(std::string_view name, std::string* value, DWORD bufferSize) const {
    std::vector<BYTE> buffer(bufferSize);
    DWORD size = bufferSize;
    DWORD type = REG_NONE;
    const LONG result = RegQueryValueEx(key_, name, &type, buffer.data(), &size);
    if (result == ERROR_SUCCESS) {
        const auto* text = reinterpret_cast<const char*>(buffer.data());
        value->assign(text, strnlen(text, size));
    }
    return result;
}

LONG RegKey::SetDWORD(std::string_view name, DWORD value) {
    BYTE bytes[4];
    std::memcpy(bytes, &value, sizeof bytes);
    return RegSetValueEx(key_, name, REG_DWORD, bytes, sizeof bytes);
}

LONG RegKey::SetString(std::string_view name, std::string_view value) {
    std::vector<BYTE> bytes(value.begin(), value.end());
    bytes.push_back(0);
    return RegSetValueEx(key_, name, REG_SZ, bytes.data(), static_cast<DWORD>(bytes.size()));
}

LONG RegKey::DeleteValue(std::string_view name) {
    return RegDeleteValue(key_, name);
}

void RegKey::ForEachValue(
    const std::function<void(const std::string& name, const BYTE* data, DWORD size)>& visit) const {
    DWORD longestName = 0, longestData = 0;
    RegQueryInfoKey(key_, nullptr, nullptr, nullptr, &longestName, &longestData);
    std::vector<char> name(longestName + 1);
    std::vector<BYTE> data(longestData + 1);
    for (DWORD index = 0;; ++index) {
        DWORD nameSize = static_cast<DWORD>(name.size());
        DWORD dataSize = static_cast<DWORD>(data.size());
        DWORD type = REG_NONE;
        if (RegEnumValue(key_, index, name.data(), &nameSize, &type, data.data(), &dataSize) !=
            ERROR_SUCCESS) {
            break;
        }
        visit(std::string(name.data(), nameSize), data.data(), dataSize);
    }
}
