#pragma once

#include "paperbuilder/TableBank.h"

#include <QByteArray>
#include <map>

namespace paperbuilder {

// The sheets of an .xlsx workbook by name, in the workbook's order, their cells as text: shared,
// inline and formula strings as they read, numbers as written, whole numbers without a fraction.
// Throws BankError for a file that is not a workbook or is damaged.
std::vector<Table> ReadXlsxSheets(const QString& file);
// The same from the bytes of a workbook. What a workbook may make the reader hold is bounded:
// 65,536 rows and 1,024 columns with values, a million cells, 32 MB inflated; past a bound the
// workbook is refused with a BankError that names the row where it has one.
std::vector<Table> XlsxSheetsFromBytes(const std::string& bytes);
// The same from the parts of a workbook already unpacked, by their names in the archive
// ("xl/workbook.xml", ...), so that fuzzing reaches the XML past the archive's checksums.
std::vector<Table> XlsxSheetsFromParts(const std::map<QString, QByteArray>& parts);

// A spreadsheet bank: the first sheet holds the questions, a sheet named 试卷信息 the header.
Bank ReadXlsxBank(const QString& file);
// The bank of sheets read by the functions above.
Bank BankFromSheets(const QString& file, const std::vector<Table>& sheets);

// Writes the bank as a workbook in the same form; throws BankError when it cannot.
void WriteXlsxBank(const Bank& bank, const QString& file);

// Writes one sheet whose first row holds column titles, replacing the file in one step; throws
// BankError when it cannot.
void WriteXlsxTable(const QString& sheetName, const std::vector<QStringList>& rows,
                    const std::vector<double>& widths, const QString& file);

} // namespace paperbuilder
