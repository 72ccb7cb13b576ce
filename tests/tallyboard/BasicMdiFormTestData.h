#pragma once

#include "platform/CodePage.h"
#include "platform/DatabaseConnection.h"
#include "platform/DatabaseQuery.h"
#include "tallyboard/BasicMdiForm.h"
#include "tests/support/PgServer.h"
#include "tests/support/TempDir.h"
#include "ui/DataGrid.h"
#include "ui/MessageBox.h"

#include <QDir>
#include <QHeaderView>
#include <QStringList>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace browsetest {

// A program folder for the column-properties file, a SQLite database with the suite's tables,
// and a browse window whose query runs on that database. Message boxes are scripted; the
// process's current directory (which reading the column file changes) is put back afterwards.
class BrowseWindowTest : public ::testing::Test {
protected:
    BrowseWindowTest() : savedCurrent(QDir::currentPath()) {
        connection.SetConnectionString(database.ConnectionString());
    }
    ~BrowseWindowTest() override {
        window.reset();
        QDir::setCurrent(savedCurrent);
    }

    QString ProgramDir() const { return QString::fromStdString(folder.path().string()) + u'/'; }
    std::filesystem::path ColumnFile() const { return folder / "列项属性.txt"; }
    // The file as the program ships it: the text (UTF-8 here) in GBK.
    void WriteColumnFile(const std::string& text) const {
        WriteColumnBytes(platform::ToGbk(QString::fromStdString(text)));
    }
    void WriteColumnBytes(const std::string& bytes) const { folder.write("列项属性.txt", bytes); }
    // The file's GBK text, in UTF-8.
    std::string ColumnFileText() const {
        return platform::FromGbk(testsupport::readFile(ColumnFile())).toStdString();
    }

    TfrmBasicMid& CreateWindow() {
        window = std::make_unique<TfrmBasicMid>(ProgramDir());
        window->ADOQuery1->SetConnection(&connection);
        return *window;
    }
    platform::TADOQuery& Query() const { return *window->ADOQuery1; }
    ui::DataGrid& Grid() const { return *window->dbgrdData; }

    // The search of a derived window: the query reopened with new SQL.
    void Open(const QString& sql) const {
        Query().Close();
        Query().SetSQL(sql);
        Query().Open();
    }

    void ShowWindow() const {
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }

    // A click in the middle of a column's title, as the user makes it.
    void ClickTitle(int index) const {
        QHeaderView* titles = Grid().titleRow();
        const QPoint centre(titles->sectionViewportPosition(index) + titles->sectionSize(index) / 2,
                            titles->height() / 2);
        QTest::mouseClick(titles->viewport(), Qt::LeftButton, {}, centre);
    }

    // The texts a column shows, row by row in the grid's current order.
    QStringList ColumnTexts(int index) const {
        QStringList texts;
        for (int row = 0; row < Grid().rowCount(); ++row)
            texts << Grid().cellText(row, index);
        return texts;
    }

    testsupport::TempDir folder;
    // The browse window's own tables; a table of its tests is named Paper, as one of the
    // attempt tables is.
    testsupport::TestDatabase database{testsupport::Backend::Sqlite,
                                       testsupport::Tables::ScoresOnly};
    platform::TADOConnection connection;
    ui::ScriptedMessageBoxes boxes;
    std::unique_ptr<TfrmBasicMid> window;

private:
    QString savedCurrent;
};

} // namespace browsetest
