#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

enum class RunEnding : int { None = 0, HandIn = 1, TimeOut = 2, Abandonment = 3 };

// The score row exactly as an ending posts it. Texts are UTF-8.
struct JournaledScoreRow {
    std::string town;
    std::string unit;
    std::string name;
    std::string score;
    std::string time; // STime as written
    bool operator==(const JournaledScoreRow&) const = default;
};

// One question of an attempt as AttemptAnswer keeps it: the answer in the question template's
// notation and the marks its panel gave it.
struct RecordedAnswer {
    int question = 0;
    std::string answer;
    int32_t marks = 0;
    int32_t fullMarks = 0;
    bool operator==(const RecordedAnswer&) const = default;
};

// Everything one ending writes besides the secondary copy: the score row, the Attempt row and
// its answers, and the paper when the database may not have it yet (paperBytes empty: it has).
struct AttemptRecord {
    std::string token;
    JournaledScoreRow row;
    RunEnding ending = RunEnding::None;
    std::string paperSha256;
    std::string paperTitle;
    std::string paperBytes;
    std::string startTime; // local, "yyyy-MM-dd HH:mm:ss", as STime
    std::string endTime;
    int32_t elapsed = 0;
    int32_t resumes = 0;
    int64_t awaySeconds = 0;
    std::vector<RecordedAnswer> answers;
    // The sitting of the paper; nothing for a paper of "Exam File".
    std::optional<int64_t> sittingId;
    // The AttemptStart row could not be posted when the run started: the ending writes it.
    bool startToPost = false;
};

// The Attempt table's name of an ending: "handin", "timeout" or "abandon".
const char* EndingName(RunEnding ending);
