#include "platform/SqliteFetch.h"

#include <sqlite3.h>

namespace platform {
namespace {

// The kind that SQLite's rules of type affinity give a declared column type, with booleans and
// date-times told apart; values decide where nothing is declared.
FieldKind KindOfDeclaredType(const char* declared) {
    if (!declared)
        return FieldKind::Unknown;
    const QString type = QString::fromUtf8(declared).toUpper();
    if (type.contains(u"BOOL"))
        return FieldKind::Boolean;
    if (type.contains(u"INT"))
        return FieldKind::Integer;
    if (type.contains(u"CHAR") || type.contains(u"CLOB") || type.contains(u"TEXT"))
        return FieldKind::Text;
    if (type.contains(u"REAL") || type.contains(u"FLOA") || type.contains(u"DOUB"))
        return FieldKind::Float;
    if (type.contains(u"DATE") || type.contains(u"TIME"))
        return FieldKind::DateTime;
    return FieldKind::Unknown;
}

SqliteFetchError ErrorOf(sqlite3* db) {
    return {sqlite3_extended_errcode(db), QString::fromUtf8(sqlite3_errmsg(db))};
}

} // namespace

sqlite3* SqliteHandle(const QVariant& handle) {
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3* const*>(handle.constData());
}

std::optional<SqliteFetchError> SqliteFetch::Run(const QVariant& handle, const QString& sql,
                                                 ClientCursor& cursor) {
    sqlite3* db = SqliteHandle(handle);
    if (!db)
        return SqliteFetchError{SQLITE_MISUSE, u"SQLite 连接不可用。"_qs};
    const QByteArray text = sql.toUtf8();
    sqlite3_stmt* statement = nullptr;
    const char* tail = nullptr;
    if (sqlite3_prepare_v2(db, text.constData(), static_cast<int>(text.size()) + 1, &statement,
                           &tail) != SQLITE_OK)
        return ErrorOf(db);
    struct Finalizer {
        sqlite3_stmt* statement;
        ~Finalizer() { sqlite3_finalize(statement); }
    } finalizer{statement};
    if (!statement || !QByteArray(tail).trimmed().isEmpty())
        return SqliteFetchError{SQLITE_MISUSE, u"一次只能执行一条语句：%1"_qs.arg(sql)};
    const int count = sqlite3_column_count(statement);
    if (count == 0)
        return SqliteFetchError{SQLITE_MISUSE, u"语句没有返回记录集：%1"_qs.arg(sql)};

    std::vector<CursorField> fields;
    for (int i = 0; i < count; ++i)
        fields.push_back({QString::fromUtf8(sqlite3_column_name(statement, i)),
                          KindOfDeclaredType(sqlite3_column_decltype(statement, i))});
    cursor.Reset(fields);
    int status = SQLITE_OK;
    while ((status = sqlite3_step(statement)) == SQLITE_ROW) {
        for (int i = 0; i < count; ++i) {
            switch (sqlite3_column_type(statement, i)) {
            case SQLITE_NULL:
                cursor.AppendNull(i);
                break;
            case SQLITE_INTEGER:
                cursor.AppendInteger(i, sqlite3_column_int64(statement, i));
                break;
            case SQLITE_FLOAT:
                cursor.AppendFloat(i, sqlite3_column_double(statement, i));
                break;
            default: {
                const auto* bytes =
                    reinterpret_cast<const char*>(sqlite3_column_text(statement, i));
                cursor.AppendText(
                    i, std::string_view(bytes,
                                        static_cast<size_t>(sqlite3_column_bytes(statement, i))));
                break;
            }
            }
        }
        cursor.FinishRow();
    }
    if (status != SQLITE_DONE)
        return ErrorOf(db);
    return std::nullopt;
}

} // namespace platform
