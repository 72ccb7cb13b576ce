#include "platform/DatabaseConnection.h"

#include "platform/ConnectionString.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <atomic>

namespace platform {
namespace {

QString NewConnectionName() {
    static std::atomic<int> counter{0};
    return u"examsuite-connection-"_qs + QString::number(++counter);
}

QString ProgramDirectory() {
    return QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QString();
}

// SQLite writers wait this long for each other instead of failing at once.
constexpr int SqliteBusyTimeoutMs = 15000;

} // namespace

TADOConnection::TADOConnection() : connectionName(NewConnectionName()) {}

TADOConnection::~TADOConnection() {
    RemoveDatabase();
}

void TADOConnection::SetConnectionString(const QString& text) {
    if (text == connectionString)
        return;
    Close();
    connectionString = text;
}

bool TADOConnection::Connected() const {
    return QSqlDatabase::contains(connectionName) &&
           QSqlDatabase::database(connectionName, false).isOpen();
}

bool TADOConnection::Open() {
    ClearErrors();
    return Connected() || OpenDatabase();
}

void TADOConnection::Close() {
    RemoveDatabase();
}

void TADOConnection::RemoveDatabase() {
    if (!QSqlDatabase::contains(connectionName))
        return;
    QSqlDatabase::database(connectionName, false).close();
    QSqlDatabase::removeDatabase(connectionName);
}

bool TADOConnection::OpenDatabase() {
    RemoveDatabase();
    const ConnectionTarget target = TranslateConnectionString(connectionString, ProgramDirectory());
    if (target.driver.isEmpty()) {
        AddError(DbErrorProviderNotFound,
                 u"未找到数据库提供程序“%1”。可用的提供程序：SQLOLEDB（SQL Server）、SQLite、"
                 "PostgreSQL，或 ODBC 连接字符串（DSN= 或 Driver=）。"_qs.arg(target.provider));
        return false;
    }
    if (!QSqlDatabase::isDriverAvailable(target.driver)) {
        AddError(DbErrorProviderNotFound,
                 u"数据库驱动 %1 未安装，无法打开连接。"_qs.arg(target.driver));
        return false;
    }
    if (target.driver == u"QSQLITE" && !QFileInfo(target.databaseName).isFile()) {
        AddError(DbErrorNoConnection, u"数据库文件不存在：%1"_qs.arg(target.databaseName));
        return false;
    }
    driver = target.driver;
    QString options = target.connectOptions;
    if (driver == u"QSQLITE")
        options = u"QSQLITE_BUSY_TIMEOUT="_qs + QString::number(SqliteBusyTimeoutMs);
    {
        QSqlDatabase database = QSqlDatabase::addDatabase(target.driver, connectionName);
        database.setDatabaseName(target.databaseName);
        if (!target.hostName.isEmpty())
            database.setHostName(target.hostName);
        if (target.port > 0)
            database.setPort(target.port);
        database.setUserName(target.userName);
        database.setPassword(target.password);
        database.setConnectOptions(options);
        if (database.open() && PrepareSession(database))
            return true;
        if (errors.isEmpty())
            AddError(database.lastError());
    }
    RemoveDatabase();
    return false;
}

// WAL lets readers go on while one writer writes, and with the busy timeout concurrent writers
// wait in turn. (PostgreSQL's backslashes are set plain in the connection's options.)
bool TADOConnection::PrepareSession(QSqlDatabase& database) {
    if (driver != u"QSQLITE")
        return true;
    QSqlQuery query(database);
    if (query.exec(u"PRAGMA journal_mode=WAL"_qs))
        return true;
    AddError(query.lastError());
    return false;
}

QSqlDatabase TADOConnection::Database() const {
    return QSqlDatabase::database(connectionName, false);
}

bool TADOConnection::IsSqlite() const {
    return driver == u"QSQLITE";
}

int TADOConnection::Execute(const QString& sql) {
    if (!Open())
        throw EDatabaseError(ErrorText());
    QSqlQuery query(Database());
    if (!query.exec(sql)) {
        AddError(query.lastError());
        throw EDatabaseError(ErrorText());
    }
    return query.numRowsAffected();
}

void TADOConnection::AddError(int number, const QString& description) {
    errors.append({number, description});
}

void TADOConnection::AddError(const QSqlError& error) {
    const QString code = error.nativeErrorCode();
    QString description = error.databaseText().trimmed();
    if (description.isEmpty())
        description = error.driverText().trimmed();
    if (description.isEmpty())
        description = u"数据库操作失败。"_qs;
    bool numeric = false;
    const int number = code.toInt(&numeric);
    if (numeric) {
        AddError(number, description);
    } else if (!code.isEmpty()) {
        AddError(DbErrorProviderFailure, u'[' + code + u"] "_qs + description);
    } else {
        AddError(DbErrorProviderFailure, description);
    }
}

QString TADOConnection::ErrorText() const {
    QStringList lines;
    for (const TDbError& error : errors)
        lines << error.Description;
    return lines.join(u'\n');
}

} // namespace platform
