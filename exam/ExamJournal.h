#pragma once

#include "platform/RuntimeErrors.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

// A journal that cannot be opened, read or written; the message says which file and why.
class EJournalError final : public platform::Exception {
public:
    using Exception::Exception;
};

// Where a journaled run stands. Recording holds the exact score row about to be posted, so that
// a run interrupted between the post and its mark can be completed without a second row.
enum class RunStage : int { Running = 0, Recording = 1, Ended = 2 };
enum class RunEnding : int { None = 0, HandIn = 1, TimeOut = 2, Abandonment = 3 };

// Texts are UTF-8, the paper path the file system's bytes.
struct JournaledScoreRow {
    std::string town;
    std::string unit;
    std::string name;
    std::string score;
    std::string time; // STime as written
    bool operator==(const JournaledScoreRow&) const = default;
};

struct JournaledRun {
    int64_t id = 0;
    std::string town;
    std::string unit;
    std::string name;
    std::string paperPath;
    std::string paperSha256;
    std::string paperTitle;
    int32_t elapsed = 0;
    RunStage stage = RunStage::Running;
    RunEnding ending = RunEnding::None;
    JournaledScoreRow row;
    // Question position -> the answer as its panel encodes it.
    std::map<int, std::string> answers;
};

// The exam journal: a SQLite file written with synchronous FULL in write-ahead mode, so that
// every change is on the disk when its call returns and survives a killed process or a power cut.
// Runs are never deleted: a run the examinee declined to resume is archived instead.
class ExamJournal final {
public:
    // Opens or creates the file, readable and writable by its owner only, and holds it for this
    // process alone while it is open. Throws EJournalError, also when another process holds it.
    explicit ExamJournal(const std::string& file);
    ~ExamJournal();
    ExamJournal(const ExamJournal&) = delete;
    ExamJournal& operator=(const ExamJournal&) = delete;

    // Runs neither ended nor archived, oldest first, with their answers.
    std::vector<JournaledRun> PendingRuns() const;
    std::optional<JournaledRun> Run(int64_t id) const;
    // Archived runs, oldest first.
    std::vector<JournaledRun> ArchivedRuns() const;

    // Journals a new run in stage Running and returns its id.
    int64_t StartRun(const JournaledRun& run);
    void SaveAnswer(int64_t run, int question, const std::string& answer);
    void SaveElapsed(int64_t run, int32_t elapsed);
    void BeginRecording(int64_t run, RunEnding ending, const JournaledScoreRow& row);
    void BackToRunning(int64_t run);
    void MarkEnded(int64_t run);
    void Archive(int64_t run);

private:
    class Statement;
    void Execute(const char* sql);
    [[noreturn]] void Fail(const char* what) const;
    std::vector<JournaledRun> ReadRuns(const char* condition) const;
    void ReadAnswers(JournaledRun& run) const;

    std::string file;
    int lock = -1;
    sqlite3* db = nullptr;
};
