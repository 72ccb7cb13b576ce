#include "tests/support/LocalZone.h"
#include "tests/ui/DataGridTestData.h"
#include "ui/DataGrid.h"
#include "ui/GridExport.h"
#include "ui/GridModel.h"

#include <gtest/gtest.h>

using gridtest::Column;
using platform::XlsCell;
using ui::DataGrid;

namespace {

XlsCell Text(const char* utf8) {
    return std::string(utf8);
}

} // namespace

// Date-time and text cells are read from the query's storage for the export and the display;
// they must come out as the typed values would show them, nulls as empty cells.
TEST(GridStoredCells, ExportAndDisplayOfDateTimesAndTextsFromTheStoredValues) {
    testsupport::LocalZone zone("America/New_York");
    gridtest::ScoreData data;
    data.database.Execute(u"insert into Score (Town, Fac, Name, Score, STime) values "
                          "('安平镇', '安平镇中心小学', '张伟', 10, '2026-12-09 08:01:00'),\n"
                          "('白沙镇', NULL, '', 2, '1969-12-31 23:59:59.999'),\n"
                          "('陈家镇', '陈家村委会', NULL, NULL, NULL),\n"
                          "('安平镇', '安平镇卫生院', '赵敏', 85, '2024-03-10 02:30:00'),\n"
                          "('白沙镇', '白沙镇农技站', '周强', 0, '2040-02-29 00:00:00')"_qs);
    DataGrid grid;
    grid.setDataSet(&data.query);
    grid.addColumn(Column(u"Name"_qs, u"姓名"_qs, u"yyyy"_qs));
    grid.addColumn(Column(u"Score"_qs, u"成绩"_qs));
    grid.addColumn(Column(u"STime"_qs, u"时间"_qs));
    grid.addColumn(Column(u"STime"_qs, u"日期"_qs, u"yyyy年mm月dd日 hh:nn:ss.zzz"_qs));
    grid.addColumn(Column(u"Fac"_qs, u"单位"_qs));
    grid.addColumn(Column(u"Missing"_qs, u"缺"_qs));
    data.Open(u"select * from score order by id"_qs);
    ASSERT_EQ(grid.rowCount(), 5);
    const ui::GridModel& model = *grid.gridModel();
    EXPECT_EQ(model.fieldKind(0), platform::FieldKind::Text);
    EXPECT_EQ(model.fieldKind(2), platform::FieldKind::DateTime);
    EXPECT_EQ(model.fieldKind(5), platform::FieldKind::Unknown);

    const std::vector<int> columns = {0, 1, 2, 3, 4, 5};
    const std::vector<std::vector<XlsCell>> expected = {
        {Text("张伟"), 10.0, Text("2026-12-09 08:01:00"), Text("2026年12月09日 08:01:00.000"),
         Text("安平镇中心小学"), std::monostate()},
        {Text(""), 2.0, Text("1969-12-31 23:59:59.999"), Text("1969年12月31日 23:59:59.999"),
         std::monostate(), std::monostate()},
        {std::monostate(), std::monostate(), std::monostate(), std::monostate(), Text("陈家村委会"),
         std::monostate()},
        {Text("赵敏"), 85.0, Text("2024-03-10 02:30:00"), Text("2024年03月10日 02:30:00.000"),
         Text("安平镇卫生院"), std::monostate()},
        {Text("周强"), 0.0, Text("2040-02-29 00:00:00"), Text("2040年02月29日 00:00:00.000"),
         Text("白沙镇农技站"), std::monostate()},
    };
    platform::XlsRow cells;
    for (int row = 0; row < 5; ++row) {
        SCOPED_TRACE(row);
        ui::FillGridExportRow(grid, columns, row, cells);
        ASSERT_EQ(cells.size(), columns.size());
        for (size_t i = 0; i < columns.size(); ++i) {
            EXPECT_EQ(cells[i], expected[static_cast<size_t>(row)][i]) << "column " << i;
            // The grid shows what the export writes; a null shows empty.
            const QString shown = grid.cellText(row, static_cast<int>(i));
            if (const auto* text = std::get_if<std::string>(&cells[i])) {
                EXPECT_EQ(shown, QString::fromStdString(*text));
            } else if (std::holds_alternative<std::monostate>(cells[i])) {
                EXPECT_EQ(shown, QString());
            }
        }
    }
    // The typed value of a date-time stays a local QDateTime.
    const QDateTime first = model.rawValue(0, 2).toDateTime();
    EXPECT_EQ(first.timeSpec(), Qt::LocalTime);
    EXPECT_EQ(first, QDateTime(QDate(2026, 12, 9), QTime(8, 1)));

    // After a sort the stored values follow their rows.
    data.query.SetSort(u"STime DESC"_qs);
    ui::FillGridExportRow(grid, columns, 0, cells);
    EXPECT_EQ(cells[2], Text("2040-02-29 00:00:00"));
    EXPECT_EQ(cells[0], Text("周强"));
    ui::FillGridExportRow(grid, columns, 4, cells);
    EXPECT_EQ(cells[2], XlsCell(std::monostate()));
    EXPECT_EQ(cells[4], Text("陈家村委会"));
}
