#pragma once

#include "paper/AnswerNotation.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class TQuestion;
class TQFileHandle;

// The figures of the item analysis window, apart from the window and the database: how the
// attempts at one paper scored as a whole, and how each question did in them. The definitions
// are those of Moodle's quiz statistics: variances divide by n - 1, and a figure that cannot be
// computed (too few attempts, no variance) is empty.
namespace tallyboard {

// What the analysis needs to know of a question of the paper.
struct ItemQuestion {
    answernotation::Kind kind = answernotation::Kind::Choice;
    bool multiple = false;   // a multiple choice question, which no guess can score
    std::size_t rows = 0;    // answer rows: options, or the items of a matching question
    std::size_t letters = 0; // letters an answer may use: options, or the choices
    std::int32_t fullMarks = 0;
};

// The questions of a paper in the order of their sequence numbers.
std::vector<ItemQuestion> ItemQuestionsOf(const TQFileHandle& paper);

// The marks of the attempts, attempt by attempt: marks[attempt * questionCount + question]. A
// question an attempt has no record of counts 0. answers[question] lists each distinct answer
// text given to the question with the number of attempts that gave it.
struct ItemSample {
    std::size_t questionCount = 0;
    std::vector<double> marks;
    std::vector<std::vector<std::pair<std::string, long long>>> answers;

    std::size_t AttemptCount() const {
        return questionCount == 0 ? 0 : marks.size() / questionCount;
    }
};

struct PaperFigures {
    long long attempts = 0;
    std::optional<double> average;
    std::optional<double> median;
    std::optional<double> standardDeviation;
    std::optional<double> skewness;
    std::optional<double> kurtosis;
    std::optional<double> consistency; // Cronbach's alpha, in percent
    std::optional<double> errorRatio;  // in percent
    std::optional<double> standardError;
};

// Flags for a question that needs looking at. Below FlaggedAttempts attempts a question gets
// SmallSample alone: a handful of examinees says nothing of a question.
enum ItemFlag : unsigned {
    TooHard = 1,           // facility under 20%
    TooEasy = 2,           // facility over 90%
    LowDiscrimination = 4, // discrimination index under 20%
    NegativeDiscrimination = 8,
    SmallSample = 16,
};
constexpr std::size_t FlaggedAttempts = 10;

struct QuestionFigures {
    std::optional<double> facility;          // mean marks / full marks, in percent
    std::optional<double> standardDeviation; // of the marks, in percent of the full marks
    std::optional<double> randomGuess;       // in percent of the full marks
    std::optional<double> discrimination;    // correlation with the rest of the paper, percent
    std::optional<double> efficiency;        // discriminative efficiency, in percent
    unsigned flags = 0;
};

// How the attempts answered one question: for a choice question, counts[option][0] attempts
// ticked the option; for a matching question, counts[item][letter] chose that letter for the
// item. Answers that do not fit the question are counted apart.
struct ResponseCounts {
    std::vector<std::vector<long long>> counts;
    long long unanswered = 0;
    long long unreadable = 0;
};

struct ItemAnalysis {
    PaperFigures paper;
    std::vector<QuestionFigures> questions;
    std::vector<ResponseCounts> responses;
};

ItemAnalysis AnalyseItems(const std::vector<ItemQuestion>& questions, const ItemSample& sample);

// The random guess score of a question in percent of its full marks: the mean credit of the
// options of a single choice, one in the number of choices for a matching question, and none
// for a multiple choice.
std::optional<double> RandomGuessScore(const ItemQuestion& question);

} // namespace tallyboard
