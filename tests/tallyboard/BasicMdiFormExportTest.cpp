#include "tallyboard/BasicMdiForm.h"
#include "tests/support/XlsReadBack.h"
#include "tests/tallyboard/BasicMdiFormTestData.h"
#include "ui/SaveDialog.h"

#include <QAction>
#include <QDate>
#include <QJsonArray>
#include <QJsonValue>
#include <QProgressDialog>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QWindow>

using browsetest::BrowseWindowTest;
using ui::FooterKind;

namespace {

// Name, score (null for every fifth), unit, town and time of examinee i.
const QString kScoreRows =
    u"insert into Score (Town, Fac, Name, Score, STime) "
    "with recursive n(i) as (select 1 union all select i + 1 from n where i < 25) "
    "select '龙泉乡', '龙泉村' || i, '考生' || i, case when i % 5 = 0 then null else i * 4 end, "
    "datetime('2026-12-09 08:00:00', '+' || i || ' minutes') from n"_qs;

// Shown, in this order: 姓名 (the record-count label), 成绩 (the live count), 选中 (a mark
// column), 乡镇 (5 pixels), 单位 (6 pixels), 考试时间.
const std::string kExportSection = "[score]\r\n"
                                   "Name,姓名,,80,true\r\n"
                                   "Score,成绩,,60,true\r\n"
                                   "id,选中,,40,true\r\n"
                                   "Town,乡镇,,5,true\r\n"
                                   "Fac,单位,,6,true\r\n"
                                   "STime,考试时间,yyyy-mm-dd hh:nn,140,true\r\n"
                                   "[wide]\r\n"
                                   "Name,姓名,,80,true\r\n"
                                   "Score,成绩,,60,true\r\n"
                                   "Fac,单位,,90,true\r\n";

class BrowseExportTest : public BrowseWindowTest {
protected:
    void SetUp() override {
        database.Execute(kScoreRows);
        WriteColumnFile(kExportSection);
        CreateWindow().SetGridTitelID(u"score"_qs);
    }

    QString Target(const char* name) const {
        return QString::fromStdString((folder / name).string());
    }

    static QJsonArray ReadBack(const QString& workbook) {
        return testsupport::ReadXlsRows(workbook.toStdString());
    }

    // The grid as an export must leave it: no column or row selection, the live count back.
    void ExpectGridRestored() const {
        EXPECT_TRUE(Grid().selectedColumns().empty());
        EXPECT_TRUE(Grid().selectedRows().empty());
        EXPECT_EQ(Grid().footer(1).kind, FooterKind::RecordCount);
        EXPECT_EQ(Grid().footerText(1), QString::number(Grid().rowCount()));
        EXPECT_EQ(Grid().footerText(0), u"记录数:");
    }

    // A click that comes from the window system, which keeps it from a window a modal dialog
    // blocks.
    void ClickTitleThroughTheWindow(int index) const {
        QHeaderView* titles = Grid().titleRow();
        const QPoint centre(titles->sectionViewportPosition(index) + titles->sectionSize(index) / 2,
                            titles->height() / 2);
        QTest::mouseClick(window->windowHandle(), Qt::LeftButton, {},
                          titles->viewport()->mapTo(window.get(), centre));
    }

    ui::ScriptedSaveDialogs dialogs;
};

} // namespace

TEST_F(BrowseExportTest, WritesTheShownRowsWithoutMarkAndNarrowColumnsAndAFixedCount) {
    Open(u"select * from score order by id"_qs);
    // The export follows the grid's order: a title click sorts by score, highest first.
    window->dbgrdDataTitleClick(1);
    Grid().view()->selectRow(3);
    const QString target = Target("成绩.xls");
    dialogs.answer(target);
    // The grid is put back before the success message shows, not after the user closed it.
    int restoredAtMessage = 0;
    boxes.onShow([&](const ui::ShownMessageBox&) {
        ExpectGridRestored();
        restoredAtMessage += Grid().footer(1).kind == FooterKind::RecordCount;
    });
    EXPECT_TRUE(window->ExportToExcel(u"考试成绩导出"_qs));
    EXPECT_EQ(restoredAtMessage, 1);

    ASSERT_EQ(dialogs.shown().size(), 1u);
    EXPECT_EQ(dialogs.shown()[0].fileName,
              u"考试成绩导出"_qs + QDate::currentDate().toString(u"yyyyMMdd"_qs));
    EXPECT_EQ(dialogs.shown()[0].filter, u"Excel 文件(*.xls)|*.XLS");
    EXPECT_EQ(dialogs.shown()[0].defaultExtension, u".xls");
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text, u"数据导出成功！");
    EXPECT_EQ(boxes.shown()[0].caption, u"提示");
    EXPECT_EQ(boxes.shown()[0].flags, ui::MB_OK | ui::MB_ICONINFORMATION);
    EXPECT_FALSE(boxes.shown()[0].owned);
    ExpectGridRestored();

    const QJsonArray rows = ReadBack(target);
    ASSERT_EQ(rows.size(), 27);
    EXPECT_EQ(rows[0].toArray(), QJsonArray({u"姓名"_qs, u"成绩"_qs, u"单位"_qs, u"考试时间"_qs}));
    // Scores 4 * i, highest first: 考生24 leads; the five nulls come last, as empty cells.
    EXPECT_EQ(rows[1].toArray(),
              QJsonArray({u"考生24"_qs, 96.0, u"龙泉村24"_qs, u"2026-12-09 08:24"_qs}));
    for (int row = 1; row <= 25; ++row) {
        const QJsonArray cells = rows[row].toArray();
        SCOPED_TRACE(row);
        ASSERT_EQ(cells.size(), 4);
        EXPECT_EQ(cells[0].toString(), Grid().cellText(row - 1, 0));
        EXPECT_EQ(cells[1].isNull(), row > 20);
        EXPECT_EQ(cells[1].isDouble(), row <= 20);
    }
    // The label stays, the count column holds the fixed count, the other footers are empty.
    EXPECT_EQ(rows[26].toArray(),
              QJsonArray({u"记录数:"_qs, u"记录数:25"_qs, QJsonValue(), QJsonValue()}));
}

