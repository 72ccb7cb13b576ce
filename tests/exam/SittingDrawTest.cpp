#include "exam/AttemptTables.h"
#include "exam/ExamJournal.h"
#include "exam/SittingChoice.h"
#include "exam/StartupRecovery.h"
#include "records/db/SittingStore.h"
#include "tests/exam/LoginTestData.h"
#include "ui/MessageBox.h"

#include <QCompleter>
#include <QDateTime>
#include <QLineEdit>
#include <QStringListModel>

using namespace logintest;
using testsupport::Backend;

namespace {

// A time days away from now, as the sitting tables keep it.
std::string DaysFromNow(int days) {
    return QDateTime::currentDateTime()
        .addDays(days)
        .toString(u"yyyy-MM-dd HH:mm:ss"_qs)
        .toStdString();
}

class SittingDrawTest : public ::testing::TestWithParam<Backend> {
protected:
    void SetUp() override {
        boxes.answer(ui::IDYES);
        folder.AddPaper(SmallPaper(u"文件试卷"_qs, 60), "file.mqe");
        connection.SetConnectionString(folder.primary.ConnectionString());
        ASSERT_TRUE(connection.Open());
        // Of several open sittings the examinee takes the last in the list.
        SetSittingChoiceResponder(
            [](const QStringList& entries) { return std::optional<int>(entries.size() - 1); });
    }
    void TearDown() override { SetSittingChoiceResponder({}); }

    records::PaperToPublish Publishable(const QString& title) const {
        const std::filesystem::path file = folder.dir / (title.toStdString() + ".mqe");
        paperwriter::WritePaperFile(SmallPaper(title, 60), file);
        return records::ReadPaperToPublish(QString::fromStdString(file.string()));
    }
    // A sitting of one paper titled title, open from opens to closes days from now.
    long long Publish(const QString& title, int opens, int closes,
                      std::vector<records::SittingUnit> units = {}) {
        const records::NewSitting sitting{title.toStdString(), DaysFromNow(opens),
                                          DaysFromNow(closes), 60,
                                          std::move(units),    {Publishable(title)}};
        return records::AddSitting(connection.Database(), sitting);
    }
    // Logs 张伟 of 安平镇卫生院 in and confirms; the window's paper title afterwards, or empty.
    QString LogIn(ExamWindow& window) {
        TForm1 login(window.mainForm);
        login.SetDataModule(&window.dataModule);
        login.SetPauses(0, 0);
        login.FormShow();
        login.cbb1->setCurrentIndex(1);
        PickUnit(login, u"安平镇卫生院"_qs);
        login.edt1->setText(u"张伟"_qs);
        login.rzbtbtn1Click();
        return window.mainForm.ExamRunning()
                   ? platform::FromGbk(window.mainForm.PaperPanel->Paper.PaperTitle)
                   : QString();
    }
    int Count(const QString& sql) const {
        return CountRows(folder.primary.ConnectionString(), sql);
    }

