#include "exam/AttemptTables.h"

#include "common/FuncUnit.h"
#include "platform/DatabaseConnection.h"

#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <algorithm>

namespace attempttables {

namespace {

// SQL Server takes at most 1000 rows in one VALUES list and 2100 bound values in one statement
// (five to a row).
constexpr size_t AnswersPerStatement = 1000;
constexpr size_t BoundAnswersPerStatement = 400;

QVariant Text(const std::string& text) {
    return Utf8Text(text);
}

QVariant Score(const std::string& score) {
    bool number = false;
    const qlonglong value = Utf8Text(score).toLongLong(&number);
    return number ? QVariant(value) : Text(score);
}

[[noreturn]] void Fail(platform::TADOConnection& connection, const QSqlError& error) {
    connection.AddError(error);
    throw platform::EDatabaseError(connection.ErrorText());
}

// Runs the statement, prepared when it has values and in one go when it has none.
QSqlQuery Run(platform::TADOConnection& connection, const BoundStatement& statement) {
    QSqlQuery query(connection.Database());
    query.setForwardOnly(true);
    bool done = false;
    if (statement.values.isEmpty()) {
        done = query.exec(statement.sql);
    } else if (query.prepare(statement.sql)) {
        for (const QVariant& value : statement.values)
            query.addBindValue(value);
        done = query.exec();
    }
    if (!done)
        Fail(connection, query.lastError());
    return query;
}

// Whether an InsertUnlessThere wrote its row. SQL Server answers 0 for a key that was there, so
// that no answer at all is a failure there and never taken for a row recorded already.
bool Written(platform::TADOConnection& connection, QSqlQuery& query) {
    if (query.next())
        return query.value(0).toInt() == 1;
    if (!IsOdbc(connection.Database()))
        return false;
    connection.AddError(platform::DbErrorProviderFailure, u"数据库没有答复这份答卷是否已记录。"_qs);
    throw platform::EDatabaseError(connection.ErrorText());
}

// The values as literals written by the driver, which knows how its server reads a backslash.
QString Literals(const QSqlDriver& driver, const QVariantList& values) {
    QStringList literals;
    for (const QVariant& value : values) {
        QSqlField field(QString(), value.metaType());
        field.setValue(value);
        literals << driver.formatValue(field);
    }
    return u"("_qs + literals.join(u", "_qs) + u")"_qs;
}

} // namespace

BoundStatement AnswersInsert(const QSqlDatabase& database, const std::string& token,
                             std::span<const RecordedAnswer> answers) {
    const bool bound = IsOdbc(database);
    BoundStatement statement;
    QStringList rows;
    for (const RecordedAnswer& answer : answers) {
        const QVariantList row = {Utf8Text(token), answer.question, Utf8Text(answer.answer),
                                  answer.marks, answer.fullMarks};
        if (bound) {
            rows << Placeholders(row.size());
            statement.values += row;
        } else {
            rows << Literals(*database.driver(), row);
        }
    }
    statement.sql = u"INSERT INTO AttemptAnswer (Token, Question, Answer, Marks, FullMarks) "
                    u"VALUES "_qs +
                    rows.join(u", "_qs);
    return statement;
}

bool InsertAttempt(platform::TADOConnection& connection, const AttemptRecord& attempt) {
    const QSqlDatabase database = connection.Database();
    const JournaledScoreRow& row = attempt.row;
    QSqlQuery query =
        Run(connection,
            InsertUnlessThere(database, u"Attempt"_qs,
                              {u"Token"_qs, u"Town"_qs, u"Fac"_qs, u"Name"_qs, u"Score"_qs,
                               u"STime"_qs, u"PaperSha256"_qs, u"StartTime"_qs, u"EndTime"_qs,
                               u"Ending"_qs, u"Elapsed"_qs, u"Resumes"_qs, u"AwaySeconds"_qs},
                              {Text(attempt.token), Text(row.town), Text(row.unit), Text(row.name),
                               Score(row.score), TimeValue(database, row.time),
                               Text(attempt.paperSha256), TimeValue(database, attempt.startTime),
                               TimeValue(database, attempt.endTime),
                               QString::fromLatin1(EndingName(attempt.ending)), attempt.elapsed,
                               attempt.resumes, QVariant(qlonglong(attempt.awaySeconds))}));
    return Written(connection, query);
}

void InsertPaper(platform::TADOConnection& connection, const std::string& sha256,
                 const std::string& title, const std::string& bytes) {
    Run(connection,
        InsertUnlessThere(connection.Database(), u"Paper"_qs,
                          {u"Sha256"_qs, u"Title"_qs, u"Bytes"_qs},
                          {Text(sha256), Text(title), QByteArray::fromStdString(bytes)}));
}

// Written as literals, one round trip carries a whole batch, where PostgreSQL's bound values
// cost a prepared statement each; SQL Server's bound batch is one execution too.
void InsertAnswers(platform::TADOConnection& connection, const AttemptRecord& attempt) {
    const QSqlDatabase database = connection.Database();
    const size_t batch = IsOdbc(database) ? BoundAnswersPerStatement : AnswersPerStatement;
    const std::span<const RecordedAnswer> answers(attempt.answers);
    for (size_t first = 0; first < answers.size(); first += batch)
        Run(connection,
            AnswersInsert(database, attempt.token,
                          answers.subspan(first, std::min(batch, answers.size() - first))));
}

} // namespace attempttables
