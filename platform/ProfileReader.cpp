#include "platform/ProfileReader.h"

#include <algorithm>
#include <fstream>
#include <optional>

namespace platform {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (AsciiLower(a[i]) != AsciiLower(b[i]))
            return false;
    }
    return true;
}

std::string_view Unquoted(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

// Length in bytes of the UTF-8 sequence starting at text[pos], or 0 when it is malformed.
std::size_t Utf8SequenceLength(std::string_view text, std::size_t pos) {
    const auto lead = static_cast<unsigned char>(text[pos]);
    std::size_t length = 0;
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF)
        length = 3;
    else if (lead >= 0xF0 && lead <= 0xF4)
        length = 4;
    else
        return 0;
    if (pos + length > text.size())
        return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if ((static_cast<unsigned char>(text[pos + i]) & 0xC0) != 0x80)
            return 0;
    }
    return length;
}

bool IsUtf8(std::string_view text) {
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t length = Utf8SequenceLength(text, pos);
        if (length == 0)
            return false;
        pos += length;
    }
    return true;
}

// A GBK lead byte (0x81 to 0xFE) and the byte after it form one character.
std::size_t GbkCharacterLength(std::string_view text, std::size_t pos) {
    const auto lead = static_cast<unsigned char>(text[pos]);
    return lead >= 0x81 && lead <= 0xFE && pos + 1 < text.size() ? 2 : 1;
}

std::string_view CutToMaxLength(std::string_view value) {
    const bool utf8 = IsUtf8(value);
    std::size_t pos = 0;
    for (std::size_t characters = 0; pos < value.size() && characters < MaxProfileValueLength;
         ++characters)
        pos += utf8 ? Utf8SequenceLength(value, pos) : GbkCharacterLength(value, pos);
    return value.substr(0, pos);
}

// The name of a section line "[name]", or nothing for any other line.
std::optional<std::string_view> SectionName(std::string_view line) {
    if (line.empty() || line.front() != '[')
        return std::nullopt;
    const std::size_t close = line.find(']');
    if (close == std::string_view::npos)
        return TrimBlanks(line.substr(1));
    return TrimBlanks(line.substr(1, close - 1));
}

} // namespace

std::string ProfileStringInText(std::string_view text, std::string_view section,
                                std::string_view key, std::string_view defaultValue) {
    if (text.starts_with("\xEF\xBB\xBF"))
        text.remove_prefix(3);
    section = TrimBlanks(section);
    key = TrimBlanks(key);

    bool inSection = false;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        const std::string_view line = TrimBlanks(text.substr(0, end));
        text.remove_prefix(std::min(end + 1, text.size()));
        if (const auto name = SectionName(line)) {
            inSection = EqualsIgnoringCase(*name, section);
            continue;
        }
        if (!inSection || line.starts_with(';'))
            continue;
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos ||
            !EqualsIgnoringCase(TrimBlanks(line.substr(0, equals)), key))
            continue;
        return std::string(CutToMaxLength(Unquoted(TrimBlanks(line.substr(equals + 1)))));
    }
    return std::string(defaultValue);
}

std::string GetPrivateProfileString(std::string_view section, std::string_view key,
                                    std::string_view defaultValue,
                                    const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return std::string(defaultValue);
    // read() turns a failure of the file (a folder, say) into the end of the text.
    std::string text;
    char buffer[4096];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0)
        text.append(buffer, static_cast<std::size_t>(in.gcount()));
    return ProfileStringInText(text, section, key, defaultValue);
}

} // namespace platform
