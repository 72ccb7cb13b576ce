#include "exam/ExamJournal.h"

#include "exam/JournalFile.h"

#include <fcntl.h>
#include <set>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr const char* Schema = R"(
create table if not exists run(
    id integer primary key,
    town text not null, unit text not null, name text not null,
    paper_path blob not null, paper_sha256 text not null, paper_title text not null,
    elapsed integer not null default 0,
    stage integer not null default 0,
    ending integer not null default 0,
    row_town text, row_unit text, row_name text, row_score text, row_time text,
    archived integer not null default 0);
create table if not exists recorded_answer(
    run integer not null references run(id),
    question integer not null,
    answer text not null,
    marks integer not null,
    full_marks integer not null,
    primary key(run, question)) without rowid;
create table if not exists answer(
    run integer not null references run(id),
    question integer not null,
    choice text not null,
    primary key(run, question)) without rowid;
)";

// Columns added to the run table of journals older than the attempt records.
constexpr const char* AttemptColumns[][2] = {
    {"token", "text not null default ''"},
    {"start_time", "text not null default ''"},
    {"end_time", "text not null default ''"},
    {"resumes", "integer not null default 0"},
    {"away_seconds", "integer not null default 0"},
    {"last_tick", "integer not null default 0"},
    {"paper_stored", "integer not null default 0"},
    {"ended_at", "integer"},
    // Added with the papers drawn from sittings: their bytes, their sitting, the start row.
    {"paper_bytes", "blob"},
    {"sitting_id", "integer"},
    {"start_posted", "integer not null default 0"}};

constexpr const char* RunColumns =
    "select id, town, unit, name, paper_path, paper_sha256, paper_title, elapsed, stage, ending, "
    "row_town, row_unit, row_name, row_score, row_time, token, start_time, end_time, resumes, "
    "away_seconds, last_tick, paper_stored, paper_bytes, sitting_id, start_posted from run where ";

// The journal must never be readable by another user: it names the examinee and their answers.
void CreatePrivateFile(const std::string& file) {
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    if (fd >= 0) {
        ::fchmod(fd, 0600);
        ::close(fd);
    }
}

std::string ColumnText(sqlite3_stmt* statement, int column) {
    const auto* text = sqlite3_column_blob(statement, column);
    return text ? std::string(static_cast<const char*>(text),
                              static_cast<size_t>(sqlite3_column_bytes(statement, column)))
                : std::string();
}

} // namespace

