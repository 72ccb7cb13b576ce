#include "platform/CodePage.h"
#include "platform/DatabaseQuery.h"
#include "tallyboard/BasicMdiForm.h"
#include "tallyboard/Unit4.h"
#include "tests/support/PgServer.h"
#include "tests/support/TempDir.h"
#include "ui/DataGrid.h"
#include "ui/MessageBox.h"
#include "ui/SaveDialog.h"

#include <QAction>
#include <QApplication>
#include <QDate>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QStringList>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace {

// The score grid's section as the program ships it: five shown columns, one hidden.
const char* const ScoreSection = "[score]\r\n"
                                 "// 考试成绩窗口的列\r\n"
                                 "Town,所在乡镇,,90,true\r\n"
                                 "Fac,单位名称,,160,true\r\n"
                                 "Name,考生姓名,,80,true\r\n"
                                 "Score,考试成绩,,70,true\r\n"
                                 "STime,考试时间,yyyy-mm-dd hh:nn:ss,140,true\r\n"
                                 "id,编号,,40,false\r\n";

// Scores of four units, inserted out of recording-time order.
const QString Scores = uR"(insert into Score (Town, Fac, Name, Score, STime) values
('安平镇', '安平镇中心小学', '张三', 85, '2026-12-09 10:00:00'),
('安平镇', 'O''Brien村', '李四', 70, '2026-12-09 08:00:00'),
('白沙镇', '白沙镇农技站', '王五', 90, '2026-12-09 09:00:00'),
('白沙镇', '白沙镇_卫生院', '赵六', 60, '2026-12-09 11:00:00'))"_qs;

// A program folder with its "DBConifg.ini", a SQLite database with scores and, unless told
// otherwise, the column-properties file.
class ScoreBrowser : public ::testing::Test {
protected:
    void SetUp() override {
        database.Execute(Scores);
        dir.write("DBConifg.ini",
                  (u"[DBConifg]\r\nConnectionString="_qs + database.ConnectionString() + u"\r\n"_qs)
                      .toStdString());
    }

    void TearDown() override { QDir::setCurrent(QDir::tempPath()); }

    QString Folder() const { return QString::fromStdString(dir.path().string()) + u'/'; }
    // The text (UTF-8 here) in GBK, as the program ships the file.
    void WriteColumnFile(const std::string& text) {
        dir.write("列项属性.txt", platform::ToGbk(QString::fromStdString(text)));
    }
    std::string ColumnFileText() const {
        return platform::FromGbk(testsupport::readFile(dir / "列项属性.txt")).toStdString();
    }

    std::unique_ptr<TfrmBasicMid1> Open() {
        auto window = std::make_unique<TfrmBasicMid1>(Folder());
        window->show();
        return window;
    }

    static void Search(TfrmBasicMid1& window, const QString& text) {
        window.edt1->setText(text);
        window.actSearchExecute();
    }

    // The unit column of every row, in the grid's order.
    static QStringList Units(const TfrmBasicMid1& window) {
        const int fac = window.ADOQuery1->FieldIndex(u"Fac"_qs);
        QStringList units;
        for (int row = 0; row < window.ADOQuery1->RecordCount(); ++row)
            units << window.ADOQuery1->Value(row, fac).toString();
        return units;
    }

    // The control that Tab moves to from the given one.
    static QWidget* NextTabStop(QWidget* from) {
        QWidget* next = from->nextInFocusChain();
        while (next != from && !(next->isVisible() && (next->focusPolicy() & Qt::TabFocus)))
            next = next->nextInFocusChain();
        return next;
    }

    static bool HasNoFooter(const ui::DataGrid& grid) {
        for (int index = 0; index < grid.columnCount(); ++index)
            if (grid.footer(index).kind != ui::FooterKind::None)
                return false;
        return true;
    }

    testsupport::TempDir dir;
    testsupport::TestDatabase database{testsupport::Backend::Sqlite};
    ui::ScriptedMessageBoxes boxes;
};

