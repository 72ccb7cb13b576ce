#include "common/FuncUnit.h"

#include "common/ConnectionConfig.h"
#include "tests/support/PgServer.h"
#include "tests/support/TempDir.h"
#include "ui/MessageBox.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFontMetrics>
#include <gtest/gtest.h>

using platform::TADOConnection;
using platform::TADOQuery;

TEST(FuncUnit, QuotingDoublesApostrophesAndNothingElse) {
    const QString town = u"O'Brien镇三里河"_qs; // eleven characters, one apostrophe
    ASSERT_EQ(town.size(), 11);
    EXPECT_EQ(SqlQuote(town), u"'O''Brien镇三里河'");
    EXPECT_EQ(SqlQuote(town).size(), 14);
    EXPECT_EQ(SqlQuote(QString()), u"''");
    EXPECT_EQ(SqlQuote(u"a\\b%_["_qs), u"'a\\b%_['");
    EXPECT_EQ(SqlLikeQuote(QString()), u"'%%'");
    EXPECT_EQ(SqlLikeQuote(u"村_委'会"_qs), u"'%村_委''会%'");
    EXPECT_EQ(SqlLikeQuote(u"'; drop table Score; --"_qs), u"'%''; drop table Score; --%'");
}

TEST(FuncUnit, ConnectionErrorsOnePerLineWithALineBreakBeforeEach) {
    EXPECT_EQ(GetConnectionErrors(nullptr), QString());
    TADOConnection connection;
    EXPECT_EQ(GetConnectionErrors(&connection), QString());
    connection.AddError(-2147467259, u"无法连接"_qs);
    connection.AddError(20009, u"Unable to connect"_qs);
    EXPECT_EQ(
        GetConnectionErrors(&connection),
        u"\r\n错误号：-2147467259,错误描述：无法连接\r\n错误号：20009,错误描述：Unable to connect");
}

TEST(FuncUnit, OpenQueryReportsTheErrorCollectionInOneBox) {
    testsupport::TestDatabase database(testsupport::Backend::Sqlite);
    database.Execute(u"insert into town (name) values ('安平镇')"_qs);
    TADOConnection connection;
    connection.SetConnectionString(database.ConnectionString());
    TADOQuery query;
    query.SetConnection(&connection);
    ui::ScriptedMessageBoxes boxes;

    EXPECT_TRUE(OpenQuery(query, u"select name,id from town"_qs, true));
    EXPECT_TRUE(boxes.shown().empty());
    EXPECT_EQ(query.RecordCount(), 1);

    EXPECT_FALSE(OpenQuery(query, u"select * from NoSuchTable"_qs, true));
    ASSERT_EQ(boxes.shown().size(), 1u);
    const ui::ShownMessageBox& box = boxes.shown()[0];
    EXPECT_EQ(box.caption, u"错误");
    EXPECT_EQ(box.flags, unsigned(ui::MB_ICONERROR | ui::MB_OK));
    EXPECT_FALSE(box.owned);
    EXPECT_TRUE(box.text.startsWith(u"\r\n错误号："));
    EXPECT_TRUE(box.text.contains(u"NoSuchTable", Qt::CaseInsensitive));
    EXPECT_FALSE(query.Active());
    EXPECT_EQ(query.SQL(), u"select * from NoSuchTable");

    // Without the show flag nothing is shown; an unknown provider is reported like any error.
    connection.SetConnectionString(u"Provider=Foo.1;Data Source=x"_qs);
    EXPECT_FALSE(OpenQuery(query, u"select name,id from town"_qs, false));
    EXPECT_EQ(boxes.shown().size(), 1u);
    EXPECT_FALSE(OpenQuery(query, u"select name,id from town"_qs, true));
    ASSERT_EQ(boxes.shown().size(), 2u);
    EXPECT_TRUE(boxes.shown()[1].text.contains(u"Foo.1"));

    // A query without a connection has no error collection to show, but it did not open.
    TADOQuery alone;
    EXPECT_FALSE(OpenQuery(alone, u"select name,id from town"_qs, true));
    EXPECT_EQ(boxes.shown().size(), 2u);
}

TEST(FuncUnit, DropDownWidthFollowsTheWidestItem) {
    EXPECT_EQ(DroppedWidthFor(100, 5, 8, 145), std::nullopt);
    EXPECT_EQ(DroppedWidthFor(150, 8, 8, 145), 155);
    EXPECT_EQ(DroppedWidthFor(150, 9, 8, 145), 170);
    EXPECT_EQ(DroppedWidthFor(140, 3, 8, 145), std::nullopt); // 145 is not larger than 145
    EXPECT_EQ(DroppedWidthFor(131, 9, 8, 145), 151);

    QComboBox box;
    box.resize(145, 21);
    box.setMaxVisibleItems(8);
    const int before = box.view()->minimumWidth();
    AdjustDropDownWidth(&box); // no items: left alone
    EXPECT_EQ(box.view()->minimumWidth(), before);
    box.addItem(u"请选择"_qs);
    AdjustDropDownWidth(&box);
    EXPECT_EQ(box.view()->minimumWidth(), before);
    const QString wide = u"安平镇第一中心小学附属幼儿园后勤服务中心"_qs;
    box.addItem(wide);
    AdjustDropDownWidth(&box);
    const int expected = QFontMetrics(box.font()).horizontalAdvance(wide) + 5;
    ASSERT_GT(expected, 145);
    EXPECT_EQ(box.view()->minimumWidth(), expected);
}

