#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace platform {

// The longest value the reader returns, in characters; the rest of a longer value is cut.
inline constexpr std::size_t MaxProfileValueLength = 2047;

// Reads one value of an ini-style file with the rules of the Windows profile-string reader:
// section and key names match without regard to case (ASCII), blanks around names and values
// are dropped, a value enclosed in a pair of equal quotes (" or ') loses them, and a value is cut
// at MaxProfileValueLength characters. The default is returned only when the file, the section
// or the key is absent; a key present with an empty value gives the empty text. The file is only
// read. Values are returned as the file's bytes (UTF-8 or GBK, a UTF-8 byte-order mark skipped);
// characters are counted in whichever of the two encodings the value is valid in.
std::string GetPrivateProfileString(std::string_view section, std::string_view key,
                                    std::string_view defaultValue,
                                    const std::filesystem::path& file);

// The same over the text of such a file.
std::string ProfileStringInText(std::string_view text, std::string_view section,
                                std::string_view key, std::string_view defaultValue);

} // namespace platform
