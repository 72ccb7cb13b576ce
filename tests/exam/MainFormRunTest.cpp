#include "exam/Unit1.h"
#include "exam/uMainform.h"
#include "paper/uObjectHandle.h"
#include "tests/exam/LoginTestData.h"
#include "ui/ErrorBox.h"
#include "ui/MessageBox.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSet>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>
#include <algorithm>

using logintest::Answer;
using logintest::ExamFolder;
using logintest::ExamWindow;
using logintest::RunningExam;
using logintest::Singles;

namespace {

const QString TimeLeft = u"剩余时间:"_qs;

// Where a widget of the paper stands in the viewport.
QRect InViewport(const TMainForm& form, const QWidget* widget) {
    return {widget->mapTo(form.pnl1Client, QPoint(0, 0)), widget->size()};
}

class MainFormRun : public ::testing::Test {
protected:
    void SetUp() override { ui::SetApplicationTitle(u"Quillon测试系统"_qs); }
    ui::ScriptedMessageBoxes boxes;
};

} // namespace

TEST_F(MainFormRun, ExamAreaIsIdleAtCreationAndCoversTheCatalogueOnceAPaperStarts) {
    ExamFolder folder;
    folder.AddPaper(Singles(8, 2700, 4), "paper.mqe");
    ExamWindow window(folder);
    TMainForm& form = window.mainForm;
    form.show();
    EXPECT_EQ(form.pnl2->geometry(), form.ClientArea->rect());
    EXPECT_FALSE(form.pnl2->isVisible());
    EXPECT_FALSE(form.tmr1->isActive());
    EXPECT_EQ(form.tmr1->interval(), 1000);
    EXPECT_EQ(form.Elapsed(), 0);
    EXPECT_EQ(form.ScrollBar1->PageSize(), 0);
    EXPECT_TRUE(form.PaperPanel->Panels.isEmpty());
    const struct {
        QWidget* widget;
        QRect geometry;
    } layout[] = {{form.pnl1, {0, 8, 760, 497}},
                  {form.lbl4, {24, 512, 217, 17}},
                  {form.btn2, {600, 509, 75, 21}},
                  {form.Button1, {680, 509, 75, 21}}};
    for (const auto& [widget, geometry] : layout) {
        EXPECT_EQ(widget->parentWidget(), form.pnl2);
        EXPECT_EQ(widget->geometry(), geometry) << widget->metaObject()->className();
    }
    EXPECT_EQ(form.PaperPanel->parentWidget(), form.pnl1Client);
    EXPECT_EQ(form.pnl1Client->geometry(), form.pnl1->contentsRect());
    EXPECT_TRUE(form.lbl4->text().isEmpty());
    EXPECT_EQ(form.lbl4->font().pixelSize(), 14);
    EXPECT_EQ(form.lbl4->palette().color(QPalette::WindowText), QColor(Qt::red));
    EXPECT_EQ(form.btn2->text(), u"提交试卷"_qs);
    EXPECT_EQ(form.Button1->text(), u"放弃考试"_qs);

    form.btn1->click();
    QCoreApplication::processEvents();
    ASSERT_TRUE(form.ExamRunning());
    EXPECT_TRUE(form.pnl2->isVisible());
    EXPECT_FALSE(form.lst1->isVisible());
    EXPECT_FALSE(form.btn1->isVisible());
    // What the examinee sees in the middle of the window is the paper.
    EXPECT_TRUE(form.PaperPanel->isAncestorOf(form.ClientArea->childAt(380, 300)));
    EXPECT_EQ(form.PaperPanel->Panels.size(), 8);
    EXPECT_TRUE(form.tmr1->isActive());
    // Tab runs through the answers and then to the two buttons.
    EXPECT_EQ(form.btn2->nextInFocusChain(), form.Button1);
    // A started paper cannot be exchanged for another.
    form.StartExam(0);
    form.btn1Click();
    EXPECT_EQ(form.Elapsed(), 0);
    EXPECT_TRUE(form.ExamRunning());
    form.hide();
}