TEST_F(BrowseExportTest, WithNoColumnLeftOutTheFootersAreNotTouched) {
    window->SetGridTitelID(u"wide"_qs);
    Open(u"select * from score order by id"_qs);
    const QString target = Target("宽.xls");
    dialogs.answer(target);
    EXPECT_TRUE(window->ExportToExcel(u"考试成绩导出"_qs));
    const QJsonArray rows = ReadBack(target);
    ASSERT_EQ(rows.size(), 27);
    EXPECT_EQ(rows[26].toArray(), QJsonArray({u"记录数:"_qs, 25.0, QJsonValue()}));

    // A narrow column without a count among the exported ones: nothing to fix either.
    Grid().setColumnWidth(1, 5);
    dialogs.answer(target);
    boxes.answer(ui::IDYES);
    EXPECT_TRUE(window->ExportToExcel(u"考试成绩导出"_qs));
    const QJsonArray narrow = ReadBack(target);
    ASSERT_EQ(narrow.size(), 27);
    EXPECT_EQ(narrow[0].toArray(), QJsonArray({u"姓名"_qs, u"单位"_qs}));
    EXPECT_EQ(narrow[26].toArray(), QJsonArray({u"记录数:"_qs, QJsonValue()}));
    EXPECT_EQ(Grid().footer(1).kind, FooterKind::RecordCount);
}

TEST_F(BrowseExportTest, AnExistingFileIsReplacedOnlyAfterYes) {
    Open(u"select * from score order by id"_qs);
    const QString target = Target("old.xls");
    const std::string old = "an older export";
    folder.write("old.xls", old);

    Grid().view()->selectRow(2);
    dialogs.answer(target);
    boxes.answer(ui::IDNO);
    EXPECT_FALSE(window->ExportToExcel(u"考试成绩导出"_qs));
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text, u"文件已存在,是否要覆盖?");
    EXPECT_EQ(boxes.shown()[0].caption, u"提示");
    EXPECT_EQ(boxes.shown()[0].flags, ui::MB_YESNO | ui::MB_ICONQUESTION);
    EXPECT_TRUE(boxes.shown()[0].owned);
    EXPECT_EQ(testsupport::readFile(folder / "old.xls"), old);
    ExpectGridRestored();

    // The same title on the same day proposes the same name; Yes replaces the file.
    boxes.clear();
    dialogs.answer(target);
    boxes.answer(ui::IDYES);
    EXPECT_TRUE(window->ExportToExcel(u"考试成绩导出"_qs));
    EXPECT_EQ(dialogs.shown()[1].fileName, dialogs.shown()[0].fileName);
    ASSERT_EQ(boxes.shown().size(), 2u);
    EXPECT_EQ(boxes.shown()[1].text, u"数据导出成功！");
    EXPECT_EQ(ReadBack(target).size(), 27);

    // A name without extension gets ".xls".
    dialogs.answer(Target("无扩展名"));
    EXPECT_TRUE(window->ExportToExcel(u"考试成绩导出"_qs));
    EXPECT_TRUE(std::filesystem::exists(folder / "无扩展名.xls"));
}

TEST_F(BrowseExportTest, NothingToExportAndCancelledDialogs) {
    auto expectNoData = [this] {
        ASSERT_EQ(boxes.shown().size(), 1u);
        EXPECT_EQ(boxes.shown()[0].text, u"没有要导出的数据！");
        EXPECT_EQ(boxes.shown()[0].caption, u"错误");
        EXPECT_EQ(boxes.shown()[0].flags, ui::MB_OK | ui::MB_ICONERROR);
        EXPECT_FALSE(boxes.shown()[0].owned);
        boxes.clear();
    };
    // Before the first search: silently nothing.
    EXPECT_FALSE(window->ExportToExcel(u"考试成绩导出"_qs));
    EXPECT_TRUE(boxes.shown().empty());
    EXPECT_TRUE(dialogs.shown().empty());

    Open(u"select * from score where id < 0"_qs);
    EXPECT_FALSE(window->ExportToExcel(u"考试成绩导出"_qs));
    expectNoData();

    Grid().setDataSet(nullptr);
    EXPECT_FALSE(window->ExportToExcel(u"考试成绩导出"_qs));
    expectNoData();
    Grid().setDataSet(&Query());
    EXPECT_TRUE(dialogs.shown().empty());

    // The user cancels the save dialog.
    Open(u"select * from score"_qs);
    dialogs.cancel();
    EXPECT_FALSE(window->ExportToExcel(u"考试成绩导出"_qs));
    EXPECT_EQ(dialogs.shown().size(), 1u);
    EXPECT_TRUE(boxes.shown().empty());
    ExpectGridRestored();
}

