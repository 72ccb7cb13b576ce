#pragma once

#include "examdb/Database.h"
#include "records/Verification.h"

class QTextStream;

namespace examdb {

// The report of `examdb verify`: a line "kind<TAB>town<TAB>unit<TAB>name<TAB>detail" for each
// fault, grouped by kind, and a summary line with the number of each kind and of the score rows
// from before the first attempt, which are no fault.
QString VerificationText(const records::VerificationReport& report);

// Verifies every score of the database against its attempt and prints the report; 1 when any
// fault stands, 0 otherwise. Throws Failure when the database cannot be read.
int VerifyScores(Database& database, QTextStream& out);

} // namespace examdb
