#pragma once

#include <stdexcept>
#include <string>

namespace platform {

// Base of every error the programs raise on purpose. The message is UTF-8 text, shown to the
// user as it stands by the default error box.
class Exception : public std::runtime_error {
public:
    explicit Exception(const std::string& message) : std::runtime_error(message) {}
};

// A read that the file or stream cannot satisfy.
class EReadError final : public Exception {
public:
    EReadError() : Exception("Stream read error") {}
};

// A file that exists but cannot be opened; reason is the system's explanation.
class EFOpenError final : public Exception {
public:
    EFOpenError(const std::string& fileName, const std::string& reason);
};

// An index outside a list.
class EListError final : public Exception {
public:
    explicit EListError(long long index);
};

// The system's explanation of the last failed call (errno), for EFOpenError.
std::string lastSystemError();

} // namespace platform
