#pragma once

#include "exam/AttemptRecord.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <span>

namespace platform {
class TADOConnection;
}

// The statements that write the attempt tables. Each failure is added to the connection's error
// collection and thrown as EDatabaseError.
namespace attempttables {

// False when the attempt's token is in the table already.
bool InsertAttempt(platform::TADOConnection& connection, const AttemptRecord& attempt);
// The attempt's AttemptStart row; one with its token already there is left as it is.
void InsertAttemptStart(platform::TADOConnection& connection, const AttemptRecord& attempt);
// A paper already there is left as it is.
void InsertPaper(platform::TADOConnection& connection, const std::string& sha256,
                 const std::string& title, const std::string& bytes);
// All answers, one statement of many rows for each batch.
void InsertAnswers(platform::TADOConnection& connection, const AttemptRecord& attempt);

// A statement and the values bound to its "?" in order.
struct Statement {
    QString sql;
    QVariantList values;
};

// The insert of one row into the table unless a row with its key (the first column) is there,
// in the dialect of the database's driver. It answers a row holding 1 when it wrote the row;
// when the key was there, SQL Server's batch answers 0 and the other databases no row.
Statement InsertUnlessThere(const QSqlDatabase& database, const QString& table,
                            const QStringList& columns, const QVariantList& values);

// The insert of the answers as one statement of many rows: bound on SQL Server (which takes
// letters past U+007F as Unicode only so), literals of the driver's own formatting elsewhere.
Statement AnswersInsert(const QSqlDatabase& database, const std::string& token,
                        std::span<const RecordedAnswer> answers);

} // namespace attempttables
