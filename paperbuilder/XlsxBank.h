#pragma once

#include "paperbuilder/TableBank.h"

namespace paperbuilder {

// The sheets of an .xlsx workbook by name, in the workbook's order, their cells as text: shared,
// inline and formula strings as they read, numbers as written, whole numbers without a fraction.
// Throws BankError for a file that is not a workbook or is damaged.
std::vector<Table> ReadXlsxSheets(const QString& file);

// A spreadsheet bank: the first sheet holds the questions, a sheet named 试卷信息 the header.
Bank ReadXlsxBank(const QString& file);

// Writes the bank as a workbook in the same form; throws BankError when it cannot.
void WriteXlsxBank(const Bank& bank, const QString& file);

// Writes one sheet whose first row holds column titles, replacing the file in one step; throws
// BankError when it cannot.
void WriteXlsxTable(const QString& sheetName, const std::vector<QStringList>& rows,
                    const std::vector<double>& widths, const QString& file);

} // namespace paperbuilder
