// Single registry values in tests, through RegKey: by default those of the
// program's Settings key.
#pragma once

#include "settings/RegKey.h"
#include "settings/RegistryKeys.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <type_traits>

namespace velvaro::test {

struct KeyPath {
    HKEY root = HKEY_CURRENT_USER;
    std::string path = velvaro::kSettingsKey;
};

inline std::optional<std::string> ReadString(const std::string& name, const KeyPath& at = {}) {
    RegKey key;
    std::string value;
    if (key.Open(at.root, at.path) != ERROR_SUCCESS ||
        key.QueryString(name, &value, 1000) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    return value;
}

inline std::optional<DWORD> ReadDword(const std::string& name, const KeyPath& at = {}) {
    RegKey key;
    DWORD value = 0;
    if (key.Open(at.root, at.path) != ERROR_SUCCESS ||
        key.QueryDWORD(name, &value) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    return value;
}

// A DWORD for integers, a string for text.
template <class T>
void Write(const std::string& name, const T& value, const KeyPath& at = {}) {
    RegKey key;
    ASSERT_EQ(key.Create(at.root, at.path), ERROR_SUCCESS) << at.path;
    if constexpr (std::is_integral_v<T>) {
        ASSERT_EQ(key.SetDWORD(name, static_cast<DWORD>(value)), ERROR_SUCCESS) << name;
    } else {
        ASSERT_EQ(key.SetString(name, std::string(value)), ERROR_SUCCESS) << name;
    }
}

inline bool KeyExists(const KeyPath& at) {
    RegKey key;
    return key.Open(at.root, at.path) == ERROR_SUCCESS;
}

}  // namespace velvaro::test
