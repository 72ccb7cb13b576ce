#include "exam/Startup.h"
#include "exam/Unit1.h"
#include "exam/uMainform.h"
#include "paper/uObjectHandle.h"
#include "tests/exam/LoginTestData.h"
#include "ui/ErrorBox.h"
#include "ui/MessageBox.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <utility>

using logintest::Answer;
using logintest::ExamFolder;
using logintest::ExamWindow;
using logintest::RunningExam;
using logintest::ScoreRows;
using logintest::Singles;

namespace {

const QString HandInQuestion = u"您是否确认提交此试卷?"_qs;
const QString LeaveBlankQuestion = u"尚有未完成试题,是否真的放弃填写它们?"_qs;
const QString AbandonQuestion = u"您确认要放弃此次考试吗?"_qs;
const unsigned YesNo = ui::MB_YESNO | ui::MB_ICONINFORMATION;

void AnswerAllRight(const TMainForm& form) {
    for (int question = 0; question < form.PaperPanel->Panels.size(); ++question)
        Answer(form, question, 0);
}

// Questions of 50, 25, 15 and 10 points.
paperwriter::Paper HundredPoints(int32_t timeLimit = 2700) {
    paperwriter::Paper paper = Singles(4, timeLimit);
    const int32_t marks[] = {50, 25, 15, 10};
    for (size_t i = 0; i < paper.questions.size(); ++i)
        paper.questions[i].fullMarks = marks[i];
    return paper;
}

// 85 of the 100 points: the 15-point question answered wrong.
void AnswerFor85(const TMainForm& form) {
    AnswerAllRight(form);
    Answer(form, 2, 1);
}

QStringList Texts(const std::vector<ui::ShownMessageBox>& boxes) {
    QStringList texts;
    for (const ui::ShownMessageBox& box : boxes)
        texts << box.text;
    return texts;
}

class MainFormEndings : public ::testing::Test {
protected:
    void SetUp() override { ui::SetApplicationTitle(u"Quillon测试系统"_qs); }

    // The score table out of the way, so that every write to it fails, and back.
    static void HideScoreTable(const ExamFolder& folder) {
        folder.primary.Execute(u"alter table Score rename to ScoreAside"_qs);
    }
    static void RestoreScoreTable(const ExamFolder& folder) {
        folder.primary.Execute(u"alter table ScoreAside rename to Score"_qs);
    }

    ui::ScriptedMessageBoxes boxes;
};

} // namespace

TEST_F(MainFormEndings, HandInWritesOneRowToEachDatabaseAndShowsTheResult) {
    const RunningExam exam(HundredPoints());
    TMainForm& form = exam.Form();
    AnswerFor85(form);
    form.tmr1Timer();
    form.btn2Click();

    const QString result = u"考试时间结束.你的得分是: "_qs + u"85"_qs + u"分. 满分是: "_qs +
                           u"100"_qs + u"分.已保存."_qs + u"\r\n\r\n"_qs +
                           u"点击确认按钮关闭程序."_qs;
    EXPECT_EQ(TMainForm::ResultText(85, 100), result);
    ASSERT_EQ(boxes.shown().size(), 2u);
    EXPECT_EQ(boxes.shown()[0].text, HandInQuestion);
    EXPECT_EQ(boxes.shown()[1].text, result);
    EXPECT_EQ(boxes.shown()[1].caption, u"提示"_qs);
    EXPECT_EQ(boxes.shown()[1].flags, unsigned(ui::MB_OK | ui::MB_ICONINFORMATION));
    EXPECT_EQ(ScoreRows(exam.folder.primary.ConnectionString()), QStringList{ExamWindow::Row(85)});
    EXPECT_EQ(ScoreRows(exam.folder.secondary.ConnectionString()),
              QStringList{ExamWindow::Row(85)});
    EXPECT_TRUE(form.ExamEnded());
    EXPECT_FALSE(form.tmr1->isActive());
    EXPECT_TRUE(form.btn2->isHidden());
    EXPECT_EQ(form.Button1->text(), u"结束"_qs);

    // The exam has ended: neither button records anything more.
    form.btn2Click();
    form.Button1Click();
    EXPECT_EQ(boxes.shown().size(), 2u);
    EXPECT_EQ(exam.folder.PrimaryRows(), 1);
    EXPECT_EQ(exam.folder.SecondaryRows(), 1);
}

