#include "records/db/SittingStore.h"

#include "common/FuncUnit.h"
#include "common/InsertUnlessThere.h"
#include "paper/uFileHandle.h"
#include "platform/CodePage.h"
#include "platform/SqliteFetch.h"

#include <QDateTime>
#include <QFile>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <algorithm>
#include <map>
#include <set>
#include <sqlite3.h>
#include <sstream>
#include <tuple>
#include <unordered_map>

namespace records {
namespace {

std::string Utf8(const QVariant& value) {
    return value.toString().toStdString();
}

// A timestamp column reads back as a date-time on PostgreSQL and SQL Server, as text on SQLite.
std::string TimeText(const QVariant& value) {
    if (value.metaType().id() == QMetaType::QDateTime)
        return value.toDateTime().toString(u"yyyy-MM-dd HH:mm:ss"_qs).toStdString();
    return Utf8(value);
}

QSqlQuery Run(const QSqlDatabase& database, const QString& sql, const QVariantList& values = {}) {
    QSqlQuery query(database);
    query.setForwardOnly(true);
    bool done = query.prepare(sql);
    for (const QVariant& value : values)
        query.addBindValue(value);
    done = done && query.exec();
    if (!done) {
        const QSqlError error = query.lastError();
        const QString text = error.databaseText().isEmpty() ? error.text() : error.databaseText();
        throw StoreError(text.trimmed().toStdString());
    }
    return query;
}

// Runs the work in one transaction, rolled back when it throws.
template <class Work> auto InTransaction(const QSqlDatabase& database, Work work) {
    QSqlDatabase handle = database;
    if (!handle.transaction())
        throw StoreError(handle.lastError().text().toStdString());
    try {
        auto result = work();
        if (!handle.commit())
            throw StoreError(handle.lastError().text().toStdString());
        return result;
    } catch (...) {
        handle.rollback();
        throw;
    }
}

// In the order of the texts' characters, whatever the database's collation.
bool TownAndUnitBefore(const SittingUnit& a, const SittingUnit& b) {
    return std::tie(a.town, a.fac) < std::tie(b.town, b.fac);
}

QVariant OptionalInt(const std::optional<int>& value) {
    return value ? QVariant(*value) : QVariant(QMetaType(QMetaType::Int));
}

void ReadUnitsAndPapers(const QSqlDatabase& database, std::vector<StoredSitting>& sittings) {
    std::map<long long, StoredSitting*> byId;
    for (StoredSitting& stored : sittings)
        byId[stored.sitting.id] = &stored;
    for (QSqlQuery query = Run(database, u"SELECT SittingId, Town, Fac FROM SittingUnit "
                                         u"ORDER BY SittingId, Town, Fac"_qs);
         query.next();) {
        if (const auto found = byId.find(query.value(0).toLongLong()); found != byId.end())
            found->second->sitting.units.push_back({Utf8(query.value(1)), Utf8(query.value(2))});
    }
    for (StoredSitting& stored : sittings)
        std::sort(stored.sitting.units.begin(), stored.sitting.units.end(), TownAndUnitBefore);
    for (QSqlQuery query =
             Run(database, u"SELECT s.SittingId, s.PaperSha256, p.Title FROM SittingPaper s "
                           u"LEFT JOIN Paper p ON p.Sha256 = s.PaperSha256 "
                           u"ORDER BY s.SittingId, p.Title, s.PaperSha256"_qs);
         query.next();) {
        if (const auto found = byId.find(query.value(0).toLongLong()); found != byId.end())
            found->second->papers.push_back({Utf8(query.value(1)), Utf8(query.value(2))});
    }
}

std::vector<StoredSitting> SittingsWhere(const QSqlDatabase& database, const QString& condition,
                                         const QVariantList& values) {
    std::vector<StoredSitting> sittings;
    for (QSqlQuery query = Run(database,
                               u"SELECT Id, Title, OpensAt, ClosesAt, PassMark FROM Sitting "_qs +
                                   condition + u" ORDER BY OpensAt, Id"_qs,
                               values);
         query.next();) {
        StoredSitting stored;
        stored.sitting.id = query.value(0).toLongLong();
        stored.sitting.title = Utf8(query.value(1));
        stored.sitting.opensAt = TimeText(query.value(2));
        stored.sitting.closesAt = TimeText(query.value(3));
        if (!query.value(4).isNull())
            stored.passMark = query.value(4).toInt();
        sittings.push_back(std::move(stored));
    }
    ReadUnitsAndPapers(database, sittings);
    return sittings;
}

bool PaperStored(const QSqlDatabase& database, const std::string& sha256) {
    QSqlQuery query = Run(database, u"SELECT 1 FROM Paper WHERE Sha256 = ?"_qs, {Utf8Text(sha256)});
    return query.next();
}

long long InsertSittingRow(const QSqlDatabase& database, const NewSitting& sitting) {
    const QVariantList values{Utf8Text(sitting.title), TimeValue(database, sitting.opensAt),
                              TimeValue(database, sitting.closesAt), OptionalInt(sitting.passMark)};
    // The new key comes back from the statement itself where the server can say it.
    const QString columns = u"INSERT INTO Sitting (Title, OpensAt, ClosesAt, PassMark) "_qs;
    const QString values4 = u"VALUES (?, ?, ?, ?)"_qs;
    if (database.driverName() == u"QPSQL" || IsOdbc(database)) {
        QSqlQuery query = Run(database,
                              IsOdbc(database) ? columns + u"OUTPUT INSERTED.Id "_qs + values4
                                               : columns + values4 + u" RETURNING Id"_qs,
                              values);
        if (!query.next())
            throw StoreError("no Id for the new sitting");
        return query.value(0).toLongLong();
    }
    return Run(database, columns + values4, values).lastInsertId().toLongLong();
}

std::vector<RosterEntry> RosterRows(const QSqlDatabase& database) {
    std::vector<RosterEntry> roster;
    for (QSqlQuery query = Run(database, u"SELECT Town, Fac, Name FROM Roster"_qs); query.next();)
        roster.push_back({Utf8(query.value(0)), Utf8(query.value(1)), Utf8(query.value(2))});
    return roster;
}

} // namespace

PaperToPublish ReadPaperToPublish(const QString& file) {
    QFile input(file);
    if (!input.open(QIODevice::ReadOnly))
        throw platform::Exception(u"无法读取文件：%1"_qs.arg(input.errorString()).toStdString());
    std::string bytes = input.readAll().toStdString();
    TQFileHandle paper;
    try {
        std::istringstream stream(bytes);
        paper.LoadFromStream(stream);
    } catch (const std::exception& e) {
        throw platform::Exception(std::string("不是有效的试卷：") + e.what());
    }
    std::string title = platform::FromGbk(paper.PaperTitle).toStdString();
    return {PaperSha256(bytes), std::move(title), std::move(bytes)};
}

std::string DatabaseNow(const QSqlDatabase& database) {
    const QString driver = database.driverName();
    // Whole seconds cut, not rounded: a closing set to now must not lie ahead of now.
    const QString sql = driver == u"QPSQL"
                            ? u"SELECT to_char(LOCALTIMESTAMP, 'YYYY-MM-DD HH24:MI:SS')"_qs
                        : IsOdbc(database) ? u"SELECT CONVERT(varchar(19), GETDATE(), 120)"_qs
                                           : u"SELECT datetime('now', 'localtime')"_qs;
    QSqlQuery query = Run(database, sql);
    query.next();
    return TimeText(query.value(0));
}

std::vector<StoredSitting> ReadSittings(const QSqlDatabase& database) {
    return SittingsWhere(database, {}, {});
}

std::optional<StoredSitting> ReadSitting(const QSqlDatabase& database, long long id) {
    std::vector<StoredSitting> found = SittingsWhere(database, u"WHERE Id = ?"_qs, {id});
    if (found.empty())
        return std::nullopt;
    return std::move(found.front());
}

std::vector<StoredSitting> ReadOpenSittings(const QSqlDatabase& database, const std::string& town,
                                            const std::string& fac) {
    const std::string now = DatabaseNow(database);
    std::vector<StoredSitting> open = ReadSittings(database);
    std::erase_if(open, [&](const StoredSitting& stored) {
        return StatusAt(stored.sitting, now) != SittingStatus::Open ||
               !Admits(stored.sitting, town, fac);
    });
    return open;
}

std::optional<std::string> ReadPaperBytes(const QSqlDatabase& database, const std::string& sha256) {
    QSqlQuery query =
        Run(database, u"SELECT Bytes FROM Paper WHERE Sha256 = ?"_qs, {Utf8Text(sha256)});
    if (!query.next())
        return std::nullopt;
    return query.value(0).toByteArray().toStdString();
}

long long AddSitting(const QSqlDatabase& database, const NewSitting& sitting) {
    return InTransaction(database, [&] {
        const long long id = InsertSittingRow(database, sitting);
        std::set<std::string> published;
        for (const PaperToPublish& paper : sitting.papers) {
            if (!published.insert(paper.sha256).second)
                continue;
            if (!PaperStored(database, paper.sha256))
                Run(database, u"INSERT INTO Paper (Sha256, Title, Bytes) VALUES (?, ?, ?)"_qs,
                    {Utf8Text(paper.sha256), Utf8Text(paper.title),
                     QByteArray::fromStdString(paper.bytes)});
            Run(database, u"INSERT INTO SittingPaper (SittingId, PaperSha256) VALUES (?, ?)"_qs,
                {id, Utf8Text(paper.sha256)});
        }
        std::set<std::pair<std::string, std::string>> admitted;
        for (const SittingUnit& unit : sitting.units) {
            if (admitted.insert({unit.town, unit.fac}).second)
                Run(database, u"INSERT INTO SittingUnit (SittingId, Town, Fac) VALUES (?, ?, ?)"_qs,
                    {id, Utf8Text(unit.town), Utf8Text(unit.fac)});
        }
        return id;
    });
}

bool CloseSitting(const QSqlDatabase& database, long long id, const std::string& now) {
    QSqlQuery query = Run(database, u"UPDATE Sitting SET ClosesAt = ? WHERE Id = ?"_qs,
                          {TimeValue(database, now), id});
    return query.numRowsAffected() > 0;
}

void PostAttemptStart(const QSqlDatabase& database, const AttemptStartRow& start) {
    const QVariant sitting = start.sittingId ? QVariant(start.sittingId.value())
                                             : QVariant(QMetaType(QMetaType::LongLong));
    const BoundStatement insert = InsertUnlessThere(
        database, u"AttemptStart"_qs,
        {u"Token"_qs, u"SittingId"_qs, u"Town"_qs, u"Fac"_qs, u"Name"_qs, u"PaperSha256"_qs,
         u"StartTime"_qs},
        {Utf8Text(start.token), sitting, Utf8Text(start.town), Utf8Text(start.fac),
         Utf8Text(start.name), Utf8Text(start.paperSha256), TimeValue(database, start.startTime)});
    Run(database, insert.sql, insert.values);
}

std::vector<SittingUnit> ReadUnits(const QSqlDatabase& database) {
    std::vector<SittingUnit> units;
    for (QSqlQuery query = Run(database, u"SELECT Belong, name FROM Fac"_qs); query.next();)
        units.push_back({Utf8(query.value(0)), Utf8(query.value(1))});
    std::sort(units.begin(), units.end(), TownAndUnitBefore);
    return units;
}

std::vector<RosterEntry> ReadRoster(const QSqlDatabase& database) {
    std::vector<RosterEntry> roster = RosterRows(database);
    // In the order of the texts' characters, whatever the database's collation.
    std::sort(roster.begin(), roster.end(), [](const RosterEntry& a, const RosterEntry& b) {
        return std::tie(a.town, a.fac, a.name) < std::tie(b.town, b.fac, b.name);
    });
    return roster;
}

std::vector<std::string> ReadRosterNames(const QSqlDatabase& database, const std::string& town,
                                         const std::string& fac) {
    std::vector<std::string> names;
    for (QSqlQuery query = Run(database, u"SELECT Name FROM Roster WHERE Town = ? AND Fac = ?"_qs,
                               {Utf8Text(town), Utf8Text(fac)});
         query.next();)
        names.push_back(Utf8(query.value(0)));
    std::sort(names.begin(), names.end());
    return names;
}

RosterChange StoreRoster(const QSqlDatabase& database, const std::vector<RosterEntry>& entries,
                         bool replace) {
    using Person = std::tuple<std::string, std::string, std::string>;
    std::set<Person> wanted;
    std::set<std::pair<std::string, std::string>> units;
    for (const RosterEntry& entry : entries) {
        wanted.insert({entry.town, entry.fac, entry.name});
        units.insert({entry.town, entry.fac});
    }
    return InTransaction(database, [&] {
        RosterChange change;
        std::set<Person> present;
        for (const RosterEntry& entry : RosterRows(database)) {
            const Person person{entry.town, entry.fac, entry.name};
            if (replace && units.count({entry.town, entry.fac}) && !wanted.count(person)) {
                Run(database, u"DELETE FROM Roster WHERE Town = ? AND Fac = ? AND Name = ?"_qs,
                    {Utf8Text(entry.town), Utf8Text(entry.fac), Utf8Text(entry.name)});
                ++change.removed;
            } else {
                present.insert(person);
            }
        }
        for (const auto& [town, fac, name] : wanted) {
            if (present.count({town, fac, name}))
                continue;
            Run(database, u"INSERT INTO Roster (Town, Fac, Name) VALUES (?, ?, ?)"_qs,
                {Utf8Text(town), Utf8Text(fac), Utf8Text(name)});
            ++change.added;
        }
        return change;
    });
}

namespace {

std::string ColumnText(sqlite3_stmt* statement, int column) {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
    return text ? std::string(text, static_cast<size_t>(sqlite3_column_bytes(statement, column)))
                : std::string();
}

// On SQLite the starts are read one by one straight from the library and summed here: that
// costs less than the sort a GROUP BY of every start by its person takes there. A server sums
// them itself, sending a row per person rather than per start.
std::optional<std::vector<SittingRuns>> SqliteRuns(const QSqlDatabase& database, long long id) {
    sqlite3* db = platform::SqliteHandle(database.driver()->handle());
    if (!db)
        return std::nullopt;
    const std::string sql = "SELECT s.Town, s.Fac, s.Name, a.Token IS NOT NULL, a.Score, "
                            "s.StartTime FROM AttemptStart s LEFT JOIN Attempt a "
                            "ON a.Token = s.Token WHERE s.SittingId = " +
                            std::to_string(id);
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK)
        throw StoreError(sqlite3_errmsg(db));
    std::vector<SittingRuns> runs;
    std::unordered_map<std::string, std::size_t> runsOf;
    int status = SQLITE_OK;
    while ((status = sqlite3_step(statement)) == SQLITE_ROW) {
        RosterEntry person{ColumnText(statement, 0), ColumnText(statement, 1),
                           ColumnText(statement, 2)};
        std::string key = person.town + '\x1f' + person.fac + '\x1f' + person.name;
        const auto [at, added] = runsOf.try_emplace(std::move(key), runs.size());
        if (added)
            runs.push_back({std::move(person), 0, 0, std::nullopt, {}});
        SittingRuns& run = runs[at->second];
        ++run.starts;
        if (sqlite3_column_int(statement, 3) != 0) {
            ++run.attempts;
            if (sqlite3_column_type(statement, 4) != SQLITE_NULL) {
                const int score = sqlite3_column_int(statement, 4);
                run.bestScore = std::max(run.bestScore.value_or(score), score);
            }
        }
        run.lastStart = std::max(run.lastStart, ColumnText(statement, 5));
    }
    const std::string error = status == SQLITE_DONE ? std::string() : sqlite3_errmsg(db);
    sqlite3_finalize(statement);
    if (!error.empty())
        throw StoreError(error);
    return runs;
}

} // namespace

