#include "platform/DatabaseQuery.h"

#include "tests/support/PgServer.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

using namespace platform;
using testsupport::Backend;
using testsupport::TestDatabase;

namespace {

class DatabaseQuery : public ::testing::TestWithParam<Backend> {
protected:
    void SetUp() override {
        database = std::make_unique<TestDatabase>(GetParam());
        connection.SetConnectionString(database->ConnectionString());
        query.SetConnection(&connection);
    }

    void Open(const QString& sql) {
        query.Close();
        query.SetSQL(sql);
        query.Open();
    }

    QStringList Column(int field) {
        QStringList values;
        for (int row = 0; row < query.RecordCount(); ++row)
            values << query.DisplayText(row, field);
        return values;
    }

    std::unique_ptr<TestDatabase> database;
    TADOConnection connection;
    TADOQuery query;
};

const char* const kScores = "insert into Score (Town, Fac, Name, Score, STime) values "
                            "('安平镇', '安平镇中心小学', '张伟', 10, '2026-12-09 08:00:05'),\n"
                            "('白沙镇', '白沙村委会', '李娜', 2, '2026-12-09 07:59:59'),\n"
                            "('陈家镇', '陈家村委会', '王芳', NULL, '2026-11-30 23:00:00'),\n"
                            "('安平镇', '安平镇卫生院', '赵敏', 85, NULL),\n"
                            "('白沙镇', '白沙镇农技站', '周强', 10, '2026-12-10 00:00:00')";

} // namespace

TEST_P(DatabaseQuery, SortsTypedValuesStablyAndKeepsTheCurrentRow) {
    database->Execute(QString::fromUtf8(kScores));
    Open(u"select * from score order by id"_qs);
    ASSERT_EQ(query.RecordCount(), 5);
    EXPECT_EQ(query.KindOf(query.FieldIndex(u"Score"_qs)), FieldKind::Integer);
    EXPECT_EQ(query.KindOf(query.FieldIndex(u"stime"_qs)), FieldKind::DateTime);
    const int name = query.FieldIndex(u"Name"_qs);
    const int score = query.FieldIndex(u"SCORE"_qs);
    const int town = query.FieldIndex(u"Town"_qs);
    ASSERT_GE(name, 0);

    QSignalSpy reordered(&query, &TADOQuery::orderChanged);
    query.SetCurrentRow(2);
    const QString current = query.FieldValue(name).toString();
    // Numbers as numbers (2 < 10 < 85), nulls first; equal scores keep their order (by STime).
    query.SetSort(u"Score ASC"_qs);
    EXPECT_EQ(Column(name),
              QStringList({u"王芳"_qs, u"李娜"_qs, u"张伟"_qs, u"周强"_qs, u"赵敏"_qs}));
    EXPECT_EQ(query.FieldValue(name).toString(), current);
    EXPECT_EQ(reordered.count(), 1);
    EXPECT_EQ(query.Sort(), u"Score ASC");
    query.SetSort(u"Score DESC"_qs);
    EXPECT_EQ(Column(name),
              QStringList({u"赵敏"_qs, u"张伟"_qs, u"周强"_qs, u"李娜"_qs, u"王芳"_qs}));
    EXPECT_TRUE(query.Value(4, score).isNull());

    // Date-times as date-times, the null first.
    query.SetSort(u"STime ASC"_qs);
    EXPECT_EQ(Column(name),
              QStringList({u"赵敏"_qs, u"王芳"_qs, u"李娜"_qs, u"张伟"_qs, u"周强"_qs}));
    EXPECT_EQ(query.DisplayText(1, query.FieldIndex(u"STime"_qs)), u"2026-11-30 23:00:00");

    // Text in pinyin order (an ping < bai sha < chen jia), stable within one town.
    query.SetSort(u"Town ASC"_qs);
    EXPECT_EQ(Column(town),
              QStringList({u"安平镇"_qs, u"安平镇"_qs, u"白沙镇"_qs, u"白沙镇"_qs, u"陈家镇"_qs}));
    EXPECT_EQ(Column(name),
              QStringList({u"赵敏"_qs, u"张伟"_qs, u"李娜"_qs, u"周强"_qs, u"王芳"_qs}));
    query.SetSort(u"[Name] DESC"_qs); // zhou, zhao, zhang, wang, li
    EXPECT_EQ(Column(name),
              QStringList({u"周强"_qs, u"赵敏"_qs, u"张伟"_qs, u"王芳"_qs, u"李娜"_qs}));
    query.SetSort(u"Town ASC, Score DESC"_qs);
    EXPECT_EQ(Column(name),
              QStringList({u"赵敏"_qs, u"张伟"_qs, u"周强"_qs, u"李娜"_qs, u"王芳"_qs}));

    // An unknown field changes nothing; the empty sort text gives the fetched order back.
    EXPECT_THROW(query.SetSort(u"Nothing DESC"_qs), EDatabaseError);
    EXPECT_EQ(query.Sort(), u"Town ASC, Score DESC");
    EXPECT_EQ(query.FieldValue(name).toString(), current);
    query.SetSort(QString());
    EXPECT_EQ(Column(name),
              QStringList({u"张伟"_qs, u"李娜"_qs, u"王芳"_qs, u"赵敏"_qs, u"周强"_qs}));
    EXPECT_EQ(query.CurrentRow(), 2);

    // Reopening forgets the sort.
    Open(u"select * from score where 1=1  order by STime"_qs);
    EXPECT_TRUE(query.Sort().isEmpty());
}