TEST_F(BrowseExportTest, ACancelledProgressLeavesTheOldFileAndNoMessage) {
    Open(u"select * from score order by id"_qs);
    const QString target = Target("old.xls");
    folder.write("old.xls", "kept");
    const QString fresh = Target("new.xls");
    for (const QString& file : {target, fresh}) {
        SCOPED_TRACE(file.toStdString());
        boxes.clear();
        dialogs.answer(file);
        bool offered = false;
        QTimer::singleShot(0, window.get(), [this, &offered] {
            if (auto* progress = window->findChild<QProgressDialog*>()) {
                offered = true;
                progress->cancel();
            }
        });
        EXPECT_FALSE(window->ExportToExcel(u"考试成绩导出"_qs));
        EXPECT_TRUE(offered);
        for (const ui::ShownMessageBox& box : boxes.shown())
            EXPECT_NE(box.text, u"数据导出成功！");
        ExpectGridRestored();
    }
    EXPECT_EQ(testsupport::readFile(folder / "old.xls"), "kept");
    EXPECT_FALSE(std::filesystem::exists(folder / "new.xls"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 2);
}

TEST_F(BrowseExportTest, AFailedWriteGoesToTheErrorBoxWithoutSuccess) {
    Open(u"select * from score order by id"_qs);
    // The export command of a derived window, run from its action as a user starts it.
    QObject::connect(
        window->actExport, &QAction::triggered, window.get(),
        [this] { window->ExportToExcel(u"考试成绩导出"_qs); }, Qt::QueuedConnection);
    dialogs.answer(Target("无此目录/成绩.xls"));
    window->btnExport->click();
    QCoreApplication::processEvents();
    ASSERT_EQ(dialogs.shown().size(), 1u);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].flags, ui::MB_OK | ui::MB_ICONERROR);
    EXPECT_TRUE(boxes.shown()[0].text.contains(u"成绩.xls"_qs))
        << boxes.shown()[0].text.toStdString();
    EXPECT_FALSE(std::filesystem::exists(folder / "无此目录"));
    ExpectGridRestored();

    // The window goes on: the next export succeeds.
    boxes.clear();
    dialogs.answer(Target("成绩.xls"));
    window->btnExport->click();
    QCoreApplication::processEvents();
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text, u"数据导出成功！");
}

TEST_F(BrowseExportTest, ALongExportShowsItsProgressKeepsTheWindowStillAndCanBeCancelled) {
    database.Execute(u"insert into Score (Town, Fac, Name, Score, STime) "
                     "with recursive n(i) as (select 1 union all select i + 1 from n "
                     "where i < 3000) select '龙泉乡', '龙泉村', '考生' || i, i, "
                     "datetime('2026-12-09 08:00:00', '+' || i || ' minutes') from n"_qs);
    Open(u"select * from score order by id"_qs);
    ShowWindow();
    const QString target = Target("长.xls");
    folder.write("长.xls", "kept");
    dialogs.answer(target);
    boxes.answer(ui::IDYES);
    bool shown = false;
    // Runs at the export's first progress report, while rows remain to be written.
    QTimer::singleShot(0, window.get(), [this, &shown] {
        auto* progress = window->findChild<QProgressDialog*>();
        ASSERT_NE(progress, nullptr);
        shown = QTest::qWaitFor([progress] { return progress->isVisible(); }, 5000);
        ASSERT_TRUE(shown);
        EXPECT_TRUE(progress->isModal());
        EXPECT_EQ(progress->value(), 1024);
        // A title click now would re-sort the rows being written: the dialog keeps it away.
        ClickTitleThroughTheWindow(1);
        EXPECT_EQ(Query().Sort(), u"");
        auto* cancel = progress->findChild<QPushButton*>();
        ASSERT_NE(cancel, nullptr);
        EXPECT_EQ(cancel->text(), u"取消");
        QTest::mouseClick(cancel, Qt::LeftButton);
    });
    EXPECT_FALSE(window->ExportToExcel(u"考试成绩导出"_qs));
    EXPECT_TRUE(shown);
    EXPECT_EQ(testsupport::readFile(folder / "长.xls"), "kept");
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text, u"文件已存在,是否要覆盖?");
    ExpectGridRestored();
    EXPECT_EQ(window->findChild<QProgressDialog*>(), nullptr);
    // Afterwards the same click sorts.
    ClickTitleThroughTheWindow(1);
    EXPECT_EQ(Query().Sort(), u"Score DESC");
}
