#include "tallyboard/AttemptReview.h"

#include "paper/uObjectHandle.h"
#include "platform/DatabaseQuery.h"
#include "tallyboard/ItemAnalysisWindow.h"
#include "tallyboard/Unit4.h"
#include "tests/tallyboard/AttemptTestData.h"
#include "ui/DataGrid.h"
#include "ui/MessageBox.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QRadioButton>
#include <QTableView>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// A score browser over two score rows: the first with its attempt at the three-question paper,
// the second recorded without one.
class AttemptReview : public ::testing::Test {
protected:
    void Open(bool withTables) {
        browser.reset();
        database = std::make_unique<testsupport::TestDatabase>(
            testsupport::Backend::Sqlite,
            withTables ? testsupport::Tables::WithAttempts : testsupport::Tables::ScoresOnly);
        const testsupport::TestDatabase& database = *this->database;
        if (withTables) {
            const QString sha =
                attempttest::InsertPaper(database, attempttest::ThreeQuestionPaper());
            attempttest::InsertAttempt(database, sha,
                                       {u"t1"_qs,
                                        u"安平镇"_qs,
                                        u"安平镇中心小学"_qs,
                                        u"张三"_qs,
                                        u"timeout"_qs,
                                        {u"B"_qs, u"AB"_qs, u"C-"_qs},
                                        {2, 2, 2},
                                        {2, 4, 4}});
        }
        database.Execute(u"insert into Score (Town, Fac, Name, Score, STime) values ('安平镇', "
                         "'安平镇中心小学', '李四', 70, '2026-12-09 10:00:00')"_qs);
        dir.write("DBConifg.ini",
                  (u"[DBConifg]\r\nConnectionString="_qs + database.ConnectionString() + u"\r\n"_qs)
                      .toStdString());
        dir.write("列项属性.txt", "[score]\r\n");
        browser =
            std::make_unique<TfrmBasicMid1>(QString::fromStdString(dir.path().string()) + u'/');
        browser->actSearchExecute();
        ASSERT_EQ(browser->ADOQuery1->RecordCount(), withTables ? 2 : 1);
    }
    void TearDown() override { QDir::setCurrent(QDir::tempPath()); }

    // A double click on a row of the grid, as the user opens a review.
    TfrmAttemptReview* DoubleClick(int row) {
        QTableView* view = browser->dbgrdData->view();
        browser->show();
        QCoreApplication::processEvents();
        const QRect cell = view->visualRect(view->model()->index(row, 0));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, cell.center());
        QCoreApplication::processEvents();
        return browser->findChild<TfrmAttemptReview*>();
    }

    testsupport::TempDir dir;
    std::unique_ptr<testsupport::TestDatabase> database;
    ui::ScriptedMessageBoxes boxes;
    std::unique_ptr<TfrmBasicMid1> browser;
};

} // namespace

TEST_F(AttemptReview, ShowsThePaperAsAnsweredWithMarksAndKeysAndPrintsIt) {
    Open(true);
    TfrmAttemptReview* review = DoubleClick(0);
    ASSERT_NE(review, nullptr);
    EXPECT_TRUE(boxes.shown().empty());
    EXPECT_EQ(review->windowTitle(), u"答卷详情");
    const QString header = review->lblHeader->text();
    for (const char* part : {"张三", "安全知识", "2026-12-09 08:30:00", "超时", "30分05秒", "1次",
                             "1分02秒", "6 / 10"})
        EXPECT_TRUE(header.contains(QString::fromUtf8(part))) << part;

    // Each kind shows the examinee's answer in its own controls, and none can be changed.
    ASSERT_EQ(review->pnlPaper->Panels.size(), 3);
    EXPECT_EQ(review->pnlPaper->Panels[0]->Answer(), std::vector<int32_t>({0, 1, 0, 0}));
    EXPECT_EQ(review->pnlPaper->Panels[1]->Answer(), std::vector<int32_t>({1, 1, 0, 0}));
    EXPECT_EQ(review->pnlPaper->Panels[2]->Answer(), std::vector<int32_t>({2, -1}));
    auto* option = qobject_cast<QRadioButton*>(review->pnlPaper->Panels[0]->ItemControls[2]);
    ASSERT_NE(option, nullptr);
    QTest::mouseClick(option, Qt::LeftButton);
    EXPECT_FALSE(option->isChecked());
    ASSERT_EQ(review->lblMarks.size(), 3);
    EXPECT_TRUE(review->lblMarks[0]->text().contains(u"得分 2 / 2"_qs));
    EXPECT_TRUE(review->lblMarks[1]->text().contains(u"得分 2 / 4"_qs));
    EXPECT_TRUE(review->lblMarks[1]->text().contains(u"正确答案：AC"_qs));
    EXPECT_TRUE(review->lblMarks[2]->text().contains(u"正确答案：CA"_qs));

    const QString pdf = QString::fromStdString((dir / "答卷.pdf").string());
    review->WritePdf(pdf);
    QProcess text;
    text.start(u"pdftotext"_qs, {pdf, u"-"_qs});
    ASSERT_TRUE(text.waitForFinished(20000));
    ASSERT_EQ(text.exitCode(), 0) << text.readAllStandardError().toStdString();
    const QString printed = QString::fromUtf8(text.readAllStandardOutput());
    for (const char* part : {"张三", "得分 2 / 4", "正确答案：AC", "单选题干", "配伍题干"})
        EXPECT_TRUE(printed.contains(QString::fromUtf8(part))) << part;
}

