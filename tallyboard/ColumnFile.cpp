#include "tallyboard/ColumnFile.h"

#include "platform/AtomicFile.h"
#include "platform/RuntimeErrors.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <fcntl.h>
#include <unistd.h>

namespace tallyboard {
namespace {

constexpr std::string_view Utf8Bom = "\xEF\xBB\xBF";
constexpr std::size_t EntryFields = 5;

char asciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return asciiLower(x) == asciiLower(y);
           });
}

bool isComment(std::string_view trimmedLine) {
    return trimmedLine.starts_with("//") || trimmedLine.starts_with(';');
}

// A byte-order mark that an editor may have put in front of a UTF-8 file is no part of the
// first line; it is kept aside and written back.
std::string_view withoutBom(std::string_view bytes) {
    return bytes.starts_with(Utf8Bom) ? bytes.substr(Utf8Bom.size()) : bytes;
}

// Calls entry(index, fields) for every column entry of the section whose header is at line
// `header`, in file order, until the line that ends the section; entry answers whether to go on.
template <typename Entry>
void forEachEntry(const std::vector<std::string>& lines, std::size_t header, Entry entry) {
    for (std::size_t i = header + 1; i < lines.size(); ++i) {
        const std::string trimmed = TrimText(lines[i]);
        if (trimmed.empty() || isComment(trimmed))
            continue;
        const std::vector<std::string> fields = SplitText(lines[i], ",");
        if (fields.size() != EntryFields || !entry(i, fields))
            return;
    }
}

// The runtime's integer conversion: an optional sign and decimal digits, within 32 bits.
bool toInteger(const std::string& text, int& value) {
    const char* first = text.data();
    const char* last = first + text.size();
    if (last - first > 1 && *first == '+' && first[1] != '-')
        ++first;
    const auto [end, error] = std::from_chars(first, last, value);
    return error == std::errc() && end == last;
}

std::string entryLine(const std::vector<std::string>& fields, bool shown) {
    return fields[0] + "," + fields[1] + "," + fields[2] + "," + fields[3] +
           (shown ? ",true" : ",false");
}

} // namespace

bool IsUtf8ColumnFile(std::string_view fileBytes) {
    return fileBytes.starts_with(Utf8Bom);
}

std::vector<std::string> SplitText(const std::string& text, const std::string& separator) {
    std::vector<std::string> pieces;
    std::string_view rest = text;
    while (!rest.empty()) {
        const std::size_t at = separator.empty() ? std::string_view::npos : rest.find(separator);
        if (at == std::string_view::npos) {
            pieces.push_back(TrimText(rest));
            break;
        }
        pieces.push_back(TrimText(rest.substr(0, at)));
        rest.remove_prefix(at + separator.size());
    }
    return pieces;
}

std::vector<std::string> SplitLines(std::string_view bytes) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < bytes.size()) {
        const std::size_t end = bytes.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            lines.emplace_back(bytes.substr(start));
            break;
        }
        lines.emplace_back(bytes.substr(start, end - start));
        start = end + (bytes.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    }
    return lines;
}

std::size_t FindSectionHeader(const std::vector<std::string>& lines, std::string_view section) {
    const std::string header = "[" + std::string(section) + "]";
    const auto found = std::find_if(lines.begin(), lines.end(), [&](const std::string& line) {
        return equalsIgnoringAsciiCase(TrimText(line), header);
    });
    return static_cast<std::size_t>(found - lines.begin());
}

GridColumnLayout ParseColumnLayout(std::string_view fileBytes, std::string_view section) {
    const std::vector<std::string> lines = SplitLines(withoutBom(fileBytes));
    const std::size_t header = FindSectionHeader(lines, section);
    GridColumnLayout layout;
    layout.sectionFound = header < lines.size();
    forEachEntry(lines, header, [&](std::size_t, const std::vector<std::string>& fields) {
        if (!equalsIgnoringAsciiCase(fields[4], "true"))
            return true;
        GridColumnInfo column{fields[0], fields[1], fields[2], 0};
        if (!toInteger(fields[3], column.width)) {
            layout.error = std::make_exception_ptr(
                platform::Exception("'" + fields[3] + "' is not a valid integer value"));
            return false;
        }
        layout.columns.push_back(std::move(column));
        return true;
    });
    return layout;
}

std::string RewriteColumnLayout(std::string_view fileBytes, std::string_view section,
                                const std::vector<GridColumnInfo>& gridColumns) {
    const std::string_view body = withoutBom(fileBytes);
    std::vector<std::string> lines = SplitLines(body);
    std::size_t k = 0;
    forEachEntry(lines, FindSectionHeader(lines, section),
                 [&](std::size_t i, const std::vector<std::string>& fields) {
                     const bool inGrid = std::any_of(
                         gridColumns.begin(), gridColumns.end(), [&](const GridColumnInfo& column) {
                             return equalsIgnoringAsciiCase(fields[0], column.fieldName);
                         });
                     if (inGrid) {
                         if (k >= gridColumns.size())
                             throw platform::EListError(static_cast<long long>(k));
                         const GridColumnInfo& column = gridColumns[k++];
                         lines[i] = entryLine({column.fieldName, column.title, column.displayFormat,
                                               std::to_string(column.width)},
                                              true);
                     } else {
                         lines[i] = entryLine(fields, false);
                     }
                     return true;
                 });
    std::string text(fileBytes.substr(0, fileBytes.size() - body.size()));
    for (const std::string& line : lines)
        text += line + "\r\n";
    return text;
}

std::string ReadColumnFile(const std::filesystem::path& file) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        throw platform::EFOpenError(file.string(), platform::lastSystemError());
    std::string bytes;
    char buffer[16384];
    ssize_t got = 0;
    while ((got = ::read(fd, buffer, sizeof buffer)) != 0) {
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            ::close(fd);
            throw platform::EReadError();
        }
        bytes.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(fd);
    return bytes;
}

void SaveColumnLayout(const std::filesystem::path& file, std::string_view section,
                      const std::vector<GridColumnInfo>& gridColumns) {
    const std::string text = RewriteColumnLayout(ReadColumnFile(file), section, gridColumns);
    platform::ReplaceFileAtomically(file, text);
}

} // namespace tallyboard
