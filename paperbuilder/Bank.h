#pragma once

#include "sheets/Table.h"

#include <QString>
#include <QStringList>
#include <string>
#include <vector>

// A question bank as read from a spreadsheet, a CSV, an Aiken or a GIFT file or a paper, before
// any check. Texts are kept as written; the checks turn them into a paper.
namespace paperbuilder {

// The places and faults of a bank are those of the sheets it is read from.
using sheets::Fault;
using sheets::FaultLine;
using sheets::Place;
using BankError = sheets::SheetError;
using sheets::DecodeText;
using sheets::ReadFileBytes;
using sheets::ReplaceFile;

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

} // namespace paperbuilder
