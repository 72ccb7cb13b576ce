#include "exam/AttemptTables.h"

#include "platform/DatabaseConnection.h"
#include "tests/support/PgServer.h"

#include <QSqlQuery>
#include <gtest/gtest.h>

using namespace attempttables;

namespace {

// No SQL Server runs here: its statements are checked as text, on an ODBC connection never opened.
TEST(AttemptTables, SqlServerLooksUpTheKeyInTheBatchAndBindsEveryAnswer) {
    const QSqlDatabase odbc = QSqlDatabase::addDatabase(u"QODBC"_qs, u"statement-text"_qs);
    const BoundStatement paper =
        InsertUnlessThere(odbc, u"Paper"_qs, {u"Sha256"_qs, u"Title"_qs}, {u"ab"_qs, u"试卷"_qs});
    EXPECT_EQ(paper.sql, u"SET NOCOUNT ON; IF NOT EXISTS (SELECT 1 FROM Paper WITH (UPDLOCK, "
                         u"HOLDLOCK) WHERE Sha256 = ?) BEGIN INSERT INTO Paper (Sha256, Title) "
                         u"VALUES (?, ?); SELECT 1; END ELSE SELECT 0;");
    EXPECT_EQ(paper.values, (QVariantList{u"ab"_qs, u"ab"_qs, u"试卷"_qs}));

    const RecordedAnswer answers[] = {{0, "A\\", 10, 10}, {1, "甲", 0, 5}};
    const BoundStatement rows = AnswersInsert(odbc, "t", answers);
    EXPECT_EQ(rows.sql, u"INSERT INTO AttemptAnswer (Token, Question, Answer, Marks, FullMarks) "
                        u"VALUES (?, ?, ?, ?, ?), (?, ?, ?, ?, ?)");
    EXPECT_EQ(rows.values,
              (QVariantList{u"t"_qs, 0, u"A\\"_qs, 10, 10, u"t"_qs, 1, u"甲"_qs, 0, 5}));
}

enum class Server { Sqlite, Postgres, PostgresWithBackslashEscapes };

class AnswerTexts : public ::testing::TestWithParam<Server> {};

// 1001 answers (two statements) with a backslash, the 28th option letter, apostrophes and
// letters past U+007F, also on a database whose default reads a backslash as an escape.
TEST_P(AnswerTexts, ReadBackAsWrittenAndTheTokenOnlyOnce) {
    const testsupport::TestDatabase database(GetParam() == Server::Sqlite
                                                 ? testsupport::Backend::Sqlite
                                                 : testsupport::Backend::Postgres);
    if (GetParam() == Server::PostgresWithBackslashEscapes)
        database.Execute(u"DO $$BEGIN EXECUTE format('ALTER DATABASE %I SET "
                         u"standard_conforming_strings = off', current_database()); END$$"_qs);
    AttemptRecord attempt;
    attempt.token = "t";
    attempt.row.score = "10";
    attempt.ending = RunEnding::HandIn;
    attempt.paperSha256 = "a";
    const std::string texts[] = {"\\", "AB\\", "C'\\'", "甲乙 丙", "é\\n", ""};
    for (int i = 0; i < 1001; ++i)
        attempt.answers.push_back({i, texts[i % 6], i % 3, 5});

    platform::TADOConnection connection;
    connection.SetConnectionString(database.ConnectionString());
    ASSERT_TRUE(connection.Open());
    EXPECT_TRUE(InsertAttempt(connection, attempt));
    EXPECT_FALSE(InsertAttempt(connection, attempt));
    InsertAnswers(connection, attempt);
    QSqlQuery query(u"select Question, Answer, Marks, FullMarks from AttemptAnswer order by "
                    u"Question"_qs,
                    connection.Database());
    std::vector<RecordedAnswer> read;
    while (query.next())
        read.push_back({query.value(0).toInt(), query.value(1).toString().toStdString(),
                        query.value(2).toInt(), query.value(3).toInt()});
    EXPECT_EQ(read, attempt.answers);
}

INSTANTIATE_TEST_SUITE_P(Servers, AnswerTexts,
                         ::testing::Values(Server::Sqlite, Server::Postgres,
                                           Server::PostgresWithBackslashEscapes),
                         [](const auto& info) {
                             return std::string(info.param == Server::Sqlite     ? "Sqlite"
                                                : info.param == Server::Postgres ? "Postgres"
                                                                                 : "Escapes");
                         });

} // namespace
