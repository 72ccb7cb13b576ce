#pragma once

#include "common/InsertUnlessThere.h"
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
// A paper already there is left as it is.
void InsertPaper(platform::TADOConnection& connection, const std::string& sha256,
                 const std::string& title, const std::string& bytes);
// All answers, one statement of many rows for each batch.
void InsertAnswers(platform::TADOConnection& connection, const AttemptRecord& attempt);

// The insert of the answers as one statement of many rows: bound on SQL Server (which takes
// letters past U+007F as Unicode only so), literals of the driver's own formatting elsewhere.
BoundStatement AnswersInsert(const QSqlDatabase& database, const std::string& token,
                             std::span<const RecordedAnswer> answers);

} // namespace attempttables
