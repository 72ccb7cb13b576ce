#pragma once

#include "platform/RuntimeErrors.h"

#include <QString>
#include <QStringList>
#include <string>
#include <vector>

// A question bank as read from a spreadsheet, a CSV, an Aiken or a GIFT file or a paper, before
// any check. Texts are kept as written; the checks turn them into a paper.
namespace paperbuilder {

// A place in a bank: the file as named, and the row a spreadsheet program shows (the title row
// being 1) or the 1-based line of a text file; 0 when the fault concerns the whole file.
struct Place {
    QString file;
    int row = 0;
};

struct Fault {
    Place place;
    QString message;
};

// "FILE:ROW: message", as compilers report, so that editors can jump to the place.
QString FaultLine(const Fault& fault);

// A bank that cannot be read at all: not a file of its kind, damaged, not text, or a table
// without the columns it needs. The row is 0 when the fault has no row of its own.
class BankError final : public platform::Exception {
public:
    explicit BankError(const QString& message, int row = 0)
        : Exception(message.toStdString()), row(row) {}
    QString message() const { return QString::fromUtf8(what()); }
    int row;
};

// The kind names a bank writes; the short forms are read as well.
inline const QString SingleKind = QStringLiteral("单选题");
inline const QString MultiKind = QStringLiteral("多选题");
inline const QString MatchingKind = QStringLiteral("配伍题");
inline const QString AllOrNothingRule = QStringLiteral("全对得分");
inline const QString PerItemRule = QStringLiteral("按项计分");

// One question as the bank gives it. Empty marks or scoring take the build's defaults.
struct BankQuestion {
    int row = 0;
    QString kind;
    QString stem;
    QString marks;
    QString scoring;
    QStringList options; // for matching, the choices
    QStringList items;   // matching only: the items to match
    QString answer;      // letters: "B", "ABD", one per item for matching
    QString fault;       // what the reader could not take, if anything
};

// A value of the paper's header, with the row of the sheet that gave it.
struct BankValue {
    QString text;
    int row = 0;
    QString sheet; // the sheet of that row, when not the question table
};

struct Bank {
    QString file;
    BankValue title;
    BankValue rules;
    BankValue minutes;
    std::vector<BankQuestion> questions;
};

// The letter of option `index`: A, B, C, ... as the matching panel labels its choices.
QChar OptionLetter(int index);

// The bytes of a text file as text: UTF-8 with or without byte-order mark, or else GBK. Throws
// BankError for a file that is not text or is neither.
QString DecodeText(const std::string& bytes);

// The bytes of a file; throws BankError when it cannot be read.
std::string ReadFileBytes(const QString& file);

// Replaces the file with the bytes in one step, so that it is either the old file or the whole
// new one; throws BankError when it cannot.
void ReplaceFile(const QString& file, const std::string& bytes);

} // namespace paperbuilder