TEST_F(ScoreBrowser, WindowDiffersFromTheBrowseWindowAsTheScoreViewerNeeds) {
    WriteColumnFile(ScoreSection);
    const auto window = Open();
    EXPECT_EQ(window->windowTitle(), u"考试成绩查看"_qs);
    EXPECT_EQ(window->lbl1->text(), u"单位名称"_qs);
    EXPECT_EQ(window->lbl1->geometry(), QRect(16, 10, 48, 12));
    EXPECT_EQ(window->edt1->geometry(), QRect(69, 5, 121, 20));
    EXPECT_EQ(window->btnSearch->x(), 197);
    EXPECT_EQ(NextTabStop(window->edt1), window->btnSearch);
    EXPECT_EQ(window->pnlBottom->height(), 35);
    EXPECT_EQ(window->btnExport->pos(), QPoint(3, 6));
    EXPECT_EQ(window->rzsprtr1->y(), 0);
    for (QWidget* hidden :
         {static_cast<QWidget*>(window->btnAdd), static_cast<QWidget*>(window->btnEdit),
          static_cast<QWidget*>(window->btnDel)})
        EXPECT_FALSE(hidden->isVisible()) << hidden->objectName().toStdString();
    EXPECT_TRUE(window->btnExport->isVisible());
    EXPECT_FALSE(window->mniAdd->isVisible());
    EXPECT_FALSE(window->mniEdit->isVisible());
    EXPECT_FALSE(window->mniDel->isVisible());
    EXPECT_TRUE(window->N2->isVisible());
    EXPECT_TRUE(window->dbgrdData->rowNumbersVisible());

    EXPECT_EQ(window->GridTitelID(), u"score"_qs);
    EXPECT_EQ(window->GridTitleFile(), Folder() + u"列项属性.txt"_qs);
    EXPECT_TRUE(window->AdjustWidth());
    EXPECT_TRUE(window->ShowFoodter());
    EXPECT_TRUE(window->TableName().isEmpty());
    EXPECT_EQ(window->Conn(), nullptr);
    EXPECT_EQ(QDir::currentPath() + u'/', Folder());
    EXPECT_TRUE(boxes.shown().empty());
}

TEST_F(ScoreBrowser, NothingRunsBeforeTheFirstSearch) {
    WriteColumnFile(ScoreSection);
    const auto window = Open();
    EXPECT_FALSE(window->con1.Connected());
    EXPECT_FALSE(window->ADOQuery1->Active());
    EXPECT_EQ(window->dbgrdData->columnCount(), 5);
    EXPECT_EQ(window->dbgrdData->rowCount(), 0);

    ui::ScriptedSaveDialogs dialogs;
    window->dbgrdDataTitleClick(0);
    window->actExportExecute();
    EXPECT_TRUE(dialogs.shown().empty());
    EXPECT_TRUE(boxes.shown().empty());
    EXPECT_FALSE(window->ADOQuery1->Active());
}

TEST_F(ScoreBrowser, SearchTextKeepsTwoBlanksWithoutFilterAndQuotesTheTrimmedUnit) {
    const QString all = u"select * from score where 1=1  order by STime"_qs;
    EXPECT_EQ(TfrmBasicMid1::SearchSql({}), all);
    EXPECT_EQ(TfrmBasicMid1::SearchSql(u"  \t "_qs), all);
    EXPECT_EQ(TfrmBasicMid1::SearchSql(u"  O'Brien村 "_qs),
              u"select * from score where 1=1  and Fac like '%O''Brien村%' order by STime"_qs);
    EXPECT_EQ(TfrmBasicMid1::SearchSql(u"白沙_%"_qs),
              u"select * from score where 1=1  and Fac like '%白沙_%%' order by STime"_qs);
}