TEST_F(MainFormEndings, AbandonmentRecordsZeroOnThePrimaryDatabaseOnlyAndShowsNoResult) {
    const RunningExam exam(HundredPoints());
    TMainForm& form = exam.Form();
    AnswerAllRight(form);

    boxes.answer(ui::IDNO);
    form.Button1Click();
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text, AbandonQuestion);
    EXPECT_EQ(boxes.shown()[0].caption, u"提示"_qs);
    EXPECT_EQ(boxes.shown()[0].flags, YesNo);
    EXPECT_TRUE(form.ExamRunning());
    EXPECT_TRUE(form.tmr1->isActive());
    EXPECT_EQ(exam.folder.PrimaryRows(), 0);

    form.Button1Click();
    EXPECT_EQ(Texts(boxes.shown()), QStringList({AbandonQuestion, AbandonQuestion}));
    EXPECT_EQ(ScoreRows(exam.folder.primary.ConnectionString()), QStringList{ExamWindow::Row(0)});
    EXPECT_EQ(exam.folder.SecondaryRows(), 0);
    EXPECT_TRUE(form.ExamEnded());
    EXPECT_FALSE(form.tmr1->isActive());
}

TEST_F(MainFormEndings, UnreachableSecondaryDatabaseIsReportedThenTheResultAndThePrimaryRowStays) {
    const RunningExam exam(HundredPoints());
    const ExamFolder& folder = exam.folder;
    const QString nowhere = QString::fromStdString((folder.dir / "absent" / "exam.db").string());
    folder.dir.write("DBConifg.ini",
                     (u"[DBConifg]\r\nConnectionString="_qs + folder.primary.ConnectionString() +
                      u"\r\n[SqlDBConifg]\r\nConnectionString=Provider=SQLite;Data Source="_qs +
                      nowhere + u"\r\n"_qs)
                         .toStdString());
    TMainForm& form = exam.Form();
    AnswerFor85(form);
    form.btn2Click();

    ASSERT_EQ(boxes.shown().size(), 3u) << Texts(boxes.shown()).join(u'\n').toStdString();
    EXPECT_EQ(boxes.shown()[0].text, HandInQuestion);
    EXPECT_EQ(boxes.shown()[1].caption, u"错误"_qs);
    EXPECT_EQ(boxes.shown()[1].flags, unsigned(ui::MB_OK | ui::MB_ICONERROR));
    EXPECT_TRUE(boxes.shown()[1].text.startsWith(u"\r\n错误号："_qs))
        << boxes.shown()[1].text.toStdString();
    EXPECT_EQ(boxes.shown()[2].text, TMainForm::ResultText(85, 100));
    EXPECT_EQ(ScoreRows(folder.primary.ConnectionString()), QStringList{ExamWindow::Row(85)});
    EXPECT_EQ(folder.SecondaryRows(), 0);
    EXPECT_TRUE(form.ExamEnded());
}

