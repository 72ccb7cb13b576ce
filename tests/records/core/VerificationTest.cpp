#include "records/Verification.h"

#include "paper/uFileHandle.h"

#include <functional>
#include <gtest/gtest.h>

namespace {

using records::VerificationInput;

// A single choice (key B, 2 marks), a multiple choice (A and C of four, 4 marks shared per
// option) and a matching question (two items to C and A of three choices, 4 marks shared per
// item).
std::shared_ptr<const TQFileHandle> ThreeQuestionPaper() {
    auto paper = std::make_shared<TQFileHandle>();
    const std::vector<std::string> four = {"A", "B", "C", "D"};
    paper->AddSingle(2, 0, "single", 1, four, -1);
    std::array<uint8_t, 256> multi{};
    multi[0] = multi[2] = 1;
    paper->AddMulti(4, 0, "multi", multi, four, -1);
    std::array<uint8_t, 256> matching{};
    matching[0] = 2;
    paper->AddMatching(4, 0, "matching", 2, matching, {"item 1", "item 2", "A", "B", "C"}, -1);
    return paper;
}

// One hand-in with its score row, and a score row from before attempts were kept. "B" earns 2;
// "AB" agrees with the key on rows A and D, 2 of 4 marks; "C-" has item 1 of 2 right, 2 of 4.
VerificationInput SoundInput() {
    VerificationInput input;
    input.scores = {{"城关镇", "城关中学", "老王", "2026-12-01 08:00:00", "60"},
                    {"安平镇", "中心小学", "张三", "2026-12-09 09:00:00", "6"}};
    input.attempts = {
        {"t1", "安平镇", "中心小学", "张三", "2026-12-09 09:00:00", "6", "sha", "handin"}};
    input.answers = {{"t1", 0, "B", 2, 2}, {"t1", 1, "AB", 2, 4}, {"t1", 2, "C-", 2, 4}};
    input.papers = {{"sha", "安全知识", true, ThreeQuestionPaper()}};
    return input;
}

// Kind, name and detail of every fault, a line each.
std::string FaultLines(const records::VerificationReport& report) {
    std::string lines;
    for (const records::Fault& fault : report.faults)
        lines += std::string(records::FaultKindName(fault.kind)) + " " + fault.name + " " +
                 fault.detail + "\n";
    return lines;
}

struct Case {
    const char* what;
    std::function<void(VerificationInput&)> change;
    std::string faults;
    std::size_t olderScoreRows = 1;
};

TEST(Verification, FindsTheOneFaultOfEachChange) {
    const Case cases[] = {
        {"nothing", [](VerificationInput&) {}, ""},
        {"abandonment, which scores 0 whatever its answers earned",
         [](VerificationInput& input) {
             input.attempts[0].ending = "abandon";
             input.attempts[0].score = input.scores[1].score = "0";
         },
         ""},
        {"score row without attempt; the one at the first attempt's second is older",
         [](VerificationInput& input) {
             input.scores.push_back({"安平镇", "中心小学", "李四", "2026-12-09 10:00:00", "70"});
             input.scores.push_back({"安平镇", "中心小学", "周五", "2026-12-09 09:00:00", "50"});
         },
         "成绩无答卷 李四 成绩 70 没有对应的答卷\n", 2},
        {"a second score row of one attempt, after an earlier attempt",
         [](VerificationInput& input) {
             input.scores.push_back(input.scores[1]);
             input.attempts.push_back({"t0", "安平镇", "中心小学", "王一", "2026-12-09 08:00:00",
                                       "0", "sha", "abandon"});
             input.scores.push_back({"安平镇", "中心小学", "王一", "2026-12-09 08:00:00", "0"});
         },
         "成绩无答卷 张三 成绩 6 没有对应的答卷\n"},
        {"attempt without score row", [](VerificationInput& input) { input.scores.pop_back(); },
         "答卷无成绩 张三 答卷成绩 6 没有对应的成绩记录\n"},
        {"score row differs", [](VerificationInput& input) { input.scores[1].score = "60"; },
         "成绩不符 张三 成绩记为 60，答卷为 6\n"},
        {"marks do not add up",
         [](VerificationInput& input) { input.attempts[0].score = input.scores[1].score = "8"; },
         "得分不符 张三 各题得分合计 6，答卷成绩为 8\n"},
        {"answer re-scores differently",
         [](VerificationInput& input) { input.answers[0].answer = "A"; },
         "得分不符 张三 第1题作答“A”记为 2 分，复核为 0 分\n"},
        {"question not on the paper",
         [](VerificationInput& input) {
             input.answers.push_back({"t1", 3, "A", 0, 2});
         },
         "题目不存在 张三 第4题不在试卷中（试卷共 3 题）\n"},
        {"paper altered: its key is not used, or the wrong answer would be a fault",
         [](VerificationInput& input) {
             input.papers[0].bytesMatch = false;
             input.answers[0].answer = "A";
         },
         "试卷被改动 张三 试卷“安全知识”的内容与其 SHA-256 不符，未用于复核\n"},
        {"altered paper without attempts",
         [](VerificationInput& input) {
             input.papers.push_back({"x", "伪造", false, nullptr});
         },
         "试卷被改动  试卷“伪造”的内容与其 SHA-256 不符，未用于复核\n"},
        {"paper missing", [](VerificationInput& input) { input.attempts[0].paperSha256 = "ff"; },
         "试卷缺失 张三 试卷表中没有这份答卷的试卷（SHA-256 ff）\n"},
        {"answers without attempt",
         [](VerificationInput& input) {
             input.answers.push_back({"t9", 0, "B", 2, 2});
             input.answers.push_back({"t9", 1, "A", 2, 4});
         },
         "作答无答卷  答卷标识 t9 下有 2 条作答，但没有这份答卷\n"}};
    for (const Case& one : cases) {
        SCOPED_TRACE(one.what);
        VerificationInput input = SoundInput();
        one.change(input);
        const records::VerificationReport report = records::Verify(input);
        EXPECT_EQ(FaultLines(report), one.faults);
        EXPECT_EQ(report.olderScoreRows, one.olderScoreRows);
    }
}

} // namespace
