#include "platform/SqliteFetch.h"

#include <dlfcn.h>
#include <sqlite3.h>

namespace platform {
namespace {

// The functions of the SQLite library that the Qt driver loaded. Looking them up in that very
// library (RTLD_NOLOAD) guarantees that they belong to the library that owns the handle.
struct SqliteApi {
    decltype(&sqlite3_prepare_v2) prepare = nullptr;
    decltype(&sqlite3_step) step = nullptr;
    decltype(&sqlite3_finalize) finalize = nullptr;
    decltype(&sqlite3_column_count) columnCount = nullptr;
    decltype(&sqlite3_column_name) columnName = nullptr;
    decltype(&sqlite3_column_decltype) columnDecltype = nullptr;
    decltype(&sqlite3_column_type) columnType = nullptr;
    decltype(&sqlite3_column_int64) columnInt64 = nullptr;
    decltype(&sqlite3_column_double) columnDouble = nullptr;
    decltype(&sqlite3_column_text) columnText = nullptr;
    decltype(&sqlite3_column_bytes) columnBytes = nullptr;
    decltype(&sqlite3_errmsg) errorMessage = nullptr;
    decltype(&sqlite3_extended_errcode) errorCode = nullptr;

    bool Complete() const {
        return prepare && step && finalize && columnCount && columnName && columnDecltype &&
               columnType && columnInt64 && columnDouble && columnText && columnBytes &&
               errorMessage && errorCode;
    }
};

template <typename Function> void Resolve(void* library, const char* name, Function& function) {
    function = reinterpret_cast<Function>(dlsym(library, name));
}

const SqliteApi* LoadedApi() {
    static const SqliteApi api = [] {
        SqliteApi loaded;
        void* library = dlopen("libsqlite3.so.0", RTLD_NOW | RTLD_NOLOAD);
        if (!library)
            return loaded;
        Resolve(library, "sqlite3_prepare_v2", loaded.prepare);
        Resolve(library, "sqlite3_step", loaded.step);
        Resolve(library, "sqlite3_finalize", loaded.finalize);
        Resolve(library, "sqlite3_column_count", loaded.columnCount);
        Resolve(library, "sqlite3_column_name", loaded.columnName);
        Resolve(library, "sqlite3_column_decltype", loaded.columnDecltype);
        Resolve(library, "sqlite3_column_type", loaded.columnType);
        Resolve(library, "sqlite3_column_int64", loaded.columnInt64);
        Resolve(library, "sqlite3_column_double", loaded.columnDouble);
        Resolve(library, "sqlite3_column_text", loaded.columnText);
        Resolve(library, "sqlite3_column_bytes", loaded.columnBytes);
        Resolve(library, "sqlite3_errmsg", loaded.errorMessage);
        Resolve(library, "sqlite3_extended_errcode", loaded.errorCode);
        return loaded;
    }();
    return api.Complete() ? &api : nullptr;
}

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

SqliteFetchError ErrorOf(const SqliteApi& api, sqlite3* db) {
    return {api.errorCode(db), QString::fromUtf8(api.errorMessage(db))};
}

} // namespace

bool SqliteFetch::IsAvailable() {
    return LoadedApi() != nullptr;
}

std::optional<SqliteFetchError> SqliteFetch::Run(const QVariant& handle, const QString& sql,
                                                 ClientCursor& cursor) {
    const SqliteApi& api = *LoadedApi();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return SqliteFetchError{SQLITE_MISUSE, u"SQLite 连接不可用。"_qs};
    sqlite3* db = *static_cast<sqlite3* const*>(handle.constData());
    const QByteArray text = sql.toUtf8();
    sqlite3_stmt* statement = nullptr;
    const char* tail = nullptr;
    if (api.prepare(db, text.constData(), static_cast<int>(text.size()) + 1, &statement, &tail) !=
        SQLITE_OK)
        return ErrorOf(api, db);
    struct Finalizer {
        const SqliteApi& api;
        sqlite3_stmt* statement;
        ~Finalizer() { api.finalize(statement); }
    } finalizer{api, statement};
    if (!statement || !QByteArray(tail).trimmed().isEmpty())
        return SqliteFetchError{SQLITE_MISUSE, u"一次只能执行一条语句：%1"_qs.arg(sql)};
    const int count = api.columnCount(statement);
    if (count == 0)
        return SqliteFetchError{SQLITE_MISUSE, u"语句没有返回记录集：%1"_qs.arg(sql)};

    std::vector<CursorField> fields;
    for (int i = 0; i < count; ++i)
        fields.push_back({QString::fromUtf8(api.columnName(statement, i)),
                          KindOfDeclaredType(api.columnDecltype(statement, i))});
    cursor.Reset(fields);
    int status = SQLITE_OK;
    while ((status = api.step(statement)) == SQLITE_ROW) {
        for (int i = 0; i < count; ++i) {
            switch (api.columnType(statement, i)) {
            case SQLITE_NULL:
                cursor.AppendNull(i);
                break;
            case SQLITE_INTEGER:
                cursor.AppendInteger(i, api.columnInt64(statement, i));
                break;
            case SQLITE_FLOAT:
                cursor.AppendFloat(i, api.columnDouble(statement, i));
                break;
            default: {
                const auto* bytes = reinterpret_cast<const char*>(api.columnText(statement, i));
                cursor.AppendText(
                    i, std::string_view(bytes, static_cast<size_t>(api.columnBytes(statement, i))));
                break;
            }
            }
        }
        cursor.FinishRow();
    }
    if (status != SQLITE_DONE)
        return ErrorOf(api, db);
    return std::nullopt;
}

} // namespace platform