TEST_F(MainFormRun, CountdownShowsTheFullTimeFirstAndOneSecondLastThenTimesOut) {
    const RunningExam exam(Singles(3, 2700));
    TMainForm& form = exam.Form();
    ASSERT_TRUE(form.ExamRunning());
    EXPECT_TRUE(form.tmr1->isActive());
    EXPECT_EQ(form.tmr1->interval(), 1000);
    EXPECT_TRUE(form.lbl4->text().isEmpty());
    EXPECT_EQ(form.Elapsed(), 0);

    form.tmr1Timer();
    EXPECT_EQ(form.lbl4->text(), TimeLeft + u"00:45:00"_qs);
    EXPECT_EQ(form.Elapsed(), 1);
    form.tmr1Timer();
    EXPECT_EQ(form.lbl4->text(), TimeLeft + u"00:44:59"_qs);
    for (int tick = 3; tick < 2700; ++tick)
        form.tmr1Timer();
    EXPECT_EQ(form.lbl4->text(), TimeLeft + u"00:00:02"_qs);
    EXPECT_TRUE(form.ExamRunning());
    EXPECT_TRUE(boxes.shown().empty());
    EXPECT_EQ(exam.folder.PrimaryRows(), 0);

    Answer(form, 1);
    form.tmr1Timer();
    EXPECT_EQ(form.lbl4->text(), TimeLeft + u"00:00:01"_qs);
    EXPECT_EQ(form.Elapsed(), 2700);
    EXPECT_TRUE(form.ExamEnded());
    EXPECT_FALSE(form.tmr1->isActive());
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text, TMainForm::ResultText(10, 30));
    EXPECT_EQ(boxes.shown()[0].caption, u"提示"_qs);
    EXPECT_EQ(boxes.shown()[0].flags, unsigned(ui::MB_OK | ui::MB_ICONINFORMATION));
    EXPECT_EQ(logintest::ScoreRows(exam.folder.primary.ConnectionString()),
              QStringList{ExamWindow::Row(10)});
    EXPECT_EQ(exam.folder.SecondaryRows(), 0);
    EXPECT_TRUE(form.btn2->isHidden());
    EXPECT_EQ(form.Button1->text(), u"结束"_qs);

    // A tick that was already on its way changes nothing.
    form.tmr1Timer();
    EXPECT_EQ(form.lbl4->text(), TimeLeft + u"00:00:01"_qs);
    EXPECT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(exam.folder.PrimaryRows(), 1);
}

TEST_F(MainFormRun, ShortAndLongTimeLimitsAreShownAsHoursMinutesAndSeconds) {
    {
        const RunningExam exam(Singles(2, 1));
        exam.Form().tmr1Timer();
        EXPECT_EQ(exam.Form().lbl4->text(), TimeLeft + u"00:00:01"_qs);
        EXPECT_TRUE(exam.Form().ExamEnded());
        EXPECT_EQ(exam.folder.PrimaryRows(), 1);
        ASSERT_EQ(boxes.shown().size(), 1u);
        EXPECT_EQ(boxes.shown()[0].text, TMainForm::ResultText(0, 20));
    }
    const RunningExam exam(Singles(2, 3661));
    exam.Form().tmr1Timer();
    EXPECT_EQ(exam.Form().lbl4->text(), TimeLeft + u"01:01:01"_qs);
    // Whole days are not shown.
    EXPECT_EQ(TMainForm::RemainingTimeText(86400 + 3600 + 61), u"01:01:01"_qs);
    EXPECT_EQ(TMainForm::RemainingTimeText(59), u"00:00:59"_qs);
}

