#include "examdb/Setup.h"

#include <QFile>
#include <QFileInfo>

namespace examdb {

void CreateSqliteFileIfMissing(const QString& connectionString) {
    const QString file = SqliteFileOf(connectionString);
    if (file.isEmpty() || QFileInfo::exists(file))
        return;
    QFile created(file);
    if (!created.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        throw Failure(u"无法创建数据库文件 %1：%2"_qs.arg(file, created.errorString()));
}

QStringList CreateTables(Database& database, bool missingOnly) {
    const QStringList present = database.SuiteTablesPresent();
    if (!missingOnly && !present.isEmpty())
        throw Failure(u"%1 中已有表 %2，未做任何改动。只建缺少的表请加 --missing-only"_qs.arg(
            database.Describe(), present.join(u", "_qs)));
    QStringList created;
    database.InTransaction([&] {
        for (const TableStatement& statement : TableStatements(database.Kind())) {
            if (present.contains(statement.table))
                continue;
            database.Execute(statement.sql);
            if (!created.contains(statement.table))
                created << statement.table;
        }
    });
    return created;
}

void CreateRoles(Database& database, const QString& deskPassword, const QString& adminPassword) {
    if (database.Kind() != Dialect::Postgresql)
        throw Failure(u"角色只能建在 PostgreSQL 上；%1 不需要角色"_qs.arg(database.Describe()));
    if (deskPassword.isEmpty() || adminPassword.isEmpty())
        throw Failure(u"密码不能为空"_qs);
    database.InTransaction([&] {
        database.Execute(RolesScript());
        // The server quotes the role and the password itself, whatever characters they hold.
        const std::pair<QString, QString> roles[] = {{u"exam_desk"_qs, deskPassword},
                                                     {u"exam_admin"_qs, adminPassword}};
        for (const auto& [role, password] : roles) {
            QSqlQuery statement =
                database.Run(u"SELECT format('ALTER ROLE %I PASSWORD %L', ?::text, ?::text)"_qs,
                             {role, password});
            statement.next();
            database.Execute(statement.value(0).toString(), Database::Shown::ErrorOnly);
        }
    });
}

} // namespace examdb
