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

// The file name a paper with this title is proposed under: the title with path separators, "..",
// leading dots, control characters and the characters Windows or Linux refuse in a file name
// replaced by "_" (a run of them by one), trailing dots and blanks dropped, a name that Windows
// reserves (CON, NUL, COM1, ...) marked with a leading "_", and cut so that the name with ".mqe"
// fits in 255 bytes. A title of nothing else gives "试卷.mqe". The name never leaves the folder it
// is put in.
QString PaperFileName(const QString& title);

// Writes the bank as .xlsx or .csv, by the file name's extension; throws BankError.
void DumpBank(const Bank& bank, const QString& file);

} // namespace paperbuilder
