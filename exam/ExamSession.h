#pragma once

#include "exam/ExamJournal.h"

#include <QString>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

class TDataModule2;
class TMainForm;

struct Examinee {
    QString town;
    QString unit;
    QString name;
};

// The run of one paper apart from its window: where it stands, and the journal that keeps it from
// the start of the paper until its ending's score row is in the primary database. Without a
// journal the run goes on unjournaled. A journal that fails is reported once and dropped, so that
// a full disk never stops an exam.
class ExamSession final {
public:
    enum class Stage { Idle, Running, Ended };

    // The journal is the caller's and outlives the session's use of it; null for none.
    void SetJournal(ExamJournal* journal) { this->journal = journal; }

    Stage CurrentStage() const { return stage; }
    bool Running() const { return stage == Stage::Running; }
    bool Ended() const { return stage == Stage::Ended; }

    // A paper has started: its run is journaled from here on.
    void Start(const Examinee& examinee, const std::filesystem::path& paper,
               const std::string& paperTitle);
    // A journaled run goes on where it stood.
    void Resume(const JournaledRun& run);
    // Back to no run: the window's idle state.
    void Reset();

    void AnswerChanged(int question, const std::vector<int32_t>& answer);
    void Ticked(int32_t elapsed);

    // Journals the row the ending is about to post, its STime read now, and returns it.
    JournaledScoreRow BeginRecording(RunEnding ending, const Examinee& examinee,
                                     const QString& score);
    // The row is in the primary database: the run has ended.
    void Recorded();
    // The post failed and the exam goes on, unless another ending has ended it meanwhile.
    void RecordingFailed();

private:
    template <class Write> void WriteJournal(Write write);

    ExamJournal* journal = nullptr;
    int64_t runId = 0;
    Stage stage = Stage::Idle;
};

// An answer as the journal keeps it ("1,0,1") and back; unreadable entries are dropped.
std::string EncodeAnswer(const std::vector<int32_t>& answer);
std::vector<int32_t> DecodeAnswer(const std::string& text);

// The SHA-256 of a file's bytes in hex; empty when the file cannot be read.
std::string PaperFingerprint(const std::filesystem::path& paper);

// The journal of the exam programs in programFolder: one file per program folder in the user's
// data folder, made readable by the user only.
std::string DefaultJournalFile(const QString& programFolder);

// At start-up, before the login: completes every run whose ending was decided but may not have
// been recorded, then offers to resume a run that was still running. True when a run was
// resumed in the window (or ended by its time running out): the login is skipped.
bool ResumeUnfinishedExam(ExamJournal& journal, TMainForm& form, TDataModule2& data);
