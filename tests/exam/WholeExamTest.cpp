#include "exam/Startup.h"
#include "exam/Unit1.h"
#include "exam/uMainform.h"
#include "paper/uObjectHandle.h"
#include "tests/exam/LoginTestData.h"
#include "ui/MessageBox.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using logintest::ExamFolder;
using logintest::Gbk;
using logintest::WaitFor;

namespace {

// Three single-choice questions of 10 points (the right option is the first) and a
// multiple-choice question of 10 points whose right options are the first and the third.
paperwriter::Paper FourQuestions() {
    paperwriter::Paper paper = logintest::SmallPaper(u"综合测试"_qs, 2700);
    paperwriter::Question multi;
    multi.kind = paperwriter::Kind::Multi;
    multi.stem = Gbk(u"下列哪些做法是正确的?"_qs);
    multi.fullMarks = 10;
    multi.allOrNothing = 1;
    multi.options = {Gbk(u"按时上报"_qs), Gbk(u"隐瞒不报"_qs), Gbk(u"如实记录"_qs),
                     Gbk(u"事后补记"_qs)};
    multi.answer[0] = 1;
    multi.answer[2] = 1;
    paper.questions.push_back(multi);
    return paper;
}

// Clicks the tick box of an option, at the left end of its row, where the examinee clicks.
void Tick(TMainForm& mainForm, int question, int option) {
    auto* button = qobject_cast<QAbstractButton*>(
        mainForm.PaperPanel->Panels.at(question)->ItemControls.at(option).data());
    ASSERT_NE(button, nullptr);
    QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, QPoint(8, button->height() / 2));
}

} // namespace

// An examinee logs in with the keyboard, the drawn paper runs, two questions are answered right,
// one wrong and one right again through the question controls, and the paper is handed in: both
// databases hold the score the answers earn, and the result box says it.
TEST(WholeExam, LoginDrawAnswersHandInAndTheScoreInBothDatabases) {
    ui::ScriptedMessageBoxes boxes;
    ExamFolder folder;
    folder.AddPaper(FourQuestions(), "综合测试.mqe");

    ExamStartup startup;
    startup.Folder = folder.Folder();
    startup.JournalFile = folder.JournalFile();
    startup.ShowLogin = [&](TForm1& login) {
        login.SetPauses(20, 20);
        login.open();
        ASSERT_TRUE(WaitFor([&] { return login.cbb1->count() == 4; }));
        // Town 白沙镇, kind 事业单位 as it stands, its unit from the opened list, a name, Enter.
        login.cbb1->setFocus();
        QTest::keyClick(login.cbb1, Qt::Key_Down);
        QTest::keyClick(login.cbb1, Qt::Key_Down);
        QTest::keyClick(login.cbb1, Qt::Key_Down);
        QTest::keyClick(login.cbb1, Qt::Key_Tab);
        ASSERT_EQ(login.focusWidget(), login.cbb2);
        QTest::keyClick(login.cbb2, Qt::Key_Down, Qt::AltModifier);
        ASSERT_TRUE(login.cbb2->view()->isVisible());
        QTest::keyClick(login.cbb2->view(), Qt::Key_Down);
        QTest::keyClick(login.cbb2->view(), Qt::Key_Return);
        QTest::keyClick(login.cbb2, Qt::Key_Tab);
        for (const QChar typed : u" 王芳"_qs)
            QTest::sendKeyEvent(QTest::Click, login.edt1, Qt::Key_unknown, QString(typed),
                                Qt::NoModifier);
        QTest::keyClick(login.edt1, Qt::Key_Return);
        ASSERT_TRUE(WaitFor([&] { return !login.isVisible(); }));
    };
    QString lbl3;
    startup.RunEventLoop = [&](TMainForm& mainForm) {
        QTimer::singleShot(0, &mainForm, [&] {
            ASSERT_TRUE(mainForm.isVisible());
            ASSERT_TRUE(mainForm.ExamRunning());
            lbl3 = mainForm.lbl3->text();
            Tick(mainForm, 0, 0); // right
            Tick(mainForm, 1, 2); // wrong
            Tick(mainForm, 2, 0); // right
            Tick(mainForm, 3, 0); // right, with the third
            Tick(mainForm, 3, 2);
            for (int question = 0; question < 4; ++question)
                EXPECT_TRUE(mainForm.PaperPanel->Panels.at(question)->IsAnswered()) << question;
            QTest::mouseClick(mainForm.btn2, Qt::LeftButton);
        });
        // Should the exam not end, the test fails instead of waiting for ever.
        QTimer::singleShot(30000, [] { QApplication::exit(99); });
        return QApplication::exec();
    };

    EXPECT_EQ(RunExam(startup), 0);
    EXPECT_EQ(lbl3, u"【考生资料】:所在乡镇  白沙镇  所在单位  白沙镇农技站 考生姓名 王芳"_qs);
    const QString row = u"白沙镇|白沙镇农技站|王芳|30"_qs;
    EXPECT_EQ(logintest::ScoreRows(folder.primary.ConnectionString()), QStringList{row});
    EXPECT_EQ(logintest::ScoreRows(folder.secondary.ConnectionString()), QStringList{row});

    // The confirmation of the login, the confirmation of the hand-in, the result.
    ASSERT_EQ(boxes.shown().size(), 3u) << boxes.shown().back().text.toStdString();
    EXPECT_TRUE(boxes.shown()[0].text.contains(u"所在单位 【白沙镇农技站】"_qs));
    EXPECT_EQ(boxes.shown()[1].text, u"您是否确认提交此试卷?"_qs);
    EXPECT_EQ(boxes.shown()[2].text, u"考试时间结束.你的得分是: 30分. 满分是: 40分.已保存.\r\n\r\n"
                                     u"点击确认按钮关闭程序."_qs);
    EXPECT_EQ(boxes.shown()[2].flags, unsigned(ui::MB_OK | ui::MB_ICONINFORMATION));
}