TEST_F(MainFormEndings, FailedPrimaryWriteAtHandInWritesNothingAndTheExamGoesOn) {
    const RunningExam exam(HundredPoints());
    TMainForm& form = exam.Form();
    AnswerFor85(form);
    form.tmr1Timer();

    // The statement fails: the database's errors, then the default error box.
    HideScoreTable(exam.folder);
    form.btn2->click();
    QCoreApplication::processEvents();
    ASSERT_EQ(boxes.shown().size(), 3u) << Texts(boxes.shown()).join(u'\n').toStdString();
    EXPECT_EQ(boxes.shown()[0].text, HandInQuestion);
    EXPECT_EQ(boxes.shown()[1].caption, u"错误"_qs);
    EXPECT_EQ(boxes.shown()[2].caption, u"Quillon测试系统"_qs);
    EXPECT_EQ(boxes.shown()[2].flags, unsigned(ui::MB_OK | ui::MB_ICONERROR));
    EXPECT_TRUE(form.ExamRunning());
    EXPECT_TRUE(form.tmr1->isActive());
    EXPECT_FALSE(form.btn2->isHidden());
    EXPECT_EQ(form.Button1->text(), u"放弃考试"_qs);
    EXPECT_EQ(exam.folder.SecondaryRows(), 0);
    RestoreScoreTable(exam.folder);
    EXPECT_EQ(exam.folder.PrimaryRows(), 0);
    form.tmr1Timer();
    EXPECT_EQ(form.lbl4->text(), u"剩余时间:00:44:59"_qs);

    // The row cannot be posted: only the default error box.
    exam.folder.primary.Execute(
        u"create trigger refuse before insert on Score begin select raise(abort, '拒绝写入'); end"_qs);
    boxes.clear();
    form.btn2->click();
    QCoreApplication::processEvents();
    ASSERT_EQ(boxes.shown().size(), 2u) << Texts(boxes.shown()).join(u'\n').toStdString();
    EXPECT_EQ(boxes.shown()[1].caption, u"Quillon测试系统"_qs);
    EXPECT_TRUE(boxes.shown()[1].text.contains(u"拒绝写入"_qs))
        << boxes.shown()[1].text.toStdString();
    EXPECT_TRUE(form.ExamRunning());
    EXPECT_TRUE(form.tmr1->isActive());
    EXPECT_EQ(exam.folder.PrimaryRows(), 0);
    EXPECT_EQ(exam.folder.SecondaryRows(), 0);

    // Mended, the next hand-in writes both rows.
    exam.folder.primary.Execute(u"drop trigger refuse"_qs);
    boxes.clear();
    form.btn2Click();
    EXPECT_EQ(Texts(boxes.shown()), QStringList({HandInQuestion, TMainForm::ResultText(85, 100)}));
    EXPECT_EQ(ScoreRows(exam.folder.primary.ConnectionString()), QStringList{ExamWindow::Row(85)});
    EXPECT_EQ(ScoreRows(exam.folder.secondary.ConnectionString()),
              QStringList{ExamWindow::Row(85)});
    EXPECT_TRUE(form.ExamEnded());
}

TEST_F(MainFormEndings, FailedPrimaryWriteAtTimeOutOrAbandonmentLeavesTheOtherEndings) {
    {
        const RunningExam exam(HundredPoints(3));
        TMainForm& form = exam.Form();
        AnswerFor85(form);
        HideScoreTable(exam.folder);
        form.tmr1Timer();
        form.tmr1Timer();
        EXPECT_ANY_THROW(form.tmr1Timer());
        ASSERT_EQ(boxes.shown().size(), 1u);
        EXPECT_EQ(boxes.shown()[0].caption, u"错误"_qs);
        // The clock has stopped at one second left; nothing was written.
        EXPECT_FALSE(form.tmr1->isActive());
        EXPECT_EQ(form.lbl4->text(), u"剩余时间:00:00:01"_qs);
        // The time-out is final: its answers are frozen and only its row can still be posted.
        EXPECT_TRUE(form.Session().Frozen());
        EXPECT_FALSE(form.PaperPanel->isEnabled());
        form.tmr1Timer();
        EXPECT_EQ(boxes.shown().size(), 1u);
        RestoreScoreTable(exam.folder);
        EXPECT_EQ(exam.folder.PrimaryRows(), 0);

        boxes.clear();
        form.btn2Click();
        EXPECT_EQ(Texts(boxes.shown()), QStringList({TMainForm::ResultText(85, 100)}));
        EXPECT_EQ(exam.folder.PrimaryRows(), 1);
        EXPECT_EQ(exam.folder.SecondaryRows(), 0);
        EXPECT_FALSE(form.tmr1->isActive());
    }

    boxes.clear();
    const RunningExam exam(HundredPoints());
    TMainForm& form = exam.Form();
    HideScoreTable(exam.folder);
    EXPECT_ANY_THROW(form.Button1Click());
    EXPECT_EQ(Texts(boxes.shown()).first(), AbandonQuestion);
    EXPECT_TRUE(form.ExamRunning());
    EXPECT_TRUE(form.tmr1->isActive());
    RestoreScoreTable(exam.folder);
    EXPECT_EQ(exam.folder.PrimaryRows(), 0);
    form.Button1Click();
    EXPECT_EQ(ScoreRows(exam.folder.primary.ConnectionString()), QStringList{ExamWindow::Row(0)});
    EXPECT_TRUE(form.ExamEnded());
}

