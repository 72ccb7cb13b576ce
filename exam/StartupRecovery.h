#pragma once

#include "exam/ExamJournal.h"
#include "exam/ScoreRecorder.h"

#include <cstdint>

// What start-up recovery needs of the main window: taking a journaled run over, and going back
// to the idle state when that failed.
class RecoveryWindow {
public:
    // The examinee, the paper with every answer put back and the clock from the journaled
    // Elapsed; a run whose time is up is timed out at once. Failures reach the caller.
    virtual void ResumeExam(const JournaledRun& run) = 0;
    virtual void ResetExam() = 0;

protected:
    ~RecoveryWindow() = default;
};

// Ended runs stay in the journal this long after their rows reached the database.
constexpr int64_t EndedRunDays = 30;

// At start-up, before the login: deletes ended runs older than EndedRunDays (wallClock is now, in
// seconds since 1970), completes every run whose ending was decided but may not have been
// recorded, then offers to resume a run that was still running. True when a run was resumed in
// the window (or ended by its time running out): the login is skipped.
bool ResumeUnfinishedExam(ExamJournal& journal, RecoveryWindow& window, ScoreRecorder& recorder,
                          int64_t wallClock);
