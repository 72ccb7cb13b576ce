// The roster and sitting commands of examdb against SQLite and the real PostgreSQL server.

#include "paper/PaperWriter.h"
#include "platform/CodePage.h"
#include "tests/examdb/ExamdbRun.h"
#include "tests/support/PgServer.h"
#include "tests/support/TempDir.h"

#include <QFile>

namespace {

using namespace examdbtest;
using testsupport::Backend;

class SittingCommandsOn : public testing::TestWithParam<Backend> {
protected:
    SittingCommandsOn() {
        database.Execute(
            u"INSERT INTO town (name) VALUES ('城关镇');\n"
            "INSERT INTO town (name) VALUES ('河口乡');\n"
            "INSERT INTO Fac (name, Belong, type) VALUES ('东关村', '城关镇', true);\n"
            "INSERT INTO Fac (name, Belong, type) VALUES ('镇政府', '城关镇', false);\n"
            "INSERT INTO Fac (name, Belong, type) VALUES ('河口村', '河口乡', true);\n"_qs);
        config = Write("DBConifg.ini", u"[DBConifg]\nConnectionString="_qs + db + u'\n');
    }
    QString Write(const std::string& name, const QString& text) {
        return QString::fromStdString(dir.write(name, text.toUtf8().toStdString()));
    }
    QString Paper(const std::string& name, const std::string& title) {
        paperwriter::Paper paper;
        paper.title = platform::ToGbk(QString::fromUtf8(title)); // as papers hold it
        paper.questions.push_back({paperwriter::Kind::Single, "题", 10, 0, {"甲", "乙"}, 1});
        paperwriter::WritePaperFile(paper, dir / name);
        return QString::fromStdString(dir / name);
    }
    Outcome Sitting(QStringList arguments) {
        return Examdb(QStringList{u"sitting"_qs} + arguments + QStringList{u"--config"_qs, config});
    }
    // The text of a file written as UTF-8 with a byte-order mark, the mark left out.
    QString FileText(const QString& file) {
        QFile input(file);
        EXPECT_TRUE(input.open(QIODevice::ReadOnly));
        const QByteArray bytes = input.readAll();
        EXPECT_TRUE(bytes.startsWith("\xEF\xBB\xBF")) << file.toStdString();
        return QString::fromUtf8(bytes.mid(3));
    }

