#pragma once

#include "platform/XlsWriter.h"

#include <filesystem>
#include <vector>

namespace ui {

class DataGrid;

// The cells of the export of the given columns (column indexes, in the order given) of a grid:
// the titles row; for every row of the grid in its current order, numbers for the integer and
// decimal fields, empty cells for nulls and the grid's displayed text for everything else; and
// the footer row: the number of exported rows for a record-count footer, the fixed text of a text
// footer, an empty text otherwise.
platform::XlsRow GridExportTitles(const DataGrid& grid, const std::vector<int>& columns);
void FillGridExportRow(const DataGrid& grid, const std::vector<int>& columns, int row,
                       platform::XlsRow& cells);
platform::XlsRow GridExportFooter(const DataGrid& grid, const std::vector<int>& columns);

// Writes those rows to target through the .xls writer (further worksheets beyond 65,536 rows,
// the file replaced in one step). Returns false when progress stopped the export; throws
// platform::Exception when the file cannot be written.
bool ExportGridToXls(const DataGrid& grid, const std::vector<int>& columns,
                     const std::filesystem::path& target,
                     const platform::XlsProgress& progress = {});

} // namespace ui