TEST_F(ScoreBrowser, SearchFindsUnitsContainingTheTextInRecordingTimeOrder) {
    WriteColumnFile(ScoreSection);
    const auto window = Open();

    Search(*window, u"   "_qs);
    EXPECT_EQ(window->ADOQuery1->SQL(), u"select * from score where 1=1  order by STime"_qs);
    EXPECT_EQ(Units(*window), (QStringList{u"O'Brien村"_qs, u"白沙镇农技站"_qs,
                                           u"安平镇中心小学"_qs, u"白沙镇_卫生院"_qs}));
    EXPECT_EQ(window->dbgrdData->rowCount(), 4);
    EXPECT_EQ(window->dbgrdData->footerText(0), u"记录数:"_qs);
    EXPECT_EQ(window->dbgrdData->footerText(1), u"4"_qs);

    Search(*window, u" 白沙 "_qs);
    EXPECT_EQ(Units(*window), (QStringList{u"白沙镇农技站"_qs, u"白沙镇_卫生院"_qs}));
    EXPECT_EQ(window->dbgrdData->footerText(1), u"2"_qs);

    Search(*window, u"O'Brien"_qs);
    EXPECT_EQ(Units(*window), QStringList{u"O'Brien村"_qs});

    // The user's own pattern characters stay wild cards.
    Search(*window, u"镇_"_qs);
    EXPECT_EQ(Units(*window),
              (QStringList{u"白沙镇农技站"_qs, u"安平镇中心小学"_qs, u"白沙镇_卫生院"_qs}));
    Search(*window, u"安%小学"_qs);
    EXPECT_EQ(Units(*window), QStringList{u"安平镇中心小学"_qs});

    Search(*window, u"没有这个单位"_qs);
    EXPECT_TRUE(window->ADOQuery1->Active());
    EXPECT_EQ(window->dbgrdData->rowCount(), 0);
    EXPECT_TRUE(boxes.shown().empty());

    ui::ScriptedSaveDialogs dialogs;
    window->actExportExecute();
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text, u"没有要导出的数据！"_qs);
    EXPECT_TRUE(dialogs.shown().empty());
}

TEST_F(ScoreBrowser, HostileUnitTextIsOnlyEverAPattern) {
    WriteColumnFile(ScoreSection);
    const auto window = Open();
    for (const QString& hostile :
         {u"x'; drop table Score; --"_qs, u"' or 1=1 --"_qs, u"'); delete from Score; --"_qs}) {
        Search(*window, hostile);
        EXPECT_TRUE(window->ADOQuery1->Active()) << hostile.toStdString();
        EXPECT_EQ(window->dbgrdData->rowCount(), 0) << hostile.toStdString();
    }
    EXPECT_TRUE(boxes.shown().empty());
    Search(*window, {});
    EXPECT_EQ(window->dbgrdData->rowCount(), 4);
}

TEST_F(ScoreBrowser, EachSearchReturnsToTheRecordingTimeOrderAfterATitleClick) {
    WriteColumnFile(ScoreSection);
    const auto window = Open();
    Search(*window, {});
    window->dbgrdDataTitleClick(3); // 考试成绩, descending first
    EXPECT_EQ(Units(*window).first(), u"白沙镇农技站"_qs);
    Search(*window, {});
    EXPECT_EQ(Units(*window).first(), u"O'Brien村"_qs);
}

TEST_F(ScoreBrowser, MissingColumnFileIsReportedAndEveryFieldShowsAfterASearch) {
    const auto window = Open();
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_NE(boxes.shown()[0].text.indexOf(u"列项属性.txt"_qs), -1)
        << boxes.shown()[0].text.toStdString();
    EXPECT_FALSE(window->AdjustWidth());

    Search(*window, {});
    ASSERT_EQ(window->dbgrdData->columnCount(), 6);
    QStringList titles;
    for (int index : window->dbgrdData->displayOrder())
        titles << window->dbgrdData->columnTitle(index);
    EXPECT_EQ(titles,
              (QStringList{u"id"_qs, u"Town"_qs, u"Fac"_qs, u"Name"_qs, u"Score"_qs, u"STime"_qs}));
    EXPECT_TRUE(HasNoFooter(*window->dbgrdData));
}

TEST_F(ScoreBrowser, WithoutScoreSectionEveryFieldShowsWithoutFooterAndNothingIsWrittenBack) {
    const std::string other = "[town]\r\nname,乡镇,,90,true\r\n";
    WriteColumnFile(other);
    const auto window = Open();
    EXPECT_TRUE(boxes.shown().empty());
    Search(*window, {});
    EXPECT_EQ(window->dbgrdData->columnCount(), 6);
    EXPECT_EQ(window->dbgrdData->columnTitle(window->dbgrdData->displayOrder()[2]), u"Fac"_qs);
    EXPECT_TRUE(HasNoFooter(*window->dbgrdData));

    window->dbgrdData->setColumnWidth(0, 200);
    QCoreApplication::processEvents();
    EXPECT_EQ(ColumnFileText(), other);
}

