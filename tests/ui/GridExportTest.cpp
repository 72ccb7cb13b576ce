#include "ui/GridExport.h"

#include "tests/support/TempDir.h"
#include "tests/support/XlsReadBack.h"
#include "tests/ui/DataGridTestData.h"
#include "ui/DataGrid.h"

#include <QJsonArray>
#include <QJsonValue>
#include <gtest/gtest.h>

using gridtest::Column;
using ui::DataGrid;
using ui::FooterKind;

namespace {

class GridExport : public ::testing::Test {
protected:
    void SetUp() override {
        grid.setDataSet(&data.query);
        grid.addColumn(Column(u"Name"_qs, u"姓名"_qs));
        grid.addColumn(Column(u"Score"_qs, u"成绩"_qs));
        grid.addColumn(Column(u"STime"_qs, u"考试时间"_qs, u"yyyy年mm月dd日 hh:nn"_qs));
        grid.addColumn(Column(u"Fac"_qs, u"单位"_qs));
        grid.addColumn(Column(u"Missing"_qs, u"缺"_qs));
        grid.setFooter(0, {FooterKind::Text, u"记录数:"_qs, Qt::AlignRight});
        grid.setFooter(1, {FooterKind::RecordCount, {}, Qt::AlignLeft});
    }

    gridtest::ScoreData data;
    DataGrid grid;
    testsupport::TempDir folder;
};

} // namespace

TEST_F(GridExport, WritesTitlesRowsInTheGridsOrderAndTheFooter) {
    data.InsertScores(25);
    data.Open(u"select * from score order by id"_qs);
    data.query.SetSort(u"Score DESC"_qs);
    // Display order: 单位 first; the export takes the columns in the order they were selected.
    grid.moveColumn(3, 0);
    for (int index : {3, 0, 1, 2, 4})
        grid.selectColumn(index);
    const auto target = folder / "成绩.xls";
    ASSERT_TRUE(grid.exportSelectedColumns(target));

    const QJsonArray sheets = testsupport::ReadXlsSheets(target);
    ASSERT_EQ(sheets.size(), 1);
    const QJsonArray rows = sheets[0].toArray();
    ASSERT_EQ(rows.size(), 27);
    EXPECT_EQ(rows[0].toArray(),
              QJsonArray({u"单位"_qs, u"姓名"_qs, u"成绩"_qs, u"考试时间"_qs, u"缺"_qs}));
    for (int row = 0; row < 25; ++row) {
        const QJsonArray cells = rows[row + 1].toArray();
        SCOPED_TRACE(row);
        EXPECT_EQ(cells[0].toString(), grid.cellText(row, 3));
        EXPECT_EQ(cells[1].toString(), grid.cellText(row, 0));
        const QVariant score = grid.cellValue(row, 1);
        if (score.isNull())
            EXPECT_TRUE(cells[2].isNull());
        else
            EXPECT_EQ(cells[2].toDouble(), score.toDouble());
        EXPECT_EQ(cells[3].toString(), grid.cellText(row, 2));
        EXPECT_TRUE(cells[4].isNull());
    }
    // Sorted by score, highest first: 6 (rows 6 and 13), the nulls (every fifth row) last.
    EXPECT_EQ(rows[1].toArray()[1].toString(), u"考生6");
    EXPECT_EQ(rows[1].toArray()[2].toDouble(), 6.0);
    EXPECT_TRUE(rows[25].toArray()[2].isNull());
    EXPECT_EQ(rows[1].toArray()[3].toString(), u"2026年12月09日 08:06");
    EXPECT_EQ(rows[26].toArray(),
              QJsonArray({QJsonValue(), u"记录数:"_qs, 25.0, QJsonValue(), QJsonValue()}));
}

TEST_F(GridExport, LongResultsGoOnInFurtherSheetsAndACancelledExportWritesNothing) {
    data.InsertScores(70000);
    data.Open(u"select * from score order by id"_qs);
    grid.selectColumn(0);
    grid.selectColumn(1);
    const auto target = folder / "long.xls";
    folder.write("long.xls", "old contents");

    size_t reported = 0;
    EXPECT_FALSE(grid.exportSelectedColumns(target, [&](size_t done) {
        reported = done;
        return done < 1000;
    }));
    EXPECT_GT(reported, 0u);
    EXPECT_EQ(testsupport::readFile(target), "old contents");

    ASSERT_TRUE(grid.exportSelectedColumns(target));
    const QJsonArray sheets = testsupport::ReadXlsSheets(target);
    ASSERT_EQ(sheets.size(), 2);
    const QJsonArray first = sheets[0].toArray();
    const QJsonArray second = sheets[1].toArray();
    ASSERT_EQ(first.size(), 65536);
    // Each sheet starts with the titles; 70,000 rows and the footer follow without a gap.
    EXPECT_EQ(second[0].toArray(), QJsonArray({u"姓名"_qs, u"成绩"_qs}));
    ASSERT_EQ(first.size() - 1 + second.size() - 1, 70001);
    EXPECT_EQ(first[65535].toArray()[0].toString(), u"考生65535");
    EXPECT_EQ(second[1].toArray()[0].toString(), u"考生65536");
    EXPECT_EQ(second[second.size() - 2].toArray()[0].toString(), u"考生70000");
    EXPECT_EQ(second[second.size() - 1].toArray(), QJsonArray({u"记录数:"_qs, 70000.0}));
}

TEST_F(GridExport, FailureThrowsAndLeavesNoFile) {
    data.InsertScores(3);
    data.Open(u"select * from score"_qs);
    grid.selectColumn(0);
    const auto target = folder / "no such folder" / "x.xls";
    EXPECT_THROW(grid.exportSelectedColumns(target), std::exception);
    EXPECT_FALSE(std::filesystem::exists(target));
}