// The clock counts the time worked, but shows no time and never times the paper out.
TEST_F(MainFormRun, WithoutAPositiveTimeLimitNoTimeIsShownAndNoTimeOutComes) {
    for (const int32_t limit : {0, -60}) {
        boxes.clear();
        const RunningExam exam(Singles(2, limit));
        TMainForm& form = exam.Form();
        ASSERT_TRUE(form.ExamRunning()) << limit;
        EXPECT_TRUE(form.tmr1->isActive()) << limit;
        for (int tick = 0; tick < 5; ++tick)
            form.tmr1Timer();
        EXPECT_TRUE(form.lbl4->text().isEmpty()) << limit;
        EXPECT_EQ(form.Elapsed(), 5) << limit;
        EXPECT_TRUE(form.ExamRunning()) << limit;
        EXPECT_TRUE(boxes.shown().empty()) << limit;

        // Such a paper ends by the examinee's hand-in.
        Answer(form, 0);
        Answer(form, 1);
        form.btn2Click();
        EXPECT_TRUE(form.ExamEnded()) << limit;
        EXPECT_EQ(exam.folder.PrimaryRows(), 1) << limit;
        EXPECT_EQ(exam.folder.SecondaryRows(), 1) << limit;
        EXPECT_FALSE(form.tmr1->isActive()) << limit;
    }
}

TEST_F(MainFormRun, ScrollBarTakesThePaperHeightAndTheViewportAsItsPage) {
    const RunningExam exam(Singles(8, 2700, 4));
    TMainForm& form = exam.Form();
    TExamScrollBar& bar = *form.ScrollBar1;
    const int height = form.PaperPanel->height();
    ASSERT_GT(height, 1000);
    EXPECT_EQ(bar.Max(), height);
    EXPECT_EQ(bar.PageSize(), TMainForm::ViewportHeight);
    EXPECT_EQ(bar.Position(), 0);
    EXPECT_EQ(bar.singleStep(), 20);
    EXPECT_EQ(bar.focusPolicy(), Qt::NoFocus);
    EXPECT_EQ(bar.geometry(),
              QRect(form.pnl1Client->width() - 16, 0, 16, form.pnl1Client->height()));
    EXPECT_EQ(form.PaperPanel->geometry(), QRect(0, 0, bar.x(), height));

    // Arrows move by 20, the track by 400; the paper follows.
    bar.triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(bar.Position(), 20);
    bar.triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(bar.Position(), 420);
    EXPECT_EQ(form.PaperPanel->y(), -420);
    bar.triggerAction(QAbstractSlider::SliderPageStepSub);
    bar.triggerAction(QAbstractSlider::SliderSingleStepSub);
    EXPECT_EQ(bar.Position(), 0);
    EXPECT_EQ(form.PaperPanel->y(), 0);

    // The view never runs past the end of the paper.
    bar.SetPosition(height * 2);
    EXPECT_EQ(bar.Position(), height - TMainForm::ViewportHeight + 1);
    EXPECT_EQ(form.PaperPanel->y(), -bar.Position());
    bar.SetPosition(-5);
    EXPECT_EQ(bar.Position(), 0);

    // A paper lower than the viewport keeps the page size 0.
    const RunningExam low(Singles(2, 2700));
    const int lowHeight = low.Form().PaperPanel->height();
    ASSERT_LT(lowHeight, TMainForm::ViewportHeight);
    EXPECT_EQ(low.Form().ScrollBar1->Max(), lowHeight);
    EXPECT_EQ(low.Form().ScrollBar1->PageSize(), 0);
    EXPECT_EQ(low.Form().ScrollBar1->Position(), 0);
}

