#include "exam/AttemptTables.h"

#include <gtest/gtest.h>

using namespace attempttables;

namespace {

// No SQL Server runs here: its statements are checked as text, on an ODBC connection never opened.
TEST(AttemptTables, SqlServerLooksUpTheKeyInTheBatch) {
    const QSqlDatabase odbc = QSqlDatabase::addDatabase(u"QODBC"_qs, u"statement-text"_qs);
    const Statement paper =
        InsertUnlessThere(odbc, u"Paper"_qs, {u"Sha256"_qs, u"Title"_qs}, {u"ab"_qs, u"试卷"_qs});
    EXPECT_EQ(paper.sql, u"SET NOCOUNT ON; IF NOT EXISTS (SELECT 1 FROM Paper WITH (UPDLOCK, "
                         u"HOLDLOCK) WHERE Sha256 = ?) BEGIN INSERT INTO Paper (Sha256, Title) "
                         u"VALUES (?, ?); SELECT 1; END ELSE SELECT 0;");
    EXPECT_EQ(paper.values, (QVariantList{u"ab"_qs, u"ab"_qs, u"试卷"_qs}));
}

} // namespace
