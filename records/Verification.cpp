#include "records/Verification.h"

#include "paper/AnswerNotation.h"
#include "paper/Scoring.h"
#include "paper/uFileHandle.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <unordered_map>
#include <unordered_set>

namespace records {
namespace {

using std::to_string;

std::optional<long long> NumberOf(const std::string& text) {
    long long value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc() || stop != end)
        return std::nullopt;
    return value;
}

// Scores are compared as numbers where both are numbers, so that "80" of one driver is "80" of
// another whatever the column type.
bool SameScore(const std::string& a, const std::string& b) {
    const auto first = NumberOf(a);
    const auto second = NumberOf(b);
    return first && second ? *first == *second : a == b;
}

std::string Quoted(const std::string& text) {
    return "“" + text + "”";
}

std::string QuestionName(int question) {
    return "第" + to_string(question + 1) + "题";
}

Fault FaultOf(FaultKind kind, const ScoreRow& row, std::string detail) {
    return {kind, row.town, row.fac, row.name, row.stime, row.score, {}, {}, std::move(detail)};
}

Fault FaultOf(FaultKind kind, const AttemptRow& attempt, std::string detail) {
    return {kind,          attempt.town,  attempt.fac, attempt.name,     attempt.stime,
            attempt.score, attempt.token, {},          std::move(detail)};
}

std::string KeyOf(const std::string& town, const std::string& fac, const std::string& name,
                  const std::string& stime) {
    const char separator = '\x1f';
    return town + separator + fac + separator + name + separator + stime;
}

class Verifier final {
public:
    explicit Verifier(const VerificationInput& input) : input(input) {
        report.scoreRows = input.scores.size();
        report.attempts = input.attempts.size();
        for (const AnswerRow& answer : input.answers)
            answersOf[answer.token].push_back(&answer);
        for (const PaperRow& paper : input.papers)
            papers.emplace(paper.sha256, &paper);
    }

    VerificationReport Run() {
        PairScoreRows();
        for (const AttemptRow& attempt : input.attempts)
            CheckAttempt(attempt);
        ReportUnusedAlteredPapers();
        ReportAnswersWithoutAttempt();
        std::stable_sort(report.faults.begin(), report.faults.end(),
                         [](const Fault& a, const Fault& b) { return a.kind < b.kind; });
        return std::move(report);
    }

private:
    // Each score row takes an attempt of its town, unit, name and time, one with its own score
    // first; a second row for the same attempt has none left.
    void PairScoreRows() {
        std::unordered_map<std::string, std::vector<std::size_t>> attemptsOf;
        std::string firstAttempt;
        for (std::size_t i = 0; i < input.attempts.size(); ++i) {
            const AttemptRow& attempt = input.attempts[i];
            attemptsOf[KeyOf(attempt.town, attempt.fac, attempt.name, attempt.stime)].push_back(i);
            if (!attempt.stime.empty() && (firstAttempt.empty() || attempt.stime < firstAttempt))
                firstAttempt = attempt.stime;
        }
        paired.assign(input.attempts.size(), false);
        for (const ScoreRow& row : input.scores) {
            auto& candidates = attemptsOf[KeyOf(row.town, row.fac, row.name, row.stime)];
            auto chosen = std::find_if(candidates.begin(), candidates.end(), [&](std::size_t i) {
                return SameScore(input.attempts[i].score, row.score);
            });
            if (chosen == candidates.end())
                chosen = candidates.begin();
            if (chosen == candidates.end()) {
                if (!firstAttempt.empty() && row.stime > firstAttempt)
                    Add(FaultOf(FaultKind::ScoreWithoutAttempt, row,
                                "成绩 " + row.score + " 没有对应的答卷"));
                else
                    ++report.olderScoreRows;
                continue;
            }
            const AttemptRow& attempt = input.attempts[*chosen];
            paired[*chosen] = true;
            candidates.erase(chosen);
            if (!SameScore(attempt.score, row.score))
                Add(FaultOf(FaultKind::ScoreDiffers, attempt,
                            "成绩记为 " + row.score + "，答卷为 " + attempt.score));
        }
        for (std::size_t i = 0; i < input.attempts.size(); ++i) {
            if (!paired[i])
                Add(FaultOf(FaultKind::AttemptWithoutScore, input.attempts[i],
                            "答卷成绩 " + input.attempts[i].score + " 没有对应的成绩记录"));
        }
    }

    void CheckAttempt(const AttemptRow& attempt) {
        static const std::vector<const AnswerRow*> none;
        const auto found = answersOf.find(attempt.token);
        const auto& answers = found == answersOf.end() ? none : found->second;
        CheckTotal(attempt, answers);
        if (const TQFileHandle* paper = UsablePaper(attempt)) {
            for (const AnswerRow* answer : answers)
                Rescore(attempt, *paper, *answer);
        }
    }

    // A hand-in or a time-out scores what its answers earned; an abandonment scores 0.
    void CheckTotal(const AttemptRow& attempt, const std::vector<const AnswerRow*>& answers) {
        const std::optional<long long> score = NumberOf(attempt.score);
        if (attempt.ending == "abandon") {
            if (!score || *score != 0)
                Add(FaultOf(FaultKind::MarksDiffer, attempt,
                            "放弃的答卷成绩应为 0，记为 " + attempt.score));
            return;
        }
        long long total = 0;
        for (const AnswerRow* answer : answers)
            total += answer->marks;
        if (!score || *score != total)
            Add(FaultOf(FaultKind::MarksDiffer, attempt,
                        "各题得分合计 " + to_string(total) + "，答卷成绩为 " + attempt.score));
    }

