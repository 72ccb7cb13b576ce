#include "tallyboard/AttemptRecords.h"

#include "common/FuncUnit.h"
#include "platform/DatabaseQuery.h"
#include "platform/SqliteFetch.h"
#include "records/db/SittingStore.h"

#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <algorithm>
#include <sqlite3.h>
#include <unordered_map>

namespace tallyboard {
namespace {

const QString Counted = u"Ending in ('handin', 'timeout')"_qs;

// The score search's unit filter on the attempts' unit column.
QString UnitCondition(const QString& unitText, const QString& column) {
    const QString unit = TrimText(unitText);
    return unit.isEmpty() ? QString() : u" and "_qs + column + u" like "_qs + SqlLikeQuote(unit);
}

// The filter's conditions on the attempts, their columns named with the prefix.
QString FilterCondition(const AttemptFilter& filter, const QString& prefix = {}) {
    QString condition = UnitCondition(filter.unitText, prefix + u"Fac"_qs);
    if (filter.sittingId)
        condition += u" and "_qs + prefix +
                     u"Token in (select Token from AttemptStart where SittingId = %1)"_qs.arg(
                         *filter.sittingId);
    return condition;
}

void OpenConnection(platform::TADOConnection& connection) {
    if (!connection.Open())
        throw platform::EDatabaseError(connection.ErrorText());
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

} // namespace

std::vector<records::StoredSitting> SittingsToFilterBy(platform::TADOConnection& connection) {
    OpenConnection(connection);
    if (!HasSittingTables(connection.Database()))
        return {};
    return records::ReadSittings(connection.Database());
}

std::vector<PaperChoice> PapersWithAttempts(platform::TADOConnection& connection,
                                            const AttemptFilter& filter) {
    OpenConnection(connection);
    if (!HasAttemptTables(connection.Database()))
        throw platform::Exception("数据库中没有答卷记录表(Paper、Attempt、AttemptAnswer)，"
                                  "无法做试题分析。");
    platform::TADOQuery query;
    OpenWith(query, connection,
             u"select a.PaperSha256, max(p.Title), "
             "sum(case when a.Ending = 'abandon' then 0 else 1 end), "
             "sum(case when a.Ending = 'abandon' then 1 else 0 end) "
             "from Attempt a left join Paper p on p.Sha256 = a.PaperSha256 where 1=1"_qs +
                 FilterCondition(filter, u"a."_qs) + u" group by a.PaperSha256"_qs);
    std::vector<PaperChoice> papers;
    for (int row = 0; row < query.RecordCount(); ++row)
        papers.push_back({TextAt(query, row, 0), TextAt(query, row, 1), NumberAt(query, row, 2),
                          NumberAt(query, row, 3)});
    std::stable_sort(papers.begin(), papers.end(), [](const PaperChoice& a, const PaperChoice& b) {
        return a.attempts > b.attempts;
    });
    return papers;
}

std::optional<StoredPaper> ReadPaper(platform::TADOConnection& connection, const QString& sha256) {
    OpenConnection(connection);
    QSqlQuery query(connection.Database());
    query.setForwardOnly(true);
    query.prepare(u"select Sha256, Title, Bytes from Paper where Sha256 = ?"_qs);
    query.addBindValue(sha256);
    if (!query.exec()) {
        connection.AddError(query.lastError());
        throw platform::EDatabaseError(connection.ErrorText());
    }
    if (!query.next())
        return std::nullopt;
    StoredPaper paper{query.value(1).toString(), query.value(2).toByteArray()};
    const std::string actual =
        PaperSha256(std::string_view(paper.bytes->constData(), std::size_t(paper.bytes->size())));
    // Compared with the row's own text, whatever case the server's collation matched it in.
    if (QString::fromStdString(actual).compare(TrimText(query.value(0).toString()),
                                               Qt::CaseInsensitive) != 0)
        paper.bytes.reset();
    return paper;
}

QString MismatchedPaperText(const QString& title) {
    return u"试卷《%1》的内容与其 SHA-256 不符，已不予使用。"_qs.arg(title);
}

namespace {

// Gathers the sample row by row: the attempts by their token, the distinct answer texts of
// each question with their counts. Rows of one attempt usually come together, so the last
// token is tried first.
class SampleBuilder final {
public:
    explicit SampleBuilder(std::size_t questionCount) : answerCounts(questionCount) {
        sample.questionCount = questionCount;
    }