// A prepared statement, reset and cleared on leaving, so that the hot paths (an answer, a tick)
// only bind and step.
class ExamJournal::Statement final {
public:
    Statement(const ExamJournal& journal, const std::string& sql) : journal(journal) {
        if (sqlite3_prepare_v2(journal.db, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK)
            journal.Fail("准备语句");
    }
    ~Statement() { sqlite3_finalize(statement); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    Statement& Bind(int index, int64_t value) {
        Check(sqlite3_bind_int64(statement, index, value));
        return *this;
    }
    Statement& Bind(int index, const std::string& text) {
        Check(sqlite3_bind_text(statement, index, text.data(), static_cast<int>(text.size()),
                                SQLITE_TRANSIENT));
        return *this;
    }
    Statement& BindBlob(int index, const std::string& bytes) {
        Check(sqlite3_bind_blob(statement, index, bytes.data(), static_cast<int>(bytes.size()),
                                SQLITE_TRANSIENT));
        return *this;
    }
    // True while there is a row.
    bool Step() {
        const int result = sqlite3_step(statement);
        if (result != SQLITE_ROW && result != SQLITE_DONE)
            journal.Fail("读写");
        return result == SQLITE_ROW;
    }
    void Run() { Step(); }
    sqlite3_stmt* Handle() const { return statement; }

private:
    void Check(int result) {
        if (result != SQLITE_OK)
            journal.Fail("绑定参数");
    }

    const ExamJournal& journal;
    sqlite3_stmt* statement = nullptr;
};

ExamJournal::ExamJournal(const std::string& path) : file(path), lock(LockJournal(path)) {
    CreatePrivateFile(file);
    if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
        SQLITE_OK) {
        const std::string reason = db ? sqlite3_errmsg(db) : "out of memory";
        sqlite3_close(db);
        db = nullptr;
        ::close(lock);
        throw EJournalError("考试记录文件无法打开:" + file + " (" + reason + ")");
    }
    sqlite3_busy_timeout(db, 2000);
    try {
        // Write-ahead with a full sync: each commit is one append and one fsync of the log.
        Execute("pragma journal_mode=wal");
        Execute("pragma synchronous=full");
        Execute(Schema);
        AddMissingColumns();
    } catch (...) {
        sqlite3_close(db);
        ::close(lock);
        throw;
    }
}

ExamJournal::~ExamJournal() {
    sqlite3_close(db);
    ::close(lock);
}

void ExamJournal::AddMissingColumns() {
    std::set<std::string> present;
    Statement columns(*this, "pragma table_info(run)");
    while (columns.Step())
        present.insert(ColumnText(columns.Handle(), 1));
    for (const auto& [name, definition] : AttemptColumns)
        if (!present.count(name))
            Execute(("alter table run add column " + std::string(name) + " " + definition).c_str());
    // Runs that ended before their end was dated are counted from now on.
    if (!present.count("ended_at"))
        Execute("update run set ended_at = strftime('%s', 'now') where stage = 2");
}

void ExamJournal::Execute(const char* sql) {
    if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
        Fail("初始化");
}

void ExamJournal::Fail(const char* what) const {
    throw EJournalError(std::string("考试记录文件") + what + "失败:" + file + " (" +
                        sqlite3_errmsg(db) + ")");
}

std::vector<JournaledRun> ExamJournal::PendingRuns() const {
    return ReadRuns("stage <> 2 and archived = 0 order by id");
}

std::optional<JournaledRun> ExamJournal::Run(int64_t id) const {
    std::vector<JournaledRun> runs = ReadRuns(("id = " + std::to_string(id)).c_str());
    if (runs.empty())
        return std::nullopt;
    return std::move(runs.front());
}

std::vector<JournaledRun> ExamJournal::ReadRuns(const char* condition) const {
    Statement select(*this, std::string(RunColumns) + condition);
    std::vector<JournaledRun> runs;
    while (select.Step()) {
        sqlite3_stmt* row = select.Handle();
        JournaledRun run;
        run.id = sqlite3_column_int64(row, 0);
        run.town = ColumnText(row, 1);
        run.unit = ColumnText(row, 2);
        run.name = ColumnText(row, 3);
        run.paperPath = ColumnText(row, 4);
        run.paperSha256 = ColumnText(row, 5);
        run.paperTitle = ColumnText(row, 6);
        run.elapsed = sqlite3_column_int(row, 7);
        run.stage = static_cast<RunStage>(sqlite3_column_int(row, 8));
        run.ending = static_cast<RunEnding>(sqlite3_column_int(row, 9));
        run.row = {ColumnText(row, 10), ColumnText(row, 11), ColumnText(row, 12),
                   ColumnText(row, 13), ColumnText(row, 14)};
        run.token = ColumnText(row, 15);
        run.startTime = ColumnText(row, 16);
        run.endTime = ColumnText(row, 17);
        run.resumes = sqlite3_column_int(row, 18);
        run.awaySeconds = sqlite3_column_int64(row, 19);
        run.lastTick = sqlite3_column_int64(row, 20);
        run.paperStored = sqlite3_column_int(row, 21) != 0;
        run.paperBytes = ColumnText(row, 22);
        if (sqlite3_column_type(row, 23) != SQLITE_NULL)
            run.sittingId = sqlite3_column_int64(row, 23);
        run.startPosted = sqlite3_column_int(row, 24) != 0;
        ReadAnswers(run);
        runs.push_back(std::move(run));
    }
    return runs;
}

void ExamJournal::ReadAnswers(JournaledRun& run) const {
    Statement select(*this, "select question, choice from answer where run = ?");
    select.Bind(1, run.id);
    while (select.Step())
        run.answers[sqlite3_column_int(select.Handle(), 0)] = ColumnText(select.Handle(), 1);
    Statement recorded(*this, "select question, answer, marks, full_marks from recorded_answer "
                              "where run = ? order by question");
    recorded.Bind(1, run.id);
    while (recorded.Step()) {
        sqlite3_stmt* row = recorded.Handle();
        run.recordedAnswers.push_back({sqlite3_column_int(row, 0), ColumnText(row, 1),
                                       sqlite3_column_int(row, 2), sqlite3_column_int(row, 3)});
    }
}

int64_t ExamJournal::StartRun(const JournaledRun& run) {
    Statement insert(*this, "insert into run(town, unit, name, paper_path, paper_sha256, "
                            "paper_title, elapsed, token, start_time, last_tick, paper_bytes, "
                            "sitting_id) values(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    insert.Bind(1, run.town).Bind(2, run.unit).Bind(3, run.name).BindBlob(4, run.paperPath);
    insert.Bind(5, run.paperSha256).Bind(6, run.paperTitle).Bind(7, run.elapsed);
    insert.Bind(8, run.token).Bind(9, run.startTime).Bind(10, run.lastTick);
    if (!run.paperBytes.empty())
        insert.BindBlob(11, run.paperBytes);
    if (run.sittingId)
        insert.Bind(12, *run.sittingId);
    insert.Run();
    return sqlite3_last_insert_rowid(db);
}

void ExamJournal::SaveAnswer(int64_t run, int question, const std::string& answer) {
    Statement upsert(*this, "insert into answer(run, question, choice) values(?, ?, ?) "
                            "on conflict(run, question) do update set choice = excluded.choice");
    upsert.Bind(1, run).Bind(2, question).Bind(3, answer).Run();
}

void ExamJournal::SaveTick(int64_t run, int32_t elapsed, int64_t wallClock) {
    Statement update(*this, "update run set elapsed = ?, last_tick = ? where id = ?");
    update.Bind(1, elapsed).Bind(2, wallClock).Bind(3, run).Run();
}

void ExamJournal::SaveResume(int64_t run, int32_t resumes, int64_t awaySeconds, int64_t wallClock) {
    Statement update(*this,
                     "update run set resumes = ?, away_seconds = ?, last_tick = ? where id = ?");
    update.Bind(1, resumes).Bind(2, awaySeconds).Bind(3, wallClock).Bind(4, run).Run();
}

void ExamJournal::SaveToken(int64_t run, const std::string& token) {
    Statement(*this, "update run set token = ? where id = ?").Bind(1, token).Bind(2, run).Run();
}

void ExamJournal::MarkPaperStored(int64_t run) {
    Statement(*this, "update run set paper_stored = 1 where id = ?").Bind(1, run).Run();
}

void ExamJournal::MarkStartPosted(int64_t run) {
    Statement(*this, "update run set start_posted = 1 where id = ?").Bind(1, run).Run();
}

// The row, the end and every recorded answer reach the disk together, or none of them does.
void ExamJournal::BeginRecording(int64_t run, const AttemptRecord& attempt) {
    Execute("begin immediate");
    try {
        BeginRecording(run, attempt.ending, attempt.row);
        Statement update(*this, "update run set end_time = ?, elapsed = ? where id = ?");
        update.Bind(1, attempt.endTime).Bind(2, attempt.elapsed).Bind(3, run).Run();
        Statement(*this, "delete from recorded_answer where run = ?").Bind(1, run).Run();
        Statement insert(*this, "insert into recorded_answer(run, question, answer, marks, "
                                "full_marks) values(?, ?, ?, ?, ?)");
        for (const RecordedAnswer& answer : attempt.answers) {
            insert.Bind(1, run).Bind(2, answer.question).Bind(3, answer.answer);
            insert.Bind(4, answer.marks).Bind(5, answer.fullMarks).Run();
            sqlite3_reset(insert.Handle());
        }
        Execute("commit");
    } catch (...) {
        sqlite3_exec(db, "rollback", nullptr, nullptr, nullptr);
        throw;
    }
}

void ExamJournal::BeginRecording(int64_t run, RunEnding ending, const JournaledScoreRow& row) {
    Statement update(*this, "update run set stage = 1, ending = ?, row_town = ?, row_unit = ?, "
                            "row_name = ?, row_score = ?, row_time = ? where id = ?");
    update.Bind(1, static_cast<int64_t>(ending)).Bind(2, row.town).Bind(3, row.unit);
    update.Bind(4, row.name).Bind(5, row.score).Bind(6, row.time).Bind(7, run).Run();
}

void ExamJournal::BackToRunning(int64_t run) {
    Statement(*this, "update run set stage = 0, ending = 0 where id = ?").Bind(1, run).Run();
}

void ExamJournal::MarkEnded(int64_t run, int64_t wallClock) {
    Statement update(*this, "update run set stage = 2, ended_at = ? where id = ?");
    update.Bind(1, wallClock).Bind(2, run).Run();
}

void ExamJournal::Archive(int64_t run) {
    Statement(*this, "update run set archived = 1 where id = ?").Bind(1, run).Run();
}

int ExamJournal::DeleteEndedBefore(int64_t wallClock) {
    constexpr const char* Old = "(select id from run where stage = 2 and archived = 0 and "
                                "ended_at < ?1)";
    Execute("begin immediate");
    try {
        for (const char* table : {"answer", "recorded_answer"})
            Statement(*this, std::string("delete from ") + table + " where run in " + Old)
                .Bind(1, wallClock)
                .Run();
        Statement(*this, "delete from run where stage = 2 and archived = 0 and ended_at < ?1")
            .Bind(1, wallClock)
            .Run();
        const int deleted = sqlite3_changes(db);
        Execute("commit");
        return deleted;
    } catch (...) {
        sqlite3_exec(db, "rollback", nullptr, nullptr, nullptr);
        throw;
    }
}
