#pragma once

#include "exam/ExamJournal.h"

#include <chrono>
#include <memory>
#include <string>

// The journal's file as a whole: who holds it, and what becomes of it when it is damaged.

// Holds the journal for this process alone (a second program would offer to resume the run the
// first is still taking), through a lock on "<file>.lock" that goes with the
// process however it ends, and returns that lock's descriptor. Throws EJournalError when the lock
// file cannot be opened or another program holds the journal.
int LockJournal(const std::string& file);

// Why the journal file cannot be read, or an empty text when it can or does not exist: a folder
// or some other thing in its place, not a database, a damaged or truncated database. A journal
// that cannot be written for want of rights or room is not damaged: opening it reports that as
// before. Throws EJournalError, naming the file, when another program holds it locked.
std::string JournalDamage(const std::string& file);

// The journal opened, and where a damaged journal found in its place was kept.
struct OpenedJournal {
    std::unique_ptr<ExamJournal> journal;
    std::string keptDamagedFile; // empty when nothing was set aside
};

// Opens or creates the journal. A damaged one is renamed, with its write-ahead log, to
// "<file>.damaged-YYYYMMDD-HHMMSS" (the local time of `now`; "-2", "-3", ... when that is
// taken) and a new journal takes its place; nothing is ever deleted. Throws EJournalError when
// the journal cannot be opened now (another program holds it: it is left untouched) or the
// damaged file cannot be renamed.
OpenedJournal OpenJournalSettingDamageAside(const std::string& file,
                                            std::chrono::system_clock::time_point now);

// What the examinee is told once when a damaged journal was set aside; the default error box
// adds the full stop.
std::string DamagedJournalMessage(const std::string& keptFile);