TEST_P(DatabaseQuery, CursorMovesAndFieldsByNameAndPosition) {
    database->Execute(u"insert into town (name) values ('安平镇'), ('白沙镇'), ('陈家镇')"_qs);
    Open(u"select name,id from town"_qs);
    EXPECT_EQ(query.FieldCount(), 2);
    EXPECT_EQ(query.FieldName(0).toLower(), u"name");
    EXPECT_EQ(query.FieldIndex(u"ID"_qs), 1);
    EXPECT_EQ(query.FieldIndex(u"nothing"_qs), -1);
    query.First();
    QStringList names;
    while (!query.Eof()) {
        names << query.FieldByName(u"NAME"_qs).toString();
        query.Next();
    }
    EXPECT_EQ(names, QStringList({u"安平镇"_qs, u"白沙镇"_qs, u"陈家镇"_qs}));
    EXPECT_THROW(query.FieldValue(0), EDatabaseError); // past the last row
    EXPECT_THROW(query.FieldName(2), EDatabaseError);
    query.Last();
    EXPECT_EQ(query.FieldValue(0).toString(), u"陈家镇");
    EXPECT_GT(query.FieldValue(1).toLongLong(), 0);

    Open(u"select name,id from town where id=0"_qs);
    EXPECT_TRUE(query.IsEmpty());
    EXPECT_TRUE(query.Eof());
    EXPECT_TRUE(query.Bof());
    query.Close();
    EXPECT_THROW(query.Eof(), EDatabaseError);
}

TEST_P(DatabaseQuery, PostInsertsBoundValuesConvertedToTheColumnTypes) {
    Open(u"select * from Score where id=0"_qs);
    ASSERT_EQ(query.FieldCount(), 6);
    const QString hostile = u"'; drop table Score; --"_qs;
    query.Append();
    query.SetFieldText(1, u"O'Brien"_qs);
    query.SetFieldText(2, hostile);
    query.SetFieldText(3, u"张\\伟"_qs);
    query.SetFieldText(4, u" 85 "_qs);
    query.SetFieldText(5, u"2026-12-09 05:01:02"_qs);
    query.Post();
    EXPECT_FALSE(query.Inserting());
    EXPECT_EQ(query.RecordCount(), 1);
    EXPECT_EQ(query.CurrentRow(), 0);

    // A score that is not a number is refused; nothing is inserted and the row stays pending.
    query.Append();
    query.SetFieldText(4, u"八十五"_qs);
    EXPECT_THROW(query.Post(), EDatabaseError);
    ASSERT_EQ(connection.Errors().size(), 1);
    EXPECT_EQ(connection.Errors()[0].Number, DbErrorDataConversion);
    EXPECT_TRUE(query.Inserting());
    query.SetFieldText(4, u"0"_qs);
    query.UpdateBatch(); // writes the pending row
    EXPECT_TRUE(connection.Errors().isEmpty());

    Open(u"select * from Score order by id"_qs);
    ASSERT_EQ(query.RecordCount(), 2);
    EXPECT_GT(query.Value(0, 0).toLongLong(), 0);
    EXPECT_EQ(query.Value(0, 1).toString(), u"O'Brien");
    EXPECT_EQ(query.Value(0, 2).toString(), hostile);
    EXPECT_EQ(query.Value(0, 3).toString(), u"张\\伟");
    EXPECT_EQ(query.Value(0, 4).toLongLong(), 85);
    EXPECT_EQ(query.DisplayText(0, 5), u"2026-12-09 05:01:02");
    EXPECT_EQ(query.Value(1, 4).toLongLong(), 0);
    EXPECT_TRUE(query.Value(1, 1).isNull());

    // A result that is not one table's cannot take new rows.
    Open(u"select count(*) from Score"_qs);
    query.Append();
    EXPECT_THROW(query.Post(), EDatabaseError);
    EXPECT_EQ(connection.Errors()[0].Number, DbErrorNotUpdatable);
    query.Cancel();
    EXPECT_THROW(query.SetFieldText(0, u"1"_qs), EDatabaseError);
}