    void Add(std::string_view token, long long question, std::string_view answer, double marks) {
        if (question < 0 || static_cast<std::size_t>(question) >= sample.questionCount)
            return;
        const auto at = static_cast<std::size_t>(question);
        sample.marks[AttemptOf(token) * sample.questionCount + at] = marks;
        auto& counts = answerCounts[at];
        if (const auto found = counts.find(answer); found != counts.end())
            ++found->second;
        else
            counts.emplace(std::string(answer), 1);
    }
    ItemSample Take() {
        sample.answers.clear();
        for (const auto& counts : answerCounts)
            sample.answers.emplace_back(counts.begin(), counts.end());
        return std::move(sample);
    }

private:
    std::size_t AttemptOf(std::string_view token) {
        if (token != lastToken) {
            lastToken.assign(token);
            const auto [entry, added] = attempts.try_emplace(lastToken, sample.AttemptCount());
            if (added)
                sample.marks.resize(sample.marks.size() + sample.questionCount, 0);
            lastAttempt = entry->second;
        }
        return lastAttempt;
    }

    // Looked up by a view of the row's text, without making a string of it.
    struct TextHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view text) const {
            return std::hash<std::string_view>()(text);
        }
    };
    using Counts = std::unordered_map<std::string, long long, TextHash, std::equal_to<>>;

    ItemSample sample;
    std::vector<Counts> answerCounts;
    std::unordered_map<std::string, std::size_t> attempts;
    std::string lastToken;
    std::size_t lastAttempt = 0;
};

std::string_view TextColumn(sqlite3_stmt* statement, int column) {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
    return text ? std::string_view(
                      text, static_cast<std::size_t>(sqlite3_column_bytes(statement, column)))
                : std::string_view();
}

// A million answer rows are read straight from SQLite, without a cursor in between.
void ReadSqliteRows(platform::TADOConnection& connection, const QString& sql,
                    SampleBuilder& builder) {
    OpenConnection(connection);
    sqlite3* db = platform::SqliteHandle(connection.Database().driver()->handle());
    if (!db)
        throw platform::EDatabaseError(u"SQLite 连接不可用。"_qs);
    sqlite3_stmt* statement = nullptr;
    const QByteArray text = sql.toUtf8();
    auto fail = [&] {
        connection.AddError(sqlite3_extended_errcode(db), QString::fromUtf8(sqlite3_errmsg(db)));
        sqlite3_finalize(statement);
        throw platform::EDatabaseError(connection.ErrorText());
    };
    if (sqlite3_prepare_v2(db, text.constData(), static_cast<int>(text.size()), &statement,
                           nullptr) != SQLITE_OK)
        fail();
    int status = SQLITE_OK;
    while ((status = sqlite3_step(statement)) == SQLITE_ROW)
        builder.Add(TextColumn(statement, 0), sqlite3_column_int64(statement, 1),
                    TextColumn(statement, 2), sqlite3_column_double(statement, 3));
    if (status != SQLITE_DONE)
        fail();
    sqlite3_finalize(statement);
}

void ReadCursorRows(platform::TADOConnection& connection, const QString& sql,
                    SampleBuilder& builder) {
    platform::TADOQuery query;
    OpenWith(query, connection, sql);
    for (int row = 0; row < query.RecordCount(); ++row)
        builder.Add(query.TextValue(row, 0).value_or(std::string_view()), NumberAt(query, row, 1),
                    query.TextValue(row, 2).value_or(std::string_view()),
                    query.Value(row, 3).toDouble());
}

} // namespace

ItemSample ReadItemSample(platform::TADOConnection& connection, const QString& sha256,
                          const AttemptFilter& filter, std::size_t questionCount) {
    const QString sql = u"select Token, Question, Answer, Marks from AttemptAnswer where Token in "
                        "(select Token from Attempt where PaperSha256 = "_qs +
                        SqlQuote(sha256) + u" and "_qs + Counted + FilterCondition(filter) +
                        u")"_qs;
    SampleBuilder builder(questionCount);
    if (connection.IsSqlite())
        ReadSqliteRows(connection, sql, builder);
    else
        ReadCursorRows(connection, sql, builder);
    return builder.Take();
}

std::optional<AttemptRecord> FindAttempt(platform::TADOConnection& connection,
                                         const ScoreRowKey& key) {
    OpenConnection(connection);
    // A database from before the attempt tables: the row has no attempt.
    if (!HasAttemptTables(connection.Database()))
        return std::nullopt;
    platform::TADOQuery attempt;
    OpenWith(attempt, connection,
             u"select Token, Town, Fac, Name, Score, STime, PaperSha256, StartTime, EndTime, "
             "Ending, Elapsed, Resumes, AwaySeconds from Attempt where Town = "_qs +
                 SqlQuote(key.town) + u" and Fac = "_qs + SqlQuote(key.unit) + u" and Name = "_qs +
                 SqlQuote(key.name) + u" and Score = "_qs + SqlQuote(key.score) +
                 u" and STime = "_qs + SqlQuote(key.recorded));
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
