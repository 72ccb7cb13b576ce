#include "tallyboard/StatisticsWindow.h"

#include "platform/DatabaseQuery.h"
#include "tallyboard/Unit4.h"
#include "tests/support/PgServer.h"
#include "tests/support/TempDir.h"
#include "tests/support/XlsReadBack.h"
#include "ui/MessageBox.h"
#include "ui/SaveDialog.h"

#include <QAction>
#include <QBarSet>
#include <QChartView>
#include <QComboBox>
#include <QDir>
#include <QHeaderView>
#include <QImage>
#include <QJsonArray>
#include <QLabel>
#include <QLineEdit>
#include <QSettings>
#include <QSpinBox>
#include <QTableView>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// Two towns, three units; a score that is not a number and a missing one.
const QString Scores = uR"(insert into Score (Town, Fac, Name, Score, STime) values
('安平镇', '安平镇中心小学', '甲', 85, '2026-12-09 08:00:00'),
('安平镇', '安平镇中心小学', '乙', 59, '2026-12-09 08:01:00'),
('安平镇', '东关村', '丙', 60, '2026-12-09 08:02:00'),
('白沙镇', '白沙镇农技站', '丁', 100, '2026-12-09 08:03:00'),
('白沙镇', '白沙镇农技站', '戊', '缺考', '2026-12-09 08:04:00'),
('白沙镇', '白沙镇农技站', '己', null, '2026-12-09 08:05:00'))"_qs;

class StatisticsWindow : public ::testing::Test {
protected:
    void SetUp() override {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                           QString::fromStdString(dir.path().string()));
        database.Execute(Scores);
        dir.write("DBConifg.ini",
                  (u"[DBConifg]\r\nConnectionString="_qs + database.ConnectionString() + u"\r\n"_qs)
                      .toStdString());
        dir.write("列项属性.txt", "[score]\r\n");
        browser =
            std::make_unique<TfrmBasicMid1>(QString::fromStdString(dir.path().string()) + u'/');
    }
    void TearDown() override { QDir::setCurrent(QDir::tempPath()); }

    void Search(const QString& unit) const {
        browser->edt1->setText(unit);
        browser->actSearchExecute();
    }
    TfrmStatistics& Statistics() const {
        browser->btnStatistics->click();
        QCoreApplication::processEvents();
        EXPECT_NE(browser->frmStatistics, nullptr);
        return *browser->frmStatistics;
    }
    // A row of the table as shown.
    static QStringList Row(const TfrmStatistics& window, int row) {
        QStringList texts;
        for (int column = 0; column < window.Model()->columnCount(); ++column)
            texts << window.Model()->index(row, column).data().toString();
        return texts;
    }
    QString Target(const char* name) const { return QString::fromStdString((dir / name).string()); }

    testsupport::TempDir dir;
    testsupport::TestDatabase database{testsupport::Backend::Sqlite};
    ui::ScriptedMessageBoxes boxes;
    std::unique_ptr<TfrmBasicMid1> browser;
};

} // namespace

TEST_F(StatisticsWindow, OpensAfterASearchFromTheButtonOrTheMenuAndFollowsTheSearch) {
    browser->btnStatistics->click();
    QCoreApplication::processEvents();
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text, u"请先查询成绩，再做统计。");
    EXPECT_EQ(boxes.shown()[0].caption, u"提示");
    EXPECT_EQ(browser->frmStatistics, nullptr);
    EXPECT_EQ(browser->btnStatistics->text(), u"统计(&T)");
    EXPECT_EQ(browser->btnStatistics->x(), browser->btnExport->geometry().right() + 4);

    // The unit filter applies: 安平 finds one unit.
    Search(u"安平"_qs);
    browser->mniStatistics->trigger();
    QCoreApplication::processEvents();
    ASSERT_NE(browser->frmStatistics, nullptr);
    TfrmStatistics& window = *browser->frmStatistics;
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.windowTitle(), u"成绩统计");
    EXPECT_EQ(Row(window, 0), QStringList({u"安平镇中心小学"_qs, u"2"_qs, u"72.0"_qs, u"72"_qs,
                                           u"85"_qs, u"59"_qs, u"1"_qs, u"50.0%"_qs}));
    EXPECT_EQ(Row(window, 1).mid(0, 2), QStringList({u"合计"_qs, u"2"_qs}));
    EXPECT_FALSE(window.lblUnscored->isVisible());

    // A new search while the window is open brings its rows in.
    Search(QString());
    ASSERT_EQ(window.Model()->rowCount(), 4);
    EXPECT_EQ(Row(window, 2), QStringList({u"白沙镇农技站"_qs, u"3"_qs, u"100.0"_qs, u"100"_qs,
                                           u"100"_qs, u"100"_qs, u"1"_qs, u"100.0%"_qs}));
    EXPECT_TRUE(window.lblUnscored->isVisible());
    EXPECT_TRUE(window.lblUnscored->text().contains(u"有 2 条成绩不是数字"_qs));
}

