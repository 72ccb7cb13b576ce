#include "platform/RuntimeErrors.h"

#include <cerrno>
#include <cstring>

namespace platform {

EFOpenError::EFOpenError(const std::string& fileName, const std::string& reason)
    : Exception("Cannot open file \"" + fileName + "\". " + reason) {}

EListError::EListError(long long index)
    : Exception("List index out of bounds (" + std::to_string(index) + ")") {}

std::string lastSystemError() {
    return std::strerror(errno);
}

} // namespace platform
