// Small RAII layer over the SQLite C API, for the registry store.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace velvaro::platform {

struct SqliteCloser {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
using SqliteDatabase = std::unique_ptr<sqlite3, SqliteCloser>;

// One prepared statement. Bind, step, read columns; Reset() before reuse.
class Statement {
public:
    Statement() = default;
    Statement(sqlite3* db, std::string_view sql);
    ~Statement();
    Statement(Statement&& other) noexcept;
    Statement& operator=(Statement&& other) noexcept;
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    // Result of preparing: SQLITE_OK or the error code.
    int prepareResult() const { return prepareResult_; }
    bool valid() const { return stmt_ != nullptr; }

    Statement& Bind(int index, std::int64_t value);
    Statement& Bind(int index, std::string_view text);
    Statement& BindBlob(int index, std::string_view bytes);
    Statement& BindNull(int index);

    // SQLITE_ROW, SQLITE_DONE or an error code.
    int Step();
    void Reset();

    std::int64_t Int(int column) const;
    std::string Text(int column) const;
    int Type(int column) const;
    // The column's raw bytes (text without a terminator, or blob).
    std::string Bytes(int column) const;

private:
    sqlite3_stmt* stmt_ = nullptr;
    int prepareResult_ = SQLITE_MISUSE;
};

// Runs SQL without results; returns the SQLite result code.
int Execute(sqlite3* db, const char* sql);

}  // namespace velvaro::platform
