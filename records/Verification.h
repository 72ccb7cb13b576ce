#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

class TQFileHandle;

// The verification of recorded scores against the attempts behind them: every score row is
// paired with its attempt, and every attempt is re-scored from its recorded answers with its
// paper's key by the question panels' own rules. Texts are UTF-8, as the database gives them;
// names and units are compared as given, so the reader passes them trimmed.
namespace records {

struct ScoreRow {
    std::string town, fac, name;
    std::string stime; // "yyyy-MM-dd HH:mm:ss", which sorts as text
    std::string score;
};

struct AttemptRow {
    std::string token;
    std::string town, fac, name;
    std::string stime;
    std::string score;
    std::string paperSha256;
    std::string ending; // "handin", "timeout" or "abandon"
};

struct AnswerRow {
    std::string token;
    int question = 0;   // counted from 0
    std::string answer; // in the question template's notation
    int marks = 0;
    int fullMarks = 0;
};

struct PaperRow {
    std::string sha256;
    std::string title;
    bool bytesMatch = false;                   // the bytes give the SHA-256 they are stored under
    std::shared_ptr<const TQFileHandle> paper; // null when the bytes do not read as a paper
};

struct VerificationInput {
    std::vector<ScoreRow> scores;
    std::vector<AttemptRow> attempts;
    std::vector<AnswerRow> answers;
    std::vector<PaperRow> papers;
};

// In the order the reports list them.
enum class FaultKind {
    ScoreWithoutAttempt,  // 成绩无答卷
    AttemptWithoutScore,  // 答卷无成绩
    ScoreDiffers,         // 成绩不符: the score row against its attempt
    MarksDiffer,          // 得分不符: the answers' marks against the attempt, or re-scored
    UnknownQuestion,      // 题目不存在
    PaperAltered,         // 试卷被改动
    PaperMissing,         // 试卷缺失: absent from the paper table, or not a paper
    AnswersWithoutAttempt // 作答无答卷: answer rows under a token no attempt has
};
inline constexpr std::size_t FaultKindCount = 8;

// The kind's name in both front ends, UTF-8.
const char* FaultKindName(FaultKind kind);

// One fault with the row it was found on: the attempt's values where there is an attempt
// (token set), the score row's otherwise. A paper fault names the paper's title.
struct Fault {
    FaultKind kind = FaultKind::ScoreWithoutAttempt;
    std::string town, fac, name;
    std::string stime;
    std::string score;
    std::string token;
    std::string paperTitle;
    std::string detail; // what does not agree, in Chinese
};

struct VerificationReport {
    std::vector<Fault> faults; // by kind, each kind in the order of the rows
    std::size_t scoreRows = 0;
    std::size_t attempts = 0;
    // Score rows without an attempt from before the database's first attempt: recorded before
    // attempts were kept, so they are no fault.
    std::size_t olderScoreRows = 0;

    std::size_t CountOf(FaultKind kind) const;
};

VerificationReport Verify(const VerificationInput& input);

// The counts of a report in one line for both front ends: the rows and attempts looked at, the
// faults of each kind, their total and the score rows from before the first attempt.
std::string SummaryText(const VerificationReport& report);

} // namespace records
