// How keys and values become rows of the store and back: the pieces both
// halves of the store (opening it, and reading and writing keys) share.
#pragma once

#include "RegistryStore.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace velvaro::platform::store_rows {

inline constexpr size_t kMaxKeyNameLength = 255;

inline const char* HiveName(HKEY hive) {
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
inline std::vector<std::string_view> SplitPath(std::string_view path) {
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

inline std::string Join(const std::string& parent, std::string_view child) {
    return parent.empty() ? std::string(child) : parent + '\\' + std::string(child);
}

inline bool IsDamage(int result) {
    return result == SQLITE_NOTADB || result == SQLITE_CORRUPT;
}

inline void BindData(Statement& statement, int index, DWORD type, std::string_view data) {
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

inline std::string ColumnData(const Statement& statement, int column) {
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

}  // namespace velvaro::platform::store_rows
