#include "exam/Unit2.h"

#include "tests/support/PgServer.h"
#include "tests/support/TempDir.h"
#include "ui/MessageBox.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

using testsupport::Backend;
using testsupport::TestDatabase;

namespace {

QString Folder(const testsupport::TempDir& dir) {
    return QString::fromStdString(dir.path().string()) + u'/';
}

void WriteConfig(const testsupport::TempDir& dir, const QString& primary,
                 const QString& secondary) {
    dir.write("DBConifg.ini",
              (u"[DBConifg]\r\nConnectionString="_qs + primary +
               u"\r\n[SqlDBConifg]\r\nConnectionString="_qs + secondary + u"\r\n"_qs)
                  .toStdString());
}

int ScoreRows(const QString& connectionString) {
    platform::TADOConnection connection;
    connection.SetConnectionString(connectionString);
    platform::TADOQuery query;
    query.SetConnection(&connection);
    query.SetSQL(u"select * from Score"_qs);
    query.Open();
    return query.RecordCount();
}

class ScoreRow : public ::testing::TestWithParam<Backend> {};

} // namespace

TEST(Unit2, ConnectionsComeFromTheConfigurationFile) {
    testsupport::TempDir program;
    {
        TDataModule2 module(nullptr, Folder(program));
        EXPECT_EQ(module.con1.ConnectionString(), DefaultConnectionString(DBConfigSection));
        EXPECT_TRUE(module.con2.ConnectionString().isEmpty()); // set only before a second copy
        EXPECT_EQ(module.qry1.Connection(), &module.con1);
        EXPECT_EQ(module.qry2.Connection(), &module.con2);
        module.ReadSecondConnectionString();
        EXPECT_EQ(module.con2.ConnectionString(), DefaultConnectionString(SqlDBConfigSection));
    }
    program.write("DBConifg.ini",
                  "[DBConifg]\nConnectionString=Provider=SQLite;Data Source=a.db\n");
    TDataModule2 module(nullptr, Folder(program));
    EXPECT_EQ(module.con1.ConnectionString(), u"Provider=SQLite;Data Source=a.db");
    module.ReadSecondConnectionString();
    EXPECT_EQ(module.con2.ConnectionString(), DefaultConnectionString(SqlDBConfigSection));
    // The secondary section is read anew each time.
    WriteConfig(program, u"x"_qs, u"Provider=SQLite;Data Source=b.db"_qs);
    module.ReadSecondConnectionString();
    EXPECT_EQ(module.con2.ConnectionString(), u"Provider=SQLite;Data Source=b.db");
    EXPECT_EQ(module.con1.ConnectionString(), u"Provider=SQLite;Data Source=a.db");
}

TEST(Unit2, ScoreTimeIsIsoLocalTime) {
    const QDateTime moment(QDate(2026, 12, 9), QTime(5, 1, 2));
    EXPECT_EQ(ScoreTimeText(moment), u"2026-12-09 05:01:02");
}

TEST_P(ScoreRow, AppendedByPositionWithTrimmedTextsOnBothConnections) {
    TestDatabase primary(GetParam());
    TestDatabase secondary(GetParam());
    testsupport::TempDir program;
    WriteConfig(program, primary.ConnectionString(), secondary.ConnectionString());
    TDataModule2 module(nullptr, Folder(program));
    ui::ScriptedMessageBoxes boxes;

    const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
    AppendScoreRow(module.qry1, u" O'Brien乡 "_qs, u"\tO'Brien村\r\n"_qs, u"  张 伟 "_qs,
                   u" 85"_qs);
    AppendScoreRow(module.qry1, u"安平镇"_qs, u"安平村"_qs, u"李娜"_qs, u"0"_qs);
    module.ReadSecondConnectionString();
    AppendScoreRow(module.qry2, u"安平镇"_qs, u"安平村"_qs, u"李娜"_qs, u"0"_qs);
    EXPECT_TRUE(boxes.shown().empty());
    EXPECT_EQ(ScoreRows(secondary.ConnectionString()), 1);

    platform::TADOQuery& query = module.qry1;
    query.Close();
    query.SetSQL(u"select * from Score order by id"_qs);
    query.Open();
    ASSERT_EQ(query.RecordCount(), 2);
    EXPECT_GT(query.Value(0, 0).toLongLong(), 0);
    EXPECT_EQ(query.Value(0, 1).toString(), u"O'Brien乡");
    EXPECT_EQ(query.Value(0, 2).toString(), u"O'Brien村");
    EXPECT_EQ(query.Value(0, 3).toString(), u"张 伟");
    EXPECT_EQ(query.Value(0, 4).toLongLong(), 85);
    EXPECT_EQ(query.Value(1, 4).toLongLong(), 0);
    const QString stime = query.DisplayText(0, 5);
    EXPECT_TRUE(QRegularExpression(u"^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d$"_qs)
                    .match(stime)
                    .hasMatch());
    const QDateTime written = QDateTime::fromString(stime, u"yyyy-MM-dd HH:mm:ss"_qs);
    EXPECT_GE(written, before);
    EXPECT_LE(written, QDateTime::currentDateTime().addSecs(1));
}

TEST_P(ScoreRow, AFailedOpenIsShownAndTheAppendFails) {
    TestDatabase primary(GetParam());
    primary.Execute(u"drop table Score"_qs);
    testsupport::TempDir program;
    WriteConfig(program, primary.ConnectionString(), u"Provider=Nothing"_qs);
    TDataModule2 module(nullptr, Folder(program));
    ui::ScriptedMessageBoxes boxes;
    EXPECT_THROW(AppendScoreRow(module.qry1, u"镇"_qs, u"单位"_qs, u"张伟"_qs, u"85"_qs),
                 platform::EDatabaseError);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].caption, u"错误");
    EXPECT_TRUE(boxes.shown()[0].text.contains(u"score", Qt::CaseInsensitive));

    module.ReadSecondConnectionString();
    EXPECT_THROW(AppendScoreRow(module.qry2, u"镇"_qs, u"单位"_qs, u"张伟"_qs, u"85"_qs),
                 platform::EDatabaseError);
    ASSERT_EQ(boxes.shown().size(), 2u);
    EXPECT_TRUE(boxes.shown()[1].text.contains(u"Nothing"));
}

INSTANTIATE_TEST_SUITE_P(Backends, ScoreRow, ::testing::Values(Backend::Sqlite, Backend::Postgres),
                         [](const auto& info) { return testsupport::BackendName(info.param); });
