#include "ui/DataGrid.h"

#include "tests/ui/DataGridTestData.h"
#include "ui/FindDialog.h"
#include "ui/Fonts.h"
#include "ui/GridModel.h"
#include "ui/MessageBox.h"

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <gtest/gtest.h>

using ui::DataGrid;
using ui::FooterKind;
using ui::GridColumn;
using ui::GridFooter;

namespace {

GridColumn Column(const QString& field, const QString& title, int width = 100) {
    GridColumn column;
    column.fieldName = field;
    column.title = title;
    column.width = width;
    return column;
}

// Every shown footer lies under its section, shifted by the scroll offset as the titles are.
void ExpectFootersUnderSections(const DataGrid& grid) {
    const QHeaderView* titles = grid.titleRow();
    for (int index = 0; index < grid.columnCount(); ++index) {
        const QLabel* cell = grid.footerCell(index);
        ASSERT_NE(cell, nullptr);
        EXPECT_EQ(cell->x(), titles->sectionViewportPosition(index)) << "column " << index;
        EXPECT_EQ(cell->width(), titles->sectionSize(index)) << "column " << index;
    }
    // The footers' strip starts where the cells' viewport starts.
    const QWidget* strip = grid.footerCell(0)->parentWidget();
    EXPECT_EQ(strip->mapTo(&grid, QPoint(0, 0)).x(),
              grid.view()->viewport()->mapTo(&grid, QPoint(0, 0)).x());
}

class DataGridTest : public ::testing::Test {
protected:
    void SetUp() override {
        grid.resize(400, 300);
        grid.setDataSet(&data.query);
    }
    void ConfigureScoreColumns() {
        grid.addColumn(Column(u"Name"_qs, u"姓名"_qs));
        grid.addColumn(Column(u"Score"_qs, u"成绩"_qs));
        grid.addColumn(Column(u"STime"_qs, u"考试时间"_qs));
        grid.addColumn(Column(u"Fac"_qs, u"单位"_qs));
    }

    gridtest::ScoreData data;
    DataGrid grid;
};

} // namespace

