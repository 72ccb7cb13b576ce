#include "common/FuncUnit.h"
#include "tests/support/PgServer.h"
#include "ui/MessageBox.h"

#include <gtest/gtest.h>

using platform::TADOConnection;
using platform::TADOQuery;
using testsupport::Backend;
using testsupport::TestDatabase;

namespace {

// The statements the programs run on the tables, with user text quoted by FuncUnit.
QString UnitListSql(const QString& town, bool village) {
    QString sql = u"select name,id from Fac where 1=1"_qs;
    if (!town.isEmpty())
        sql += u" and Belong="_qs + SqlQuote(town);
    return sql + (village ? u" and type=true"_qs : u" and type=false"_qs);
}

QString ScoreSearchSql(const QString& unitText) {
    QString sql = u"select * from score where 1=1 "_qs;
    if (!unitText.isEmpty())
        sql += u" and Fac like "_qs + SqlLikeQuote(unitText);
    return sql + u" order by STime"_qs;
}

class Tables : public ::testing::TestWithParam<Backend> {
protected:
    void SetUp() override {
        database = std::make_unique<TestDatabase>(GetParam());
        database->Execute(
            u"insert into town (name) values ('安平镇'), ('O''Brien乡'), ('白沙镇');\n"
            "insert into Fac (name, Belong, type) values ('安平镇中心小学', '安平镇', false),\n"
            "('安平村', '安平镇', true), ('O''Brien村', 'O''Brien乡', true),\n"
            "('O''Brien乡卫生院', 'O''Brien乡', false), ('白沙村', ' 白沙镇', true),\n"
            "('白沙镇农技站', '白沙镇', false);\n"
            "insert into Score (Town, Fac, Name, Score, STime) values\n"
            "('安平镇', '安平镇中心小学', '张伟', 85, '2026-12-09 09:00:00'),\n"
            "('O''Brien乡', 'O''Brien村', '李娜', 90, '2026-12-09 08:00:00'),\n"
            "('白沙镇', '白沙镇农技站', '王芳', 70, '2026-12-08 10:00:00'),\n"
            "('白沙镇', '白沙_农技站', '赵敏', 60, '2026-12-10 10:00:00'),\n"
            "('白沙镇', '白沙50%站', '周强', 50, '2026-12-07 10:00:00')"_qs);
        connection.SetConnectionString(database->ConnectionString());
        query.SetConnection(&connection);
    }

    QStringList Names(const QString& sql, int field = 0) {
        EXPECT_TRUE(OpenQuery(query, sql, true)) << sql.toStdString();
        QStringList names;
        if (!query.Active())
            return names;
        for (query.First(); !query.Eof(); query.Next())
            names << query.FieldValue(field).toString();
        return names;
    }

    ui::ScriptedMessageBoxes boxes;
    std::unique_ptr<TestDatabase> database;
    TADOConnection connection;
    TADOQuery query;
};

} // namespace

TEST_P(Tables, TownAndUnitListsFilterByTownNameAndKind) {
    EXPECT_EQ(Names(u"select name,id from town"_qs),
              QStringList({u"安平镇"_qs, u"O'Brien乡"_qs, u"白沙镇"_qs}));
    EXPECT_EQ(Names(UnitListSql(u"安平镇"_qs, false)), QStringList({u"安平镇中心小学"_qs}));
    EXPECT_EQ(Names(UnitListSql(u"安平镇"_qs, true)), QStringList({u"安平村"_qs}));
    // The apostrophe is doubled, so the town still finds its units.
    EXPECT_EQ(Names(UnitListSql(u"O'Brien乡"_qs, true)), QStringList({u"O'Brien村"_qs}));
    EXPECT_EQ(Names(UnitListSql(u"O'Brien乡"_qs, false)), QStringList({u"O'Brien乡卫生院"_qs}));
    // A Belong written differently from the town's name is not found by that town...
    EXPECT_EQ(Names(UnitListSql(u"白沙镇"_qs, true)), QStringList());
    // ...but is when no town is chosen.
    EXPECT_EQ(Names(UnitListSql(QString(), true)).size(), 3);
    EXPECT_TRUE(Names(UnitListSql(QString(), true)).contains(u"白沙村"));
    EXPECT_TRUE(boxes.shown().empty());
}

TEST_P(Tables, HostileTextStaysInsideItsLiteral) {
    for (const QString& hostile :
         {u"'; drop table Score; --"_qs, u"x' or '1'='1"_qs, u"\\'; delete from town; --"_qs}) {
        EXPECT_EQ(Names(UnitListSql(hostile, false)), QStringList()) << hostile.toStdString();
        EXPECT_EQ(Names(ScoreSearchSql(hostile)), QStringList()) << hostile.toStdString();
    }
    EXPECT_EQ(Names(u"select name,id from town"_qs).size(), 3);
    EXPECT_EQ(Names(ScoreSearchSql(QString())).size(), 5);
    EXPECT_TRUE(boxes.shown().empty());
}

TEST_P(Tables, ScoreSearchMatchesAnywhereWithLikeWildcards) {
    const int name = 3;
    EXPECT_EQ(ScoreSearchSql(QString()), u"select * from score where 1=1  order by STime");
    // In STime order.
    EXPECT_EQ(Names(ScoreSearchSql(QString()), name),
              QStringList({u"周强"_qs, u"王芳"_qs, u"李娜"_qs, u"张伟"_qs, u"赵敏"_qs}));
    EXPECT_EQ(Names(ScoreSearchSql(u"农技"_qs), name), QStringList({u"王芳"_qs, u"赵敏"_qs}));
    EXPECT_EQ(Names(ScoreSearchSql(u"O'Brien"_qs), name), QStringList({u"李娜"_qs}));
    // The underscore matches any one character, the percent sign any run.
    EXPECT_EQ(Names(ScoreSearchSql(u"白沙_农"_qs), name), QStringList({u"王芳"_qs, u"赵敏"_qs}));
    EXPECT_EQ(Names(ScoreSearchSql(u"白沙%站"_qs), name),
              QStringList({u"周强"_qs, u"王芳"_qs, u"赵敏"_qs}));
    EXPECT_TRUE(boxes.shown().empty());
}

TEST_P(Tables, MissingTableIsShownInTheErrorBox) {
    EXPECT_FALSE(OpenQuery(query, u"select * from scores where 1=1  order by STime"_qs, true));
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].caption, u"错误");
    EXPECT_TRUE(boxes.shown()[0].text.contains(u"scores"));
    EXPECT_THROW(query.RecordCount(), platform::EDatabaseError);
}

INSTANTIATE_TEST_SUITE_P(Backends, Tables, ::testing::Values(Backend::Sqlite, Backend::Postgres),
                         [](const auto& info) { return testsupport::BackendName(info.param); });
