// Looks into a registry database file directly, the way a user with the
// sqlite3 tool would, next to (not through) the registry calls.
#pragma once

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <string>
#include <vector>

namespace velvaro::test {

class SqliteFile {
public:
    explicit SqliteFile(const std::string& path, int flags = SQLITE_OPEN_READONLY) {
        if (sqlite3_open_v2(path.c_str(), &db_, flags, nullptr) != SQLITE_OK) {
            ADD_FAILURE() << "cannot open " << path << ": " << sqlite3_errmsg(db_);
        }
    }
    ~SqliteFile() { sqlite3_close_v2(db_); }
    SqliteFile(const SqliteFile&) = delete;
    SqliteFile& operator=(const SqliteFile&) = delete;

    // Every row of `sql`, each column as text ("NULL" for null).
    std::vector<std::vector<std::string>> Rows(const std::string& sql) {
        std::vector<std::vector<std::string>> rows;
        const auto add = [](void* to, int count, char** values, char**) {
            auto& row = static_cast<std::vector<std::vector<std::string>>*>(to)->emplace_back();
            for (int column = 0; column < count; ++column) {
                row.emplace_back(values[column] ? values[column] : "NULL");
            }
            return 0;
        };
        char* error = nullptr;
        if (sqlite3_exec(db_, sql.c_str(), add, &rows, &error) != SQLITE_OK) {
            ADD_FAILURE() << sql << ": " << (error ? error : sqlite3_errmsg(db_));
        }
        sqlite3_free(error);
        return rows;
    }

    // The first column of the first row, "<none>" when there is no row.
    std::string Value(const std::string& sql) {
        const auto rows = Rows(sql);
        return rows.empty() || rows[0].empty() ? "<none>" : rows[0][0];
    }

    // A value of the program's Settings key as the registry view shows it.
    std::string Setting(const std::string& name) {
        return Value(
            "SELECT data FROM registry WHERE hive = 'HKEY_CURRENT_USER' AND lower(key) = "
            "lower('Software\\Quellware\\Vel-Varo\\Settings') AND lower(name) = lower('" +
            name + "')");
    }

private:
    sqlite3* db_ = nullptr;
};

}  // namespace velvaro::test
