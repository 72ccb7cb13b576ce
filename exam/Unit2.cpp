#include "exam/Unit2.h"

#include "common/FuncUnit.h"
#include "exam/AttemptTables.h"
#include "records/db/SittingStore.h"

#include <QSqlError>

namespace {

records::AttemptStartRow StartRow(const AttemptRecord& attempt) {
    return {attempt.token,    attempt.sittingId,   attempt.row.town, attempt.row.unit,
            attempt.row.name, attempt.paperSha256, attempt.startTime};
}

} // namespace

TDataModule2::TDataModule2(QObject* parent, const QString& directory)
    : QObject(parent), programDirectory(directory) {
    qry1.SetConnection(&con1);
    qry2.SetConnection(&con2);
    SetConnectionFromConfig(con1, DBConfigSection, programDirectory);
}

void TDataModule2::ReadSecondConnectionString() {
    SetConnectionFromConfig(con2, SqlDBConfigSection, programDirectory);
}

std::optional<bool> TDataModule2::Kept(TablesKept& tables, bool (*has)(const QSqlDatabase&)) {
    if (tables.of != con1.ConnectionString())
        tables.kept.reset();
    if (!tables.kept && con1.Open()) {
        try {
            tables.kept = has(con1.Database());
            tables.of = con1.ConnectionString();
        } catch (const platform::EDatabaseError&) {
            // Unknown while the catalogue cannot be read: asked again at the next call.
        }
    }
    return tables.kept;
}

std::optional<bool> TDataModule2::KeepsAttempts() {
    return Kept(attemptTables, HasAttemptTables);
}

std::optional<bool> TDataModule2::KeepsSittings() {
    return Kept(sittingTables, HasSittingTables);
}

// A start row goes only where attempts are kept too, so that the ending can complete it.
bool TDataModule2::PostAttemptStart(const AttemptRecord& start) {
    const std::optional<bool> keepsAttempts = KeepsAttempts();
    if (!keepsAttempts)
        return false;
    const std::optional<bool> keepsSittings = KeepsSittings();
    if (!keepsSittings)
        return false;
    if (!*keepsAttempts || !*keepsSittings)
        return true;
    try {
        records::PostAttemptStart(con1.Database(), StartRow(start));
        return true;
    } catch (const records::StoreError&) {
        return false;
    }
}

bool TDataModule2::StorePaper(const std::string& sha256, const std::string& title,
                              const std::string& bytes) {
    try {
        if (!con1.Open())
            return false;
        attempttables::InsertPaper(con1, sha256, title, bytes);
        return true;
    } catch (const platform::EDatabaseError&) {
        return false;
    }
}

namespace {

// Ends a transaction that did not commit; its own failure changes nothing about that.
void RollBack(platform::TADOConnection& connection) {
    connection.Database().rollback();
}

[[noreturn]] void FailWith(platform::TADOConnection& connection, const QSqlError& error) {
    connection.AddError(error);
    throw platform::EDatabaseError(connection.ErrorText());
}

} // namespace

// The score table is opened before the transaction, so that its errors are shown (in a box that
// runs the event loop) while no transaction is open. The attempt goes first: a token that is
// there already means the whole attempt is, and the score row is not written a second time.
ScoreRecorder::Posted TDataModule2::PostAttempt(const AttemptRecord& attempt) {
    try {
        OpenScoreTable(qry1);
    } catch (...) {
        qry1.Close();
        throw;
    }
    // Asked before the transaction, so that the catalogue is not read inside it.
    const bool writeStart = attempt.startToPost && KeepsSittings() == true;
    QSqlDatabase database = con1.Database();
    try {
        if (!database.transaction())
            FailWith(con1, database.lastError());
        if (!attempttables::InsertAttempt(con1, attempt)) {
            RollBack(con1);
            return Posted::Already;
        }
        if (!attempt.paperBytes.empty())
            attempttables::InsertPaper(con1, attempt.paperSha256, attempt.paperTitle,
                                       attempt.paperBytes);
        attempttables::InsertAnswers(con1, attempt);
        if (writeStart)
            records::PostAttemptStart(database, StartRow(attempt));
        const JournaledScoreRow& row = attempt.row;
        PostScoreFields(qry1, Utf8Text(row.town), Utf8Text(row.unit), Utf8Text(row.name),
                        Utf8Text(row.score), Utf8Text(row.time));
        qry1.Close();
        if (!database.commit()) {
            // The commit was sent: whether the database holds the attempt is not known.
            con1.AddError(database.lastError());
            throw EPostOutcomeUnknown(con1.ErrorText().toStdString());
        }
    } catch (...) {
        qry1.Close();
        RollBack(con1);
        throw;
    }
    return Posted::Now;
}

void TDataModule2::PostScoreRow(const JournaledScoreRow& row) {
    try {
        AppendRow(row);
    } catch (...) {
        qry1.Close();
        throw;
    }
}

// Closed at once, so that an ending still waiting in an error box of its own recording cannot
// post a second row for this exam.
void TDataModule2::AppendRow(const JournaledScoreRow& row) {
    AppendScoreRow(qry1, Utf8Text(row.town), Utf8Text(row.unit), Utf8Text(row.name),
                   Utf8Text(row.score), Utf8Text(row.time));
    qry1.Close();
}

std::optional<bool> TDataModule2::ScoreRowPosted(const JournaledScoreRow& row) {
    if (!OpenQuery(qry1, u"select * from Score where Fac="_qs + SqlQuote(Utf8Text(row.unit)), true))
        return std::nullopt;
    const std::string fields[] = {row.town, row.unit, row.name, row.score, row.time};
    bool found = false;
    for (int record = 0; record < qry1.RecordCount() && !found; ++record) {
        found = true;
        for (int position = 1; position <= 5 && found; ++position)
            found =
                TrimText(qry1.DisplayText(record, position)).toStdString() == fields[position - 1];
    }
    qry1.Close();
    return found;
}

void TDataModule2::PostSecondCopy(const JournaledScoreRow& row) {
    AppendSecondScoreRow(*this, Utf8Text(row.town), Utf8Text(row.unit), Utf8Text(row.name),
                         Utf8Text(row.score));
}

void OpenScoreTable(platform::TADOQuery& query) {
    if (!OpenQuery(query, u"select * from Score where id=0"_qs, true))
        throw platform::EDatabaseError(query.Connection()->ErrorText());
}

void AppendScoreRow(platform::TADOQuery& query, const QString& town, const QString& unit,
                    const QString& name, const QString& score, const QString& time) {
    OpenQuery(query, u"select * from Score where id=0"_qs, true);
    PostScoreFields(query, town, unit, name, score, time);
}

void PostScoreFields(platform::TADOQuery& query, const QString& town, const QString& unit,
                     const QString& name, const QString& score, const QString& time) {
    query.Append();
    query.SetFieldText(1, TrimText(town));
    query.SetFieldText(2, TrimText(unit));
    query.SetFieldText(3, TrimText(name));
    query.SetFieldText(4, TrimText(score));
    query.SetFieldText(5, time);
    query.Post();
}

void AppendSecondScoreRow(TDataModule2& module, const QString& town, const QString& unit,
                          const QString& name, const QString& score) {
    try {
        module.ReadSecondConnectionString();
        AppendScoreRow(module.qry2, town, unit, name, score);
    } catch (...) {
        // The second copy is a convenience; its failure never stops the hand-in.
    }
}
