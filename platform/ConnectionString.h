#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace platform {

// One "key=value" item of a connection string, the key as written and the value unquoted.
struct ConnectionStringItem {
    QString key;
    QString value;
};

// Splits an OLE DB style connection string at its semicolons. Blanks around keys and values are
// dropped; a value in double or single quotes may hold semicolons, a doubled quote inside stands
// for one. Items without an equals sign are ignored.
std::vector<ConnectionStringItem> ParseConnectionString(const QString& text);

// The value of a key (matched without regard to case), or nothing.
std::optional<QString> ConnectionStringValue(const std::vector<ConnectionStringItem>& items,
                                             const QString& key);

// What a connection string asks for, in the terms of a QtSql driver.
struct ConnectionTarget {
    QString driver;       // QSQLITE, QPSQL or QODBC; empty when the provider is not known
    QString databaseName; // SQLite file, PostgreSQL database or ODBC connection string
    QString hostName;
    int port = -1;
    QString userName;
    QString password;
    QString connectOptions;
    QString provider; // as written, for the message about an unknown provider
};

// The ODBC driver that stands in for the OLE DB provider of SQL Server.
inline constexpr char SqlServerOdbcDriver[] = "FreeTDS";

// Chooses the driver from the connection string:
// - Provider=SQLOLEDB (any version), SQLNCLI..., MSOLEDBSQL...: SQL Server through ODBC and
//   FreeTDS; Data Source "." or "(local)" is this machine, host, host,port and host\instance;
// - Provider=SQLite: Data Source is the file, a relative path taken from programDirectory;
// - Provider=PostgreSQL: Data Source host or host:port;
// - DSN= or Driver= without a provider, Provider=MSDASQL or no provider at all: ODBC with the
//   string as it is (less the provider item);
// - any other provider: a target without a driver.
ConnectionTarget TranslateConnectionString(const QString& connectionString,
                                           const QString& programDirectory);

// The ODBC connection string for a SQL Server given by OLE DB items.
QString SqlServerOdbcString(const std::vector<ConnectionStringItem>& items);

// The text with the value of every Password= and PWD= item (any case, quoted, braced or up to
// the next ";" or line end) replaced by "***", for messages that may quote a connection string.
QString MaskPasswords(const QString& text);

} // namespace platform
