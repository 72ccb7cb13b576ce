#pragma once

#include <string>
#include <string_view>

namespace platform {

// The text without leading and trailing characters with codes 0 to 32, the suite's one rule for
// what a typed name or a file's field is. Only ASCII bytes are looked at, so it serves GBK and
// UTF-8 texts alike.
std::string TrimText(std::string_view text);

} // namespace platform
