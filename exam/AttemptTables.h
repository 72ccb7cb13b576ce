#pragma once

#include "exam/AttemptRecord.h"

#include <QSqlDatabase>

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
// All answers in a few statements of many rows each.
void InsertAnswers(platform::TADOConnection& connection, const AttemptRecord& attempt);

} // namespace attempttables
