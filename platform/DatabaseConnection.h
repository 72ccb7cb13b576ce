#pragma once

#include "platform/DatabaseError.h"

#include <QList>
#include <QSqlDatabase>
#include <QString>

class QSqlError;

namespace platform {

// A database connection in the manner of an ADO connection: it takes a connection string
// unchanged (see TranslateConnectionString for the providers), never asks for a login, opens
// with the first query or command that runs on it and stays open until it is destroyed. Errors()
// holds the errors of its last operation; every failure leaves at least one entry there.
class TADOConnection final {
public:
    TADOConnection();
    ~TADOConnection();
    TADOConnection(const TADOConnection&) = delete;
    TADOConnection& operator=(const TADOConnection&) = delete;

    // A changed string closes an open connection; the next operation opens it anew.
    void SetConnectionString(const QString& connectionString);
    const QString& ConnectionString() const { return connectionString; }

    bool Connected() const;
    // Opens the connection when it is closed. Starts a new operation: the error collection is
    // cleared first. False, with the errors collected, when it cannot open.
    bool Open();
    void Close();

    // Runs a plain command (no result rows). Throws EDatabaseError, with the errors collected,
    // when the connection cannot open or the database rejects the command. Returns the number of
    // rows affected, -1 when the driver does not tell.
    int Execute(const QString& sql);

    const QList<TDbError>& Errors() const { return errors; }

    // Used by the query: the open Qt connection, the start of a new operation, and reporting.
    QSqlDatabase Database() const;
    void ClearErrors() { errors.clear(); }
    void AddError(int number, const QString& description);
    void AddError(const QSqlError& error);
    // The collected errors as one message for an exception.
    QString ErrorText() const;
    bool IsSqlite() const;

private:
    bool OpenDatabase();
    bool PrepareSession(QSqlDatabase& database);
    void RemoveDatabase();

    QString connectionString;
    QString connectionName;
    QString driver;
    QList<TDbError> errors;
};

} // namespace platform
