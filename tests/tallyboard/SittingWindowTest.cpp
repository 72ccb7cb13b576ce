#include "tallyboard/SittingWindow.h"

#include "paper/PaperWriter.h"
#include "platform/CodePage.h"
#include "platform/DatabaseConnection.h"
#include "records/db/SittingStore.h"
#include "tallyboard/ItemAnalysisWindow.h"
#include "tallyboard/Unit4.h"
#include "tests/support/PgServer.h"
#include "tests/support/TempDir.h"
#include "tests/support/XlsReadBack.h"
#include "tests/tallyboard/AttemptTestData.h"
#include "ui/MessageBox.h"
#include "ui/SaveDialog.h"

#include <QBarSet>
#include <QComboBox>
#include <QCoreApplication>
#include <QTabWidget>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

// Sitting 1 closed long ago; sitting 2 open until 2099 for 城关镇 with a pass mark of 60.
// 东关村: 张伟 sat (70), 王芳 sat (40), 赵强 is in the exam; 镇政府: 李娜 absent, nobody sat.
// 陈晨 sat without being on the roster.
class SittingWindow : public testing::TestWithParam<testsupport::Backend> {
protected:
    SittingWindow() {
        database.Execute(
            u"INSERT INTO Fac (name, Belong, type) VALUES ('东关村', '城关镇', true);\n"
            "INSERT INTO Fac (name, Belong, type) VALUES ('镇政府', '城关镇', false);\n"
            "INSERT INTO Sitting (Title, OpensAt, ClosesAt, PassMark) VALUES "
            "('去年', '2001-01-01 09:00:00', '2001-01-01 10:00:00', NULL);\n"
            "INSERT INTO Sitting (Title, OpensAt, ClosesAt, PassMark) VALUES "
            "('安全', '2002-01-01 09:00:00', '2099-01-01 10:00:00', 60);\n"
            "INSERT INTO SittingUnit (SittingId, Town, Fac) VALUES (2, '城关镇', '');\n"
            "INSERT INTO Roster VALUES ('城关镇', '东关村', '张伟');\n"
            "INSERT INTO Roster VALUES ('城关镇', '东关村', '王芳');\n"
            "INSERT INTO Roster VALUES ('城关镇', '东关村', '赵强');\n"
            "INSERT INTO Roster VALUES ('城关镇', '镇政府', '李娜');\n"_qs);
        for (const auto& [token, name, score] :
             std::vector<std::tuple<QString, QString, int>>{{u"t1"_qs, u"张伟"_qs, 70},
                                                            {u"t2"_qs, u"王芳"_qs, 40},
                                                            {u"t3"_qs, u"赵强"_qs, -1},
                                                            {u"t4"_qs, u"陈晨"_qs, 90}})
            Run(token, name, score);
        connection.SetConnectionString(database.ConnectionString());
        EXPECT_TRUE(connection.Open());
        window = std::make_unique<TfrmSittings>(connection);
        window->Refresh();
    }
    void Run(const QString& token, const QString& name, int score) {
        const QString person = u"'%1', '城关镇', '东关村', '%2'"_qs.arg(token, name);
        database.Execute(
            u"INSERT INTO AttemptStart (Token, Town, Fac, Name, SittingId, "
            "PaperSha256, StartTime) VALUES (%1, 2, '%2', '2026-12-10 09:00:00')"_qs.arg(person,
                                                                                         Sha));
        if (score >= 0)
            database.Execute(u"INSERT INTO Attempt (Token, Town, Fac, Name, Score, STime, "
                             "PaperSha256, Ending, Elapsed) VALUES (%1, %2, "
                             "'2026-12-10 09:30:00', '%3', 'handin', 1800)"_qs.arg(person)
                                 .arg(score)
                                 .arg(Sha));
    }
    static QStringList Row(const QAbstractItemModel& model, int row) {
        QStringList texts;
        for (int column = 0; column < model.columnCount(); ++column)
            texts << model.index(row, column).data().toString();
        return texts;
    }

    const QString Sha = QString(64, u'a');
    testsupport::TempDir dir;
    testsupport::TestDatabase database{GetParam(), testsupport::Tables::WithSittings};
    platform::TADOConnection connection;
    ui::ScriptedMessageBoxes boxes;
    std::unique_ptr<TfrmSittings> window;
};

