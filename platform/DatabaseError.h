#pragma once

#include "platform/RuntimeErrors.h"

#include <QList>
#include <QString>

namespace platform {

// One entry of a connection's error collection.
struct TDbError {
    int Number = 0;
    QString Description;
};

// The error numbers the layer gives its own errors, those of the ADO interface it stands in for.
enum DbErrorNumber : int {
    // A driver error whose code is not a number (SQLSTATE); the code is kept in the description.
    DbErrorProviderFailure = -2147467259, // E_FAIL
    DbErrorProviderNotFound = 3706,
    DbErrorObjectClosed = 3704,
    DbErrorNoConnection = 3709,
    DbErrorDataConversion = 3421,
    DbErrorNotUpdatable = 3251,
    DbErrorBadArgument = 3001,
};

// A failure of the database layer: a connection that does not open, a rejected statement, a
// closed dataset, a failed post. The message is the UTF-8 text shown to the user.
class EDatabaseError final : public Exception {
public:
    explicit EDatabaseError(const QString& message) : Exception(message.toStdString()) {}
};

} // namespace platform
