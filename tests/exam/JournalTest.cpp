#include "exam/ExamJournal.h"
#include "exam/Startup.h"
#include "tests/exam/LoginTestData.h"
#include "tests/exam/core/JournalSql.h"
#include "ui/ErrorBox.h"
#include "ui/MessageBox.h"

#include <QLabel>
#include <QTimer>
#include <fstream>

using namespace logintest;
using testsupport::Backend;

namespace {

const QString ResumeText =
    u"检测到未完成的考试:\r\n\r\n所在乡镇 【安平镇】\r\n所在单位 【安平镇卫生院】"
    u"\r\n考生姓名 【张伟】\r\n试卷 【试卷 1】\r\n剩余时间 %1\r\n\r\n"
    u"是否继续这次考试?"_qs;

class Journal : public ::testing::TestWithParam<Backend> {
protected:
    void SetUp() override {
        ui::SetApplicationTitle(u"Quillon测试系统"_qs);
        folder.AddPaper(SmallPaper(u"试卷 1"_qs, timeLimit), "paper.mqe");
    }

    // What a killed exam leaves behind: a run started, the first question answered right, the
    // third wrong, some ticks of the clock, and no ending.
    int64_t LeaveRunningExam(int ticks) {
        ExamJournal journal(folder.JournalFile());
        ExamWindow window(folder);
        window.mainForm.SetJournal(&journal);
        window.mainForm.StartExam(0);
        Answer(window.mainForm, 0, 0);
        Answer(window.mainForm, 2, 1);
        for (int tick = 0; tick < ticks; ++tick)
            window.mainForm.tmr1Timer();
        return journal.PendingRuns().at(0).id;
    }

    // exam started again; inLoop runs in the event loop when the window is to be shown.
    int StartAgain(const std::function<void(TMainForm&)>& inLoop = {}) {
        ExamStartup startup;
        startup.Folder = folder.Folder();
        startup.JournalFile = folder.JournalFile();
        startup.ShowLogin = [this](TForm1&) {
            loginShown = true;
        };
        startup.RunEventLoop = [&](TMainForm& form) {
            loopRan = true;
            if (inLoop)
                inLoop(form);
            return 0;
        };
        return RunExam(startup);
    }

    size_t PendingRuns() const { return ExamJournal(folder.JournalFile()).PendingRuns().size(); }