TEST_F(MainFormRun, WheelScrollsTenPixelsANotchBetweenTheTopAndTheHeightLessFiveHundred) {
    // Four panels of three-line stems with 25 options between them: 1200 pixels.
    paperwriter::Paper paper = Singles(4, 2700, 6, 10, 3);
    paper.questions[0].options.push_back(logintest::Gbk(u"选项7"_qs));
    const RunningExam exam(paper);
    TMainForm& form = exam.Form();
    ASSERT_EQ(form.PaperPanel->height(), 1200);

    int notches = 0;
    for (int position = -1; position != form.ScrollBar1->Position(); ++notches) {
        position = form.ScrollBar1->Position();
        form.FormMouseWheelDown();
        if (form.ScrollBar1->Position() != position) {
            EXPECT_EQ(form.ScrollBar1->Position(), position + 10);
        }
    }
    EXPECT_EQ(form.ScrollBar1->Position(), 700);
    EXPECT_EQ(notches, 71);
    EXPECT_EQ(form.PaperPanel->y(), -700);

    for (int notch = 0; notch < 69; ++notch)
        form.FormMouseWheelUp();
    EXPECT_EQ(form.ScrollBar1->Position(), 10);
    form.FormMouseWheelUp();
    form.FormMouseWheelUp();
    EXPECT_EQ(form.ScrollBar1->Position(), 0);
    EXPECT_EQ(form.PaperPanel->y(), 0);

    // Up does not go below 0 from a position between two notches.
    form.ScrollBar1->SetPosition(5);
    form.FormMouseWheelUp();
    EXPECT_EQ(form.ScrollBar1->Position(), 0);

    // Notches of the mouse wheel anywhere over the running paper, finer wheels adding up.
    const auto turn = [&](int angle) {
        QWheelEvent wheel(QPointF(100, 100), QPointF(100, 100), QPoint(), QPoint(0, angle),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(form.PaperPanel->Panels.at(1), &wheel);
    };
    turn(-120);
    turn(-240);
    EXPECT_EQ(form.ScrollBar1->Position(), 30);
    turn(60);
    EXPECT_EQ(form.ScrollBar1->Position(), 30);
    turn(60);
    EXPECT_EQ(form.ScrollBar1->Position(), 20);

    // A paper lower than 500 pixels does not scroll by the wheel.
    const RunningExam low(Singles(2, 2700));
    low.Form().FormMouseWheelDown();
    EXPECT_EQ(low.Form().ScrollBar1->Position(), 0);
}

TEST_F(MainFormRun, HandInQuestionsAndTheJumpToTheFirstUnansweredQuestion) {
    const RunningExam exam(Singles(8, 2700, 4));
    TMainForm& form = exam.Form();
    for (int question : {0, 1, 3, 4, 5, 6, 7})
        Answer(form, question, 1);
    for (int tick = 0; tick < 3; ++tick)
        form.tmr1Timer();

    boxes.answer(ui::IDNO);
    QTest::mouseClick(form.btn2, Qt::LeftButton);
    QCoreApplication::processEvents();
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text, u"尚有未完成试题,是否真的放弃填写它们?"_qs);
    EXPECT_EQ(boxes.shown()[0].caption, u"提示"_qs);
    EXPECT_EQ(boxes.shown()[0].flags, unsigned(ui::MB_YESNO | ui::MB_ICONINFORMATION));
    const TQuestionPanel* third = form.PaperPanel->PanelAt(2);
    ASSERT_NE(third, nullptr);
    EXPECT_GT(third->y(), 0);
    EXPECT_EQ(form.ScrollBar1->Position(), third->y());
    EXPECT_EQ(InViewport(form, third).top(), 0);
    EXPECT_TRUE(form.ExamRunning());
    EXPECT_TRUE(form.tmr1->isActive());
    EXPECT_EQ(exam.folder.PrimaryRows(), 0);
    EXPECT_EQ(exam.folder.SecondaryRows(), 0);

    // Yes to leaving questions blank, No to handing in: the exam goes on.
    boxes.clear();
    boxes.answer(ui::IDYES);
    boxes.answer(ui::IDNO);
    form.btn2Click();
    ASSERT_EQ(boxes.shown().size(), 2u);
    EXPECT_EQ(boxes.shown()[1].text, u"您是否确认提交此试卷?"_qs);
    EXPECT_EQ(boxes.shown()[1].flags, unsigned(ui::MB_YESNO | ui::MB_ICONINFORMATION));
    EXPECT_TRUE(form.ExamRunning());
    EXPECT_TRUE(form.tmr1->isActive());
    EXPECT_FALSE(form.btn2->isHidden());
    EXPECT_EQ(exam.folder.PrimaryRows(), 0);

    // Everything answered: only the confirmation is asked.
    Answer(form, 2, 3);
    boxes.clear();
    boxes.answer(ui::IDNO);
    form.btn2Click();
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text, u"您是否确认提交此试卷?"_qs);
    EXPECT_TRUE(form.ExamRunning());
    EXPECT_EQ(form.Elapsed(), 3);
    form.tmr1Timer();
    EXPECT_EQ(form.lbl4->text(), TimeLeft + u"00:44:57"_qs);
}