TEST_F(DataGridTest, LooksAndSelectsAsABrowseGrid) {
    const QTableView* view = grid.view();
    EXPECT_EQ(view->selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_EQ(view->selectionMode(), QAbstractItemView::ExtendedSelection);
    EXPECT_EQ(view->editTriggers(), QAbstractItemView::NoEditTriggers);
    EXPECT_TRUE(grid.titleRow()->sectionsMovable());
    EXPECT_FALSE(grid.titleRow()->isSortIndicatorShown());
    EXPECT_EQ(view->font().pixelSize(), 13);
    EXPECT_EQ(view->palette().color(QPalette::Base), QColor(Qt::white));
    EXPECT_TRUE(grid.footerRow()->font().bold());
    EXPECT_EQ(grid.footerRow()->font().pixelSize(), 13);
    EXPECT_EQ(grid.footerRow()->palette().color(QPalette::Window),
              grid.palette().color(QPalette::Button));
}

TEST_F(DataGridTest, DistinguishesNoDatasetFromAClosedOne) {
    DataGrid empty;
    EXPECT_EQ(empty.dataSet(), nullptr);
    EXPECT_FALSE(empty.dataSetActive());
    EXPECT_EQ(grid.dataSet(), &data.query);
    EXPECT_FALSE(grid.dataSetActive());
    data.Open(u"select * from score"_qs);
    EXPECT_TRUE(grid.dataSetActive());
}

TEST_F(DataGridTest, RowNumbersAndIndicatorWidthFollowTheRecordCount) {
    data.InsertScores(25);
    data.Open(u"select * from score order by id"_qs);
    const QFontMetrics metrics(grid.view()->font());
    EXPECT_EQ(grid.indicatorWidth(), 11);
    EXPECT_EQ(grid.view()->model()->headerData(0, Qt::Vertical).toString(), u"");

    grid.setRowNumbersVisible(true);
    EXPECT_EQ(grid.indicatorWidth(), 11 + metrics.horizontalAdvance(u"25"_qs));
    const QAbstractItemModel* model = grid.view()->model();
    EXPECT_EQ(model->headerData(0, Qt::Vertical).toString(), u"1");
    EXPECT_EQ(model->headerData(24, Qt::Vertical).toString(), u"25");

    data.InsertScores(1000);
    data.Open(u"select * from score order by id"_qs);
    EXPECT_EQ(grid.rowCount(), 1025);
    EXPECT_EQ(grid.indicatorWidth(), 11 + metrics.horizontalAdvance(u"1025"_qs));
    EXPECT_EQ(model->headerData(1024, Qt::Vertical).toString(), u"1025");
    grid.setRowNumbersVisible(false);
    EXPECT_EQ(grid.indicatorWidth(), 11);
}

TEST_F(DataGridTest, DefaultColumnsAreTheFieldsAndFollowEachReopen) {
    data.InsertScores(3);
    EXPECT_EQ(grid.columnCount(), 0);
    data.Open(u"select Name, Score from score order by id"_qs);
    EXPECT_FALSE(grid.hasConfiguredColumns());
    ASSERT_EQ(grid.columnCount(), 2);
    EXPECT_EQ(grid.columnTitle(0), u"Name");
    EXPECT_EQ(grid.columnFieldName(1), u"Score");
    EXPECT_GE(grid.columnWidth(0), 64);
    EXPECT_EQ(grid.cellText(2, 0), u"考生3");

    data.Open(u"select id, Town, Fac from score"_qs);
    ASSERT_EQ(grid.columnCount(), 3);
    EXPECT_EQ(grid.columnTitle(2), u"Fac");
    EXPECT_EQ(grid.titleRow()->count(), 3);

    // Configured columns replace them, and clearing the columns brings them back.
    grid.addColumn(Column(u"Town"_qs, u"乡镇"_qs, 70));
    EXPECT_TRUE(grid.hasConfiguredColumns());
    ASSERT_EQ(grid.columnCount(), 1);
    EXPECT_EQ(grid.cellText(0, 0), u"安平镇");
    grid.clearColumns();
    EXPECT_EQ(grid.columnCount(), 3);
}

TEST_F(DataGridTest, ConfiguredColumnsKeepTheirWidthsOrderAndVisibilityAcrossReopen) {
    data.InsertScores(4);
    ConfigureScoreColumns();
    GridColumn hidden = Column(u"checked"_qs, u"选中"_qs, 40);
    hidden.visible = false;
    grid.addColumn(hidden);
    grid.addColumn(Column(u"NoSuchField"_qs, u"缺"_qs, 50));
    data.Open(u"select * from score order by id"_qs);
    ASSERT_EQ(grid.columnCount(), 6);
    EXPECT_EQ(grid.columnTitle(1), u"成绩");
    EXPECT_EQ(grid.titleRow()->sectionSize(0), 100);
    EXPECT_TRUE(grid.view()->isColumnHidden(4));
    EXPECT_FALSE(grid.columnVisible(4));
    EXPECT_EQ(grid.cellText(0, 5), u"");
    EXPECT_EQ(grid.cellText(0, 2), u"2026-12-09 08:01:00");

    QSignalSpy moved(&grid, &DataGrid::columnMoved);
    QSignalSpy widths(&grid, &DataGrid::columnWidthsChanged);
    grid.moveColumn(3, 0);
    ASSERT_EQ(moved.count(), 1);
    EXPECT_EQ(moved[0][0].toInt(), 3);
    EXPECT_EQ(moved[0][1].toInt(), 0);
    EXPECT_EQ(grid.displayOrder(), (std::vector<int>{3, 0, 1, 2, 4, 5}));
    // A resize by the user (a section edge) changes the current width and is told.
    grid.titleRow()->resizeSection(1, 77);
    EXPECT_EQ(grid.columnWidth(1), 77);
    EXPECT_EQ(widths.count(), 1);
    EXPECT_EQ(grid.column(1).width, 77);

    data.Open(u"select * from score order by id desc"_qs);
    EXPECT_EQ(grid.displayOrder(), (std::vector<int>{3, 0, 1, 2, 4, 5}));
    EXPECT_EQ(grid.titleRow()->sectionSize(1), 77);
    EXPECT_TRUE(grid.view()->isColumnHidden(4));
    EXPECT_EQ(grid.cellText(0, 0), u"考生4");
    // Restoring the layout after a reopen is not a change by the user.
    EXPECT_EQ(moved.count(), 1);
    EXPECT_EQ(widths.count(), 1);

    grid.setColumnWidth(0, 120);
    EXPECT_EQ(grid.columnWidth(0), 120);
    EXPECT_EQ(widths.count(), 1);
    // Out-of-range positions are ignored.
    grid.moveColumn(0, 6);
    EXPECT_EQ(moved.count(), 1);
}

TEST_F(DataGridTest, FooterFollowsMovesResizesAndHorizontalScrolling) {
    data.InsertScores(30);
    ConfigureScoreColumns();
    grid.addColumn(Column(u"Town"_qs, u"乡镇"_qs));
    grid.addColumn(Column(u"id"_qs, u"序号"_qs));
    grid.setFooter(0, {FooterKind::Text, u"记录数:"_qs, Qt::AlignRight | Qt::AlignVCenter});
    grid.setFooter(1, {FooterKind::RecordCount, {}, Qt::AlignLeft | Qt::AlignVCenter});
    grid.setRowNumbersVisible(true);
    grid.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&grid));
    data.Open(u"select * from score order by id"_qs);
    QCoreApplication::processEvents();
    ExpectFootersUnderSections(grid);
    EXPECT_EQ(grid.footerCell(0)->text(), u"记录数:");
    EXPECT_EQ(grid.footerCell(0)->alignment(), Qt::AlignRight | Qt::AlignVCenter);
    EXPECT_EQ(grid.footerCell(1)->text(), u"30");
    // The footer lies below the cells.
    EXPECT_GE(
        grid.footerRow()->mapTo(&grid, QPoint(0, 0)).y(),
        grid.view()->viewport()->mapTo(&grid, QPoint(0, grid.view()->viewport()->height())).y());

    grid.moveColumn(0, 3);
    ExpectFootersUnderSections(grid);
    EXPECT_EQ(grid.footerCell(0)->x(), 300);

    grid.titleRow()->resizeSection(1, 160);
    ExpectFootersUnderSections(grid);
    EXPECT_EQ(grid.footerCell(1)->width(), 160);

    // Six columns of 100 pixels and more do not fit in 400: the grid scrolls sideways.
    QScrollBar* bar = grid.view()->horizontalScrollBar();
    ASSERT_GT(bar->maximum(), 0);
    bar->setValue(bar->maximum());
    QCoreApplication::processEvents();
    EXPECT_LT(grid.footerCell(grid.displayOrder().front())->x(), 0);
    ExpectFootersUnderSections(grid);

    // The grid's own scroll bar under the footer drives the cells.
    auto* outer = grid.findChildren<QScrollBar*>().front();
    for (QScrollBar* candidate : grid.findChildren<QScrollBar*>()) {
        if (candidate->parentWidget() == &grid)
            outer = candidate;
    }
    ASSERT_EQ(outer->parentWidget(), &grid);
    EXPECT_TRUE(outer->isVisible());
    outer->setValue(0);
    EXPECT_EQ(bar->value(), 0);
    ExpectFootersUnderSections(grid);

    grid.resize(900, 300);
    QCoreApplication::processEvents();
    ExpectFootersUnderSections(grid);
    EXPECT_FALSE(outer->isVisible());
}

