#pragma once

#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <filesystem>
#include <memory>
#include <string>
#include <sys/types.h>

namespace testsupport {

// A PostgreSQL server of the test program's own: initdb into a temporary folder, started on a
// free loopback port (as the "postgres" user when the tests run as root, since PostgreSQL
// refuses to run as root), stopped and removed when the program ends. Started once, on first
// use. Throws when the PostgreSQL programs are missing: the tests must not pass without them.
// Loopback trusts every account; its socket asks each for its password (SCRAM).
class PgServer final {
public:
    static PgServer& Shared();
    ~PgServer();
    PgServer(const PgServer&) = delete;
    PgServer& operator=(const PgServer&) = delete;

    int Port() const { return port; }
    // A new, empty UTF8 database; returns its name.
    QString CreateDatabase();
    QString ConnectionString(const QString& database) const;
    // The database through the socket, as an account that must give its password.
    QString PasswordConnectionString(const QString& database, const QString& user,
                                     const QString& password) const;
    // What the server has logged so far.
    QString LogText() const;

private:
    PgServer();
    void Start();
    void RunAsServerUser(const std::string& command) const;
    std::string AsServerUser(const std::string& command) const;

    std::filesystem::path binDir;
    std::filesystem::path root;
    int port = 0;
    pid_t pid = -1;
    int databases = 0;
};

enum class Backend { Sqlite, Postgres };
std::string BackendName(Backend backend);

// ScoresOnly: a database set up before attempts were recorded (schema-*.sql alone);
// WithAttempts: the last release's tables; WithSittings: those and the sitting tables.
enum class Tables { ScoresOnly, WithAttempts, WithSittings };

// A file of demo/sql, as text.
QString SqlFile(const std::string& name);

// A fresh database with the suite's tables (the schemas of demo/sql), on SQLite in a temporary
// file or on the shared PostgreSQL server.
class TestDatabase final {
public:
    explicit TestDatabase(Backend backend, Tables tables = Tables::WithAttempts);
    ~TestDatabase();
    TestDatabase(const TestDatabase&) = delete;
    TestDatabase& operator=(const TestDatabase&) = delete;

    const QString& ConnectionString() const { return connectionString; }
    Backend Kind() const { return backend; }
    // The same database under another PostgreSQL account (the server trusts loopback).
    QString ConnectionStringAs(const QString& user) const;
    // Runs statements separated by ";" at line ends, each on its own.
    void Execute(const QString& statements) const;
    // Runs a whole script in one go, as psql -f does (PostgreSQL only).
    void ExecuteScript(const QString& script) const;

private:
    Backend backend;
    std::filesystem::path folder;
    QString connectionString;
};

} // namespace testsupport
