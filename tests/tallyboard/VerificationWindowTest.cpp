#include "tallyboard/VerificationWindow.h"

#include "tallyboard/AttemptReview.h"
#include "tallyboard/Unit4.h"
#include "tests/tallyboard/VerificationTestData.h"
#include "ui/MessageBox.h"

#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QTableView>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// The score browser over a database with one fault of each kind, or without the attempt tables.
class VerificationWindow : public testing::Test {
protected:
    void Open(testsupport::Tables tables) {
        database =
            std::make_unique<testsupport::TestDatabase>(testsupport::Backend::Sqlite, tables);
        if (tables != testsupport::Tables::ScoresOnly)
            verificationtest::SeedOneFaultOfEachKind(*database);
        dir.write("DBConifg.ini", (u"[DBConifg]\r\nConnectionString="_qs +
                                   database->ConnectionString() + u"\r\n"_qs)
                                      .toStdString());
        dir.write("列项属性.txt", "[score]\r\n");
        browser =
            std::make_unique<TfrmBasicMid1>(QString::fromStdString(dir.path().string()) + u'/');
        browser->show();
        EXPECT_FALSE(browser->btnVerify->isVisible());
        browser->actSearchExecute();
    }
    void TearDown() override { QDir::setCurrent(QDir::tempPath()); }

    testsupport::TempDir dir;
    std::unique_ptr<testsupport::TestDatabase> database;
    ui::ScriptedMessageBoxes boxes;
    std::unique_ptr<TfrmBasicMid1> browser;
};

TEST_F(VerificationWindow, IsOfferedOnlyWhereTheAttemptTablesExist) {
    Open(testsupport::Tables::ScoresOnly);
    EXPECT_FALSE(browser->btnVerify->isVisible());
}

TEST_F(VerificationWindow, ListsEachFaultWithItsRowAndOpensTheAttemptOfOne) {
    Open(testsupport::Tables::WithAttempts);
    ASSERT_TRUE(browser->btnVerify->isVisible());
    browser->btnVerify->click();
    QCoreApplication::processEvents();
    auto* window = browser->findChild<TfrmVerification*>();
    ASSERT_NE(window, nullptr);
    const QAbstractItemModel* faults = window->grdFaults->model();
    ASSERT_EQ(faults->rowCount(), 8);
    auto cell = [faults](int row, int column) {
        return faults->data(faults->index(row, column)).toString();
    };
    EXPECT_EQ(QStringList(
                  {cell(1, TfrmVerification::KindColumn), cell(1, TfrmVerification::NameColumn),
                   cell(1, TfrmVerification::TimeColumn), cell(1, TfrmVerification::ScoreColumn)}),
              QStringList({u"答卷无成绩"_qs, u"王五"_qs, u"2026-12-09 09:10:00"_qs, u"6"_qs}));
    EXPECT_TRUE(window->lblSummary->text().contains(u"共 8 处错误；另有 1 行成绩早于"_qs))
        << window->lblSummary->text().toStdString();

    // The score row without an attempt has nothing to review; the attempt without one has.
    for (const int row : {0, 1}) {
        const QRect rect = window->grdFaults->visualRect(faults->index(row, 0));
        QTest::mouseClick(window->grdFaults->viewport(), Qt::LeftButton, {}, rect.center());
        QTest::mouseDClick(window->grdFaults->viewport(), Qt::LeftButton, {}, rect.center());
        QCoreApplication::processEvents();
    }
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text, u"这一条没有答卷记录");
    const auto reviews = browser->findChildren<TfrmAttemptReview*>();
    ASSERT_EQ(reviews.size(), 1);
    EXPECT_TRUE(reviews[0]->lblHeader->text().contains(u"王五"_qs));
}

} // namespace