TEST_F(ScoreBrowser, MalformedWidthKeepsTheColumnsBeforeItAndStopsTheWriteBack) {
    const std::string text = "[score]\r\nTown,所在乡镇,,90,true\r\nFac,单位名称,,1OO,true\r\n"
                             "Name,考生姓名,,80,true\r\n";
    WriteColumnFile(text);
    const auto window = Open();
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text, u"'1OO' is not a valid integer value."_qs);
    EXPECT_FALSE(window->AdjustWidth());
    ASSERT_EQ(window->dbgrdData->columnCount(), 1);
    EXPECT_EQ(window->dbgrdData->columnTitle(0), u"所在乡镇"_qs);

    Search(*window, {});
    window->dbgrdData->setColumnWidth(0, 120);
    QCoreApplication::processEvents();
    EXPECT_EQ(ColumnFileText(), text);
}

TEST_F(ScoreBrowser, UnreachableDatabaseShowsAtTheFirstSearchAndTheExportDoesNothing) {
    WriteColumnFile(ScoreSection);
    dir.write("DBConifg.ini", "[DBConifg]\r\nConnectionString=Provider=SQLite;Data Source=" +
                                  (dir / "missing" / "nowhere.db").string() + "\r\n");
    const auto window = Open();
    EXPECT_TRUE(boxes.shown().empty());
    Search(*window, {});
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].caption, u"错误"_qs);
    EXPECT_FALSE(window->ADOQuery1->Active());
    EXPECT_EQ(window->dbgrdData->rowCount(), 0);

    ui::ScriptedSaveDialogs dialogs;
    window->actExportExecute();
    EXPECT_TRUE(dialogs.shown().empty());
    EXPECT_EQ(boxes.shown().size(), 1u);
}

TEST_F(ScoreBrowser, ExportProposesTitleAndDateAndAsksBeforeOverwritingTheSameDaysFile) {
    WriteColumnFile(ScoreSection);
    const auto window = Open();
    Search(*window, {});
    const QString name = u"考试成绩导出"_qs + QDate::currentDate().toString(u"yyyyMMdd"_qs);
    const QString target = Folder() + name + u".xls"_qs;

    ui::ScriptedSaveDialogs dialogs;
    dialogs.answer(target);
    dialogs.answer(target);
    window->actExportExecute();
    ASSERT_EQ(dialogs.shown().size(), 1u);
    EXPECT_EQ(dialogs.shown()[0].fileName, name);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text, u"数据导出成功！"_qs);
    const std::string first = testsupport::readFile(target.toStdString());
    EXPECT_FALSE(first.empty());

    boxes.answer(ui::IDNO);
    window->actExportExecute();
    ASSERT_EQ(dialogs.shown().size(), 2u);
    EXPECT_EQ(dialogs.shown()[1].fileName, name);
    ASSERT_EQ(boxes.shown().size(), 2u);
    EXPECT_EQ(boxes.shown()[1].text, u"文件已存在,是否要覆盖?"_qs);
    EXPECT_EQ(testsupport::readFile(target.toStdString()), first);
}

TEST_F(ScoreBrowser, EnterMovesFromTheUnitBoxToTheSearchButtonWhichSearches) {
    WriteColumnFile(ScoreSection);
    const auto window = Open();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    window->edt1->setFocus();
    window->edt1->setText(u"白沙"_qs);
    QTest::keyClick(window->edt1, Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), window->btnSearch);
    EXPECT_FALSE(window->ADOQuery1->Active());
    QTest::keyClick(window->btnSearch, Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->ADOQuery1->Active(); }));
    EXPECT_EQ(Units(*window), (QStringList{u"白沙镇农技站"_qs, u"白沙镇_卫生院"_qs}));
}

TEST_F(ScoreBrowser, AltSSearchesAndAltEExports) {
    WriteColumnFile(ScoreSection);
    const auto window = Open();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    window->edt1->setFocus();
    window->edt1->setText(u"安平"_qs);
    QTest::keyClick(window->edt1, Qt::Key_S, Qt::AltModifier);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->ADOQuery1->Active(); }));
    EXPECT_EQ(Units(*window), QStringList{u"安平镇中心小学"_qs});

    ui::ScriptedSaveDialogs dialogs;
    dialogs.cancel();
    QTest::keyClick(window->edt1, Qt::Key_E, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([&] { return dialogs.shown().size() == 1; }));
    EXPECT_TRUE(boxes.shown().empty());
}

} // namespace
