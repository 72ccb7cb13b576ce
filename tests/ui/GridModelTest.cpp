#include "ui/GridModel.h"

#include "tests/ui/DataGridTestData.h"

#include <QAbstractItemModelTester>
#include <QDateTime>
#include <gtest/gtest.h>

using ui::GridModel;

namespace {

QString Text(const GridModel& model, int row, int column) {
    return model.data(model.index(row, column)).toString();
}

} // namespace

TEST(GridModel, FollowsTheQueryThroughOpenReopenSortPostAndClose) {
    gridtest::ScoreData data;
    data.InsertScores(12);
    GridModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    model.setQuery(&data.query);
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_EQ(model.columnCount(), 0);

    data.Open(u"select * from score order by id"_qs);
    ASSERT_EQ(model.rowCount(), 12);
    ASSERT_EQ(model.columnCount(), 6);
    EXPECT_EQ(model.headerData(3, Qt::Horizontal).toString(), u"Name");
    EXPECT_EQ(Text(model, 0, 3), u"考生1");

    data.Open(u"select Name, Score from score where id <= 4 order by id desc"_qs);
    ASSERT_EQ(model.rowCount(), 4);
    ASSERT_EQ(model.columnCount(), 2);
    EXPECT_EQ(Text(model, 0, 0), u"考生4");

    data.query.SetSort(u"Score DESC"_qs);
    EXPECT_EQ(Text(model, 0, 0), u"考生4");
    EXPECT_EQ(Text(model, 3, 0), u"考生1");

    data.query.Append();
    data.query.SetFieldText(0, u"新考生"_qs);
    data.query.SetFieldText(1, u"3"_qs);
    data.query.Post();
    EXPECT_EQ(model.rowCount(), 5);

    data.query.Close();
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_EQ(model.columnCount(), 0);
}

TEST(GridModel, ConfiguredColumnsGiveTypedRawValuesFormatsAndEmptyCellsForMissingFields) {
    gridtest::ScoreData data;
    data.InsertScores(5);
    GridModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    model.setQuery(&data.query);
    model.setColumns({{u"name"_qs, u"姓名"_qs, {}},
                      {u"STime"_qs, u"时间"_qs, u"yyyymmdd hh:nn"_qs},
                      {u"Score"_qs, u"成绩"_qs, u"0.0"_qs},
                      {u"NoSuchField"_qs, u"无"_qs, {}}});
    data.Open(u"select * from score order by id"_qs);
    ASSERT_EQ(model.rowCount(), 5);
    ASSERT_EQ(model.columnCount(), 4);
    EXPECT_EQ(model.headerData(1, Qt::Horizontal).toString(), u"时间");
    EXPECT_EQ(Text(model, 0, 0), u"考生1");
    EXPECT_EQ(Text(model, 0, 1), u"20261209 08:01");
    EXPECT_EQ(Text(model, 1, 2), u"2.0");
    // Row 5 holds a null score: empty text, null raw value.
    EXPECT_EQ(Text(model, 4, 2), u"");
    EXPECT_TRUE(model.data(model.index(4, 2), GridModel::RawValueRole).isNull());
    EXPECT_EQ(Text(model, 0, 3), u"");
    EXPECT_EQ(model.fieldOf(3), -1);

    const QVariant time = model.data(model.index(0, 1), GridModel::RawValueRole);
    EXPECT_EQ(time.typeId(), QMetaType::QDateTime);
    EXPECT_EQ(time.toDateTime(), QDateTime(QDate(2026, 12, 9), QTime(8, 1)));
    EXPECT_EQ(model.data(model.index(2, 2), GridModel::RawValueRole).toInt(), 3);
    EXPECT_EQ(model.data(model.index(0, 0), Qt::TextAlignmentRole).value<Qt::Alignment>(),
              Qt::AlignLeft | Qt::AlignVCenter);
    EXPECT_FALSE(model.flags(model.index(0, 0)) & Qt::ItemIsEditable);

    model.setRowNumbers(true);
    EXPECT_EQ(model.headerData(4, Qt::Vertical).toString(), u"5");
    model.setRowNumbers(false);
    EXPECT_EQ(model.headerData(4, Qt::Vertical).toString(), u"");

    // The columns stay configured across a reopen; a result without the fields shows empty cells.
    data.Open(u"select id from score"_qs);
    ASSERT_EQ(model.columnCount(), 4);
    EXPECT_EQ(Text(model, 0, 0), u"");
}
