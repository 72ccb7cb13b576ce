#pragma once

#include "sheets/Table.h"

#include <string>

namespace sheets {

// The records of CSV text: fields separated by commas, quoted with double quotes where they hold
// commas, quotes or line breaks. A record's number is its position, the first being 1, as a
// spreadsheet program shows it. Throws SheetError for a quote that is never closed.
Table ParseCsv(const QString& text);

// Rows as CSV in UTF-8 with a byte-order mark, fields quoted where they need it.
std::string CsvBytes(const std::vector<QStringList>& rows);

} // namespace sheets