    // The attempt's paper when it can be trusted and read; otherwise the fault that says why.
    const TQFileHandle* UsablePaper(const AttemptRow& attempt) {
        const auto found = papers.find(attempt.paperSha256);
        if (found == papers.end()) {
            Add(FaultOf(FaultKind::PaperMissing, attempt,
                        "试卷表中没有这份答卷的试卷（SHA-256 " + attempt.paperSha256 + "）"));
            return nullptr;
        }
        const PaperRow& paper = *found->second;
        usedPapers.insert(&paper);
        if (!paper.bytesMatch) {
            Add(PaperFault(FaultKind::PaperAltered, attempt, paper, AlteredDetail(paper)));
            return nullptr;
        }
        if (!paper.paper) {
            Add(PaperFault(FaultKind::PaperMissing, attempt, paper,
                           "试卷" + Quoted(paper.title) + "读不出试题，无法复核"));
            return nullptr;
        }
        return paper.paper.get();
    }

    void Rescore(const AttemptRow& attempt, const TQFileHandle& paper, const AnswerRow& answer) {
        const TQuestion* question =
            answer.question >= 0 ? paper.GetQuestion(answer.question) : nullptr;
        if (!question) {
            Add(FaultOf(FaultKind::UnknownQuestion, attempt,
                        QuestionName(answer.question) + "不在试卷中（试卷共 " +
                            to_string(paper.QuestionCount()) + " 题）"));
            return;
        }
        const std::string name = QuestionName(answer.question);
        if (answer.fullMarks != question->FullMarks)
            Add(FaultOf(FaultKind::MarksDiffer, attempt,
                        name + "满分记为 " + to_string(answer.fullMarks) + "，试卷为 " +
                            to_string(question->FullMarks)));
        const auto given = answernotation::ParseFor(*question, answer.answer);
        if (!given) {
            Add(FaultOf(FaultKind::MarksDiffer, attempt,
                        name + "的作答" + Quoted(answer.answer) + "不合此题"));
            return;
        }
        const int32_t marks = scoring::Score(*question, *given);
        if (marks != answer.marks)
            Add(FaultOf(FaultKind::MarksDiffer, attempt,
                        name + "作答" + Quoted(answer.answer) + "记为 " + to_string(answer.marks) +
                            " 分，复核为 " + to_string(marks) + " 分"));
    }

    // An altered paper that no attempt was made on is a fault all the same.
    void ReportUnusedAlteredPapers() {
        for (const PaperRow& paper : input.papers) {
            if (!paper.bytesMatch && !usedPapers.contains(&paper))
                Add(PaperFault(FaultKind::PaperAltered, AttemptRow{}, paper, AlteredDetail(paper)));
        }
    }

    void ReportAnswersWithoutAttempt() {
        std::unordered_set<std::string> tokens;
        for (const AttemptRow& attempt : input.attempts)
            tokens.insert(attempt.token);
        for (const AnswerRow& answer : input.answers) {
            if (tokens.insert(answer.token).second) {
                const std::size_t count = answersOf[answer.token].size();
                Fault fault;
                fault.kind = FaultKind::AnswersWithoutAttempt;
                fault.detail = "答卷标识 " + answer.token + " 下有 " + to_string(count) +
                               " 条作答，但没有这份答卷";
                Add(std::move(fault));
            }
        }
    }

    static std::string AlteredDetail(const PaperRow& paper) {
        return "试卷" + Quoted(paper.title) + "的内容与其 SHA-256 不符，未用于复核";
    }

    static Fault PaperFault(FaultKind kind, const AttemptRow& attempt, const PaperRow& paper,
                            std::string detail) {
        Fault fault = FaultOf(kind, attempt, std::move(detail));
        fault.paperTitle = paper.title;
        return fault;
    }

    void Add(Fault fault) { report.faults.push_back(std::move(fault)); }

    const VerificationInput& input;
    VerificationReport report;
    std::unordered_map<std::string, std::vector<const AnswerRow*>> answersOf;
    std::unordered_map<std::string, const PaperRow*> papers;
    std::unordered_set<const PaperRow*> usedPapers;
    std::vector<bool> paired;
};

} // namespace

const char* FaultKindName(FaultKind kind) {
    switch (kind) {
    case FaultKind::ScoreWithoutAttempt:
        return "成绩无答卷";
    case FaultKind::AttemptWithoutScore:
        return "答卷无成绩";
    case FaultKind::ScoreDiffers:
        return "成绩不符";
    case FaultKind::MarksDiffer:
        return "得分不符";
    case FaultKind::UnknownQuestion:
        return "题目不存在";
    case FaultKind::PaperAltered:
        return "试卷被改动";
    case FaultKind::PaperMissing:
        return "试卷缺失";
    case FaultKind::AnswersWithoutAttempt:
        return "作答无答卷";
    }
    return "";
}

std::size_t VerificationReport::CountOf(FaultKind kind) const {
    return static_cast<std::size_t>(std::count_if(
        faults.begin(), faults.end(), [kind](const Fault& fault) { return fault.kind == kind; }));
}

VerificationReport Verify(const VerificationInput& input) {
    return Verifier(input).Run();
}

std::string SummaryText(const VerificationReport& report) {
    std::string counts;
    for (std::size_t kind = 0; kind < FaultKindCount; ++kind) {
        const auto fault = static_cast<FaultKind>(kind);
        counts += (kind ? "，" : "") + std::string(FaultKindName(fault)) + " " +
                  to_string(report.CountOf(fault));
    }
    return "复核成绩 " + to_string(report.scoreRows) + " 行、答卷 " + to_string(report.attempts) +
           " 份：" + counts + "；共 " + to_string(report.faults.size()) + " 处错误；另有 " +
           to_string(report.olderScoreRows) + " 行成绩早于第一份答卷，不计为错误";
}

} // namespace records
