#include "common/FuncUnit.h"
#include "exam/ExamJournal.h"
#include "exam/StartupRecovery.h"
#include "tests/exam/LoginTestData.h"
#include "tests/exam/core/JournalSql.h"
#include "ui/MessageBox.h"

#include <QCryptographicHash>
#include <QFile>
#include <QSqlDriver>
#include <QSqlQuery>
#include <sqlite3.h>

using namespace logintest;
using testsupport::Backend;

namespace {

QStringList Texts(const std::vector<ui::ShownMessageBox>& shown) {
    QStringList texts;
    for (const ui::ShownMessageBox& box : shown)
        texts << box.text;
    return texts;
}

QStringList Rows(const QString& connectionString, const QString& sql) {
    platform::TADOConnection connection;
    connection.SetConnectionString(connectionString);
    platform::TADOQuery query;
    query.SetConnection(&connection);
    query.SetSQL(sql);
    query.Open();
    QStringList rows;
    for (int row = 0; row < query.RecordCount(); ++row) {
        QStringList fields;
        for (int field = 0; field < query.FieldCount(); ++field)
            fields << query.DisplayText(row, field);
        rows << fields.join(u'|');
    }
    return rows;
}

void DropAttemptTables(const testsupport::TestDatabase& database) {
    for (const char* table : {"AttemptAnswer", "Attempt", "Paper"})
        database.Execute(u"drop table "_qs + QString::fromLatin1(table));
}

enum class Ending { HandIn, TimeOut, Abandonment };

// Answers question 0 right ("A", 10 of 10), leaves 1 open and answers 2 wrong ("B"), and ends.
void AnswerAndEnd(TMainForm& form, Ending ending) {
    Answer(form, 0, 0);
    Answer(form, 2, 1);
    if (ending == Ending::HandIn)
        form.btn2Click();
    else if (ending == Ending::Abandonment)
        form.Button1Click();
    else
        while (form.ExamRunning())
            form.tmr1Timer();
}

class AttemptRecording : public ::testing::TestWithParam<Backend> {
protected:
    void SetUp() override {
        boxes.answer(ui::IDYES);
        paperFile = folder.AddPaper(SmallPaper(u"试卷 1"_qs, 5), "paper.mqe");
    }
    QStringList Primary(const QString& sql) const {
        return Rows(folder.primary.ConnectionString(), sql);
    }

