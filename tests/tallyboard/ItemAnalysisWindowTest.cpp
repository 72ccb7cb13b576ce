#include "tallyboard/ItemAnalysisWindow.h"

#include "tallyboard/ExportFlow.h"
#include "tallyboard/StatisticsWindow.h"
#include "tallyboard/Unit4.h"
#include "tests/support/XlsReadBack.h"
#include "tests/tallyboard/AttemptTestData.h"
#include "ui/DataGrid.h"
#include "ui/GridModel.h"
#include "ui/MessageBox.h"
#include "ui/SaveDialog.h"

#include <QAbstractItemModelTester>
#include <QAction>
#include <QBarCategoryAxis>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QHeaderView>
#include <QJsonArray>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QSettings>
#include <QTableView>
#include <gtest/gtest.h>

using attempttest::Attempt;

namespace {

const QString School = u"安平镇中心小学"_qs;

// Six counted attempts and one abandonment at the three-question paper in one unit, two at a
// one-question paper there, one at that paper in another unit.
class ItemAnalysisWindow : public ::testing::TestWithParam<testsupport::Backend> {
protected:
    void SetUp() override {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                           QString::fromStdString(dir.path().string()));
        const QString three = attempttest::InsertPaper(database, attempttest::ThreeQuestionPaper());
        paperwriter::Paper small = attempttest::ThreeQuestionPaper();
        small.title = attempttest::Gbk("小测验");
        small.questions.resize(1);
        const QString one = attempttest::InsertPaper(database, small);
        const std::vector<int> full = {2, 4, 4};
        const struct {
            const char* answers[3];
            std::vector<int> marks;
        } rows[] = {{{"B", "AC", "CA"}, {2, 4, 4}}, {{"B", "A", "CB"}, {2, 3, 2}},
                    {{"B", "AC", "C-"}, {2, 4, 2}}, {{"A", "", ""}, {0, 2, 0}},
                    {{"", "BD", "AB"}, {0, 0, 0}},  {{"B", "ACD", "CA"}, {2, 3, 4}}};
        int number = 0;
        for (const auto& row : rows) {
            Attempt attempt{u"t%1"_qs.arg(number),
                            u"安平镇"_qs,
                            School,
                            u"考生%1"_qs.arg(number),
                            number == 4 ? u"timeout"_qs : u"handin"_qs,
                            {},
                            row.marks,
                            full};
            for (const char* answer : row.answers)
                attempt.answers << QString::fromLatin1(answer);
            attempt.recorded = u"2026-12-09 09:0%1:00"_qs.arg(number++);
            attempttest::InsertAttempt(database, three, attempt);
        }
        attempttest::InsertAttempt(database, three,
                                   {u"a1"_qs,
                                    u"安平镇"_qs,
                                    School,
                                    u"放弃者"_qs,
                                    u"abandon"_qs,
                                    {u"B"_qs, {}, {}},
                                    {2, 0, 0},
                                    full});
        for (const char* token : {"s1", "s2"})
            attempttest::InsertAttempt(database, one,
                                       {QString::fromLatin1(token),
                                        u"安平镇"_qs,
                                        School,
                                        u"乙"_qs,
                                        u"handin"_qs,
                                        {u"B"_qs},
                                        {2},
                                        {2}});
        attempttest::InsertAttempt(database, one,
                                   {u"o1"_qs,
                                    u"白沙镇"_qs,
                                    u"白沙镇农技站"_qs,
                                    u"丙"_qs,
                                    u"handin"_qs,
                                    {u"A"_qs},
                                    {0},
                                    {2}});
        dir.write("DBConifg.ini",
                  (u"[DBConifg]\r\nConnectionString="_qs + database.ConnectionString() + u"\r\n"_qs)
                      .toStdString());
        dir.write("列项属性.txt", "[score]\r\n");
        browser =
            std::make_unique<TfrmBasicMid1>(QString::fromStdString(dir.path().string()) + u'/');
    }
    void TearDown() override { QDir::setCurrent(QDir::tempPath()); }

    TfrmItemAnalysis& Analysis(const QString& unit) {
        browser->edt1->setText(unit);
        browser->actSearchExecute();
        browser->btnItemAnalysis->click();
        QCoreApplication::processEvents();
        EXPECT_NE(browser->frmItemAnalysis, nullptr);
        return *browser->frmItemAnalysis;
    }
    static QStringList Row(const QAbstractItemModel& model, int row) {
        QStringList texts;
        for (int column = 0; column < model.columnCount(); ++column)
            texts << model.index(row, column).data().toString();
        return texts;
    }

    testsupport::TempDir dir;
    testsupport::TestDatabase database{GetParam()};
    ui::ScriptedMessageBoxes boxes;
    std::unique_ptr<TfrmBasicMid1> browser;
};

} // namespace