// The paper may scroll past its end so that a question near it stands at the top; moving back up
// takes that room away again.
TEST_F(MainFormRun, JumpToAnUnansweredQuestionNearTheEndPutsItAtTheTop) {
    const RunningExam exam(Singles(8, 2700, 4));
    TMainForm& form = exam.Form();
    for (int question = 0; question < 7; ++question)
        Answer(form, question, 1);
    boxes.answer(ui::IDNO);
    form.btn2Click();
    const TQuestionPanel* last = form.PaperPanel->PanelAt(7);
    const int normalEnd = form.PaperPanel->height() - TMainForm::ViewportHeight + 1;
    ASSERT_GT(last->y(), normalEnd);
    EXPECT_EQ(InViewport(form, last).top(), 0);
    form.ScrollBar1->SetPosition(0);
    EXPECT_EQ(form.ScrollBar1->maximum(), normalEnd);
}

TEST_F(MainFormRun, PaperWithoutQuestionsAsksToLeaveBlanksAndScoresZero) {
    const RunningExam exam(Singles(0, 2700));
    TMainForm& form = exam.Form();
    ASSERT_TRUE(form.ExamRunning());
    EXPECT_TRUE(form.PaperPanel->Panels.isEmpty());
    boxes.answer(ui::IDNO);
    form.btn2Click();
    EXPECT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(form.ScrollBar1->Position(), 0);
    EXPECT_TRUE(form.ExamRunning());
    form.btn2Click();
    ASSERT_EQ(boxes.shown().size(), 4u);
    EXPECT_EQ(boxes.shown()[1].text, u"尚有未完成试题,是否真的放弃填写它们?"_qs);
    EXPECT_EQ(boxes.shown()[2].text, u"您是否确认提交此试卷?"_qs);
    EXPECT_EQ(boxes.shown()[3].text, TMainForm::ResultText(0, 0));
    EXPECT_EQ(logintest::ScoreRows(exam.folder.primary.ConnectionString()),
              QStringList{ExamWindow::Row(0)});
}

TEST_F(MainFormRun, MissingOrDamagedPaperIsReportedAndNothingRuns) {
    ExamFolder folder;
    folder.AddPapers(2);
    // Five questions, cut off inside the third: the header passes, the load fails half-way.
    const paperwriter::PaperLayout damaged = paperwriter::LayOutPaper(Singles(5, 2700));
    folder.dir.write("Exam File/damaged.mqe",
                     damaged.bytes.substr(0, size_t(damaged.questions[2].record + 10)));
    ExamWindow window(folder);
    TMainForm& form = window.mainForm;
    ASSERT_EQ(form.PaperFiles.size(), 3u);
    const auto indexOf = [&](const std::string& name) {
        for (size_t i = 0; i < form.PaperFiles.size(); ++i)
            if (form.PaperFiles[i].filename() == name)
                return int(i);
        return -1;
    };
    const std::filesystem::path gone = form.PaperFiles[size_t(indexOf("paper102.mqe"))];
    std::filesystem::rename(gone, folder.dir / "moved.mqe");
    const auto start = [&](const std::string& name) {
        boxes.clear();
        form.SelectPaper(indexOf(name));
        form.btn1->click();
        QCoreApplication::processEvents();
    };

    start("paper102.mqe");
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text,
              u"试卷文件不存在:"_qs + QString::fromStdString(gone.string()) + u'.');
    EXPECT_EQ(boxes.shown()[0].caption, u"Quillon测试系统"_qs);
    EXPECT_EQ(boxes.shown()[0].flags, unsigned(ui::MB_OK | ui::MB_ICONERROR));
    EXPECT_FALSE(form.ExamRunning());
    EXPECT_FALSE(form.pnl2->isVisibleTo(&form));
    EXPECT_FALSE(form.tmr1->isActive());
    EXPECT_TRUE(form.PaperPanel->Panels.isEmpty());
    EXPECT_TRUE(form.lbl4->text().isEmpty());

    start("damaged.mqe");
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].caption, u"Quillon测试系统"_qs);
    EXPECT_FALSE(form.ExamRunning());
    EXPECT_FALSE(form.pnl2->isVisibleTo(&form));
    EXPECT_FALSE(form.tmr1->isActive());

    // An index past the catalogue does nothing; the catalogue still starts its good paper, and
    // nothing of the damaged one is left in it.
    form.StartExam(3);
    EXPECT_FALSE(form.ExamRunning());
    start("paper101.mqe");
    EXPECT_TRUE(boxes.shown().empty());
    EXPECT_TRUE(form.ExamRunning());
    EXPECT_TRUE(form.pnl2->isVisibleTo(&form));
    EXPECT_EQ(form.PaperPanel->Paper.QuestionCount(), 3);
    EXPECT_EQ(form.PaperPanel->Panels.size(), 3);
    EXPECT_EQ(form.PaperPanel->Paper.TotalScore(), 30);
}