TEST_P(DatabaseQuery, DatabaseErrorsAreCollectedAndClearedByTheNextOperation) {
    query.SetSQL(u"select * from NoSuchTable"_qs);
    EXPECT_THROW(query.Open(), EDatabaseError);
    ASSERT_EQ(connection.Errors().size(), 1);
    EXPECT_TRUE(connection.Errors()[0].Description.contains(u"nosuchtable", Qt::CaseInsensitive))
        << connection.Errors()[0].Description.toStdString();
    if (GetParam() == Backend::Postgres) {
        EXPECT_EQ(connection.Errors()[0].Number, DbErrorProviderFailure);
        EXPECT_TRUE(connection.Errors()[0].Description.startsWith(u"[42P01]"));
    }
    EXPECT_FALSE(query.Active());

    Open(u"select name,id from town"_qs);
    EXPECT_TRUE(connection.Errors().isEmpty());

    EXPECT_THROW(connection.Execute(u"update NoSuchTable set x=1"_qs), EDatabaseError);
    EXPECT_EQ(connection.Errors().size(), 1);
    EXPECT_EQ(connection.Execute(u"update town set name=name"_qs), 0);
    EXPECT_TRUE(connection.Errors().isEmpty());

    query.Close();
    query.SetSQL(u"update town set name=name"_qs);
    EXPECT_THROW(query.Open(), EDatabaseError);
    EXPECT_EQ(connection.Errors().size(), 1);
}

TEST_P(DatabaseQuery, BooleanLiteralsAndBackslashesInLiterals) {
    // PostgreSQL runs with standard_conforming_strings on, so a backslash in a quoted literal is
    // an ordinary character and the doubled apostrophe is the only escape.
    database->Execute(u"insert into Fac (name, Belong, type) values ('a\\'' or 1=1 --', 'x', "
                      "true), ('b', 'x', false)"_qs);
    Open(u"select name,id from Fac where 1=1 and type=true"_qs);
    ASSERT_EQ(query.RecordCount(), 1);
    EXPECT_EQ(query.Value(0, 0).toString(), u"a\\' or 1=1 --");
    Open(u"select * from Fac where type=false"_qs);
    ASSERT_EQ(query.RecordCount(), 1);
    EXPECT_EQ(query.KindOf(query.FieldIndex(u"type"_qs)), FieldKind::Boolean);
    EXPECT_FALSE(query.FieldByName(u"type"_qs).toBool());
}

INSTANTIATE_TEST_SUITE_P(Backends, DatabaseQuery,
                         ::testing::Values(Backend::Sqlite, Backend::Postgres),
                         [](const auto& info) { return testsupport::BackendName(info.param); });

TEST(DatabaseQuerySqlite, TextsThatAllReadAsNumbersOrDateTimesSortAsSuch) {
    TestDatabase database(Backend::Sqlite);
    database.Execute(u"create table t (n TEXT, d TEXT, mixed)"_qs);
    database.Execute(u"insert into t values ('10', '2026/12/9 5:01:02', 'b'), ('9', "
                     "'2026-12-10 00:00:00', 2), ('100', '2026/1/31 23:59:59', 1.5)"_qs);
    TADOConnection connection;
    connection.SetConnectionString(database.ConnectionString());
    TADOQuery query;
    query.SetConnection(&connection);
    query.SetSQL(u"select * from t"_qs);
    query.Open();
    query.SetSort(u"n ASC"_qs);
    EXPECT_EQ(query.Value(0, 0).toString(), u"9");
    EXPECT_EQ(query.Value(2, 0).toString(), u"100");
    query.SetSort(u"d DESC"_qs);
    EXPECT_EQ(query.Value(0, 1).toString(), u"2026-12-10 00:00:00");
    EXPECT_EQ(query.Value(2, 1).toString(), u"2026/1/31 23:59:59");
    // A column of mixed storage classes is kept as text.
    EXPECT_EQ(query.KindOf(2), FieldKind::Text);
    EXPECT_EQ(query.Value(0, 2).toString(), u"2");
    EXPECT_EQ(query.Value(2, 2).toString(), u"1.5");
}
