#pragma once

#include "exam/AttemptRecord.h"
#include "platform/RuntimeErrors.h"

#include <optional>
#include <string>

// A post whose commit was sent but not confirmed: the database may hold the attempt or not. Only
// the same attempt, posted again unchanged, can settle it (its token makes it "already there").
class EPostOutcomeUnknown final : public platform::Exception {
public:
    using Exception::Exception;
};

// Where the endings of exam record their attempts. The data module writes to the databases;
// tests put a recorder of their own in its place.
class ScoreRecorder {
public:
    enum class Posted { Now, Already };

    // Whether the primary database keeps attempts (has the tables Paper, Attempt and
    // AttemptAnswer); nothing when it cannot be reached.
    virtual std::optional<bool> KeepsAttempts() = 0;
    // Stores a paper once per database; false when that failed (the ending tries again).
    virtual bool StorePaper(const std::string& sha256, const std::string& title,
                            const std::string& bytes) = 0;
    // The score row, the attempt, its answers and, when it holds its bytes, the paper, in one
    // transaction. Already: the attempt's token is in the database, and nothing more is written.
    // Failures throw, with nothing written; EPostOutcomeUnknown when the commit itself failed.
    virtual Posted PostAttempt(const AttemptRecord& attempt) = 0;
    // A database that keeps no attempts gets the score row alone. Failures throw.
    virtual void PostScoreRow(const JournaledScoreRow& row) = 0;
    // Whether that score row is in a database that keeps no attempts; nothing when it cannot be
    // read.
    virtual std::optional<bool> ScoreRowPosted(const JournaledScoreRow& row) = 0;
    // The secondary copy of a handed-in score; its failures are dropped.
    virtual void PostSecondCopy(const JournaledScoreRow& row) = 0;
    // The AttemptStart row of an attempt that starts (its token, sitting, examinee, paper and
    // start), unless it is there. True when it is in the database, or when the database keeps no
    // such rows; false when that could not be done, for the ending to write it.
    virtual bool PostAttemptStart(const AttemptRecord& start) {
        static_cast<void>(start);
        return true;
    }

protected:
    ~ScoreRecorder() = default;
};