TEST_F(MainFormRun, CloseRequestsAreRefusedWhileAPaperRunsAndEndTheProgramOtherwise) {
    {
        const RunningExam exam(Singles(2, 2700));
        TMainForm& form = exam.Form();
        form.show();
        ASSERT_NE(form.window(), &form);
        EXPECT_FALSE(form.window()->close());
        EXPECT_FALSE(form.close());
        EXPECT_TRUE(form.isVisible());
        EXPECT_TRUE(form.window()->isVisible());
        EXPECT_TRUE(form.ExamRunning());
        EXPECT_TRUE(form.tmr1->isActive());
    }

    // Without a running paper (the draw failed and the catalogue is shown) a close request from
    // the window system closes the window and the program's event loop ends.
    ExamFolder folder;
    folder.AddPapers(1);
    ExamWindow window(folder);
    window.mainForm.show();
    QTimer::singleShot(0, window.mainForm.window(), &QWidget::close);
    QTimer::singleShot(10000, [] { QApplication::exit(99); });
    EXPECT_EQ(QApplication::exec(), 0);
    EXPECT_FALSE(window.mainForm.isVisible());
    EXPECT_FALSE(window.mainForm.window()->isVisible());
    EXPECT_TRUE(boxes.shown().empty());
    EXPECT_EQ(folder.PrimaryRows(), 0);
}

TEST_F(MainFormRun, TabToAControlBelowTheViewportScrollsThePaperToShowIt) {
    const RunningExam exam(Singles(8, 2700, 4));
    TMainForm& form = exam.Form();
    form.show();
    QApplication::setActiveWindow(form.window());
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.window()));
    const QList<TQuestionPanel*>& panels = form.PaperPanel->Panels;
    panels.front()->ItemControls.front()->setFocus(Qt::TabFocusReason);
    ASSERT_EQ(QApplication::focusWidget(), panels.front()->ItemControls.front().data());

    QSet<const TQuestionPanel*> visited{panels.front()};
    int highest = 0;
    for (int press = 0; press < 100 && QApplication::focusWidget() != form.btn2; ++press) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget* focused = QApplication::focusWidget();
        ASSERT_NE(focused, nullptr);
        if (!form.PaperPanel->isAncestorOf(focused))
            continue;
        const QRect place = InViewport(form, focused);
        EXPECT_GE(place.top(), 0) << press;
        EXPECT_LE(place.bottom(), form.pnl1Client->height() - 1) << press;
        for (const TQuestionPanel* panel : panels)
            if (panel->isAncestorOf(focused))
                visited.insert(panel);
        highest = std::max(highest, form.ScrollBar1->Position());
    }
    EXPECT_EQ(QApplication::focusWidget(), form.btn2);
    EXPECT_EQ(visited.size(), panels.size());
    EXPECT_GT(highest, form.PaperPanel->height() - form.pnl1Client->height() - 200);

    // Back with Shift+Tab to the first question: the paper returns to the top.
    for (int press = 0;
         press < 100 && QApplication::focusWidget() != panels.front()->ItemControls.front().data();
         ++press)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    EXPECT_EQ(InViewport(form, panels.front()).top(), 0);
    form.hide();
}

