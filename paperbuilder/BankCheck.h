#pragma once

#include "paper/PaperWriter.h"
#include "paperbuilder/Bank.h"

#include <optional>

namespace paperbuilder {

// What the command line or the window sets. Header values given here win over the bank's;
// marks and scoring apply to questions whose bank leaves them empty.
struct BuildSettings {
    std::optional<QString> title;
    std::optional<QString> rules;
    std::optional<QString> minutes;
    int marks = 1;
    bool allOrNothing = false;
};

constexpr int DefaultMinutes = 45;
constexpr int MaxMarks = 1000;
constexpr int MaxMinutes = 24 * 60;

struct CheckedQuestion {
    int row = 0;
    QStringList faults;
    paperwriter::Question question; // complete only without faults
};

// A bank checked and turned into a paper, which may be written only when there is no fault.
struct CheckedPaper {
    paperwriter::Paper paper;
    std::vector<CheckedQuestion> questions; // one per question of the bank, in its order
    std::vector<Fault> faults;              // every fault, in the order of the bank
};

CheckedPaper CheckBank(const Bank& bank, const BuildSettings& settings);

// The text of a paper: GBK bytes with CR LF line ends. Empty when GBK cannot encode a
// character of it, which `bad` then names.
std::optional<std::string> PaperText(const QString& text, QString& bad);

// An option or a matching choice as the paper stores it: with its letter in front ("A. "),
// unless the text already starts with that letter followed by a separator.
QString WithLetter(int index, const QString& text);

} // namespace paperbuilder
