#include "records/db/VerificationInput.h"

#include "common/FuncUnit.h"
#include "paper/uFileHandle.h"
#include "platform/DatabaseQuery.h"

#include <QSqlError>
#include <QSqlQuery>
#include <sstream>

namespace records {
namespace {

using platform::TADOQuery;

void OpenOrThrow(TADOQuery& query, platform::TADOConnection& connection, const QString& sql) {
    query.SetConnection(&connection);
    if (!OpenQuery(query, sql, false))
        throw platform::EDatabaseError(connection.ErrorText());
}

std::string Text(const TADOQuery& query, int row, int field) {
    return query.DisplayText(row, field).toStdString();
}

std::string Trimmed(const TADOQuery& query, int row, int field) {
    return TrimText(query.DisplayText(row, field)).toStdString();
}

std::vector<ScoreRow> ReadScores(platform::TADOConnection& connection) {
    TADOQuery query;
    OpenOrThrow(query, connection, u"select Town, Fac, Name, STime, Score from Score"_qs);
    std::vector<ScoreRow> rows;
    rows.reserve(static_cast<std::size_t>(query.RecordCount()));
    for (int row = 0; row < query.RecordCount(); ++row)
        rows.push_back({Trimmed(query, row, 0), Trimmed(query, row, 1), Trimmed(query, row, 2),
                        Text(query, row, 3), Trimmed(query, row, 4)});
    return rows;
}

std::vector<AttemptRow> ReadAttempts(platform::TADOConnection& connection) {
    TADOQuery query;
    OpenOrThrow(query, connection,
                u"select Token, Town, Fac, Name, STime, Score, PaperSha256, Ending "
                "from Attempt"_qs);
    std::vector<AttemptRow> rows;
    rows.reserve(static_cast<std::size_t>(query.RecordCount()));
    for (int row = 0; row < query.RecordCount(); ++row)
        rows.push_back({Text(query, row, 0), Trimmed(query, row, 1), Trimmed(query, row, 2),
                        Trimmed(query, row, 3), Text(query, row, 4), Trimmed(query, row, 5),
                        Text(query, row, 6), Text(query, row, 7)});
    return rows;
}

std::vector<AnswerRow> ReadAnswers(platform::TADOConnection& connection) {
    TADOQuery query;
    OpenOrThrow(query, connection,
                u"select Token, Question, Answer, Marks, FullMarks from AttemptAnswer"_qs);
    std::vector<AnswerRow> rows;
    rows.reserve(static_cast<std::size_t>(query.RecordCount()));
    for (int row = 0; row < query.RecordCount(); ++row)
        rows.push_back({Text(query, row, 0), query.Value(row, 1).toInt(), Text(query, row, 2),
                        query.Value(row, 3).toInt(), query.Value(row, 4).toInt()});
    return rows;
}

std::shared_ptr<const TQFileHandle> PaperOf(const std::string& bytes) {
    auto paper = std::make_shared<TQFileHandle>();
    std::istringstream stream(bytes);
    try {
        paper->LoadFromStream(stream);
    } catch (const platform::Exception&) {
        return nullptr;
    }
    return paper;
}

// The bytes are read as they are, past the cursor, which keeps texts.
std::vector<PaperRow> ReadPapers(platform::TADOConnection& connection) {
    QSqlQuery query(connection.Database());
    query.setForwardOnly(true);
    if (!query.exec(u"select Sha256, Title, Bytes from Paper"_qs)) {
        connection.AddError(query.lastError());
        throw platform::EDatabaseError(connection.ErrorText());
    }
    std::vector<PaperRow> papers;
    while (query.next()) {
        PaperRow paper;
        paper.sha256 = query.value(0).toString().toStdString();
        paper.title = query.value(1).toString().toStdString();
        const std::string bytes = query.value(2).toByteArray().toStdString();
        paper.bytesMatch = PaperSha256(bytes) == paper.sha256;
        if (paper.bytesMatch)
            paper.paper = PaperOf(bytes);
        papers.push_back(std::move(paper));
    }
    return papers;
}

} // namespace

VerificationInput ReadVerificationInput(platform::TADOConnection& connection) {
    if (!connection.Open())
        throw platform::EDatabaseError(connection.ErrorText());
    if (!HasAttemptTables(connection.Database()))
        throw platform::Exception("数据库中没有答卷记录表(Paper、Attempt、AttemptAnswer)，"
                                  "无法复核。");
    VerificationInput input;
    input.scores = ReadScores(connection);
    input.attempts = ReadAttempts(connection);
    input.answers = ReadAnswers(connection);
    input.papers = ReadPapers(connection);
    return input;
}

} // namespace records