    ui::ScriptedMessageBoxes boxes;
    ExamFolder folder{GetParam(), testsupport::Tables::WithSittings};
    platform::TADOConnection connection;
};

// What 张伟 of 安平镇卫生院 draws by the sittings published; a paper whose bytes do not match its
// hash is never shown: the examinee is told and no run starts.
TEST_P(SittingDrawTest, DrawsFromTheOpenSittingThatAdmitsTheUnitElseFromExamFile) {
    const struct {
        const char* what;
        int opens, closes;
        std::vector<records::SittingUnit> units;
        QString drawn;
        bool damaged = false;
        bool anotherOpen = false;
    } cases[] = {
        {"open for the unit", -1, 1, {{"安平镇", "安平镇卫生院"}}, u"场次试卷"_qs},
        {"open for the whole town", -1, 1, {{"安平镇", ""}}, u"场次试卷"_qs},
        {"closed", -2, -1, {}, u"文件试卷"_qs},
        {"not yet open", 1, 2, {}, u"文件试卷"_qs},
        {"another unit", -1, 1, {{"安平镇", "安平镇中心小学"}}, u"文件试卷"_qs},
        {"bytes not matching the hash", -1, 1, {}, QString(), true},
        {"two open, the second chosen", -1, 1, {}, u"场次试卷"_qs, false, true},
    };
    // PostgreSQL refuses a damaged row itself; a database set up without that check does not.
    if (GetParam() == Backend::Postgres)
        folder.primary.Execute(u"alter table Paper drop constraint paper_bytes_sha256"_qs);
    for (const auto& c : cases) {
        folder.primary.Execute(u"delete from SittingUnit;\ndelete from SittingPaper;\n"
                               u"delete from Sitting;\ndelete from Paper"_qs);
        if (c.damaged) {
            const records::PaperToPublish paper = Publishable(u"场次试卷"_qs);
            attempttables::InsertPaper(connection, paper.sha256, paper.title,
                                       Publishable(u"别的试卷"_qs).bytes);
        }
        if (c.anotherOpen)
            Publish(u"甲卷"_qs, -1, 1);
        Publish(u"场次试卷"_qs, c.opens, c.closes, c.units);
        ExamWindow window(folder);
        boxes.clear();
        EXPECT_EQ(LogIn(window), c.drawn) << c.what;
        EXPECT_EQ(window.mainForm.ShowAtStart, !c.damaged) << c.what;
        if (c.damaged)
            EXPECT_EQ(
                boxes.shown().back().text,
                u"试卷【场次试卷】与发布时的不一致,可能已损坏或被改动,不能用于考试,请联系管理员."_qs);
    }
}

// Killed in the exam, the sitting then removed with its paper: the run resumes from the journal,
// offline as well as online, and runs to its own time.
TEST_P(SittingDrawTest, AKilledRunResumesFromTheJournalWithTheSittingGone) {
    Publish(u"场次试卷"_qs, -1, 1);
    ExamJournal journal((folder.dir / "journal.db").string());
    {
        ExamWindow window(folder);
        window.mainForm.SetJournal(&journal);
        ASSERT_EQ(LogIn(window), u"场次试卷"_qs);
        Answer(window.mainForm, 0, 0);
    }
    folder.primary.Execute(u"delete from SittingUnit;\ndelete from SittingPaper;\n"
                           u"delete from Sitting;\ndelete from Paper"_qs);
    for (const bool online : {false, true}) {
        ExamWindow restarted(folder);
        restarted.mainForm.SetJournal(&journal);
        if (!online)
            restarted.dataModule.con1.SetConnectionString(
                u"Provider=SQLite;Data Source=/nonexistent/x.db"_qs);
        ASSERT_TRUE(ResumeUnfinishedExam(journal, restarted.mainForm, restarted.dataModule, 0));
        EXPECT_EQ(platform::FromGbk(restarted.mainForm.PaperPanel->Paper.PaperTitle),
                  u"场次试卷"_qs);
        EXPECT_TRUE(restarted.mainForm.PaperPanel->Panels.at(0)->IsAnswered());
        if (online)
            restarted.mainForm.btn2Click();
    }
    EXPECT_EQ(Count(u"select * from Attempt where Score = 10 and Resumes = 2"_qs), 1);
    EXPECT_EQ(Count(u"select * from AttemptStart where SittingId is not null"_qs), 1);
}

// A start row that could not be posted at the start is written, once, by the ending.
TEST_P(SittingDrawTest, AttemptStartIsPostedAtTheStartOrElseOnceAtTheEnding) {
    for (const bool reachableAtStart : {true, false}) {
        folder.primary.Execute(u"delete from AttemptStart"_qs);
        ExamWindow window(folder);
        if (!reachableAtStart)
            window.dataModule.con1.SetConnectionString(
                u"Provider=SQLite;Data Source=/nonexistent/x.db"_qs);
        window.mainForm.StartExam(0);
        EXPECT_EQ(Count(u"select * from AttemptStart where SittingId is null and "
                        u"Town = '安平镇' and Fac = '安平镇卫生院'"_qs),
                  reachableAtStart ? 1 : 0);
        window.dataModule.con1.SetConnectionString(folder.primary.ConnectionString());
        window.mainForm.btn2Click();
        EXPECT_EQ(Count(u"select * from AttemptStart a join Attempt t on t.Token = a.Token"_qs), 1)
            << reachableAtStart;
        folder.primary.Execute(u"delete from AttemptAnswer;\ndelete from Attempt"_qs);
    }
}

TEST_P(SittingDrawTest, TheNameBoxOffersTheRosterOfTheChosenUnit) {
    folder.primary.Execute(u"insert into Roster (Town, Fac, Name) values ('安平镇', "
                           u"'安平镇卫生院', '张伟'), ('安平镇', '安平镇卫生院', '李娜'), "
                           u"('安平镇', '安平镇中心小学', '王芳')"_qs);
    ExamWindow window(folder);
    TForm1 login(window.mainForm);
    login.SetDataModule(&window.dataModule);
    login.FormShow();
    login.cbb1->setCurrentIndex(1);
    PickUnit(login, u"安平镇卫生院"_qs);
    const auto* names = static_cast<QStringListModel*>(login.NameCompleter->model());
    EXPECT_EQ(names->stringList(), QStringList({u"张伟"_qs, u"李娜"_qs}));
}

class SittingDeskAccount : public SittingDrawTest {};

// Under exam_desk on the server, a sitting not yet open is out of the desk's sight, paper and
// all, and the paper comes from "Exam File"; the open sitting's paper is drawn and its run
// recorded with its start.
TEST_P(SittingDeskAccount, DrawsOnlyAnOpenSittingsPaperAndRecordsItsRun) {
    folder.primary.ExecuteScript(testsupport::SqlFile("roles-postgresql.sql"));
    const QString desk = folder.primary.ConnectionStringAs(u"exam_desk"_qs);
    folder.dir.write("DBConifg.ini", (u"[DBConifg]\r\nConnectionString="_qs + desk).toStdString());
    const long long future = Publish(u"未来试卷"_qs, 1, 2);
    {
        ExamWindow window(folder);
        EXPECT_EQ(LogIn(window), u"文件试卷"_qs);
    }
    const QString papersOf = u"select * from Paper p join SittingPaper s on s.PaperSha256 = "
                             u"p.Sha256 where s.SittingId = %1"_qs;
    EXPECT_EQ(CountRows(desk, papersOf.arg(future)), 0);
    const long long open = Publish(u"场次试卷"_qs, -1, 1);
    EXPECT_EQ(CountRows(desk, papersOf.arg(open)), 1);
    ExamWindow window(folder);
    ASSERT_EQ(LogIn(window), u"场次试卷"_qs);
    window.mainForm.btn2Click();
    EXPECT_EQ(Count(u"select * from Attempt a join AttemptStart s on s.Token = a.Token "
                    u"where s.SittingId is not null"_qs),
              1);
}

INSTANTIATE_TEST_SUITE_P(Postgres, SittingDeskAccount, ::testing::Values(Backend::Postgres));

INSTANTIATE_TEST_SUITE_P(Backends, SittingDrawTest,
                         ::testing::Values(Backend::Sqlite, Backend::Postgres),
                         [](const auto& info) { return testsupport::BackendName(info.param); });

} // namespace
