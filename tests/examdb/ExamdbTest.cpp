#include "exam/AttemptTables.h"
#include "platform/CodePage.h"
#include "platform/DatabaseConnection.h"
#include "tests/examdb/ExamdbRun.h"
#include "tests/support/PgServer.h"
#include "tests/support/TempDir.h"
#include "tests/tallyboard/VerificationTestData.h"

namespace {

using testsupport::Backend;

using namespace examdbtest;

class ExamdbOn : public testing::TestWithParam<Backend> {
protected:
    // A database without any table.
    QString EmptyDatabase() {
        if (GetParam() == Backend::Sqlite)
            return u"Provider=SQLite;Data Source="_qs + QString::fromStdString((dir / "new.db"));
        auto& server = testsupport::PgServer::Shared();
        return server.ConnectionString(server.CreateDatabase());
    }
    QString Write(const std::string& name, const QString& text) {
        return QString::fromStdString(dir.write(name, text.toUtf8().toStdString()));
    }
    testsupport::TempDir dir;
};

TEST_P(ExamdbOn, InitCreatesEveryTableOnceAndMissingOnlyTheAbsentOnes) {
    const QString database = EmptyDatabase();
    const Outcome first = Examdb({u"init"_qs, database});
    ASSERT_EQ(first.code, 0) << first.err.toStdString();
    for (const char* table : {"town", "Fac", "Score", "Paper", "Attempt", "AttemptAnswer"})
        EXPECT_EQ(Count(database, QString::fromLatin1(table)), 0) << table;
    // The ids start at 1, as exam's "id=0" needs.
    ValueOf(database, u"insert into town (name) values ('a')"_qs);
    EXPECT_EQ(ValueOf(database, u"select id from town"_qs), u"1"_qs);

    const Outcome again = Examdb({u"init"_qs, database});
    EXPECT_EQ(again.code, 1);
    EXPECT_TRUE(again.err.contains(u"--missing-only"_qs)) << again.err.toStdString();
    EXPECT_EQ(Count(database, u"town"_qs), 1);

    ValueOf(database, u"drop table AttemptAnswer"_qs);
    ValueOf(database, u"drop table Paper"_qs);
    const Outcome missing = Examdb({u"init"_qs, u"--missing-only"_qs, database});
    ASSERT_EQ(missing.code, 0) << missing.err.toStdString();
    EXPECT_TRUE(missing.out.endsWith(u"已建表 Paper, AttemptAnswer\n"_qs))
        << missing.out.toStdString();
    EXPECT_EQ(Count(database, u"town"_qs), 1);
}

TEST_P(ExamdbOn, UnitsImportRefusesFaultyFilesWholeAndAddsOnlyWhatIsNew) {
    const testsupport::TestDatabase database(GetParam());
    const QString db = database.ConnectionString();
    database.Execute(
        u"INSERT INTO town (name) VALUES ('城关镇');\n"
        "INSERT INTO Fac (name, Belong, type) VALUES ('东关村', '城关镇', true);\n"_qs);
    // Columns in another order; a GBK file; faults at rows 3 to 7.
    const QString faulty = QString::fromStdString(
        dir.write("faulty.csv", platform::ToGbk(u"类型,单位,乡镇\n"
                                                "事业单位,安平镇中学,安平镇\n"
                                                "村,西关村,城关镇\n"
                                                "行政村,,城关镇\n"
                                                "事业单位,卫生院,\n"
                                                "行政村,安平镇中学,安平镇\n"
                                                "事业单位,东关村,城关镇\n"_qs)));
    ExpectFaultsAtRows(Examdb({u"units"_qs, u"import"_qs, faulty, db}), faulty, 3, 5);
    EXPECT_EQ(Count(db, u"town"_qs), 1);
    EXPECT_EQ(Count(db, u"Fac"_qs), 1);

    const QString clean = Write("clean.csv", u"乡镇,单位,类型\n安平镇,安平镇中学,事业单位\n"
                                             "城关镇,东关村,行政村\n城关镇,西关村,行政村\n"
                                             "青山镇,,\n"_qs);
    const Outcome imported = Examdb({u"units"_qs, u"import"_qs, clean, db});
    ASSERT_EQ(imported.code, 0) << imported.err.toStdString();
    EXPECT_EQ(imported.out, u"新增乡镇 2 个，单位 2 个\n"_qs);
    EXPECT_EQ(ValueOf(db, u"select count(*) from Fac where name = '西关村' and Belong = '城关镇' "
                          "and type = true"_qs),
              u"1"_qs);
    EXPECT_EQ(Examdb({u"units"_qs, u"import"_qs, clean, db}).out, u"新增乡镇 0 个，单位 0 个\n"_qs);

    // Exported and imported into an empty database, as .xlsx and as CSV, the same rows come back.
    for (const char* name : {"units.xlsx", "units.csv"}) {
        const QString file = QString::fromStdString(dir / name);
        ASSERT_EQ(Examdb({u"units"_qs, u"export"_qs, file, db}).code, 0);
        const testsupport::TestDatabase copy(GetParam());
        const Outcome back = Examdb({u"units"_qs, u"import"_qs, file, copy.ConnectionString()});
        EXPECT_EQ(back.out, u"新增乡镇 3 个，单位 3 个\n"_qs) << back.err.toStdString();
        EXPECT_EQ(ValueOf(copy.ConnectionString(),
                          u"select count(*) from Fac where name = '东关村' and type = true"_qs),
                  u"1"_qs);
        EXPECT_EQ(ValueOf(copy.ConnectionString(), u"select name from town where id = 3"_qs),
                  u"青山镇"_qs);
    }
}

TEST_P(ExamdbOn, CheckReportsAGoodDatabaseAndFailsOnAnUnreachableOne) {
    const testsupport::TestDatabase database(GetParam(), testsupport::Tables::ScoresOnly);
    database.Execute(u"INSERT INTO town (name) VALUES ('a');\n"
                     "INSERT INTO Fac (name, Belong, type) VALUES ('u', 'a', false);\n"
                     "INSERT INTO Fac (name, Belong, type) VALUES ('v', 'a', true);\n"_qs);
    const QString good = Write("good.ini", u"[DBConifg]\nConnectionString="_qs +
                                               database.ConnectionString() + u'\n');
    const Outcome checked = Examdb({u"check"_qs, u"--config"_qs, good});
    EXPECT_EQ(checked.code, 0) << checked.out.toStdString();
    EXPECT_TRUE(checked.out.contains(u"乡镇 1 个，单位 2 个，成绩 0 条"_qs))
        << checked.out.toStdString();
    EXPECT_TRUE(checked.out.contains(u"缺少的表：Paper, Attempt, AttemptAnswer"_qs));
    EXPECT_TRUE(checked.out.contains(u"本账户能读取成绩"_qs));

    const QString unreachable =
        GetParam() == Backend::Sqlite
            ? u"Provider=SQLite;Data Source=/nonexistent/korvend.db"_qs
            : u"Provider=PostgreSQL;Data Source=127.0.0.1:1;Initial Catalog=korvend"_qs;
    const QString bad = Write("bad.ini", u"[DBConifg]\nConnectionString="_qs + unreachable + u'\n');
    const Outcome failed = Examdb({u"check"_qs, u"--config"_qs, bad});
    EXPECT_EQ(failed.code, 1);
    EXPECT_TRUE(failed.out.contains(u"连接失败"_qs)) << failed.out.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Backends, ExamdbOn, testing::Values(Backend::Sqlite, Backend::Postgres),
                         [](const auto& info) { return testsupport::BackendName(info.param); });

QString As(const QString& connectionString, const QString& role) {
    return connectionString.left(connectionString.indexOf(u"User ID="_qs)) + u"User ID="_qs + role;
}

bool Runs(const QString& connectionString, const QString& sql) {
    platform::TADOConnection connection;
    connection.SetConnectionString(connectionString);
    try {
        connection.Execute(sql);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

// A password in the connection string is never shown, whether the fault ends the command or
// stands in check's report.
TEST(ExamdbMessages, MaskPasswords) {
    testsupport::TempDir dir;
    const QString connection = u"Provider=Other;User ID=u;Password=\"se;cret\""_qs;
    const QString ini = QString::fromStdString(dir.write(
        "other.ini", ("[DBConifg]\nConnectionString=" + connection + "\n").toStdString()));
    for (const QStringList& arguments :
         {QStringList{u"init"_qs, connection}, QStringList{u"check"_qs, u"--config"_qs, ini}}) {
        const Outcome outcome = Examdb(arguments);
        EXPECT_EQ(outcome.code, 1);
        const QString shown = outcome.out + outcome.err;
        EXPECT_TRUE(shown.contains(u"User ID=u;Password=***"_qs)) << shown.toStdString();
        EXPECT_FALSE(shown.contains(u"cret"_qs)) << shown.toStdString();
    }
}

// The SHA-256 of the three bytes "abc".
const QString AbcSha256 = u"ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"_qs;

QString InsertPaper(const char* bytes) {
    return u"insert into Paper (Sha256, Title, Bytes) values ('%1', '伪卷', '%2'::bytea)"_qs.arg(
        AbcSha256, QString::fromLatin1(bytes));
}

QString InsertAnswer(const char* token, int question) {
    return u"insert into AttemptAnswer (Token, Question, Marks, FullMarks) values ('%1', %2, 1, 1)"_qs
        .arg(QString::fromLatin1(token))
        .arg(question);
}

TEST(ExamdbInit, MissingOnlyAddsTheChecksOrNamesTheForgedPapersThatStopThem) {
    const testsupport::TestDatabase database(Backend::Postgres);
    const QString db = database.ConnectionString();
    // A database from before the checks, where a paper has been forged.
    database.Execute(u"alter table Paper drop constraint Paper_Bytes_Sha256;\n"
                     "alter table AttemptAnswer drop constraint AttemptAnswer_Token;\n"_qs +
                     InsertPaper("abd"));
    const Outcome refused = Examdb({u"init"_qs, u"--missing-only"_qs, db});
    EXPECT_EQ(refused.code, 1);
    EXPECT_TRUE(refused.out.endsWith(u"已加约束 AttemptAnswer_Token\n"_qs))
        << refused.out.toStdString();
    EXPECT_TRUE(refused.err.contains(u"未能给表 Paper 加上约束 Paper_Bytes_Sha256"_qs) &&
                refused.err.contains(u"1 份试卷的内容与其 SHA-256 不符，可能是伪造的：\n  "_qs +
                                     AbcSha256 + u" 伪卷\n"_qs))
        << refused.err.toStdString();

    ValueOf(db, u"delete from Paper"_qs);
    const Outcome added = Examdb({u"init"_qs, u"--missing-only"_qs, db});
    EXPECT_EQ(added.code, 0) << added.err.toStdString();
    EXPECT_TRUE(added.out.endsWith(u"已加约束 Paper_Bytes_Sha256\n"_qs)) << added.out.toStdString();
    EXPECT_FALSE(Runs(db, InsertPaper("abd")));
}

TEST(ExamdbRoles, DesksAppendScoresAndReadNoneTheAdministratorReadsAll) {
    testsupport::TempDir dir;
    auto& server = testsupport::PgServer::Shared();
    const QString name = server.CreateDatabase();
    const QString owner = server.ConnectionString(name);
    ASSERT_EQ(Examdb({u"init"_qs, owner}).code, 0);
    ASSERT_TRUE(
        Runs(owner, u"insert into Score (Town, Fac, Name, Score) values ('t','f','n',1)"_qs));
    ASSERT_TRUE(Runs(owner, u"alter database %1 set log_statement = 'all'"_qs.arg(name)));
    // Passwords with quotes and a backslash are quoted by the server.
    const QString deskPassword = u"it's\\\"x"_qs;
    const QString adminPassword = u"Adm1n-only-here"_qs;
    const QString desk =
        QString::fromStdString(dir.write("desk", deskPassword.toStdString() + '\n'));
    const QString admin =
        QString::fromStdString(dir.write("admin", adminPassword.toStdString() + '\n'));
    const QStringList roles{
        u"roles"_qs, owner, u"--desk-password-file"_qs, desk, u"--admin-password-file"_qs, admin};
    for (int run = 0; run < 2; ++run) {
        const Outcome made = Examdb(roles);
        ASSERT_EQ(made.code, 0) << made.err.toStdString();
    }
    // The server was sent the verifiers only, and the accounts log in with their passwords.
    EXPECT_EQ(ValueOf(owner, u"select count(*) from pg_authid where rolname in ('exam_desk', "
                             "'exam_admin') and rolpassword like 'SCRAM-SHA-256$4096:%'"_qs),
              u"2"_qs);
    const QString log = server.LogText();
    EXPECT_TRUE(log.contains(u"ALTER ROLE exam_admin PASSWORD 'SCRAM-SHA-256$4096:"_qs));
    EXPECT_FALSE(log.contains(adminPassword));
    for (const auto& [role, password] :
         {std::pair{u"exam_desk"_qs, deskPassword}, std::pair{u"exam_admin"_qs, adminPassword}}) {
        EXPECT_EQ(ValueOf(server.PasswordConnectionString(name, role, password),
                          u"select current_user"_qs),
                  role);
        EXPECT_FALSE(Runs(server.PasswordConnectionString(name, role, u"x"_qs), u"select 1"_qs));
    }
    EXPECT_EQ(Examdb({u"roles"_qs, owner}).code, 2); // no terminal, no password file

    const QString deskDb = As(owner, u"exam_desk"_qs);
    EXPECT_TRUE(Runs(deskDb, u"select name from town"_qs));
    EXPECT_TRUE(
        Runs(deskDb, u"insert into Score (Town, Fac, Name, Score) values ('t','f','n',2)"_qs));
    EXPECT_EQ(ValueOf(deskDb, u"select count(*) from Score"_qs), u"0"_qs);
    EXPECT_FALSE(Runs(deskDb, u"update Score set Score = 100"_qs));
    EXPECT_FALSE(Runs(deskDb, u"delete from Score"_qs));
    EXPECT_FALSE(Runs(deskDb, u"insert into town (name) values ('x')"_qs));

    // Whoever inserts them, a paper must have its hash and an answer its attempt; a desk adds
    // answers only to the attempt it records in the same transaction.
    for (const QString& account : {owner, deskDb}) {
        EXPECT_FALSE(Runs(account, InsertPaper("abd")));
        EXPECT_FALSE(Runs(account, InsertAnswer("none", 0)));
    }
    EXPECT_TRUE(Runs(deskDb, u"begin; insert into Attempt (Token, PaperSha256, Ending, Elapsed) "
                             "values ('t1', '%1', 'handin', 1); %2; %3; commit"_qs.arg(
                                 AbcSha256, InsertPaper("abc"), InsertAnswer("t1", 0))));
    EXPECT_FALSE(Runs(deskDb, InsertAnswer("t1", 1)));
    EXPECT_EQ(ValueOf(owner, u"select count(*) from AttemptAnswer"_qs), u"1"_qs);

    const QString adminDb = As(owner, u"exam_admin"_qs);
    EXPECT_EQ(ValueOf(adminDb, u"select count(*) from Score"_qs), u"2"_qs);
    EXPECT_FALSE(Runs(adminDb, u"insert into Score (Town) values ('t')"_qs));

    const QString deskIni = QString::fromStdString(
        dir.write("desk.ini", ("[DBConifg]\nConnectionString=" + deskDb + "\n").toStdString()));
    const Outcome deskCheck = Examdb({u"check"_qs, u"--config"_qs, deskIni});
    EXPECT_TRUE(deskCheck.out.contains(u"不能读取成绩：这是考试机账户"_qs))
        << deskCheck.out.toStdString();
}

// `examdb roles` on the owner's connection, both accounts with one password.
Outcome MakeRoles(testsupport::TempDir& dir, const QString& owner) {
    const QString password = QString::fromStdString(dir.write("password", "Pw-0nly\n"));
    return Examdb({u"roles"_qs, owner, u"--desk-password-file"_qs, password,
                   u"--admin-password-file"_qs, password});
}

// Stores a paper whose title and bytes are its name with exam's own statement for a paper from
// "Exam File"; false when the statement failed.
bool StoresAsExam(const QString& connectionString, const QString& owner, const QString& name) {
    const QString sha256 =
        ValueOf(owner, u"select encode(sha256('%1'::bytea), 'hex')"_qs.arg(name));
    platform::TADOConnection connection;
    connection.SetConnectionString(connectionString);
    try {
        connection.Open();
        attempttables::InsertPaper(connection, sha256.toStdString(), name.toStdString(),
                                   name.toStdString());
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

TEST(ExamdbRoles, DesksReadAPaperOnlyWhileASittingHoldingItIsOpen) {
    testsupport::TempDir dir;
    const testsupport::TestDatabase database(Backend::Postgres); // made before the sittings
    const QString owner = database.ConnectionString();
    const Outcome older = MakeRoles(dir, owner);
    EXPECT_TRUE(older.code == 0 &&
                older.out.contains(u"没有表 Sitting, SittingPaper, SittingUnit, Roster, "
                                   "AttemptStart，未授予这些表的权限；请先运行 examdb init "
                                   "--missing-only"_qs))
        << older.out.toStdString() << older.err.toStdString();
    ASSERT_EQ(Examdb({u"init"_qs, u"--missing-only"_qs, owner}).code, 0);
    const Outcome made = MakeRoles(dir, owner);
    ASSERT_EQ(made.code, 0) << made.err.toStdString();
    EXPECT_FALSE(made.out.contains(u"没有表"_qs)) << made.out.toStdString();

    // TIMESTAMP(0) rounds to the nearest second, so the window's ends are whole seconds.
    ASSERT_TRUE(Runs(owner, u"insert into Sitting (Title, OpensAt, ClosesAt) select v.* from "
                            "(select date_trunc('second', localtimestamp) as now) t, lateral "
                            "(values ('closed', now - interval '2 hours', now), ('open', now, now "
                            "+ interval '1 hour'), ('future', now + interval '1 minute', now + "
                            "interval '2 hours')) v"_qs));
    const struct {
        QString paper;
        QString sittings;
        bool readable;
    } papers[] = {{u"closed"_qs, u"'closed'"_qs, false},
                  {u"future"_qs, u"'future'"_qs, false},
                  {u"open"_qs, u"'open'"_qs, true},
                  {u"reused"_qs, u"'closed', 'open'"_qs, true},
                  {u"loose"_qs, u"''"_qs, false}};
    const QString deskDb = As(owner, u"exam_desk"_qs);
    for (const auto& [paper, sittings, readable] : papers) {
        ASSERT_TRUE(StoresAsExam(owner, owner, paper));
        ASSERT_TRUE(Runs(
            owner, u"insert into SittingPaper select s.Id, p.Sha256 from Sitting s, "
                   "Paper p where s.Title in (%1) and p.Title = '%2'"_qs.arg(sittings, paper)));
        EXPECT_EQ(Count(deskDb, u"Paper where Title = '%1'"_qs.arg(paper)), readable ? 1 : 0)
            << paper.toStdString();
        // Stored already, readable or not, the paper is skipped without a fault.
        EXPECT_TRUE(StoresAsExam(deskDb, owner, paper)) << paper.toStdString();
    }
    EXPECT_TRUE(StoresAsExam(deskDb, owner, u"new"_qs));
    for (const char* table : {"Sitting", "SittingPaper", "SittingUnit", "Roster"}) {
        EXPECT_TRUE(Runs(deskDb, u"select * from "_qs + QLatin1String(table))) << table;
        EXPECT_FALSE(Runs(deskDb, u"delete from "_qs + QLatin1String(table))) << table;
    }
    EXPECT_TRUE(
        Runs(deskDb, u"insert into AttemptStart (Token, PaperSha256) values ('t1', 'a')"_qs));
    EXPECT_FALSE(Runs(deskDb, u"select * from AttemptStart"_qs));

    const QString adminDb = As(owner, u"exam_admin"_qs);
    for (const char* write :
         {"insert into Sitting (Title, OpensAt, ClosesAt) values ('new', localtimestamp, "
          "localtimestamp); update Sitting set ClosesAt = localtimestamp where Title = 'new'",
          "insert into SittingPaper values (9, 'a'); insert into SittingUnit values (9, 't', ''); "
          "insert into Roster values ('t', 'f', 'n')",
          "update SittingPaper set SittingId = 8 where SittingId = 9; update SittingUnit set "
          "Fac = 'f'; update Roster set Name = 'm'",
          "delete from SittingPaper where SittingId = 8; delete from SittingUnit; delete from "
          "Roster; delete from Sitting where Title = 'new'",
          "insert into Paper select encode(sha256('admin'::bytea), 'hex'), 'admin', 'admin'"})
        EXPECT_TRUE(Runs(adminDb, QString::fromLatin1(write))) << write;
    EXPECT_EQ(Count(adminDb, u"Paper"_qs), 7);
    EXPECT_EQ(Count(adminDb, u"AttemptStart"_qs), 1);
}

// `examdb verify` with the database named in a configuration file of its own.
Outcome Verify(const testsupport::TestDatabase& database, testsupport::TempDir& dir) {
    const QString config = QString::fromStdString(dir.write(
        "verify.ini",
        (u"[DBConifg]\r\nConnectionString="_qs + database.ConnectionString()).toStdString()));
    return Examdb({u"verify"_qs, u"--config"_qs, config});
}

TEST(ExamdbVerify, ListsOneFaultOfEachKindGroupedAndExitsWithOne) {
    testsupport::TempDir dir;
    const testsupport::TestDatabase database(testsupport::Backend::Sqlite);
    verificationtest::SeedOneFaultOfEachKind(database);
    const Outcome outcome = Verify(database, dir);
    EXPECT_EQ(outcome.code, 1) << outcome.err.toStdString();
    const QString unit = u"安平镇\t中心小学\t"_qs;
    const QStringList expected = {
        u"成绩无答卷\t"_qs + unit + u"李四\t2026-12-09 10:00:00 成绩 70 没有对应的答卷"_qs,
        u"答卷无成绩\t"_qs + unit + u"王五\t2026-12-09 09:10:00 答卷成绩 6 没有对应的成绩记录"_qs,
        u"成绩不符\t"_qs + unit + u"钱七\t2026-12-09 09:20:00 成绩记为 60，答卷为 6"_qs,
        u"得分不符\t"_qs + unit +
            u"孙八\t2026-12-09 09:30:00 第1题作答“A”记为 2 分，复核为 0 分"_qs,
        u"题目不存在\t"_qs + unit + u"吴十\t2026-12-09 09:40:00 第6题不在试卷中（试卷共 3 题）"_qs,
        u"试卷被改动\t"_qs + unit +
            u"赵六\t2026-12-09 09:50:00 试卷“伪造试卷”的内容与其 SHA-256 不符，未用于复核"_qs,
        u"试卷缺失\t"_qs + unit +
            u"周九\t2026-12-09 10:10:00 试卷表中没有这份答卷的试卷（SHA-256 abc）"_qs,
        u"作答无答卷\t\t\t\t答卷标识 zz 下有 1 条作答，但没有这份答卷"_qs,
        u"复核成绩 8 行、答卷 7 份：成绩无答卷 1，答卷无成绩 1，成绩不符 1，得分不符 1，"
        "题目不存在 1，试卷被改动 1，试卷缺失 1，作答无答卷 1；共 8 处错误；另有 1 行成绩早于"
        "第一份答卷，不计为错误"_qs,
        u""_qs};
    EXPECT_EQ(outcome.out.split(u'\n'), expected);
}

TEST(ExamdbVerify, ExitsWithZeroWhenAllAgreesAndWithOneWithoutAttemptTables) {
    testsupport::TempDir dir;
    const testsupport::TestDatabase sound(testsupport::Backend::Sqlite);
    attempttest::InsertAttempt(sound,
                               attempttest::InsertPaper(sound, attempttest::ThreeQuestionPaper()),
                               verificationtest::SoundAttempt("t1", "张三", "2026-12-09 09:00:00"));
    const Outcome agreed = Verify(sound, dir);
    EXPECT_EQ(agreed.code, 0) << agreed.err.toStdString();
    EXPECT_TRUE(agreed.out.contains(u"共 0 处错误"_qs)) << agreed.out.toStdString();

    const testsupport::TestDatabase old(testsupport::Backend::Sqlite,
                                        testsupport::Tables::ScoresOnly);
    const Outcome refused = Verify(old, dir);
    EXPECT_EQ(refused.code, 1);
    EXPECT_TRUE(refused.out.isEmpty());
    EXPECT_TRUE(refused.err.contains(u"数据库中没有答卷记录表"_qs)) << refused.err.toStdString();
}

} // namespace