TEST(FuncUnit, TrimRemovesCodesUpTo32Only) {
    EXPECT_EQ(TrimText(u"\t\r\n \x01张伟 \x1f"_qs), u"张伟");
    EXPECT_EQ(TrimText(u"\u3000张伟\u3000"_qs), u"\u3000张伟\u3000"); // ideographic blank stays
    EXPECT_EQ(TrimText(u"   "_qs), QString());
    EXPECT_EQ(TrimText(u"a b"_qs), u"a b");
}

TEST(ConnectionConfig, DefaultsSectionsCaseAndTheProgramDirectory) {
    testsupport::TempDir program;
    const QString directory = QString::fromStdString(program.path().string()) + u'/';
    EXPECT_EQ(ReadConnectionString(DBConfigSection, directory),
              u"Provider=SQLOLEDB.1;Persist Security Info=False;User ID=sa;Initial "
              "Catalog=korvend;Data Source=.");
    EXPECT_EQ(ReadConnectionString(SqlDBConfigSection, directory),
              u"Provider=SQLOLEDB.1;Persist Security Info=False;User ID=sa;Initial "
              "Catalog=exam;Data Source=.");

    // Started from elsewhere: the file beside the program is read, and its folder becomes the
    // current directory.
    testsupport::TempDir elsewhere;
    QDir::setCurrent(QString::fromStdString(elsewhere.path().string()));
    elsewhere.write("DBConifg.ini", "[dbconifg]\nconnectionstring=wrong\n");
    program.write("DBConifg.ini", "[dbconifg]\nconnectionstring = \"Provider=SQLite;Data "
                                  "Source=korvend.db\"\n");
    EXPECT_EQ(ReadConnectionString(DBConfigSection, directory),
              u"Provider=SQLite;Data Source=korvend.db");
    EXPECT_EQ(QDir::current().canonicalPath(), QDir(directory).canonicalPath());
    EXPECT_EQ(ReadConnectionString(SqlDBConfigSection, directory),
              DefaultConnectionString(SqlDBConfigSection));

    // GBK and UTF-8 values both arrive as the same text; an empty value stays empty.
    program.write("DBConifg.ini", "[DBConifg]\nConnectionString=Provider=SQLite;Data "
                                  "Source=\xBF\xBC\xCA\xD4.db\n[SqlDBConifg]\nConnectionString=\n");
    EXPECT_EQ(ReadConnectionString(DBConfigSection, directory),
              u"Provider=SQLite;Data Source=考试.db");
    EXPECT_EQ(ReadConnectionString(SqlDBConfigSection, directory), QString());

    TADOConnection connection;
    SetConnectionFromConfig(connection, DBConfigSection, directory);
    EXPECT_EQ(connection.ConnectionString(), u"Provider=SQLite;Data Source=考试.db");
    EXPECT_FALSE(connection.Connected());
    EXPECT_EQ(ProgramDirectory(), QCoreApplication::applicationDirPath() + u'/');
}

class AttemptTableSchema : public ::testing::TestWithParam<testsupport::Backend> {};

// The copies elsewhere go to SQLite's temp schema or a PostgreSQL schema "other".
TEST_P(AttemptTableSchema, OnlyAllThreeInTheConnectionsOwnSchemaCount) {
    const QStringList all = {u"Paper"_qs, u"Attempt"_qs, u"AttemptAnswer"_qs};
    const QStringList two = all.mid(0, 2);
    const std::tuple<QStringList, QStringList, bool> cases[] = {
        {all, all, true}, {two, {u"AttemptAnswer"_qs}, false}, {{}, all, false}};
    const bool sqlite = GetParam() == testsupport::Backend::Sqlite;
    for (const auto& [own, elsewhere, found] : cases) {
        const testsupport::TestDatabase database(GetParam(), testsupport::Tables::ScoresOnly);
        TADOConnection connection;
        connection.SetConnectionString(database.ConnectionString());
        if (!sqlite)
            connection.Execute(u"create schema other"_qs);
        for (const QString& table : own)
            connection.Execute(u"create table %1 (id integer)"_qs.arg(table));
        for (const QString& table : elsewhere)
            connection.Execute((sqlite ? u"create temp table %1 (id integer)"_qs
                                       : u"create table other.%1 (id integer)"_qs)
                                   .arg(table));
        EXPECT_EQ(HasAttemptTables(connection.Database()), found) << own.join(u',').toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Backends, AttemptTableSchema,
                         ::testing::Values(testsupport::Backend::Sqlite,
                                           testsupport::Backend::Postgres),
                         [](const auto& info) { return testsupport::BackendName(info.param); });
