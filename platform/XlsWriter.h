#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <variant>
#include <vector>

namespace platform {

// One cell of an exported sheet: empty (nothing is stored), a number, or UTF-8 text. An empty
// text is stored as a cell without a value.
using XlsCell = std::variant<std::monostate, double, std::string>;
using XlsRow = std::vector<XlsCell>;

struct XlsOptions {
    // Width of each column in screen pixels; a missing or non-positive width keeps the default.
    std::vector<int> columnWidths;
    // Worksheets are named this followed by their number from 1: Sheet1, Sheet2, ...
    std::string sheetBaseName = "Sheet";
};

// Writes an Excel 97-2003 workbook (.xls): a BIFF8 workbook stream with a shared string table,
// inside a version-3 compound document, the form spreadsheet programs themselves write. Text
// is stored as UTF-16 (8-bit where every character is Latin-1), so every Chinese character is
// kept; a text longer than a cell can hold (32,767 UTF-16 units) is cut there.
//
// A worksheet holds at most 65,536 rows. Rows go on into further worksheets, each of which
// starts with the titles row (when there is one), so no row is ever dropped. The rows are
// encoded as they are added and kept in that compact form until save(), because the string
// table that precedes all worksheets is only complete once the last row is known.
class XlsWriter final {
public:
    static constexpr std::size_t MaxSheetRows = 65536;
    static constexpr std::size_t MaxColumns = 256;

    explicit XlsWriter(XlsRow titles, XlsOptions options = {});
    ~XlsWriter();
    XlsWriter(const XlsWriter&) = delete;
    XlsWriter& operator=(const XlsWriter&) = delete;

    // Adds the next row. Throws platform::Exception when the row has more than MaxColumns
    // cells, or when called after save().
    void addRow(const XlsRow& row);

    std::size_t rowCount() const;
    std::size_t sheetCount() const;

    // Writes the workbook to target, replacing any file of that name in one step: when writing
    // fails, the old file stays as it was, no temporary file is left, and platform::Exception
    // reports the failure. No row can be added afterwards.
    void save(const std::filesystem::path& target);

private:
    struct Impl;
    std::unique_ptr<Impl> impl;
};

// Fills row `index` (0-based) of the export. The row still holds the cells of the row before
// (empty at first), so that their texts' storage is reused: the source sets every cell.
using XlsRowSource = std::function<void(std::size_t index, XlsRow& row)>;
// Told the number of rows done so far, at intervals and after the last one; answering false
// stops the export.
using XlsProgress = std::function<bool(std::size_t rowsDone)>;

// Exports rowCount rows taken from source under the titles row into target (see XlsWriter).
// Returns true when the file was written and false when progress stopped the export; a stopped
// export leaves no new file and the old one untouched.
bool WriteXlsFile(const std::filesystem::path& target, const XlsRow& titles, std::size_t rowCount,
                  const XlsRowSource& source, const XlsOptions& options = {},
                  const XlsProgress& progress = {});

} // namespace platform
