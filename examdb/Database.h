#pragma once

#include "examdb/SqlScripts.h"
#include "platform/DatabaseConnection.h"

#include <QSqlQuery>
#include <QStringList>
#include <QVariantList>
#include <functional>
#include <stdexcept>

namespace examdb {

// A fault that ends a command with exit code 1; its text is for the user. A statement the
// database refused keeps the database's own error code (PostgreSQL's SQLSTATE).
class Failure final : public std::runtime_error {
public:
    explicit Failure(const QString& message, const QString& code = {})
        : std::runtime_error(message.toStdString()), errorCode(code) {}
    QString message() const { return QString::fromStdString(what()); }
    const QString& code() const { return errorCode; }

private:
    QString errorCode;
};

// An SQLite file named by a connection string, which init may create; empty for other drivers.
QString SqliteFileOf(const QString& connectionString);

// A connection to a site's database for the set-up commands, opened at once. Throws Failure,
// with the database's own words, when it cannot open or the provider is neither SQLite nor
// PostgreSQL.
class Database final {
public:
    explicit Database(const QString& connectionString);

    Dialect Kind() const { return dialect; }
    // What the connection reaches, in plain words: the server and database, or the file.
    QString Describe() const;
    // The suite's tables that are there, in the suite's order.
    QStringList SuiteTablesPresent() const;

    // Runs one statement; throws Failure with the database's error and, unless it holds a
    // secret, the statement.
    enum class Shown { Statement, ErrorOnly };
    void Execute(const QString& sql, Shown shown = Shown::Statement);
    // Runs a statement with bound values and returns it positioned before its first row.
    QSqlQuery Run(const QString& sql, const QVariantList& values = {});
    // Runs the work in one transaction, rolled back when it throws.
    void InTransaction(const std::function<void()>& work);
    // For the readers of the shared layers, which take the suite's connection.
    platform::TADOConnection& Connection() { return connection; }
    // The SCRAM-SHA-256 verifier of a role's password, as libpq computes it on this side of the
    // connection: ALTER ROLE ... PASSWORD with it sends the server no clear password to log.
    // PostgreSQL only; throws Failure when it cannot be computed.
    QString PasswordVerifier(const QString& role, const QString& password);

private:
    QSqlDatabase Handle() const { return connection.Database(); }

    platform::TADOConnection connection;
    Dialect dialect = Dialect::Sqlite;
    QString description;
};

} // namespace examdb
