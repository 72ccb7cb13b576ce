#pragma once

#include "paperbuilder/TableBank.h"
#include "sheets/Csv.h"

#include <string>

namespace paperbuilder {

// A CSV bank in UTF-8 (with or without byte-order mark) or GBK.
Bank ReadCsvBank(const QString& file, const std::string& bytes);

// The bank as CSV in UTF-8 with a byte-order mark, which spreadsheet programs recognise. The
// paper's title, rules and time limit go into columns of their own on the first question's row.
std::string CsvBankBytes(const Bank& bank);

} // namespace paperbuilder