TEST_F(DataGridTest, RecordCountFooterFollowsReopenAndPost) {
    ConfigureScoreColumns();
    grid.setFooter(1, {FooterKind::RecordCount, {}, Qt::AlignLeft});
    EXPECT_EQ(grid.footerText(1), u"");
    data.InsertScores(7);
    data.Open(u"select * from score"_qs);
    EXPECT_EQ(grid.footerCell(1)->text(), u"7");
    data.Open(u"select * from score where id < 3"_qs);
    EXPECT_EQ(grid.footerCell(1)->text(), u"2");
    data.query.Append();
    data.query.SetFieldText(data.query.FieldIndex(u"Name"_qs), u"新"_qs);
    data.query.Post();
    EXPECT_EQ(grid.footerCell(1)->text(), u"3");
    EXPECT_EQ(grid.footerText(0), u"");
    data.query.Close();
    EXPECT_EQ(grid.footerCell(1)->text(), u"");
}

TEST_F(DataGridTest, TitleClickIsToldAndSortingKeepsTheCurrentRow) {
    data.InsertScores(6);
    ConfigureScoreColumns();
    grid.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&grid));
    data.Open(u"select * from score order by id"_qs);
    QSignalSpy clicked(&grid, &DataGrid::titleClicked);
    QHeaderView* titles = grid.titleRow();
    const QPoint centre(titles->sectionViewportPosition(2) + 50, titles->height() / 2);
    QTest::mouseClick(titles->viewport(), Qt::LeftButton, {}, centre);
    ASSERT_EQ(clicked.count(), 1);
    EXPECT_EQ(clicked[0][0].toInt(), 2);
    // The grid itself does not sort.
    EXPECT_EQ(grid.cellText(0, 0), u"考生1");

    grid.setCurrentCell(2, 0);
    EXPECT_EQ(data.query.CurrentRow(), 2);
    data.query.SetSort(u"id DESC"_qs);
    EXPECT_EQ(grid.cellText(0, 0), u"考生6");
    EXPECT_EQ(grid.currentRow(), data.query.CurrentRow());
    EXPECT_EQ(grid.cellText(grid.currentRow(), 0), u"考生3");
}