TEST_P(ItemAnalysisWindow, AnalysesThePaperOfTheUnitFilterWithItsFiguresAndResponses) {
    browser->btnItemAnalysis->click();
    QCoreApplication::processEvents();
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].caption, u"提示");
    EXPECT_EQ(browser->btnItemAnalysis->text(), u"试题分析(&Q)");
    browser->show();
    QCoreApplication::processEvents();
    EXPECT_EQ(browser->btnItemAnalysis->x(), browser->btnStatistics->geometry().right() + 4);
    EXPECT_EQ(browser->btnItemAnalysis->y(), browser->btnStatistics->y());

    TfrmItemAnalysis& window = Analysis(u"中心小学"_qs);
    EXPECT_EQ(window.windowTitle(), u"试题分析");
    ASSERT_EQ(window.cbbPaper->count(), 2);
    EXPECT_EQ(window.cbbPaper->itemText(0), u"安全知识 (6份)");
    EXPECT_EQ(window.cbbPaper->itemText(1), u"小测验 (2份)");
    EXPECT_TRUE(window.lblAbandoned->text().contains(u"1 份放弃"_qs));

    // Totals 10, 7, 8, 2, 0, 9: mean 6, median 7.5.
    EXPECT_EQ(window.lblFigures[TfrmItemAnalysis::Attempts]->text(), u"6");
    EXPECT_EQ(window.lblFigures[TfrmItemAnalysis::Average]->text(), u"6.00");
    EXPECT_EQ(window.lblFigures[TfrmItemAnalysis::Median]->text(), u"7.50");
    // Question 1: marks 2, 2, 2, 0, 0, 2 of 2; a guess among four options scores 25%.
    const TItemAnalysisModel& model = *window.Model();
    ASSERT_EQ(model.rowCount(), 3);
    EXPECT_EQ(Row(model, 0).mid(0, 7),
              QStringList({u"1"_qs, u"单选题"_qs, u"1. 单选题干"_qs, u"2"_qs, u"66.7%"_qs,
                           u"51.6%"_qs, u"25.0%"_qs}));
    EXPECT_EQ(Row(model, 1)[TItemAnalysisModel::Guess], QString());
    EXPECT_EQ(Row(model, 2)[TItemAnalysisModel::Guess], u"33.3%");

    // Responses of the first question: B four times, A once, one left open.
    const TResponseModel& responses = *window.Responses();
    ASSERT_EQ(responses.rowCount(), 5);
    EXPECT_EQ(Row(responses, 1),
              QStringList({u"B"_qs, u"B. 乙"_qs, u"✔"_qs, u"4"_qs, u"66.7%"_qs}));
    EXPECT_EQ(Row(responses, 4)[0], u"未作答");
    EXPECT_EQ(Row(responses, 4)[3], u"1");
    // The matching question: per item the count of each letter, "-" for an open item.
    window.grdQuestions->selectRow(2);
    ASSERT_EQ(responses.columnCount(), 6);
    EXPECT_EQ(Row(responses, 0),
              QStringList({u"1"_qs, u"项一"_qs, u"C"_qs, u"1"_qs, u"0"_qs, u"4"_qs}));
    EXPECT_EQ(Row(responses, 1),
              QStringList({u"2"_qs, u"项二"_qs, u"A"_qs, u"2"_qs, u"2"_qs, u"0"_qs}));
    EXPECT_EQ(Row(responses, 2)[3], u"1");

    // The other paper, and the unit filter on the attempts.
    window.cbbPaper->setCurrentIndex(1);
    window.cbbPaper->activated(1);
    QCoreApplication::processEvents();
    EXPECT_EQ(window.lblFigures[TfrmItemAnalysis::Attempts]->text(), u"2");
    // Two attempts, both right, are too few to call it 过易.
    EXPECT_EQ(Row(model, 0)[TItemAnalysisModel::Hint], u"样本不足");
    browser->edt1->setText(QString());
    browser->actSearchExecute();
    EXPECT_EQ(window.cbbPaper->itemText(1), u"小测验 (3份)");
    EXPECT_EQ(window.cbbPaper->currentIndex(), 1);
    EXPECT_EQ(window.lblFigures[TfrmItemAnalysis::Attempts]->text(), u"3");
}

INSTANTIATE_TEST_SUITE_P(Backends, ItemAnalysisWindow,
                         ::testing::Values(testsupport::Backend::Sqlite,
                                           testsupport::Backend::Postgres),
                         [](const auto& info) { return testsupport::BackendName(info.param); });

class ItemAnalysisWindowSqlite : public ItemAnalysisWindow {};

