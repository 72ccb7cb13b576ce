#pragma once

#include "platform/ClientCursor.h"

#include <QString>
#include <QVariant>
#include <optional>

struct sqlite3;

namespace platform {

// The SQLite connection behind a Qt driver's handle (QSqlDriver::handle()); null when the handle
// is not SQLite's.
sqlite3* SqliteHandle(const QVariant& handle);

struct SqliteFetchError {
    int code = 0;
    QString message;
};

// Fetches a result straight through SQLite's own interface, which is several times faster than
// going through QtSql value by value, and sees the declared column types (DATETIME among them)
// that the Qt driver does not pass on. handle is the Qt driver's connection handle; the driver
// uses the system's SQLite library, which this one links too.
class SqliteFetch final {
public:
    // Fills cursor with the rows of the one statement in sql; an error when SQLite rejects it,
    // when it returns no rows, or when the text holds a second statement.
    static std::optional<SqliteFetchError> Run(const QVariant& handle, const QString& sql,
                                               ClientCursor& cursor);
};

} // namespace platform
