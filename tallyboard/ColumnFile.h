#pragma once

#include "platform/TextTrim.h"

#include <exception>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

// The rules of the column-properties file ("列项属性.txt"), apart from the grid they serve. The
// file is GBK, or UTF-8 when it starts with a UTF-8 byte-order mark; every rule looks only at
// ASCII bytes (",", "[", "]", "//", ";" and codes 0 to 32), so the functions work on the file's
// bytes in either encoding and texts come back in the encoding they were read in.
namespace tallyboard {

// Whether the file's texts are UTF-8: only a byte-order mark says so. GBK text is often valid
// UTF-8 as well ("学员" is D1A7 D4B1), so the bytes themselves cannot tell.
bool IsUtf8ColumnFile(std::string_view fileBytes);

// Entries and pieces are trimmed by the suite's common rule.
using platform::TrimText;

// The pieces of the text between separators, each trimmed. A separator at the very end adds
// no empty piece; an empty text gives no pieces.
std::vector<std::string> SplitText(const std::string& text, const std::string& separator);

// The lines of a file's text: a line ends at CR LF, a lone CR or a lone LF, and the last line
// needs no end.
std::vector<std::string> SplitLines(std::string_view bytes);

// The index of the first line that, trimmed, is "[" + section + "]" ignoring the case of ASCII
// letters; lines.size() when there is none.
std::size_t FindSectionHeader(const std::vector<std::string>& lines, std::string_view section);

// One column of a grid as the file describes it: fields 1 to 4 of an entry, as the file's bytes.
// A grid keeps these texts for the columns it was built from and hands them back in its current
// order with its current widths, so that the write-back keeps the file's encoding.
struct GridColumnInfo {
    std::string fieldName;
    std::string title;
    std::string displayFormat;
    int width = 0;
};

// What a section gives the grid: the shown entries in display order. Reading stops at an entry
// whose width is not a whole number; the columns before it are kept and error holds the
// conversion error ("'1OO' is not a valid integer value"), which the caller raises once it
// has added them.
struct GridColumnLayout {
    bool sectionFound = false;
    std::vector<GridColumnInfo> columns;
    std::exception_ptr error;
};

GridColumnLayout ParseColumnLayout(std::string_view fileBytes, std::string_view section);

// The file's new text after the grid's columns (in display order) are written back into the
// section: the k-th entry that names a grid column, ignoring ASCII case, becomes the grid's
// k-th column with ",true"; every other entry is rewritten trimmed with ",false"; empty lines,
// comments, the lines outside the section and the line that ends it stay as they are, and every
// line ends in CR LF. Throws platform::EListError when the section names more grid columns
// than the grid holds (a field named twice).
std::string RewriteColumnLayout(std::string_view fileBytes, std::string_view section,
                                const std::vector<GridColumnInfo>& gridColumns);

// The whole file; a file that cannot be opened raises platform::EFOpenError, one that cannot
// be read platform::EReadError. The caller tells the encoding from these bytes and parses them.
std::string ReadColumnFile(const std::filesystem::path& file);

// Rewrites the section of the file in place, replacing the file in one step; nothing is
// written when reading or rewriting fails.
void SaveColumnLayout(const std::filesystem::path& file, std::string_view section,
                      const std::vector<GridColumnInfo>& gridColumns);

} // namespace tallyboard
