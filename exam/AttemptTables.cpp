#include "exam/AttemptTables.h"

#include "common/FuncUnit.h"
#include "platform/DatabaseConnection.h"

#include <QDateTime>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>
#include <algorithm>

namespace attempttables {

namespace {

// SQL Server takes at most 1000 rows in one VALUES list.
constexpr size_t AnswersPerStatement = 1000;

bool IsOdbc(const QSqlDatabase& database) {
    return database.driverName() == u"QODBC";
}

// The drivers' codes of a key violation: PostgreSQL's SQLSTATE, SQLite's constraint codes,
// SQL Server's duplicate key numbers.
bool IsKeyViolation(const QSqlError& error) {
    static const QStringList codes = {u"23505"_qs, u"19"_qs,   u"1555"_qs,
                                      u"2067"_qs,  u"2627"_qs, u"2601"_qs};
    return codes.contains(error.nativeErrorCode());
}

QVariant Text(const std::string& text) {
    return Utf8Text(text);
}

// As text a time reaches a timestamp column unchanged; ODBC takes a date-time itself.
QVariant Time(const QSqlDatabase& database, const std::string& text) {
    if (text.empty())
        return QVariant(QMetaType(QMetaType::QString));
    if (IsOdbc(database))
        return QDateTime::fromString(Utf8Text(text), u"yyyy-MM-dd HH:mm:ss"_qs);
    return Text(text);
}

QVariant Score(const std::string& score) {
    bool number = false;
    const qlonglong value = Utf8Text(score).toLongLong(&number);
    return number ? QVariant(value) : Text(score);
}

// Runs the statement and returns the rows it inserted; 0 on a key violation when that is
// allowed, a throw on every other failure.
int Run(platform::TADOConnection& connection, const QString& sql,
        const std::vector<QVariant>& values, bool keyViolationAllowed = false) {
    QSqlQuery query(connection.Database());
    bool done = query.prepare(sql);
    if (done) {
        for (const QVariant& value : values)
            query.addBindValue(value);
        done = query.exec();
    }
    if (done)
        return query.numRowsAffected();
    if (keyViolationAllowed && IsKeyViolation(query.lastError()))
        return 0;
    connection.AddError(query.lastError());
    throw platform::EDatabaseError(connection.ErrorText());
}

} // namespace

// PostgreSQL aborts a transaction at a key violation, so a row that is there already is skipped
// by the statement itself; SQL Server knows no such clause but goes on after one.
QString InsertUnlessThere(const QSqlDatabase& database, const QString& insert) {
    return IsOdbc(database) ? insert : insert + u" ON CONFLICT DO NOTHING"_qs;
}

bool InsertAttempt(platform::TADOConnection& connection, const AttemptRecord& attempt) {
    const QSqlDatabase database = connection.Database();
    const JournaledScoreRow& row = attempt.row;
    return Run(connection,
               InsertUnlessThere(database,
                                 u"INSERT INTO Attempt (Token, Town, Fac, Name, Score, STime, "
                                 u"PaperSha256, StartTime, EndTime, Ending, Elapsed, Resumes, "
                                 u"AwaySeconds) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"_qs),
               {Text(attempt.token), Text(row.town), Text(row.unit), Text(row.name),
                Score(row.score), Time(database, row.time), Text(attempt.paperSha256),
                Time(database, attempt.startTime), Time(database, attempt.endTime),
                QString::fromLatin1(EndingName(attempt.ending)), attempt.elapsed, attempt.resumes,
                QVariant(qlonglong(attempt.awaySeconds))},
               true) > 0;
}

void InsertPaper(platform::TADOConnection& connection, const std::string& sha256,
                 const std::string& title, const std::string& bytes) {
    Run(connection,
        InsertUnlessThere(connection.Database(),
                          u"INSERT INTO Paper (Sha256, Title, Bytes) VALUES (?, ?, ?)"_qs),
        {Text(sha256), Text(title), QByteArray::fromStdString(bytes)}, true);
}

// The values are written into the statement, quoted as every text of the suite's SQL is: one
// round trip for all of them, where bound values cost the server a prepared statement each.
void InsertAnswers(platform::TADOConnection& connection, const AttemptRecord& attempt) {
    const auto& answers = attempt.answers;
    const QString token = SqlQuote(Utf8Text(attempt.token));
    for (size_t first = 0; first < answers.size(); first += AnswersPerStatement) {
        const size_t end = std::min(answers.size(), first + AnswersPerStatement);
        QStringList rows;
        for (size_t i = first; i < end; ++i)
            rows << u"(%1, %2, %3, %4, %5)"_qs.arg(token)
                        .arg(answers[i].question)
                        .arg(SqlQuote(Utf8Text(answers[i].answer)))
                        .arg(answers[i].marks)
                        .arg(answers[i].fullMarks);
        QSqlQuery query(connection.Database());
        if (!query.exec(u"INSERT INTO AttemptAnswer (Token, Question, Answer, Marks, FullMarks) "
                        u"VALUES "_qs +
                        rows.join(u", "_qs))) {
            connection.AddError(query.lastError());
            throw platform::EDatabaseError(connection.ErrorText());
        }
    }
}

} // namespace attempttables