// Records through the data module, but reports its first post lost after the commit.
class LostAfterCommit final : public ScoreRecorder {
public:
    explicit LostAfterCommit(TDataModule2& data) : data(data) {}
    std::optional<bool> KeepsAttempts() override { return data.KeepsAttempts(); }
    bool StorePaper(const std::string& sha256, const std::string& title,
                    const std::string& bytes) override {
        return data.StorePaper(sha256, title, bytes);
    }
    Posted PostAttempt(const AttemptRecord& attempt) override {
        const Posted posted = data.PostAttempt(attempt);
        if (std::exchange(losing, false))
            throw EPostOutcomeUnknown("server closed the connection");
        return posted;
    }
    void PostScoreRow(const JournaledScoreRow& row) override { data.PostScoreRow(row); }
    std::optional<bool> ScoreRowPosted(const JournaledScoreRow& row) override {
        return data.ScoreRowPosted(row);
    }
    void PostSecondCopy(const JournaledScoreRow& row) override { data.PostSecondCopy(row); }

private:
    TDataModule2& data;
    bool losing = true;
};

// A hand-in committed but reported lost freezes the paper: the next hand-in shows and copies the
// score recorded, and nothing is recorded twice.
TEST_F(MainFormEndings, HandInOfUnknownOutcomeIsFrozenAndItsRetryShowsTheScoreRecorded) {
    const RunningExam exam(HundredPoints());
    TMainForm& form = exam.Form();
    LostAfterCommit recorder(exam.window->dataModule);
    form.SetRecorder(&recorder);
    AnswerFor85(form);
    EXPECT_ANY_THROW(form.btn2Click());
    EXPECT_TRUE(form.Session().Frozen());
    EXPECT_FALSE(form.PaperPanel->isEnabled());
    EXPECT_FALSE(form.tmr1->isActive());
    EXPECT_EQ(exam.folder.SecondaryRows(), 0);

    boxes.clear();
    form.btn2Click();
    EXPECT_EQ(Texts(boxes.shown()), QStringList{TMainForm::ResultText(85, 100)});
    EXPECT_EQ(ScoreRows(exam.folder.primary.ConnectionString()), QStringList{ExamWindow::Row(85)});
    EXPECT_EQ(ScoreRows(exam.folder.secondary.ConnectionString()),
              QStringList{ExamWindow::Row(85)});
    EXPECT_TRUE(form.ExamEnded());
}

TEST_F(MainFormEndings, TimeRunningOutDuringAHandInQuestionEndsTheExamOnce) {
    for (const bool everyAnswer : {true, false}) {
        boxes.clear();
        const RunningExam exam(HundredPoints(5));
        TMainForm& form = exam.Form();
        // 85 points, or 75 with the last question left without an answer.
        Answer(form, 0, 0);
        Answer(form, 1, 0);
        Answer(form, 2, 1);
        if (everyAnswer)
            Answer(form, 3, 0);
        const QString pending = everyAnswer ? HandInQuestion : LeaveBlankQuestion;
        boxes.onShow([&](const ui::ShownMessageBox& box) {
            if (box.text == pending)
                exam.TickToTheEnd();
        });
        // Yes to the hand-in, or No to leaving a question blank, after the time-out.
        boxes.answer(everyAnswer ? ui::IDYES : ui::IDNO);
        form.btn2Click();
        boxes.onShow({});

        EXPECT_TRUE(form.ExamEnded()) << everyAnswer;
        ASSERT_EQ(boxes.shown().size(), 2u) << Texts(boxes.shown()).join(u'\n').toStdString();
        EXPECT_EQ(boxes.shown()[0].text, pending);
        EXPECT_EQ(boxes.shown()[1].text, TMainForm::ResultText(everyAnswer ? 85 : 75, 100));
        EXPECT_EQ(ScoreRows(exam.folder.primary.ConnectionString()),
                  QStringList{ExamWindow::Row(everyAnswer ? 85 : 75)});
        EXPECT_EQ(exam.folder.SecondaryRows(), 0) << everyAnswer;
        EXPECT_EQ(form.ScrollBar1->Position(), 0) << everyAnswer;
    }
}