TEST_P(SittingWindow, ShowsTheOpenSittingsFiguresListsAndRefreshesItsRunsWhileOpen) {
    EXPECT_EQ(window->windowTitle(), u"考试场次");
    ASSERT_EQ(window->Sittings()->rowCount(), 2);
    EXPECT_EQ(window->Sittings()->index(0, 4).data(), u"已结束"_qs);
    EXPECT_EQ(window->Sittings()->index(1, 4).data(), u"进行中"_qs);
    EXPECT_EQ(window->ChosenSitting(), 2);
    const TTextTableModel& figures = *window->Figures();
    ASSERT_EQ(figures.rowCount(), 3);
    EXPECT_EQ(Row(figures, 0), (QStringList{u"城关镇"_qs, u"东关村"_qs, u"3"_qs, u"2"_qs, u"1"_qs,
                                            u"0"_qs, u"1"_qs, u"50.0%"_qs}));
    EXPECT_EQ(
        Row(figures, 2),
        (QStringList{u"合计"_qs, {}, u"4"_qs, u"2"_qs, u"1"_qs, u"1"_qs, u"1"_qs, u"50.0%"_qs}));
    // 镇政府 has no rate: one bar only, for 东关村.
    ASSERT_EQ(window->PassRateBars()->count(), 1);
    EXPECT_DOUBLE_EQ(window->PassRateBars()->at(0), 50.0);
    EXPECT_EQ(Row(*window->Absentees(), 0), (QStringList{u"城关镇"_qs, u"镇政府"_qs, u"李娜"_qs}));
    EXPECT_EQ(Row(*window->Outsiders(), 0),
              (QStringList{u"城关镇"_qs, u"东关村"_qs, u"陈晨"_qs, u"1"_qs, u"90"_qs}));
    EXPECT_EQ(window->InProgress()->rowCount(), 1);
    EXPECT_TRUE(window->tmrRefresh->isActive());
    EXPECT_EQ(window->tmrRefresh->interval(), 10'000);

    database.Execute(u"INSERT INTO Attempt (Token, Town, Fac, Name, Score, STime, PaperSha256, "
                     "Ending, Elapsed) VALUES ('t3', '城关镇', '东关村', '赵强', 65, "
                     "'2026-12-10 09:40:00', '%1', 'timeout', 1800)"_qs.arg(Sha));
    window->RefreshChosen();
    EXPECT_EQ(window->InProgress()->rowCount(), 0);
    EXPECT_EQ(Row(*window->Figures(), 0).mid(3),
              (QStringList{u"3"_qs, u"0"_qs, u"0"_qs, u"2"_qs, u"66.7%"_qs}));

    window->ChooseSitting(0);
    EXPECT_FALSE(window->tmrRefresh->isActive());
    EXPECT_EQ(window->PassRateBars()->count(), 0);
}

TEST_P(SittingWindow, PublishesChecksClosesAndExportsUnderTheWindowsAccount) {
    records::NewSitting faulty{"  ", "2026-12-10 10:00:00", "2026-12-10 09:00:00", {}, {}, {}};
    EXPECT_FALSE(window->Publish(faulty));
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_TRUE(boxes.shown()[0].text.contains(u"场次名称为空"_qs));
    EXPECT_TRUE(boxes.shown()[0].text.contains(u"没有试卷"_qs));

    paperwriter::Paper paper;
    paper.title = platform::ToGbk(u"消防"_qs);
    paper.questions.push_back({paperwriter::Kind::Single, "题", 10, 0, {"甲", "乙"}, 1});
    paperwriter::WritePaperFile(paper, dir / "p.mqe");
    records::NewSitting sitting{
        "补考",
        "2003-01-01 09:00:00",
        "2098-01-01 09:00:00",
        50,
        {{"城关镇", "东关村"}},
        {records::ReadPaperToPublish(QString::fromStdString(dir / "p.mqe"))}};
    ASSERT_TRUE(window->Publish(sitting));
    EXPECT_EQ(window->Sittings()->rowCount(), 3);
    EXPECT_EQ(Row(*window->Sittings(), 2).mid(1, 1) + Row(*window->Sittings(), 2).mid(6),
              (QStringList{u"补考"_qs, u"消防"_qs, u"城关镇/东关村"_qs}));
    EXPECT_EQ(window->Figures()->rowCount(), 2); // 东关村 and 合计

    boxes.answer(ui::IDYES);
    window->CloseChosen();
    EXPECT_EQ(window->Sittings()->index(2, 4).data(), u"已结束"_qs);

    window->ChooseSitting(1);
    window->tabPages->setCurrentIndex(1);
    ui::ScriptedSaveDialogs saves;
    const std::filesystem::path file = dir / "absent.xls";
    saves.answer(QString::fromStdString(file.string()));
    window->ExportPage();
    EXPECT_EQ(saves.shown().at(0).fileName.left(6), u"考试场次缺考"_qs);
    const QJsonArray rows = testsupport::ReadXlsRows(file);
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[1].toArray()[2].toString(), u"李娜"_qs);
}