TEST_F(StatisticsWindow, GroupingsSortingAndTheHistogramOfTheSelectedGroup) {
    Search(QString());
    TfrmStatistics& window = Statistics();
    window.cbbGrouping->setCurrentIndex(2);
    QCoreApplication::processEvents();
    ASSERT_EQ(window.Model()->columnCount(), 9);
    EXPECT_EQ(Row(window, 1).mid(0, 3), QStringList({u"安平镇"_qs, u"东关村"_qs, u"1"_qs}));

    window.cbbGrouping->setCurrentIndex(0);
    QCoreApplication::processEvents();
    EXPECT_EQ(Row(window, 2), QStringList({u"合计"_qs, u"6"_qs, u"76.0"_qs, u"72.5"_qs, u"100"_qs,
                                           u"59"_qs, u"3"_qs, u"75.0%"_qs}));
    // As in the main grid: descending first, then ascending; 合计 stays last.
    QHeaderView* titles = window.grdFigures->horizontalHeader();
    for (const char* first : {"白沙镇", "安平镇", "白沙镇"}) {
        titles->sectionClicked(2); // 平均分: 安平镇 68, 白沙镇 100
        EXPECT_EQ(Row(window, 0)[0], QString::fromUtf8(first));
        EXPECT_EQ(Row(window, 2)[0], u"合计");
    }

    auto bars = [&window] {
        QList<qreal> counts;
        for (int band = 0; band < window.Bars()->count(); ++band)
            counts << window.Bars()->at(band);
        return counts;
    };
    EXPECT_EQ(bars(), QList<qreal>({0, 0, 0, 0, 0, 1, 1, 0, 1, 0, 1}));
    window.grdFigures->selectRow(1); // 安平镇: 85, 59, 60
    EXPECT_EQ(bars(), QList<qreal>({0, 0, 0, 0, 0, 1, 1, 0, 1, 0, 0}));
}

TEST_F(StatisticsWindow, ThePassMarkCountsFromTheMarkAndIsRememberedForTheNextRun) {
    Search(QString());
    TfrmStatistics& window = Statistics();
    EXPECT_EQ(window.spnPassMark->value(), 60);
    window.grdFigures->horizontalHeader()->sectionClicked(0);
    const QStringList sorted = {Row(window, 0)[0], Row(window, 1)[0], Row(window, 2)[0]};
    window.spnPassMark->setValue(85); // 85 and 100 reach it, 59 and 60 do not
    EXPECT_EQ(Row(window, 3).mid(6), QStringList({u"2"_qs, u"50.0%"_qs}));
    // The groups keep the order the user gave them.
    EXPECT_EQ(QStringList({Row(window, 0)[0], Row(window, 1)[0], Row(window, 2)[0]}), sorted);
    EXPECT_EQ(RememberedPassMark(), 85);

    browser.reset();
    SetUp();
    Search(QString());
    EXPECT_EQ(Statistics().spnPassMark->value(), 85);
}

TEST_F(StatisticsWindow, ExportsTheTableToXlsAndTheChartToPng) {
    Search(QString());
    TfrmStatistics& window = Statistics();
    window.Today = [] {
        return QDate(2026, 12, 9);
    };
    ui::ScriptedSaveDialogs dialogs;
    dialogs.answer(Target("统计.xls"));
    window.btnExportTable->click();
    QCoreApplication::processEvents();
    ASSERT_EQ(dialogs.shown().size(), 1u);
    EXPECT_EQ(dialogs.shown()[0].fileName, u"成绩统计20261209");
    EXPECT_EQ(dialogs.shown()[0].filter, u"Excel 文件(*.xls)|*.XLS");
    const QJsonArray rows = testsupport::ReadXlsRows(dir / "统计.xls");
    ASSERT_EQ(rows.size(), 5);
    EXPECT_EQ(rows[0].toArray()[0].toString(), u"单位");
    EXPECT_EQ(rows[4].toArray(),
              QJsonArray({u"合计"_qs, 6.0, 76.0, 72.5, 100.0, 59.0, 3.0, u"75.0%"_qs}));

    // The chart as a picture; the same name again asks before replacing it.
    dialogs.answer(Target("图.png"));
    window.btnExportChart->click();
    QCoreApplication::processEvents();
    EXPECT_EQ(QImage(Target("图.png")).size(), window.chtHistogram->size());
    EXPECT_EQ(dialogs.shown()[1].fileName, u"成绩统计20261209");
    EXPECT_EQ(dialogs.shown()[1].filter, u"PNG 图片(*.png)|*.PNG");
    const auto written = std::filesystem::last_write_time(dir / "图.png");
    for (const int answer : {ui::IDNO, ui::IDYES}) {
        dialogs.answer(Target("图.png"));
        boxes.answer(answer);
        window.btnExportChart->click();
        QCoreApplication::processEvents();
        EXPECT_EQ(std::filesystem::last_write_time(dir / "图.png") == written, answer == ui::IDNO);
    }
    QStringList texts;
    for (const ui::ShownMessageBox& box : boxes.shown())
        texts << box.text;
    EXPECT_EQ(texts,
              QStringList({u"数据导出成功！"_qs, u"数据导出成功！"_qs, u"文件已存在,是否要覆盖?"_qs,
                           u"文件已存在,是否要覆盖?"_qs, u"数据导出成功！"_qs}));
}
