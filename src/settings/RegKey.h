// Holder of one open registry key, closed when the holder goes.
#pragma once

#include "platform/Registry.h"

#include <functional>
#include <string>
#include <string_view>

class RegKey {
public:
    RegKey() = default;
    ~RegKey();
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;

    // Opens parent\name. The key held so far is closed only when the open
    // succeeds; on failure it stays.
    LONG Open(HKEY parent, std::string_view name, REGSAM access = KEY_ALL_ACCESS);
    // Opens or creates parent\name, with the same rule.
    LONG Create(HKEY parent, std::string_view name, REGSAM access = KEY_ALL_ACCESS);
    void Close();
    // Deletes the named subkey with everything below it; returns the first failure.
    LONG RecurseDeleteKey(std::string_view subKey);

    bool IsOpen() const { return key_ != 0; }
    HKEY Handle() const { return key_; }

    // Reads through a 4-byte buffer: a value of another type or size leaves in
    // *value whatever the query put there.
    LONG QueryDWORD(std::string_view name, DWORD* value) const;
    // Reads a string of at most `bufferSize` bytes (terminator included) up to
    // its first zero byte.
    LONG QueryString(std::string_view name, std::string* value, DWORD bufferSize = 260) const;
    LONG SetDWORD(std::string_view name, DWORD value);
    // Writes REG_SZ with its terminating zero.
    LONG SetString(std::string_view name, std::string_view value);
    LONG DeleteValue(std::string_view name);
    // Every value in enumeration order, with buffers sized from the key's
    // longest name and data.
    void ForEachValue(const std::function<void(const std::string& name, const BYTE* data,
                                               DWORD size)>& visit) const;

private:
    HKEY key_ = 0;
};