std::vector<SittingRuns> ReadSittingRuns(const QSqlDatabase& database, long long id) {
    if (std::optional<std::vector<SittingRuns>> runs = SqliteRuns(database, id))
        return std::move(*runs);
    std::vector<SittingRuns> runs;
    for (QSqlQuery query = Run(database,
                               u"SELECT s.Town, s.Fac, s.Name, COUNT(*), COUNT(a.Token), "
                               u"MAX(a.Score), MAX(s.StartTime) FROM AttemptStart s "
                               u"LEFT JOIN Attempt a ON a.Token = s.Token WHERE s.SittingId = ? "
                               u"GROUP BY s.Town, s.Fac, s.Name"_qs,
                               {id});
         query.next();) {
        SittingRuns run;
        run.person = {Utf8(query.value(0)), Utf8(query.value(1)), Utf8(query.value(2))};
        run.starts = query.value(3).toInt();
        run.attempts = query.value(4).toInt();
        if (!query.value(5).isNull())
            run.bestScore = query.value(5).toInt();
        run.lastStart = TimeText(query.value(6));
        runs.push_back(std::move(run));
    }
    return runs;
}

SittingReport ReadSittingReport(const QSqlDatabase& database, const StoredSitting& sitting) {
    return BuildSittingReport(sitting.sitting, sitting.passMark, RosterRows(database),
                              ReadSittingRuns(database, sitting.sitting.id));
}

} // namespace records
