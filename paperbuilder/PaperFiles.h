#pragma once

#include "paperbuilder/BankCheck.h"

class TQFileHandle;

namespace paperbuilder {

// Reads a bank by its file name's extension: .xlsx, .csv, .mqe (a paper), .gift, .aiken, or
// .txt, which is Aiken when a line starts with "ANSWER:" and GIFT otherwise. Throws BankError.
Bank ReadBank(const QString& file);

// A paper as a bank: the letters in front of options and choices are taken off again, CR LF
// line ends become line feeds.
Bank BankFromPaper(const TQFileHandle& paper, const QString& file);

// Writes the paper over the file in one step, then loads it back with the paper reader; throws
// BankError when either fails.
void WritePaperFile(const paperwriter::Paper& paper, const QString& file);

// Writes the bank as .xlsx or .csv, by the file name's extension; throws BankError.
void DumpBank(const Bank& bank, const QString& file);

} // namespace paperbuilder