    testsupport::TempDir dir;
    testsupport::TestDatabase database{GetParam(), testsupport::Tables::WithSittings};
    QString db = database.ConnectionString();
    QString config;
};

TEST_P(SittingCommandsOn, RosterImportReportsEveryFaultAtItsRowWritesNothingThenAddsOnlyNew) {
    const QString faulty =
        Write("faulty.csv", u"姓名,乡镇,单位\n张伟,城关镇,东关村\n ,城关镇,东关村\n"
                            "李娜,河口乡,东关村\n张伟 ,城关镇,东关村\n"_qs);
    const Outcome refused = Examdb({u"roster"_qs, u"import"_qs, faulty, db});
    ExpectFaultsAtRows(refused, faulty, 3, 3);
    EXPECT_TRUE(refused.err.section(u'\n', 2, 2).contains(u"第 2 行"_qs))
        << refused.err.toStdString();
    EXPECT_EQ(Count(db, u"Roster"_qs), 0);

    const QString roster =
        Write("roster.csv", u"乡镇,单位,姓名\n城关镇,东关村,张伟\n城关镇,东关村,王芳\n"
                            "城关镇,镇政府,李娜\n"_qs);
    EXPECT_EQ(Examdb({u"roster"_qs, u"import"_qs, roster, db}).out, u"名单新增 3 人\n"_qs);
    EXPECT_EQ(Examdb({u"roster"_qs, u"import"_qs, roster, db}).out, u"名单新增 0 人\n"_qs);
    // The file becomes the whole roster of 东关村 only; 镇政府 keeps 李娜.
    const QString one =
        Write("one.csv", u"乡镇,单位,姓名\n城关镇,东关村,赵强\n城关镇,东关村,张伟\n"_qs);
    EXPECT_EQ(Examdb({u"roster"_qs, u"import"_qs, u"--replace"_qs, one, db}).out,
              u"名单新增 1 人，移出 1 人\n"_qs);
    const QString exported = QString::fromStdString(dir / "out.csv");
    ASSERT_EQ(Examdb({u"roster"_qs, u"export"_qs, exported, db}).code, 0);
    EXPECT_EQ(FileText(exported), u"乡镇,单位,姓名\r\n城关镇,东关村,张伟\r\n"
                                  "城关镇,东关村,赵强\r\n城关镇,镇政府,李娜\r\n"_qs);
}

TEST_P(SittingCommandsOn, SittingAddRefusesAWrongRequestWholeAndStoresEachPaperOnce) {
    const QString notAPaper = Write("note.mqe", u"不是试卷"_qs);
    const Outcome refused =
        Sitting({u"add"_qs, u"--title"_qs, u"安全"_qs, u"--opens"_qs, u"2026-12-10 9:00"_qs,
                 u"--closes"_qs, u"2026-12-10 08:00"_qs, u"--unit"_qs, u"河口乡/东关村"_qs,
                 u"--pass-mark"_qs, u"-1"_qs, notAPaper});
    EXPECT_EQ(refused.code, 1);
    for (const QString& part :
         {u"--opens"_qs, u"--unit"_qs, u"--pass-mark"_qs, notAPaper + u": "_qs})
        EXPECT_TRUE(refused.err.contains(part)) << part.toStdString() << refused.err.toStdString();
    EXPECT_EQ(Count(db, u"Sitting"_qs) + Count(db, u"Paper"_qs), 0);

    const QString paper = Paper("a.mqe", "消防安全");
    const QStringList window{u"--opens"_qs, u"2026-12-10 09:00"_qs, u"--closes"_qs,
                             u"2026-12-10 11:30"_qs};
    const Outcome first = Sitting(QStringList{u"add"_qs, u"--title"_qs, u"一"_qs, u"--town"_qs,
                                              u"河口乡"_qs, u"--unit"_qs, u"城关镇/东关村"_qs} +
                                  window + QStringList{paper, paper});
    ASSERT_EQ(first.code, 0) << first.err.toStdString();
    const Outcome second = Sitting(QStringList{u"add"_qs, u"--title"_qs, u"二"_qs, paper} + window);
    EXPECT_EQ(first.out + second.out, u"1\n2\n"_qs);
    EXPECT_EQ(Count(db, u"Paper"_qs), 1);
    EXPECT_EQ(Count(db, u"SittingPaper"_qs), 2);
    EXPECT_EQ(ValueOf(db, u"select count(*) from SittingUnit where SittingId = 1 and "
                          "((Town = '河口乡' and Fac = '') or Fac = '东关村')"_qs),
              u"2"_qs);
    const QString listed = Sitting({u"list"_qs}).out;
    EXPECT_TRUE(listed.contains(u"1\t一\t2026-12-10 09:00:00\t2026-12-10 11:30:00\t已结束\t\t"
                                "消防安全\t城关镇/东关村、河口乡\n"_qs))
        << listed.toStdString();
    EXPECT_EQ(Sitting({u"close"_qs, u"9"_qs}).code, 1);
}

// 东关村: 张伟 sat twice (best 80), 王芳 sat once (50), 赵强 is in the exam, 孙丽 is absent;
// 镇政府: 李娜 is absent. 陈晨 sat without being on the roster. With a pass mark of 60:
// 应考 5, 已考 2, 进行中 1, 缺考 2, 及格 1, 及格率 50.0%.
TEST_P(SittingCommandsOn, ReportAndAbsenteesCountPeopleOfTheRosterByTheirBestScore) {
    database.Execute(
        u"INSERT INTO Sitting (Id, Title, OpensAt, ClosesAt, PassMark) VALUES "
        "(1, '安全', '2026-12-10 09:00:00', '2099-12-10 11:30:00', 60);\n"
        "INSERT INTO SittingUnit (SittingId, Town, Fac) VALUES (1, '城关镇', '');\n"_qs);
    Write("r.csv", u"乡镇,单位,姓名\n城关镇,东关村,张伟\n城关镇,东关村,王芳\n城关镇,东关村,赵强\n"
                   "城关镇,东关村,孙丽\n城关镇,镇政府,李娜\n河口乡,河口村,周杰\n"_qs);
    ASSERT_EQ(Examdb({u"roster"_qs, u"import"_qs, QString::fromStdString(dir / "r.csv"), db}).code,
              0);
    const struct {
        const char* token;
        const char* name;
        int score; // -1: no attempt yet
    } runs[] = {{"t1", "张伟", 40},
                {"t2", "张伟 ", 80},
                {"t3", "王芳", 50},
                {"t4", "赵强", -1},
                {"t5", "陈晨", 90}};
    for (const auto& run : runs) {
        const QString values = u"'%1', '城关镇', '东关村', '%2'"_qs.arg(
            QString::fromUtf8(run.token), QString::fromUtf8(run.name));
        database.Execute(
            u"INSERT INTO AttemptStart (Token, Town, Fac, Name, SittingId, "
            "PaperSha256, StartTime) VALUES (%1, 1, '%2', '2026-12-10 09:10:00')"_qs.arg(
                values, QString(64, u'a')));
        if (run.score >= 0)
            database.Execute(u"INSERT INTO Attempt (Token, Town, Fac, Name, Score, STime, "
                             "PaperSha256, Ending, Elapsed) VALUES (%1, %2, "
                             "'2026-12-10 09:40:00', '%3', 'handin', 1800)"_qs.arg(values)
                                 .arg(run.score)
                                 .arg(QString(64, u'a')));
    }
    const QString report = QString::fromStdString(dir / "report.csv");
    ASSERT_EQ(Sitting({u"report"_qs, u"1"_qs, report}).code, 0);
    EXPECT_EQ(FileText(report), u"乡镇,单位,应考,已考,进行中,缺考,及格,及格率\r\n"
                                "城关镇,东关村,4,2,1,1,1,50.0%\r\n"
                                "城关镇,镇政府,1,0,0,1,0,\r\n"
                                "合计,,5,2,1,2,1,50.0%\r\n"_qs);
    const QString absentees = QString::fromStdString(dir / "absent.csv");
    ASSERT_EQ(Sitting({u"absentees"_qs, u"1"_qs, absentees}).code, 0);
    EXPECT_EQ(FileText(absentees),
              u"乡镇,单位,姓名\r\n城关镇,东关村,孙丽\r\n城关镇,镇政府,李娜\r\n"_qs);

    EXPECT_TRUE(Sitting({u"close"_qs, u"1"_qs}).out.startsWith(u"场次 1 已结束于 "_qs));
    EXPECT_TRUE(Sitting({u"list"_qs}).out.contains(u"\t已结束\t60\t"_qs));
    EXPECT_TRUE(Sitting({u"close"_qs, u"1"_qs}).out.contains(u"未做改动"_qs));
}

INSTANTIATE_TEST_SUITE_P(Backends, SittingCommandsOn,
                         testing::Values(Backend::Sqlite, Backend::Postgres),
                         [](const auto& info) { return testsupport::BackendName(info.param); });

} // namespace