TEST_F(AttemptReview, WithoutAnAttemptTheReviewSaysSoAndWithoutTheTablesTheItemAnalysisToo) {
    for (const bool withTables : {true, false}) {
        SCOPED_TRACE(withTables);
        boxes.clear();
        Open(withTables);
        const int row = withTables ? 1 : 0;
        browser->dbgrdData->setCurrentCell(row, 0);
        browser->actReview->trigger();
        QCoreApplication::processEvents();
        EXPECT_EQ(browser->findChild<TfrmAttemptReview*>(), nullptr);
        ASSERT_EQ(boxes.shown().size(), 1u);
        EXPECT_EQ(boxes.shown()[0].text, u"该成绩没有答卷记录");
        EXPECT_EQ(boxes.shown()[0].caption, u"提示");
        if (withTables)
            continue;
        boxes.clear();
        browser->btnItemAnalysis->click();
        QCoreApplication::processEvents();
        ASSERT_EQ(boxes.shown().size(), 1u);
        EXPECT_TRUE(boxes.shown()[0].text.contains(u"数据库中没有答卷记录表"_qs))
            << boxes.shown()[0].text.toStdString();
    }
}

TEST_F(AttemptReview, AnyOtherDatabaseErrorIsShownAsAnError) {
    Open(true);
    database->Execute(u"alter table Attempt rename column AwaySeconds to Away"_qs);
    browser->dbgrdData->setCurrentCell(0, 0);
    browser->actReview->trigger();
    QCoreApplication::processEvents();
    EXPECT_EQ(browser->findChild<TfrmAttemptReview*>(), nullptr);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].flags & 0xF0u, unsigned(ui::MB_ICONERROR));
    EXPECT_TRUE(boxes.shown()[0].text.contains(u"AwaySeconds"_qs))
        << boxes.shown()[0].text.toStdString();
}

TEST_F(AttemptReview, APaperWhoseBytesDoNotMatchItsHashIsNeitherReviewedNorAnalysed) {
    Open(true);
    // The same paper with another key, stored under the real paper's hash.
    paperwriter::Paper forged = attempttest::ThreeQuestionPaper();
    forged.questions[0].key = 0;
    database->Execute(u"update Paper set Bytes = X'%1'"_qs.arg(
        QString::fromLatin1(QByteArray::fromStdString(paperwriter::WritePaper(forged)).toHex())));
    const QString said = u"试卷《安全知识》的内容与其 SHA-256 不符，已不予使用。"_qs;

    browser->dbgrdData->setCurrentCell(0, 0);
    browser->actReview->trigger();
    QCoreApplication::processEvents();
    EXPECT_EQ(browser->findChild<TfrmAttemptReview*>(), nullptr);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text, said);

    browser->btnItemAnalysis->click();
    QCoreApplication::processEvents();
    ASSERT_NE(browser->frmItemAnalysis, nullptr);
    EXPECT_EQ(browser->frmItemAnalysis->lblAbandoned->text(), said);
    EXPECT_EQ(browser->frmItemAnalysis->Model()->rowCount(), 0);
    EXPECT_EQ(boxes.shown().size(), 1u);
}