TEST_F(MainFormEndings, TimeRunningOutDuringTheAbandonmentQuestionOrItsErrorRecordsTheTimeOutOnly) {
    {
        const RunningExam exam(HundredPoints(5));
        TMainForm& form = exam.Form();
        AnswerFor85(form);
        boxes.onShow([&](const ui::ShownMessageBox& box) {
            if (box.text == AbandonQuestion)
                exam.TickToTheEnd();
        });
        form.Button1Click();
        boxes.onShow({});
        EXPECT_EQ(Texts(boxes.shown()),
                  QStringList({AbandonQuestion, TMainForm::ResultText(85, 100)}));
        EXPECT_EQ(ScoreRows(exam.folder.primary.ConnectionString()),
                  QStringList{ExamWindow::Row(85)});
        EXPECT_EQ(exam.folder.SecondaryRows(), 0);
        EXPECT_TRUE(form.ExamEnded());
    }

    // The abandonment's write fails; while its error is shown the table comes back and the time
    // runs out: the time-out's row is the only one.
    boxes.clear();
    const RunningExam exam(HundredPoints(5));
    TMainForm& form = exam.Form();
    AnswerFor85(form);
    HideScoreTable(exam.folder);
    boxes.onShow([&](const ui::ShownMessageBox& box) {
        if (box.caption == u"错误"_qs && form.ExamRunning()) {
            RestoreScoreTable(exam.folder);
            exam.TickToTheEnd();
        }
    });
    EXPECT_NO_THROW(form.Button1Click());
    boxes.onShow({});
    ASSERT_EQ(boxes.shown().size(), 3u) << Texts(boxes.shown()).join(u'\n').toStdString();
    EXPECT_EQ(boxes.shown()[0].text, AbandonQuestion);
    EXPECT_EQ(boxes.shown()[1].caption, u"错误"_qs);
    EXPECT_EQ(boxes.shown()[2].text, TMainForm::ResultText(85, 100));
    EXPECT_EQ(ScoreRows(exam.folder.primary.ConnectionString()), QStringList{ExamWindow::Row(85)});
    EXPECT_TRUE(form.ExamEnded());
}

TEST_F(MainFormEndings, EveryEndingEndsTheProgramsEventLoop) {
    enum class Ending { HandIn, TimeOut, Abandonment };
    for (const Ending ending : {Ending::HandIn, Ending::TimeOut, Ending::Abandonment}) {
        boxes.clear();
        // The time-out comes from the real clock, one second after the start.
        const RunningExam exam(HundredPoints(ending == Ending::TimeOut ? 1 : 2700));
        TMainForm& form = exam.Form();
        form.show();
        if (ending == Ending::HandIn)
            QTimer::singleShot(0, form.btn2, &QPushButton::click);
        if (ending == Ending::Abandonment)
            QTimer::singleShot(0, form.Button1, &QPushButton::click);
        QTimer::singleShot(10000, [] { QApplication::exit(99); });
        EXPECT_EQ(QApplication::exec(), 0) << int(ending);
        EXPECT_TRUE(form.ExamEnded()) << int(ending);
        EXPECT_FALSE(form.window()->isVisible()) << int(ending);
        EXPECT_EQ(exam.folder.PrimaryRows(), 1) << int(ending);
    }
}

TEST_F(MainFormEndings, TimeOutDuringTheLoginsPausesEndsTheProgramWithoutShowingTheWindow) {
    ExamFolder folder;
    folder.AddPaper(Singles(2, 1), "paper.mqe");
    ExamStartup startup;
    startup.Folder = folder.Folder();
    startup.JournalFile = folder.JournalFile();
    startup.ShowLogin = [](TForm1& login) {
        // The clock's first tick, one second after the start, comes during the first pause.
        login.SetPauses(2000, 300);
        login.show();
        login.cbb1->setCurrentIndex(1);
        logintest::PickUnit(login, u"安平镇中心小学"_qs);
        login.edt1->setText(u"张伟"_qs);
        login.rzbtbtn1->click();
    };
    bool loopRan = false;
    startup.RunEventLoop = [&](TMainForm&) {
        loopRan = true;
        return 0;
    };
    EXPECT_EQ(RunExam(startup), 0);
    EXPECT_FALSE(loopRan);
    ASSERT_EQ(boxes.shown().size(), 2u) << Texts(boxes.shown()).join(u'\n').toStdString();
    EXPECT_EQ(boxes.shown()[1].text, TMainForm::ResultText(0, 20));
    EXPECT_EQ(ScoreRows(folder.primary.ConnectionString()),
              QStringList{u"安平镇|安平镇中心小学|张伟|0"_qs});
    EXPECT_EQ(folder.SecondaryRows(), 0);
}