TEST_F(MainFormRun, ExamineeLineShowsAllOfALongTownUnitAndName) {
    ExamFolder folder;
    folder.AddPapers(1);
    folder.primary.Execute(
        u"insert into town (name) values ('安平镇东风街道办事处');\n"
        u"insert into Fac (name, Belong, type) values "
        u"('安平镇东风街道办事处社区卫生服务中心', '安平镇东风街道办事处', false)"_qs);
    ExamWindow window(folder);
    TMainForm& form = window.mainForm;
    // The line as it stands before a login fits its place.
    EXPECT_EQ(form.lbl3->geometry(), QRect(34, 282, 367, 24));

    TForm1 login(form);
    login.SetDataModule(&window.dataModule);
    login.SetPauses(0, 0);
    login.show();
    login.cbb1->setCurrentIndex(4);
    logintest::PickUnit(login, u"安平镇东风街道办事处社区卫生服务中心"_qs);
    login.edt1->setText(u"欧阳娜娜"_qs);
    login.rzbtbtn1->click();
    ASSERT_TRUE(form.ExamRunning());

    const QLabel& line = *form.lbl3;
    EXPECT_EQ(line.text(),
              ExamineeLine(u"安平镇东风街道办事处"_qs, u"安平镇东风街道办事处社区卫生服务中心"_qs,
                           u"欧阳娜娜"_qs));
    const QFontMetrics metrics(line.font());
    const int flags = Qt::AlignLeft | Qt::AlignTop | (line.wordWrap() ? Qt::TextWordWrap : 0);
    const QRect needed = metrics.boundingRect(QRect(0, 0, line.width(), 1000), flags, line.text());
    EXPECT_LE(needed.width(), line.contentsRect().width());
    EXPECT_LE(needed.height(), line.contentsRect().height());
    // It stays at its place, left of "开始考试" and above the dividing line.
    EXPECT_EQ(line.pos(), QPoint(34, 282));
    EXPECT_LT(line.geometry().right(), form.btn1->x());
    EXPECT_LE(line.geometry().bottom(), form.bvl1->geometry().bottom() - 2);
    EXPECT_EQ(line.font().pixelSize(), 16);
}

TEST_F(MainFormRun, ClickOnAnOptionHalfBelowTheViewportTicksItWhereTheKeyboardScrolls) {
    const RunningExam exam(Singles(8, 2700, 4));
    TMainForm& form = exam.Form();
    form.show();
    QApplication::setActiveWindow(form.window());
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.window()));
    const int viewHeight = form.pnl1Client->height();
    auto* option =
        qobject_cast<QAbstractButton*>(form.PaperPanel->Panels.at(4)->ItemControls.at(1).data());
    ASSERT_NE(option, nullptr);
    const int top = option->mapTo(form.PaperPanel, QPoint(0, 0)).y();
    // Its upper 12 pixels show at the bottom of the viewport.
    form.ScrollBar1->SetPosition(top - viewHeight + 12);
    ASSERT_EQ(InViewport(form, option).top(), viewHeight - 12);

    // Pressed and released where the window system reports the mouse: the paper stays, so the
    // release finds the option the press found.
    const int position = form.ScrollBar1->Position();
    const QPoint at = option->mapTo(form.window(), QPoint(8, 8));
    QTest::mousePress(form.window()->windowHandle(), Qt::LeftButton, Qt::NoModifier, at);
    EXPECT_EQ(form.ScrollBar1->Position(), position);
    QTest::mouseRelease(form.window()->windowHandle(), Qt::LeftButton, Qt::NoModifier, at);
    EXPECT_TRUE(option->isChecked());
    EXPECT_EQ(QApplication::focusWidget(), option);

    // The arrow keys move through the options and keep the focused one in view.
    auto* first =
        qobject_cast<QAbstractButton*>(form.PaperPanel->Panels.at(5)->ItemControls.at(0).data());
    ASSERT_NE(first, nullptr);
    first->setFocus(Qt::TabFocusReason);
    for (int press = 0; press < 3; ++press) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
        const QRect place = InViewport(form, QApplication::focusWidget());
        EXPECT_GE(place.top(), 0) << press;
        EXPECT_LE(place.bottom(), viewHeight - 1) << press;
    }
    EXPECT_EQ(QApplication::focusWidget(),
              form.PaperPanel->Panels.at(5)->ItemControls.at(3).data());
    form.hide();
}
