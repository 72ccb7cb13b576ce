#pragma once

#include "records/Verification.h"

namespace platform {
class TADOConnection;
}

namespace records {

// Everything the verification looks at: the rows of Score, Attempt and AttemptAnswer, and each
// Paper row checked against its SHA-256 and read as a paper. Names and units are trimmed of
// codes 0 to 32, times are "yyyy-MM-dd HH:mm:ss". Throws EDatabaseError when the database fails,
// and platform::Exception when it has no attempt tables to verify against.
VerificationInput ReadVerificationInput(platform::TADOConnection& connection);

} // namespace records
