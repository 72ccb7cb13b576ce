#pragma once

#include "exam/ExamJournal.h"
#include "exam/ScoreRecorder.h"

#include <QDateTime>
#include <QString>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

struct Examinee {
    QString town;
    QString unit;
    QString name;
};

// A paper file as it was examined: the bytes that were loaded, and their SHA-256 in hex. A
// paper drawn from a sitting has no path but its sitting; its bytes are journaled.
struct PaperFile {
    std::filesystem::path path;
    std::string bytes;
    std::string sha256;
    std::string title; // UTF-8
    std::optional<int64_t> sittingId;
};

// The bytes of a paper file with their SHA-256; the runtime's open or read error when it cannot
// be read.
PaperFile ReadPaperFile(const std::filesystem::path& path);
// The paper a journaled run examines: its journaled bytes, or else its file as ReadPaperFile
// reads it; the title as journaled.
PaperFile JournaledPaper(const JournaledRun& run);

// The run of one paper apart from its window: the examinee, the time counted, where it stands,
// the attempt's token, and the journal that keeps it from the start of the paper until its
// ending is in the primary database. Endings are recorded through the recorder. Without a journal
// the run goes on unjournaled; a journal that fails is reported once and dropped, so that a full
// disk never stops an exam.
class ExamSession final {
public:
    // Frozen: an ending is journaled and final, but not known to be posted (the time is up and
    // its post failed, or a post's outcome is unknown); the answers no longer change and only
    // that attempt can still be posted.
    enum class Stage { Idle, Running, Frozen, Ended };
    using Clock = std::function<QDateTime()>;
    // Told the message of a journal that failed, once, as the session drops it.
    using JournalFailed = std::function<void(const std::string& message)>;

    // The journal and the recorder are the caller's and outlive the session's use of them.
    void SetJournal(ExamJournal* journal) { this->journal = journal; }
    void SetRecorder(ScoreRecorder* recorder) { this->recorder = recorder; }
    // The wall clock of the times recorded and of the time away; the system's by default.
    void SetClock(Clock clock) { this->clock = std::move(clock); }
    void SetJournalFailed(JournalFailed report) { journalFailed = std::move(report); }

    Stage CurrentStage() const { return stage; }
    bool Running() const { return stage == Stage::Running; }
    bool Frozen() const { return stage == Stage::Frozen; }
    bool Ended() const { return stage == Stage::Ended; }
    int32_t Elapsed() const { return elapsed; }
    const Examinee& Who() const { return examinee; }
    const std::string& Token() const { return token; }

    // A paper has started: a new attempt, journaled from here on; its paper is stored at once
    // where the database keeps attempts.
    void Start(const Examinee& examinee, const PaperFile& paper);
    // A journaled run goes on where it stood; the time since its last tick counts as time away.
    void Resume(const JournaledRun& run, const PaperFile& paper);
    // Back to no run: the window's idle state.
    void Reset();

    void AnswerChanged(int question, const std::vector<int32_t>& answer);
    // One second counted.
    void Tick();

    // Journals the whole attempt of the ending, its STime read now, and posts it. Returns the
    // score row. A post that fails throws: a hand-in or an abandonment goes back to running, a
    // time-out, or any ending whose post may have been committed (EPostOutcomeUnknown), stays
    // Frozen with its attempt journaled.
    JournaledScoreRow Record(RunEnding ending, const QString& score,
                             std::vector<RecordedAnswer> answers);
    // Posts the frozen attempt once more, exactly as it was first posted, and returns it.
    AttemptRecord RetryRecording();
    // The secondary copy of a handed-in row; its failures are dropped.
    void PostSecondCopy(const JournaledScoreRow& row);

private:
    template <class Write> void WriteJournal(Write write);
    AttemptRecord MakeAttempt(RunEnding ending, const QString& score,
                              std::vector<RecordedAnswer> answers) const;
    void Post(const AttemptRecord& attempt);
    void Freeze(const AttemptRecord& attempt);
    void StorePaper();
    void PostStart();
    int64_t WallClock() const;

    ExamJournal* journal = nullptr;
    ScoreRecorder* recorder = nullptr;
    Clock clock = &QDateTime::currentDateTime;
    JournalFailed journalFailed;
    int64_t runId = 0;
    Stage stage = Stage::Idle;
    Examinee examinee;
    PaperFile paper;
    bool paperStored = false;
    bool startPosted = false;
    std::string token;
    std::string startTime;
    int32_t elapsed = 0;
    int32_t resumes = 0;
    int64_t awaySeconds = 0;
    std::optional<AttemptRecord> frozen;
};

// Posts an attempt as every ending does: the whole attempt where the database keeps attempts
// (an attempt there already counts as posted), else the score row alone. Failures throw; a
// database that cannot be reached gets nothing, and the failure says so.
void PostAttempt(ScoreRecorder& recorder, const AttemptRecord& attempt);

// An answer as the journal keeps it ("1,0,1") and back; unreadable entries are dropped.
std::string EncodeAnswer(const std::vector<int32_t>& answer);
std::vector<int32_t> DecodeAnswer(const std::string& text);

// "hh:mm:ss" of a count of seconds, whole days left out.
QString RemainingTime(int32_t seconds);

// The journal of the exam programs in programFolder: one file per program folder in the user's
// data folder, made readable by the user only.
std::string DefaultJournalFile(const QString& programFolder);
