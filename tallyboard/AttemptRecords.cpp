#include "tallyboard/AttemptRecords.h"

#include "common/FuncUnit.h"
#include "platform/DatabaseQuery.h"

#include <QSqlError>
#include <QSqlQuery>
#include <unordered_map>

namespace tallyboard {
namespace {

const QString Counted = u"Ending in ('handin', 'timeout')"_qs;

// The score search's unit filter on the attempts' unit column.
QString UnitCondition(const QString& unitText, const QString& column = u"Fac"_qs) {
    const QString unit = TrimText(unitText);
    return unit.isEmpty() ? QString() : u" and "_qs + column + u" like "_qs + SqlLikeQuote(unit);
}

void OpenWith(platform::TADOQuery& query, platform::TADOConnection& connection,
              const QString& sql) {
    query.SetConnection(&connection);
    query.SetSQL(sql);
    query.Open();
}

QString TextAt(const platform::TADOQuery& query, int row, int field) {
    return query.DisplayText(row, field);
}

long long NumberAt(const platform::TADOQuery& query, int row, int field) {
    return query.Value(row, field).toLongLong();
}

// The attempts' position in the sample by the text code of their token.
std::size_t AttemptOf(std::vector<std::size_t>& attemptOfCode, std::uint32_t code,
                      ItemSample& sample) {
    constexpr std::size_t None = static_cast<std::size_t>(-1);
    if (attemptOfCode.size() <= code)
        attemptOfCode.resize(code + 1, None);
    if (attemptOfCode[code] == None) {
        attemptOfCode[code] = sample.AttemptCount();
        sample.marks.resize(sample.marks.size() + sample.questionCount, 0);
    }
    return attemptOfCode[code];
}

} // namespace

std::vector<PaperChoice> PapersWithAttempts(platform::TADOConnection& connection,
                                            const QString& unitText) {
    platform::TADOQuery query;
    OpenWith(query, connection,
             u"select a.PaperSha256, max(p.Title), "
             "sum(case when a.Ending = 'abandon' then 0 else 1 end), "
             "sum(case when a.Ending = 'abandon' then 1 else 0 end) "
             "from Attempt a left join Paper p on p.Sha256 = a.PaperSha256 where 1=1"_qs +
                 UnitCondition(unitText, u"a.Fac"_qs) + u" group by a.PaperSha256"_qs);
    std::vector<PaperChoice> papers;
    for (int row = 0; row < query.RecordCount(); ++row)
        papers.push_back({TextAt(query, row, 0), TextAt(query, row, 1), NumberAt(query, row, 2),
                          NumberAt(query, row, 3)});
    std::stable_sort(papers.begin(), papers.end(), [](const PaperChoice& a, const PaperChoice& b) {
        return a.attempts > b.attempts;
    });
    return papers;
}

std::optional<QByteArray> PaperBytes(platform::TADOConnection& connection, const QString& sha256) {
    if (!connection.Open())
        throw platform::EDatabaseError(connection.ErrorText());
    QSqlQuery query(connection.Database());
    query.setForwardOnly(true);
    query.prepare(u"select Bytes from Paper where Sha256 = ?"_qs);
    query.addBindValue(sha256);
    if (!query.exec()) {
        connection.AddError(query.lastError());
        throw platform::EDatabaseError(connection.ErrorText());
    }
    if (!query.next())
        return std::nullopt;
    return query.value(0).toByteArray();
}

ItemSample ReadItemSample(platform::TADOConnection& connection, const QString& sha256,
                          const QString& unitText, std::size_t questionCount) {
    platform::TADOQuery query;
    OpenWith(query, connection,
             u"select Token, Question, Answer, Marks from AttemptAnswer where Token in "
             "(select Token from Attempt where PaperSha256 = "_qs +
                 SqlQuote(sha256) + u" and "_qs + Counted + UnitCondition(unitText) + u")"_qs);
    const platform::ClientCursor& rows = query.Cursor();
    ItemSample sample;
    sample.questionCount = questionCount;
    std::vector<std::unordered_map<std::uint32_t, long long>> answerCodes(questionCount);
    std::vector<std::size_t> attemptOfCode;
    for (int row = 0; row < rows.RowCount(); ++row) {
        const auto token = rows.TextCodeAt(row, 0);
        const auto question = rows.NumberAt(row, 1);
        if (!token || !question || *question < 0 || *question >= static_cast<double>(questionCount))
            continue;
        const std::size_t attempt = AttemptOf(attemptOfCode, *token, sample);
        const auto at = static_cast<std::size_t>(*question);
        sample.marks[attempt * questionCount + at] = rows.NumberAt(row, 3).value_or(0);
        ++answerCodes[at][rows.TextCodeAt(row, 2).value_or(rows.TextCodeCount(2))];
    }
    sample.answers.resize(questionCount);
    for (std::size_t at = 0; at < questionCount; ++at) {
        for (const auto& [code, count] : answerCodes[at]) {
            const std::string_view text =
                code < rows.TextCodeCount(2) ? rows.TextOfCode(2, code) : std::string_view();
            sample.answers[at].emplace_back(std::string(text), count);
        }
    }
    return sample;
}

std::optional<AttemptRecord> FindAttempt(platform::TADOConnection& connection,
                                         const ScoreRowKey& key) {
    platform::TADOQuery attempt;
    try {
        OpenWith(attempt, connection,
                 u"select Token, Town, Fac, Name, Score, STime, PaperSha256, StartTime, EndTime, "
                 "Ending, Elapsed, Resumes, AwaySeconds from Attempt where Town = "_qs +
                     SqlQuote(key.town) + u" and Fac = "_qs + SqlQuote(key.unit) +
                     u" and Name = "_qs + SqlQuote(key.name) + u" and Score = "_qs +
                     SqlQuote(key.score) + u" and STime = "_qs + SqlQuote(key.recorded));
    } catch (const platform::EDatabaseError&) {
        // A database from before the attempt tables: the row has no attempt.
        connection.ClearErrors();
        return std::nullopt;
    }
    if (attempt.RecordCount() == 0)
        return std::nullopt;
    AttemptRecord record;
    QString* texts[] = {&record.token, &record.town,     &record.unit,        &record.name,
                        &record.score, &record.recorded, &record.paperSha256, &record.started,
                        &record.ended, &record.ending};
    for (int field = 0; field < 10; ++field)
        *texts[field] = TextAt(attempt, 0, field);
    record.elapsed = NumberAt(attempt, 0, 10);
    record.resumes = NumberAt(attempt, 0, 11);
    record.awaySeconds = NumberAt(attempt, 0, 12);

    platform::TADOQuery answers;
    OpenWith(answers, connection,
             u"select Question, Answer, Marks, FullMarks from AttemptAnswer where Token = "_qs +
                 SqlQuote(record.token) + u" order by Question"_qs);
    for (int row = 0; row < answers.RecordCount(); ++row)
        record.answers.push_back({static_cast<int>(NumberAt(answers, row, 0)),
                                  TextAt(answers, row, 1),
                                  static_cast<int>(NumberAt(answers, row, 2)),
                                  static_cast<int>(NumberAt(answers, row, 3))});
    return record;
}

} // namespace tallyboard
