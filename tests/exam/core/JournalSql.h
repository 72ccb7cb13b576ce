#pragma once

#include <cstdint>
#include <sqlite3.h>
#include <stdexcept>
#include <string>

// Runs one statement on a journal file through SQLite itself, as another program would, and
// returns the first column of its first row (0 without a row): what the tests read or change
// there that the journal's own interface has no call for.
inline int64_t JournalSql(const std::string& file, const std::string& sql) {
    sqlite3* db = nullptr;
    int result = sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
    sqlite3_stmt* statement = nullptr;
    int64_t value = 0;
    if (result == SQLITE_OK) {
        sqlite3_busy_timeout(db, 2000);
        result = sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr);
    }
    if (result == SQLITE_OK) {
        result = sqlite3_step(statement);
        if (result == SQLITE_ROW)
            value = sqlite3_column_int64(statement, 0);
    }
    const std::string error = db ? sqlite3_errmsg(db) : "out of memory";
    sqlite3_finalize(statement);
    sqlite3_close(db);
    if (result != SQLITE_ROW && result != SQLITE_DONE)
        throw std::runtime_error(file + ": " + sql + ": " + error);
    return value;
}
