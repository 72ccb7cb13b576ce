#pragma once

#include "examdb/Database.h"
#include "sheets/Table.h"

#include <vector>

// The files examdb reads and writes: an .xlsx workbook (its first sheet) or, for any other name,
// CSV in UTF-8 or GBK when read and UTF-8 with a byte-order mark when written.
namespace examdb {

// The first table of the file. Throws Failure, as "FILE:ROW: message", when it cannot be read.
sheets::Table ReadTableFile(const QString& file);

// The columns of the titles in the file's first row, in the order of the titles, found in any
// order. Throws Failure for an empty file, a missing title or a title given twice; what the
// file should hold is named in the first case.
std::vector<qsizetype> ColumnsOf(const QString& file, const sheets::Table& table,
                                 const QStringList& titles);

// Writes the rows, the titles first, replacing the file in one step; widths are the columns'
// in an .xlsx sheet. Throws Failure when it cannot.
void WriteTableFile(const QString& file, const QString& sheetName,
                    const std::vector<QStringList>& rows, const std::vector<double>& widths);

} // namespace examdb
