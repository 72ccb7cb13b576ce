#pragma once

#include "platform/RuntimeErrors.h"
#include "records/SittingReport.h"

#include <QSqlDatabase>
#include <QString>
#include <optional>
#include <string>
#include <vector>

// The sitting tables (Sitting, SittingPaper, SittingUnit, Roster, AttemptStart) as the programs
// read and write them. Every function throws StoreError with the database's own words when a
// statement fails; the writers run in one transaction and leave nothing behind when they throw.
namespace records {

class StoreError final : public platform::Exception {
public:
    using Exception::Exception;
};

// Reads a paper file to publish: its bytes, their SHA-256 and its title (GBK in the file, UTF-8
// here, as exam stores it). Throws platform::Exception, in words for the user, for a file that
// cannot be read or is not a paper.
PaperToPublish ReadPaperToPublish(const QString& file);

// The database's local time now, "yyyy-MM-dd HH:mm:ss": the server's clock where there is a
// server, the machine's for SQLite.
std::string DatabaseNow(const QSqlDatabase& database);

// Every sitting, by opening time and id, with its units and papers.
std::vector<StoredSitting> ReadSittings(const QSqlDatabase& database);
std::optional<StoredSitting> ReadSitting(const QSqlDatabase& database, long long id);
// The sittings open at the database's time now that admit the examinee of this town and unit
// (trimmed texts), by opening time and id.
std::vector<StoredSitting> ReadOpenSittings(const QSqlDatabase& database, const std::string& town,
                                            const std::string& fac);
// The bytes of the Paper row stored under the hash; nothing when there is no such row (or the
// account may not read it).
std::optional<std::string> ReadPaperBytes(const QSqlDatabase& database, const std::string& sha256);

// Stores the sitting and each of its papers that Paper lacks; returns the new Id.
long long AddSitting(const QSqlDatabase& database, const NewSitting& sitting);
// Sets the sitting's closing to the time given; false when there is no such sitting.
bool CloseSitting(const QSqlDatabase& database, long long id, const std::string& now);

// A run as it starts: its attempt's token, its sitting (none for a paper of "Exam File"), the
// examinee, the paper and the start, local "yyyy-MM-dd HH:mm:ss". Texts are UTF-8.
struct AttemptStartRow {
    std::string token;
    std::optional<long long> sittingId;
    std::string town;
    std::string fac;
    std::string name;
    std::string paperSha256;
    std::string startTime;
};
// Writes the AttemptStart row unless one with its token is there: a repeat is harmless. It runs
// in the caller's transaction, if any.
void PostAttemptStart(const QSqlDatabase& database, const AttemptStartRow& start);

// Every unit of Fac with its town, by town and unit.
std::vector<SittingUnit> ReadUnits(const QSqlDatabase& database);

// The roster by town, unit and name.
std::vector<RosterEntry> ReadRoster(const QSqlDatabase& database);
// The names the roster lists for one unit of a town, in the order of their characters.
std::vector<std::string> ReadRosterNames(const QSqlDatabase& database, const std::string& town,
                                         const std::string& fac);
// Adds the people the roster lacks and returns how many. With replace, the people of the units
// the entries name who are not among them leave the roster first; returns also how many left.
struct RosterChange {
    int added = 0;
    int removed = 0;
};
RosterChange StoreRoster(const QSqlDatabase& database, const std::vector<RosterEntry>& entries,
                         bool replace);

// The runs of the sitting, one row per town, unit and name as the AttemptStart rows give them,
// with the attempts recorded for those starts.
std::vector<SittingRuns> ReadSittingRuns(const QSqlDatabase& database, long long id);

// The sitting's figures from the tables.
SittingReport ReadSittingReport(const QSqlDatabase& database, const StoredSitting& sitting);

} // namespace records