TEST_P(ItemAnalysisWindowSqlite, SortingKeepsTheSelectionAndEveryModelPassesTheTester) {
    TfrmItemAnalysis& window = Analysis(School);
    QAbstractItemModelTester questions(window.Model());
    QAbstractItemModelTester answers(window.Responses());
    QAbstractItemModelTester grid(browser->dbgrdData->gridModel());

    // 得分率: 66.7%, 66.7%, 50.0%; descending first, then ascending, as in the main grid.
    window.grdQuestions->selectRow(2);
    QHeaderView* titles = window.grdQuestions->horizontalHeader();
    titles->sectionClicked(TItemAnalysisModel::Facility);
    EXPECT_EQ(Row(*window.Model(), 2)[0], u"3");
    titles->sectionClicked(TItemAnalysisModel::Facility);
    EXPECT_EQ(Row(*window.Model(), 0)[0], u"3");
    const QModelIndexList selected = window.grdQuestions->selectionModel()->selectedRows();
    ASSERT_EQ(selected.size(), 1);
    EXPECT_EQ(selected[0].data().toString(), u"3");
    EXPECT_EQ(window.Responses()->columnCount(), 6); // still the matching question

    // The statistics window keeps its selection on its group too, with its histogram: 安平镇
    // (first seen, eight scores under 10) moves below 白沙镇 in a descending sort by town.
    browser->edt1->setText(QString());
    browser->actSearchExecute();
    browser->btnStatistics->click();
    QCoreApplication::processEvents();
    TfrmStatistics& figures = *browser->frmStatistics;
    QAbstractItemModelTester statistics(figures.Model());
    figures.cbbGrouping->setCurrentIndex(0);
    QCoreApplication::processEvents();
    figures.grdFigures->selectRow(0);
    const QString group = figures.Model()->GroupNameAt(0);
    EXPECT_EQ(group, u"安平镇");
    const qreal before = figures.Bars()->at(0);
    EXPECT_EQ(before, 8);
    figures.grdFigures->horizontalHeader()->sectionClicked(0);
    EXPECT_EQ(figures.Model()->GroupNameAt(0), u"白沙镇");
    const QModelIndexList kept = figures.grdFigures->selectionModel()->selectedRows();
    ASSERT_EQ(kept.size(), 1);
    EXPECT_EQ(figures.Model()->GroupNameAt(kept[0].row()), group);
    EXPECT_EQ(figures.Bars()->at(0), before);
}

TEST_P(ItemAnalysisWindowSqlite, ExportsBothTablesAndRefusesAChartThatCannotBeEncoded) {
    TfrmItemAnalysis& window = Analysis(School);
    window.Today = [] {
        return QDate(2026, 12, 9);
    };
    ui::ScriptedSaveDialogs dialogs;
    const QString target = QString::fromStdString((dir / "分析.xls").string());
    dialogs.answer(target);
    window.ExportTables();
    ASSERT_EQ(dialogs.shown().size(), 1u);
    EXPECT_EQ(dialogs.shown()[0].fileName, u"试题分析20261209");
    EXPECT_EQ(boxes.shown().back().text, u"数据导出成功！");
    const QJsonArray rows = testsupport::ReadXlsRows(dir / "分析.xls");
    ASSERT_GE(rows.size(), 6);
    EXPECT_EQ(rows[0].toArray()[4].toString(), u"得分率");
    EXPECT_EQ(rows[1].toArray()[0].toDouble(), 1);
    EXPECT_DOUBLE_EQ(rows[1].toArray()[4].toDouble(), 66.7);
    EXPECT_EQ(rows[5].toArray()[0].toString(), u"第1题");
    EXPECT_EQ(rows[7].toArray()[3].toString(), u"✔");
    EXPECT_EQ(rows[7].toArray()[4].toDouble(), 4);

    // A chart picture that cannot be encoded is an error, not an empty file.
    EXPECT_THROW(tallyboard::PngBytes(QPixmap()), std::exception);
    EXPECT_TRUE(tallyboard::PngBytes(QPixmap(4, 4)).startsWith("\x89PNG"));
}

TEST_P(ItemAnalysisWindowSqlite, TheChartsLeaveOutTheQuestionsWhoseFigureIsUndefined) {
    // Everybody gets question 1 right, so its discrimination is undefined.
    const QString three =
        attempttest::Sha256Of(paperwriter::WritePaper(attempttest::ThreeQuestionPaper()));
    for (const std::vector<int>& marks : {std::vector{2, 4, 4}, {2, 3, 2}, {2, 0, 0}})
        attempttest::InsertAttempt(database, three,
                                   {u"b%1"_qs.arg(marks[1]),
                                    u"白沙镇"_qs,
                                    u"白沙镇农技站"_qs,
                                    u"丙"_qs,
                                    u"handin"_qs,
                                    {u"B"_qs, u"A"_qs, u"CA"_qs},
                                    marks,
                                    {2, 4, 4}});
    TfrmItemAnalysis& window = Analysis(u"农技站"_qs);
    auto numbers = [](QChartView* view) {
        return qobject_cast<QBarCategoryAxis*>(view->chart()->axes(Qt::Horizontal).value(0))
            ->categories();
    };
    EXPECT_EQ(numbers(window.chtFacility), QStringList({u"1"_qs, u"2"_qs, u"3"_qs}));
    // Question 2: marks 4, 3, 0 against the rest 6, 4, 2: 8 / sqrt(26/3 * 8) = 96.077%.
    EXPECT_EQ(numbers(window.chtDiscrimination), QStringList({u"2"_qs, u"3"_qs}));
    ASSERT_EQ(window.DiscriminationBars()->count(), 2);
    EXPECT_NEAR(window.DiscriminationBars()->at(0), 96.077, 0.001);
}

INSTANTIATE_TEST_SUITE_P(Sqlite, ItemAnalysisWindowSqlite,
                         ::testing::Values(testsupport::Backend::Sqlite),
                         [](const auto& info) { return testsupport::BackendName(info.param); });
