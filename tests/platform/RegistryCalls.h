// Short forms of the registry calls for the tests: they keep each test about
// the behaviour it checks rather than about buffer sizes.
#pragma once

#include "platform/Registry.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

namespace velvaro::test {

// A REG_SZ value's bytes, terminator included, as programs write them.
inline std::string Sz(std::string_view text) {
    return std::string(text) + '\0';
}

inline LONG Set(HKEY key, std::string_view name, DWORD type, std::string_view data) {
    return RegSetValueEx(key, name, type, reinterpret_cast<const BYTE*>(data.data()),
                         static_cast<DWORD>(data.size()));
}

inline LONG SetDword(HKEY key, std::string_view name, DWORD value) {
    return RegSetValueEx(key, name, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

struct Value {
    LONG status = ERROR_SUCCESS;
    DWORD type = REG_NONE;
    std::string data;
};

// Asks for the size first, then reads into a buffer of exactly that size.
inline Value Get(HKEY key, std::string_view name) {
    Value value;
    DWORD size = 0;
    value.status = RegQueryValueEx(key, name, &value.type, nullptr, &size);
    if (value.status != ERROR_SUCCESS) {
        return value;
    }
    value.data.assign(size, '\0');
    value.status =
        RegQueryValueEx(key, name, &value.type, reinterpret_cast<BYTE*>(value.data.data()), &size);
    value.data.resize(size);
    return value;
}

inline DWORD AsDword(const Value& value) {
    DWORD number = 0;
    EXPECT_EQ(value.data.size(), sizeof number);
    value.data.copy(reinterpret_cast<char*>(&number), sizeof number);
    return number;
}

inline HKEY Create(HKEY parent, std::string_view path, REGSAM access = KEY_ALL_ACCESS) {
    HKEY key = 0;
    EXPECT_EQ(RegCreateKeyEx(parent, path, access, &key), ERROR_SUCCESS) << path;
    return key;
}

inline LONG Open(HKEY parent, std::string_view path, HKEY* key, REGSAM access = KEY_ALL_ACCESS) {
    return RegOpenKeyEx(parent, path, access, key);
}

// The status of opening the key, which is closed again at once.
inline LONG OpenStatus(HKEY parent, std::string_view path) {
    HKEY key = 0;
    const LONG status = RegOpenKeyEx(parent, path, KEY_ALL_ACCESS, &key);
    return status == ERROR_SUCCESS ? RegCloseKey(key) : status;
}

// Every subkey's or value's name, in the order enumeration gives them.
inline std::vector<std::string> AllNames(HKEY key, bool values) {
    std::vector<std::string> names;
    std::string name(16384, '\0');
    for (DWORD index = 0, size = 16384;; ++index, size = 16384) {
        const LONG status =
            values ? RegEnumValue(key, index, name.data(), &size, nullptr, nullptr, nullptr)
                   : RegEnumKeyEx(key, index, name.data(), &size);
        if (status != ERROR_SUCCESS) {
            EXPECT_EQ(status, ERROR_NO_MORE_ITEMS);
            return names;
        }
        names.push_back(name.substr(0, size));
    }
}

inline std::vector<std::string> SubkeyNames(HKEY key) {
    return AllNames(key, false);
}
inline std::vector<std::string> ValueNames(HKEY key) {
    return AllNames(key, true);
}

}  // namespace velvaro::test
