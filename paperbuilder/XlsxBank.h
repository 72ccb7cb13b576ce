#pragma once

#include "paperbuilder/TableBank.h"

namespace paperbuilder {

// A spreadsheet bank: the first sheet holds the questions, a sheet named 试卷信息 the header.
Bank ReadXlsxBank(const QString& file);
// The bank of the sheets of a workbook.
Bank BankFromSheets(const QString& file, const std::vector<Table>& sheets);

// Writes the bank as a workbook in the same form; throws BankError when it cannot.
void WriteXlsxBank(const Bank& bank, const QString& file);

} // namespace paperbuilder