TEST_F(DataGridTest, RowAndColumnSelection) {
    data.InsertScores(5);
    ConfigureScoreColumns();
    data.Open(u"select * from score order by id"_qs);
    grid.view()->selectRow(1);
    grid.view()->selectionModel()->select(grid.view()->model()->index(3, 0),
                                          QItemSelectionModel::Select | QItemSelectionModel::Rows);
    EXPECT_EQ(grid.selectedRows(), (std::vector<int>{1, 3}));
    grid.clearRowSelection();
    EXPECT_TRUE(grid.selectedRows().empty());

    grid.selectColumn(2);
    grid.selectColumn(0);
    grid.selectColumn(2);
    grid.selectColumn(9);
    EXPECT_EQ(grid.selectedColumns(), (std::vector<int>{2, 0}));
    grid.clearColumnSelection();
    EXPECT_TRUE(grid.selectedColumns().empty());
}

TEST_F(DataGridTest, FindDialogFindsTheNextMatchFromTheCurrentCell) {
    ui::ScriptedMessageBoxes boxes;
    data.InsertScores(12);
    ConfigureScoreColumns();
    data.Open(u"select * from score order by id"_qs);
    grid.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&grid));
    grid.view()->setFocus();
    QTest::keyClick(grid.view(), Qt::Key_F, Qt::ControlModifier);
    ui::FindDialog* dialog = grid.findDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_FALSE(dialog->isModal());

    grid.setCurrentCell(0, 0);
    dialog->textEdit()->setText(u"考生1"_qs);
    dialog->findNextButton()->click();
    // From the cell after the current one: 考生10, then 考生11, 考生12.
    EXPECT_EQ(grid.currentRow(), 9);
    EXPECT_EQ(grid.currentColumn(), 0);
    dialog->findNextButton()->click();
    EXPECT_EQ(grid.currentRow(), 10);
    EXPECT_TRUE(boxes.shown().empty());

    // Display order counts: with 单位 moved first, a search from row 0 finds its cells.
    grid.moveColumn(3, 0);
    grid.setCurrentCell(0, 3);
    EXPECT_TRUE(grid.findNext(u"考生"_qs));
    EXPECT_EQ(grid.currentColumn(), 0);
    EXPECT_EQ(grid.currentRow(), 0);

    grid.setCurrentCell(11, 0);
    dialog->textEdit()->setText(u"考生1"_qs);
    dialog->findNextButton()->click();
    EXPECT_EQ(grid.currentRow(), 11);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].caption, u"提示");
    EXPECT_TRUE(boxes.shown()[0].text.contains(u"考生1"_qs));
}
