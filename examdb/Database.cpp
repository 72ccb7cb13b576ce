#include "examdb/Database.h"

#include "common/ConnectionConfig.h"
#include "platform/ConnectionString.h"

#include <QSqlDriver>
#include <QSqlError>
#include <libpq-fe.h>
#include <memory>

namespace examdb {
namespace {

QString ErrorOf(const QSqlError& error) {
    const QString text = error.databaseText().trimmed();
    return text.isEmpty() ? error.text().trimmed() : text;
}

} // namespace

QString SqliteFileOf(const QString& connectionString) {
    const platform::ConnectionTarget target =
        platform::TranslateConnectionString(connectionString, ProgramDirectory());
    return target.driver == u"QSQLITE"_qs ? target.databaseName : QString();
}

Database::Database(const QString& connectionString) {
    const platform::ConnectionTarget target =
        platform::TranslateConnectionString(connectionString, ProgramDirectory());
    if (target.driver == u"QSQLITE"_qs) {
        dialect = Dialect::Sqlite;
        description = u"SQLite 数据库文件 %1"_qs.arg(target.databaseName);
    } else if (target.driver == u"QPSQL"_qs) {
        dialect = Dialect::Postgresql;
        description = u"PostgreSQL 服务器 %1:%2，数据库 %3，用户 %4"_qs
                          .arg(target.hostName.isEmpty() ? u"localhost"_qs : target.hostName)
                          .arg(target.port > 0 ? target.port : 5432)
                          .arg(target.databaseName,
                               target.userName.isEmpty() ? u"（本系统用户）"_qs : target.userName);
    } else {
        throw Failure(u"examdb 只能连接 SQLite 或 PostgreSQL；SQL Server 的建表语句用 "
                      "examdb init --print 输出。连接字符串：\n%1"_qs.arg(connectionString));
    }
    connection.SetConnectionString(connectionString);
    if (!connection.Open())
        throw Failure(u"无法连接%1：%2"_qs.arg(description, connection.ErrorText()));
}

QString Database::Describe() const {
    return description;
}

QStringList Database::SuiteTablesPresent() const {
    const QStringList tables = Handle().tables(QSql::Tables);
    QStringList present;
    for (const QString& table : SuiteTables()) {
        if (tables.contains(table, Qt::CaseInsensitive))
            present << table;
    }
    return present;
}

void Database::Execute(const QString& sql, Shown shown) {
    QSqlQuery query(Handle());
    if (query.exec(sql))
        return;
    const QString error = u"数据库拒绝了语句：%1"_qs.arg(ErrorOf(query.lastError()));
    throw Failure(shown == Shown::Statement ? error + u'\n' + sql : error,
                  query.lastError().nativeErrorCode());
}

QSqlQuery Database::Run(const QString& sql, const QVariantList& values) {
    QSqlQuery query(Handle());
    query.setForwardOnly(true);
    if (!query.prepare(sql))
        throw Failure(u"数据库拒绝了语句：%1\n%2"_qs.arg(ErrorOf(query.lastError()), sql));
    for (const QVariant& value : values)
        query.addBindValue(value);
    if (!query.exec())
        throw Failure(u"数据库拒绝了语句：%1\n%2"_qs.arg(ErrorOf(query.lastError()), sql));
    return query;
}

void Database::InTransaction(const std::function<void()>& work) {
    QSqlDatabase handle = Handle();
    if (!handle.transaction())
        throw Failure(u"无法开始事务：%1"_qs.arg(ErrorOf(handle.lastError())));
    try {
        work();
    } catch (...) {
        handle.rollback();
        throw;
    }
    if (!handle.commit())
        throw Failure(u"无法提交事务：%1"_qs.arg(ErrorOf(handle.lastError())));
}

QString Database::PasswordVerifier(const QString& role, const QString& password) {
    // The handle of Qt's PostgreSQL driver is libpq's connection.
    const QVariant handle = Handle().driver()->handle();
    PGconn* server = dialect == Dialect::Postgresql && handle.isValid()
                         ? *static_cast<PGconn* const*>(handle.constData())
                         : nullptr;
    if (!server)
        throw Failure(u"只有 PostgreSQL 的连接能计算密码的校验值"_qs);
    const std::unique_ptr<char, decltype(&PQfreemem)> verifier(
        PQencryptPasswordConn(server, password.toUtf8().constData(), role.toUtf8().constData(),
                              "scram-sha-256"),
        &PQfreemem);
    if (!verifier)
        throw Failure(u"无法计算 %1 密码的校验值：%2"_qs.arg(
            role, QString::fromUtf8(PQerrorMessage(server)).trimmed()));
    return QString::fromUtf8(verifier.get());
}

} // namespace examdb