    ui::ScriptedMessageBoxes boxes;
    ExamFolder folder{GetParam()};
    std::filesystem::path paperFile;
};

TEST_P(AttemptRecording, EveryEndingWritesItsAttemptAndEveryAnswerWithTheScoreRow) {
    for (const Ending ending : {Ending::HandIn, Ending::TimeOut, Ending::Abandonment}) {
        ExamWindow window(folder);
        window.mainForm.StartExam(0);
        AnswerAndEnd(window.mainForm, ending);
        ASSERT_TRUE(window.mainForm.ExamEnded());
        const QString token = QString::fromStdString(window.mainForm.Session().Token());
        const QString score = ending == Ending::Abandonment ? u"0"_qs : u"10"_qs;
        const QString name = ending == Ending::HandIn    ? u"handin"_qs
                             : ending == Ending::TimeOut ? u"timeout"_qs
                                                         : u"abandon"_qs;
        EXPECT_EQ(
            Primary(u"select Town, Fac, Name, Score, Ending, Resumes, AwaySeconds from "
                    u"Attempt where Token = '"_qs +
                    token + u"'"_qs),
            QStringList{u"安平镇|安平镇卫生院|张伟|"_qs + score + u"|"_qs + name + u"|0|0"_qs});
        EXPECT_EQ(Primary(u"select Question, Answer, Marks, FullMarks from AttemptAnswer where "
                          u"Token = '"_qs +
                          token + u"' order by Question"_qs),
                  QStringList({u"0|A|10|10"_qs, u"1||0|10"_qs, u"2|B|0|10"_qs}));
        // The attempt carries the score row's own STime.
        EXPECT_EQ(Primary(u"select STime from Attempt where Token = '"_qs + token + u"'"_qs),
                  Primary(u"select STime from Score where id = (select max(id) from Score)"_qs));
    }
    EXPECT_EQ(folder.PrimaryRows(), 3);
    QFile file(QString::fromStdString(paperFile.string()));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    const QString sha =
        QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
    EXPECT_EQ(Primary(u"select Sha256, Title from Paper"_qs), QStringList{sha + u"|试卷 1"_qs});
    EXPECT_EQ(Primary(u"select distinct PaperSha256 from Attempt"_qs), QStringList{sha});
    platform::TADOConnection connection;
    connection.SetConnectionString(folder.primary.ConnectionString());
    ASSERT_TRUE(connection.Open());
    QSqlQuery query(u"select Bytes from Paper"_qs, connection.Database());
    ASSERT_TRUE(query.next());
    EXPECT_EQ(query.value(0).toByteArray(), bytes);
}

// Killed after a failed time-out post (before any commit), killed after the commit but before
// the journal knew it, and a hand-in whose first post was reported failed but committed: one score
// row and one attempt each.
TEST_P(AttemptRecording, KilledOrFailedPostsLeaveExactlyOneRowAndAttempt) {
    enum class Case { BeforeThePost, AfterTheCommit, ReportedFailedButCommitted };
    for (const Case what :
         {Case::BeforeThePost, Case::AfterTheCommit, Case::ReportedFailedButCommitted}) {
        for (const char* table : {"Score", "AttemptAnswer", "Attempt"})
            folder.primary.Execute(u"delete from "_qs + QString::fromLatin1(table));
        const std::filesystem::path journalFile =
            folder.dir / ("journal" + std::to_string(int(what)) + ".db");
        ExamJournal journal(journalFile.string());
        {
            ExamWindow window(folder);
            window.mainForm.SetJournal(&journal);
            window.mainForm.StartExam(0);
            if (what == Case::BeforeThePost)
                window.dataModule.con1.SetConnectionString(
                    u"Provider=SQLite;Data Source=/nonexistent/x.db"_qs);
            if (what == Case::ReportedFailedButCommitted) {
                AttemptRecord committed;
                committed.token = window.mainForm.Session().Token();
                committed.row = {"安平镇", "安平镇卫生院", "张伟", "0", "2026-12-09 08:00:00"};
                committed.ending = RunEnding::Abandonment;
                window.dataModule.PostAttempt(committed);
            }
            try {
                AnswerAndEnd(window.mainForm, what == Case::ReportedFailedButCommitted
                                                  ? Ending::HandIn
                                                  : Ending::TimeOut);
            } catch (const std::exception&) {
                EXPECT_EQ(what, Case::BeforeThePost);
            }
        }
        if (what == Case::AfterTheCommit) {
            const JournaledRun ended = *journal.Run(1);
            journal.BeginRecording(1, ended.ending, ended.row);
        }
        ExamWindow restarted(folder);
        ResumeUnfinishedExam(journal, restarted.mainForm, restarted.dataModule, 0);
        EXPECT_EQ(folder.PrimaryRows(), 1) << int(what);
        EXPECT_EQ(Primary(u"select count(*) from Attempt"_qs), QStringList{u"1"_qs}) << int(what);
        EXPECT_TRUE(journal.PendingRuns().empty()) << int(what);
    }
}

// A resumed run whose time was up, with the database down: it stays in its recording stage and is
// recorded, once, at the next start.
TEST_P(AttemptRecording, ResumedTimedOutRunWithTheDatabaseDownIsRecordedAtTheNextStart) {
    const std::string journalFile = (folder.dir / "journal.db").string();
    ExamJournal journal(journalFile);
    {
        ExamWindow window(folder);
        window.mainForm.SetJournal(&journal);
        window.mainForm.StartExam(0);
        Answer(window.mainForm, 0, 0);
    }
    JournalSql(journalFile, "update run set elapsed = 5 where id = 1");
    {
        ExamWindow down(folder);
        down.mainForm.SetJournal(&journal);
        down.dataModule.con1.SetConnectionString(
            u"Provider=SQLite;Data Source=/nonexistent/x.db"_qs);
        EXPECT_FALSE(ResumeUnfinishedExam(journal, down.mainForm, down.dataModule, 0));
    }
    ASSERT_EQ(journal.PendingRuns().size(), 1u);
    EXPECT_EQ(journal.PendingRuns()[0].stage, RunStage::Recording);
    EXPECT_EQ(folder.PrimaryRows(), 0);
    boxes.clear();
    ExamWindow restarted(folder);
    ResumeUnfinishedExam(journal, restarted.mainForm, restarted.dataModule, 0);
    EXPECT_EQ(Texts(boxes.shown()), QStringList{u"上次考试的成绩已补记:10分"_qs});
    EXPECT_EQ(Primary(u"select Score, Ending, Resumes from Attempt"_qs),
              QStringList{u"10|timeout|1"_qs});
    EXPECT_EQ(folder.PrimaryRows(), 1);
    EXPECT_TRUE(journal.PendingRuns().empty());
}

INSTANTIATE_TEST_SUITE_P(Backends, AttemptRecording,
                         ::testing::Values(Backend::Sqlite, Backend::Postgres),
                         [](const auto& info) { return testsupport::BackendName(info.param); });

class DeskAccount : public AttemptRecording {};

// Under exam_desk every ending and the completion at start-up record their rows, and the
// account can neither read nor change a score row or an attempt.
TEST_P(DeskAccount, AppendsEveryEndingButCannotReadOrChangeScores) {
    const QString roles = testsupport::SqlFile("roles-postgresql.sql");
    folder.primary.ExecuteScript(roles);
    folder.primary.ExecuteScript(roles); // a second run changes nothing
    const QString desk = folder.primary.ConnectionStringAs(u"exam_desk"_qs);
    folder.dir.write("DBConifg.ini", (u"[DBConifg]\r\nConnectionString="_qs + desk).toStdString());
    for (const Ending ending : {Ending::HandIn, Ending::TimeOut, Ending::Abandonment}) {
        ExamWindow window(folder);
        EXPECT_EQ(OpenQuery(window.dataModule.qry1, u"select name, id from town"_qs, true), true);
        window.mainForm.StartExam(0);
        AnswerAndEnd(window.mainForm, ending);
        EXPECT_TRUE(window.mainForm.ExamEnded());
    }
    ExamJournal journal((folder.dir / "journal.db").string());
    JournaledRun run;
    run.token = "00000000-0000-4000-8000-000000000001";
    run.paperPath = paperFile.native();
    const int64_t id = journal.StartRun(run);
    journal.BeginRecording(id, RunEnding::HandIn,
                           {"安平镇", "安平镇卫生院", "李四", "20", "2026-12-09 08:00:00"});
    ExamWindow restarted(folder);
    ResumeUnfinishedExam(journal, restarted.mainForm, restarted.dataModule, 0);
    EXPECT_TRUE(journal.PendingRuns().empty());
    EXPECT_EQ(folder.PrimaryRows(), 4);
    EXPECT_EQ(Primary(u"select count(*) from Attempt"_qs), QStringList{u"4"_qs});

    platform::TADOConnection connection;
    connection.SetConnectionString(desk);
    EXPECT_EQ(Rows(desk, u"select * from Score"_qs), QStringList());
    for (const char* refused :
         {"update Score set Score = 100", "delete from Score", "select * from Attempt",
          "update Attempt set Score = 100", "delete from Attempt", "select * from AttemptAnswer",
          "delete from Paper"})
        EXPECT_ANY_THROW(connection.Execute(QString::fromLatin1(refused))) << refused;
    EXPECT_EQ(Primary(u"select count(*) from Score where Score = 100"_qs), QStringList{u"0"_qs});
}

INSTANTIATE_TEST_SUITE_P(Postgres, DeskAccount, ::testing::Values(Backend::Postgres));

class OlderDatabase : public AttemptRecording {};

// A database set up before attempts were recorded sees exactly the statements it always saw.
TEST_P(OlderDatabase, GetsTheScoreRowWithTheStatementsOfOld) {
    DropAttemptTables(folder.primary);
    ExamWindow window(folder);
    ASSERT_TRUE(window.dataModule.con1.Open());
    const QVariant handle = window.dataModule.con1.Database().driver()->handle();
    sqlite3* database = *static_cast<sqlite3* const*>(handle.constData());
    QStringList statements;
    sqlite3_trace_v2(
        database, SQLITE_TRACE_STMT,
        [](unsigned, void* context, void*, void* sql) {
            const QString text = QString::fromUtf8(static_cast<const char*>(sql));
            if (!text.contains(u"sqlite_master"_qs))
                static_cast<QStringList*>(context)->append(text);
            return 0;
        },
        &statements);
    window.mainForm.StartExam(0);
    AnswerAndEnd(window.mainForm, Ending::HandIn);
    EXPECT_EQ(statements.join(u'\n').toStdString(),
              QStringList({u"select * from Score where id=0"_qs,
                           u"INSERT INTO Score (\"Town\", \"Fac\", \"Name\", \"Score\", \"STime\") "
                           u"VALUES (:0, :1, :2, :3, :4)"_qs})
                  .join(u'\n')
                  .toStdString());
    EXPECT_EQ(boxes.shown().size(), 3u); // the two hand-in questions and the result
    EXPECT_EQ(folder.PrimaryRows(), 1);
}

INSTANTIATE_TEST_SUITE_P(Sqlite, OlderDatabase, ::testing::Values(Backend::Sqlite));

} // namespace
