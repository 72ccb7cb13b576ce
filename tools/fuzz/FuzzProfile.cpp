// Feeds arbitrary bytes to the profile-string reader as the text of "DBConifg.ini": a value is
// either the default or a piece of the file, and never longer than the reader allows.

#include "platform/ProfileReader.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    constexpr std::string_view Default = "Provider=SQLOLEDB.1;Data Source=.";
    for (const char* section : {"DBConifg", "SqlDBConifg"}) {
        const std::string value =
            platform::ProfileStringInText(text, section, "ConnectionString", Default);
        // 2047 characters of at most 4 bytes each.
        if (value != Default && (text.find(value) == std::string_view::npos ||
                                 value.size() > 4 * platform::MaxProfileValueLength))
            __builtin_trap();
    }
    return 0;
}