    const int32_t timeLimit = 2700;
    ui::ScriptedMessageBoxes boxes;
    ExamFolder folder{GetParam()};
    bool loginShown = false;
    bool loopRan = false;
};

TEST_P(Journal, KilledRunResumesWithItsAnswersAndTimeAndEndsWithOneRow) {
    LeaveRunningExam(3);
    StartAgain([&](TMainForm& form) {
        ASSERT_TRUE(form.ExamRunning());
        EXPECT_EQ(form.Elapsed(), 3);
        EXPECT_EQ(form.PaperPanel->Panels.at(0)->Answer(), (std::vector<int32_t>{1, 0, 0}));
        EXPECT_EQ(form.PaperPanel->Panels.at(1)->Answer(), (std::vector<int32_t>{0, 0, 0}));
        EXPECT_EQ(form.PaperPanel->Panels.at(2)->Answer(), (std::vector<int32_t>{0, 1, 0}));
        EXPECT_EQ(form.lbl3->text(), ExamineeLine(u"安平镇"_qs, u"安平镇卫生院"_qs, u"张伟"_qs));
        form.tmr1Timer();
        EXPECT_EQ(form.lbl4->text(), u"剩余时间:00:44:57"_qs);
        form.btn2Click();
    });
    EXPECT_FALSE(loginShown);
    ASSERT_GE(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text, ResumeText.arg(u"00:44:57"_qs));
    EXPECT_EQ(boxes.shown()[0].caption, u"提示"_qs);
    EXPECT_EQ(boxes.shown()[0].flags, unsigned(ui::MB_YESNO | ui::MB_ICONINFORMATION));
    EXPECT_EQ(ScoreRows(folder.primary.ConnectionString()), QStringList{ExamWindow::Row(10)});
    EXPECT_EQ(folder.SecondaryRows(), 1);
    EXPECT_EQ(PendingRuns(), 0u);
}

// Killed after the ending journaled its row: before the post the row is posted at the next
// start (with the second copy of a hand-in) and reported; after the post nothing more is written.
TEST_P(Journal, RunKilledWhileRecordingGetsExactlyOneRowAtTheNextStart) {
    // A database set up before attempts were recorded: the row is looked for in Score.
    for (const char* table : {"AttemptAnswer", "Attempt", "Paper"})
        folder.primary.Execute(u"drop table "_qs + QString::fromLatin1(table));
    for (const bool posted : {false, true}) {
        folder.primary.Execute(u"delete from Score"_qs);
        folder.secondary.Execute(u"delete from Score"_qs);
        boxes.clear();
        const int64_t id = LeaveRunningExam(5);
        const JournaledScoreRow row{"安平镇", "安平镇卫生院", "张伟", "10", "2026-12-09 10:11:12"};
        ExamJournal(folder.JournalFile()).BeginRecording(id, RunEnding::HandIn, row);
        if (posted) {
            TDataModule2 data(nullptr, folder.Folder());
            AppendScoreRow(data.qry1, u"安平镇"_qs, u"安平镇卫生院"_qs, u"张伟"_qs, u"10"_qs,
                           u"2026-12-09 10:11:12"_qs);
        }
        loginShown = false;
        StartAgain();
        EXPECT_TRUE(loginShown) << posted;
        EXPECT_EQ(ScoreRows(folder.primary.ConnectionString()), QStringList{ExamWindow::Row(10)});
        EXPECT_EQ(folder.SecondaryRows(), posted ? 0 : 1);
        ASSERT_EQ(boxes.shown().size(), posted ? 0u : 1u);
        if (!posted) {
            EXPECT_EQ(boxes.shown()[0].text, u"上次考试的成绩已补记:10分"_qs);
            EXPECT_EQ(boxes.shown()[0].flags, unsigned(ui::MB_OK | ui::MB_ICONINFORMATION));
        }
        EXPECT_EQ(PendingRuns(), 0u) << posted;
    }
}

INSTANTIATE_TEST_SUITE_P(Backends, Journal, ::testing::Values(Backend::Sqlite, Backend::Postgres),
                         [](const auto& info) { return testsupport::BackendName(info.param); });

class JournalOnSqlite : public Journal {};

// The ending journals its exact row before the post; a refused post puts the run back to running.
TEST_P(JournalOnSqlite, EndingJournalsItsRowBeforeThePostAndAFailedPostRunsOn) {
    ExamJournal journal(folder.JournalFile());
    ExamWindow window(folder);
    window.mainForm.SetJournal(&journal);
    window.mainForm.StartExam(0);
    folder.primary.Execute(u"alter table Score rename to ScoreAside"_qs);
    std::optional<JournaledRun> duringPost;
    boxes.onShow([&](const ui::ShownMessageBox& box) {
        if (box.caption == u"错误"_qs && !duringPost)
            duringPost = journal.PendingRuns().at(0);
    });
    EXPECT_ANY_THROW(window.mainForm.Button1Click());
    ASSERT_TRUE(duringPost.has_value());
    EXPECT_EQ(duringPost->stage, RunStage::Recording);
    EXPECT_EQ(duringPost->ending, RunEnding::Abandonment);
    EXPECT_EQ(duringPost->row.score, "0");
    EXPECT_EQ(duringPost->row.name, "张伟");
    EXPECT_EQ(duringPost->row.time.size(), 19u);
    EXPECT_EQ(journal.PendingRuns().at(0).stage, RunStage::Running);
}

TEST_P(JournalOnSqlite, DeclinedChangedOrMissingRunsAreArchivedAndTheLoginFollows) {
    enum class Case { Declined, Changed, Missing };
    for (const Case what : {Case::Declined, Case::Changed, Case::Missing}) {
        const int64_t id = LeaveRunningExam(1);
        const std::filesystem::path paper = folder.PaperFolder() / "paper.mqe";
        if (what == Case::Changed)
            std::ofstream(paper, std::ios::app) << 'x';
        if (what == Case::Missing) { // another paper keeps the catalogue from being empty
            folder.AddPaper(SmallPaper(u"试卷 2"_qs, timeLimit), "other.mqe");
            std::filesystem::remove(paper);
        }
        boxes.clear();
        boxes.answer(ui::IDNO);
        loginShown = false;
        StartAgain();
        EXPECT_TRUE(loginShown);
        ASSERT_EQ(boxes.shown().size(), 1u);
        if (what == Case::Declined) {
            EXPECT_EQ(boxes.shown()[0].text, ResumeText.arg(u"00:44:59"_qs));
        } else {
            EXPECT_EQ(boxes.shown()[0].caption, u"Quillon测试系统"_qs);
            EXPECT_TRUE(boxes.shown()[0].text.contains(QString::fromStdString(paper.string())));
        }
        EXPECT_EQ(PendingRuns(), 0u);
        EXPECT_EQ(JournalSql(folder.JournalFile(), "select max(id) from run where archived = 1"),
                  id);
        EXPECT_EQ(folder.PrimaryRows(), 0);
        folder.AddPaper(SmallPaper(u"试卷 1"_qs, timeLimit), "paper.mqe");
    }
}

TEST_P(JournalOnSqlite, ResumedRunWhoseTimeIsUpEndsByTheTimeOutAtOnce) {
    const int64_t id = LeaveRunningExam(2);
    JournalSql(folder.JournalFile(), "update run set elapsed = " + std::to_string(timeLimit) +
                                         " where id = " + std::to_string(id));
    EXPECT_EQ(StartAgain(), 0);
    EXPECT_FALSE(loopRan);
    ASSERT_EQ(boxes.shown().size(), 2u);
    EXPECT_EQ(boxes.shown()[0].text, ResumeText.arg(u"00:00:00"_qs));
    EXPECT_EQ(boxes.shown()[1].text, TMainForm::ResultText(10, 30));
    EXPECT_EQ(ScoreRows(folder.primary.ConnectionString()), QStringList{ExamWindow::Row(10)});
    EXPECT_EQ(PendingRuns(), 0u);
}

TEST_P(JournalOnSqlite, UnreachableDatabaseKeepsARecordingRunForTheNextStart) {
    const int64_t id = LeaveRunningExam(1);
    ExamJournal(folder.JournalFile())
        .BeginRecording(id, RunEnding::TimeOut, {"安平镇", "安平镇卫生院", "张伟", "10", "x"});
    std::ofstream(folder.dir / "DBConifg.ini")
        << "[DBConifg]\r\nConnectionString=Provider=SQLite;Data Source=/nonexistent/x.db\r\n";
    StartAgain();
    EXPECT_TRUE(loginShown);
    ASSERT_GE(boxes.shown().size(), 1u);
    EXPECT_TRUE(boxes.shown()[0].text.startsWith(u"数据库无法连接"_qs))
        << boxes.shown()[0].text.toStdString();
    EXPECT_EQ(PendingRuns(), 1u);
    EXPECT_EQ(folder.PrimaryRows(), 0);
}

// A paper without a time limit shows no countdown, yet each second worked is journaled: a resume
// counts as time away only what passed since the last of them.
TEST_P(JournalOnSqlite, UntimedPaperJournalsEverySecondSoThatAResumeCountsOnlyTheTimeAway) {
    folder.AddPaper(SmallPaper(u"试卷 1"_qs, 0), "paper.mqe");
    ExamJournal journal(folder.JournalFile());
    QDateTime now(QDate(2026, 12, 9), QTime(8, 0, 0));
    for (const bool resume : {false, true}) {
        ExamWindow window(folder);
        window.mainForm.SetJournal(&journal);
        window.mainForm.SetClock([&] { return now; });
        if (resume)
            window.mainForm.ResumeExam(journal.PendingRuns().at(0));
        else
            window.mainForm.StartExam(0);
        EXPECT_TRUE(window.mainForm.tmr1->isActive());
        for (int second = 0; second < 3; ++second) {
            now = now.addSecs(1);
            window.mainForm.tmr1Timer();
        }
        now = now.addSecs(60); // killed, and started again a minute later
    }
    EXPECT_EQ(journal.PendingRuns().at(0).elapsed, 6);
    EXPECT_EQ(journal.PendingRuns().at(0).awaySeconds, 60);
}

// A journal that fails during the exam is reported once, after the answer at hand, and dropped;
// the exam goes on.
TEST_P(JournalOnSqlite, FailingJournalIsReportedOnceAndTheExamGoesOn) {
    ExamJournal journal(folder.JournalFile());
    ExamWindow window(folder);
    window.mainForm.SetJournal(&journal);
    window.mainForm.StartExam(0);
    JournalSql(folder.JournalFile(), "drop table answer");
    Answer(window.mainForm, 0, 0);
    EXPECT_TRUE(boxes.shown().empty());
    Answer(window.mainForm, 1, 0);
    QCoreApplication::processEvents();
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_TRUE(boxes.shown()[0].text.contains(QString::fromStdString(folder.JournalFile())));
}

INSTANTIATE_TEST_SUITE_P(Sqlite, JournalOnSqlite, ::testing::Values(Backend::Sqlite));

} // namespace
