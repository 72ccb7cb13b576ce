#include "platform/ConnectionString.h"

#include "platform/DatabaseConnection.h"
#include "platform/DatabaseQuery.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace platform;

TEST(ConnectionString, SqlServerProvidersGoToFreeTdsThroughOdbc) {
    const QString defaultString = u"Provider=SQLOLEDB.1;Persist Security Info=False;User "
                                  "ID=sa;Initial Catalog=korvend;Data Source=."_qs;
    const ConnectionTarget target = TranslateConnectionString(defaultString, u"/opt/exam"_qs);
    EXPECT_EQ(target.driver, u"QODBC");
    EXPECT_EQ(target.databaseName,
              u"DRIVER={FreeTDS};SERVER=127.0.0.1;PORT=1433;DATABASE=korvend;UID=sa;"
              "ClientCharset=UTF-8");

    const auto odbc = [](const QString& text) {
        return TranslateConnectionString(text, {}).databaseName;
    };
    EXPECT_EQ(odbc(u"Provider=SQLNCLI11;Data Source=db.county.local,1450;Initial Catalog=exam;"
                   "User ID=clerk;Password=\"pa;ss\""_qs),
              u"DRIVER={FreeTDS};SERVER=db.county.local;PORT=1450;DATABASE=exam;UID=clerk;"
              "PWD={pa;ss};ClientCharset=UTF-8");
    EXPECT_EQ(
        odbc(u"provider=MSOLEDBSQL;data source=(local)\\SQLEXPRESS;user id=sa;password=a}b"_qs),
        u"DRIVER={FreeTDS};SERVER=127.0.0.1\\SQLEXPRESS;UID=sa;PWD={a}}b};"
        "ClientCharset=UTF-8");
    EXPECT_EQ(odbc(u"Provider=SQLOLEDB;Data Source=tcp:10.1.2.3, 1433"_qs),
              u"DRIVER={FreeTDS};SERVER=10.1.2.3;PORT=1433;ClientCharset=UTF-8");
}

TEST(ConnectionString, SqlitePostgresOdbcAndUnknownProviders) {
    ConnectionTarget sqlite =
        TranslateConnectionString(u"Provider=SQLite;Data Source=korvend.db"_qs, u"/opt/exam/"_qs);
    EXPECT_EQ(sqlite.driver, u"QSQLITE");
    EXPECT_EQ(sqlite.databaseName, u"/opt/exam/korvend.db");
    sqlite = TranslateConnectionString(u"Provider=sqlite; Data Source = '/srv/考试 数据.db' "_qs,
                                       u"/opt/exam/"_qs);
    EXPECT_EQ(sqlite.databaseName, u"/srv/考试 数据.db");

    const ConnectionTarget pg = TranslateConnectionString(
        u"Provider=PostgreSQL;Data Source=db.county:5433;Initial Catalog=korvend;User ID=exam;"
        "Password='it''s'"_qs,
        {});
    EXPECT_EQ(pg.driver, u"QPSQL");
    EXPECT_EQ(pg.hostName, u"db.county");
    EXPECT_EQ(pg.port, 5433);
    EXPECT_EQ(pg.databaseName, u"korvend");
    EXPECT_EQ(pg.userName, u"exam");
    EXPECT_EQ(pg.password, u"it's");
    EXPECT_EQ(TranslateConnectionString(u"Provider=PostgreSQL;Data Source=."_qs, {}).hostName,
              u"127.0.0.1");

    const QString dsn = u"DSN=county;UID=sa;PWD=x"_qs;
    EXPECT_EQ(TranslateConnectionString(dsn, {}).driver, u"QODBC");
    EXPECT_EQ(TranslateConnectionString(dsn, {}).databaseName, dsn);
    EXPECT_EQ(TranslateConnectionString(u"Provider=MSDASQL.1;Driver={FreeTDS};Server=h"_qs, {})
                  .databaseName,
              u"Driver={FreeTDS};Server=h");

    const ConnectionTarget unknown =
        TranslateConnectionString(u"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=x.mdb"_qs, {});
    EXPECT_TRUE(unknown.driver.isEmpty());
    EXPECT_EQ(unknown.provider, u"Microsoft.Jet.OLEDB.4.0");
}

TEST(ConnectionString, MaskPasswordsHidesEveryFormOfPasswordValue) {
    EXPECT_EQ(MaskPasswords(u"User ID=a;password = \"s;e\"\"c\";PWD='it''s';PWD={a;}}b};x=1"_qs),
              u"User ID=a;password = ***;PWD=***;PWD=***;x=1"_qs);
    EXPECT_EQ(MaskPasswords(u"：\nPassword=se cret\n下一行 PasswordPolicy"_qs),
              u"：\nPassword=***\n下一行 PasswordPolicy"_qs);
}

TEST(DatabaseConnection, EveryFailureToOpenLeavesAnError) {
    TADOConnection connection;
    connection.SetConnectionString(u"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=x.mdb"_qs);
    EXPECT_FALSE(connection.Open());
    ASSERT_EQ(connection.Errors().size(), 1);
    EXPECT_EQ(connection.Errors()[0].Number, DbErrorProviderNotFound);
    EXPECT_TRUE(connection.Errors()[0].Description.contains(u"Microsoft.Jet.OLEDB.4.0"));

    TADOQuery query;
    query.SetConnection(&connection);
    query.SetSQL(u"select name,id from town"_qs);
    EXPECT_THROW(query.Open(), EDatabaseError);
    EXPECT_FALSE(query.Active());
    EXPECT_EQ(connection.Errors().size(), 1); // cleared when the query started, then one again
    EXPECT_THROW(query.RecordCount(), EDatabaseError);
    EXPECT_THROW(query.First(), EDatabaseError);
    EXPECT_THROW(connection.Execute(u"update town set name='x'"_qs), EDatabaseError);

    connection.SetConnectionString(u"Provider=SQLite;Data Source=/nonexistent/korvend.db"_qs);
    EXPECT_FALSE(connection.Open());
    ASSERT_EQ(connection.Errors().size(), 1);
    EXPECT_TRUE(connection.Errors()[0].Description.contains(u"/nonexistent/korvend.db"));
}

TEST(DatabaseConnection, FreeTdsReportsAnUnreachableServer) {
    QFile registry(u"/etc/odbcinst.ini"_qs);
    ASSERT_TRUE(registry.open(QIODevice::ReadOnly)) << "unixODBC's driver registry is missing";
    ASSERT_TRUE(registry.readAll().contains("[FreeTDS]")) << "tdsodbc has not registered FreeTDS";

    TADOConnection connection;
    // Nobody listens on port 1 of the loopback address, so the connection is refused at once.
    connection.SetConnectionString(
        u"Provider=SQLOLEDB.1;Persist Security Info=False;User "
        "ID=sa;Password=x;Initial Catalog=korvend;Data Source=127.0.0.1,1"_qs);
    EXPECT_FALSE(connection.Open());
    ASSERT_FALSE(connection.Errors().isEmpty());
    const QString text = connection.ErrorText();
    EXPECT_TRUE(text.contains(u"[FreeTDS]") && text.contains(u"Unable to connect"))
        << text.toStdString();
    EXPECT_EQ(connection.Errors()[0].Number, 20009); // FreeTDS: server unavailable
    EXPECT_FALSE(connection.Connected());
}