// 试题分析 narrows its attempts to a sitting's runs: three of sitting 2, one of no sitting.
TEST_P(SittingWindow, TheItemAnalysisCountsOnlyTheChosenSittingsAttempts) {
    database.Execute(u"INSERT INTO Attempt (Token, Town, Fac, Name, Score, STime, PaperSha256, "
                     "Ending, Elapsed) VALUES ('x1', '城关镇', '东关村', '外人', 30, "
                     "'2026-12-10 09:40:00', '%1', 'handin', 1800)"_qs.arg(Sha));
    const QString paper = attempttest::InsertPaper(database, attempttest::ThreeQuestionPaper());
    database.Execute(u"UPDATE Attempt SET PaperSha256 = '%1'"_qs.arg(paper));
    TfrmItemAnalysis analysis(connection);
    analysis.Refresh({});
    ASSERT_TRUE(analysis.cbbSitting->isVisibleTo(&analysis));
    ASSERT_EQ(analysis.cbbSitting->count(), 3); // 全部场次, then sitting 2, then sitting 1
    const struct {
        int choice;
        QString papers;
    } cases[] = {{0, u"(4份)"_qs}, {1, u"(3份)"_qs}, {2, QString()}};
    for (const auto& c : cases) {
        analysis.cbbSitting->setCurrentIndex(c.choice);
        analysis.Refresh({});
        EXPECT_EQ(analysis.cbbSitting->currentIndex(), c.choice);
        EXPECT_EQ(analysis.cbbPaper->count() > 0 ? analysis.cbbPaper->itemText(0).right(4)
                                                 : QString(),
                  c.papers);
    }
}

// 场次 opens the window with no search first; a database without the sitting tables is told so.
TEST_P(SittingWindow, TheBrowsersButtonOpensItWithoutASearchWhereTheTablesAre) {
    for (const auto tables : {testsupport::Tables::WithSittings, testsupport::Tables::ScoresOnly}) {
        const testsupport::TestDatabase other(GetParam(), tables);
        const std::string folder = "program" + std::to_string(static_cast<int>(tables));
        dir.write(folder + "/DBConifg.ini",
                  (u"[DBConifg]\r\nConnectionString="_qs + other.ConnectionString() + u"\r\n"_qs)
                      .toStdString());
        dir.write(folder + "/列项属性.txt", "[score]\r\n");
        TfrmBasicMid1 browser(QString::fromStdString((dir / folder).string()) + u'/');
        boxes.clear();
        browser.btnSittings->click();
        QCoreApplication::processEvents();
        const bool opened = browser.frmSittings && browser.frmSittings->isVisible();
        EXPECT_EQ(opened, tables == testsupport::Tables::WithSittings);
        EXPECT_EQ(boxes.shown().size(), opened ? 0u : 1u);
        EXPECT_EQ(browser.btnSittings->text(), u"场次(&H)");
    }
}

INSTANTIATE_TEST_SUITE_P(Backends, SittingWindow,
                         testing::Values(testsupport::Backend::Sqlite,
                                         testsupport::Backend::Postgres),
                         [](const auto& info) { return testsupport::BackendName(info.param); });

} // namespace
