#include "platform/TextTrim.h"

#include <algorithm>

namespace platform {
namespace {

bool IsBlank(char c) {
    return static_cast<unsigned char>(c) <= 32;
}

} // namespace

std::string TrimText(std::string_view text) {
    const auto first = std::find_if_not(text.begin(), text.end(), IsBlank);
    const auto last = std::find_if_not(text.rbegin(), text.rend(), IsBlank).base();
    return first < last ? std::string(first, last) : std::string();
}

} // namespace platform
