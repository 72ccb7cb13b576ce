#pragma once

#include "paperbuilder/TableBank.h"

#include <string>

namespace paperbuilder {

// The records of CSV text: fields separated by commas, quoted with double quotes where they hold
// commas, quotes or line breaks. A record's number is its position, the first being 1, as a
// spreadsheet program shows it. Throws BankError for a quote that is never closed.
Table ParseCsv(const QString& text);

// A CSV bank in UTF-8 (with or without byte-order mark) or GBK.
Bank ReadCsvBank(const QString& file, const std::string& bytes);

// The bank as CSV in UTF-8 with a byte-order mark, which spreadsheet programs recognise. The
// paper's title, rules and time limit go into columns of their own on the first question's row.
std::string CsvBankBytes(const Bank& bank);

// Rows as CSV in UTF-8 with a byte-order mark, fields quoted where they need it.
std::string CsvBytes(const std::vector<QStringList>& rows);

} // namespace paperbuilder
