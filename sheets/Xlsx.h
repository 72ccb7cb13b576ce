#pragma once

#include "sheets/Table.h"

#include <QByteArray>
#include <map>
#include <optional>

namespace sheets {

// The sheets of an .xlsx workbook by name, in the workbook's order, their cells as text: shared,
// inline and formula strings as they read, numbers as written, whole numbers without a fraction.
// Throws SheetError for a file that is not a workbook or is damaged.
std::vector<Table> ReadXlsxSheets(const QString& file);
// The same from the bytes of a workbook. What a workbook may make the reader hold is bounded:
// 65,536 rows and 1,024 columns with values, a million cells, 32 MB inflated; past a bound the
// workbook is refused with a SheetError that names the row where it has one.
std::vector<Table> XlsxSheetsFromBytes(const std::string& bytes);
// The same from the parts of a workbook already unpacked, by their names in the archive
// ("xl/workbook.xml", ...), so that fuzzing reaches the XML past the archive's checksums.
std::vector<Table> XlsxSheetsFromParts(const std::map<QString, QByteArray>& parts);

// The sheet of that name, if the workbook has one.
std::optional<Table> SheetNamed(const std::vector<Table>& sheets, const QString& name);

// A sheet to write. When titled, the first row holds column titles, which stay in view when
// scrolling, and the cells under the titles named in numberColumns go in as numbers where they
// read as numbers.
struct SheetContent {
    QString name;
    std::vector<QStringList> rows;
    std::vector<double> widths;
    bool titled = true;
    QStringList numberColumns;
};

// Writes the sheets as a workbook, replacing the file in one step; throws SheetError when it
// cannot.
void WriteXlsxWorkbook(const QString& file, const std::vector<SheetContent>& sheets);

// Writes one titled sheet the same way.
void WriteXlsxTable(const QString& sheetName, const std::vector<QStringList>& rows,
                    const std::vector<double>& widths, const QString& file);

} // namespace sheets
