#pragma once

#include "exam/AttemptRecord.h"
#include "platform/RuntimeErrors.h"

#include <cstdint>
#include <ctime>
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
    // The attempt's key in the database; empty for a run journaled before attempts were kept.
    std::string token;
    std::string startTime;
    std::string endTime;
    int32_t resumes = 0;
    int64_t awaySeconds = 0;
    // Wall-clock seconds since 1970 of the run's start or last tick.
    int64_t lastTick = 0;
    // The Paper row was stored when the run started.
    bool paperStored = false;
    // From the ending's recording stage on: every question as the attempt records it.
    std::vector<RecordedAnswer> recordedAnswers;
    // The paper examined, kept whole for a paper drawn from a sitting: the run resumes from
    // these bytes without the database. Empty for a paper of "Exam File", read from its path.
    std::string paperBytes;
    // The sitting the paper was drawn from; nothing for a paper of "Exam File".
    std::optional<int64_t> sittingId;
    // The AttemptStart row is in the database, or the database keeps none.
    bool startPosted = false;
};

// The exam journal: a SQLite file written with synchronous FULL in write-ahead mode, so that
// every change is on the disk when its call returns and survives a killed process or a power cut.
// A run the examinee declined to resume is archived and kept; an ended run, whose rows are in the
// database, is deleted once it is old enough.
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

    // Journals a new run in stage Running and returns its id.
    int64_t StartRun(const JournaledRun& run);
    void SaveAnswer(int64_t run, int question, const std::string& answer);
    // A tick: the time counted and the wall clock it was counted at.
    void SaveTick(int64_t run, int32_t elapsed, int64_t wallClock);
    // A resume: its count, the time away summed up, and the wall clock from which it goes on.
    void SaveResume(int64_t run, int32_t resumes, int64_t awaySeconds, int64_t wallClock);
    // The token of a run journaled before attempts were kept, given at its resume.
    void SaveToken(int64_t run, const std::string& token);
    void MarkPaperStored(int64_t run);
    void MarkStartPosted(int64_t run);
    void BeginRecording(int64_t run, RunEnding ending, const JournaledScoreRow& row);
    // The whole attempt an ending is about to post, its answers included, in one step.
    void BeginRecording(int64_t run, const AttemptRecord& attempt);
    void BackToRunning(int64_t run);
    void MarkEnded(int64_t run, int64_t wallClock = std::time(nullptr));
    void Archive(int64_t run);
    // Deletes the runs that ended before the wall-clock time; archived runs stay. Returns how many.
    int DeleteEndedBefore(int64_t wallClock);

private:
    class Statement;
    void Execute(const char* sql);
    [[noreturn]] void Fail(const char* what) const;
    std::vector<JournaledRun> ReadRuns(const char* condition) const;
    void ReadAnswers(JournaledRun& run) const;
    void AddMissingColumns();

    std::string file;
    int lock = -1;
    sqlite3* db = nullptr;
};
