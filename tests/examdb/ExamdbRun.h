#pragma once

#include "examdb/CommandLine.h"
#include "platform/DatabaseConnection.h"

#include <QSqlQuery>
#include <QTextStream>
#include <gtest/gtest.h>

// examdb run in the test's process, and what it said.
namespace examdbtest {

struct Outcome {
    int code = 0;
    QString out;
    QString err;
};

inline Outcome Examdb(const QStringList& arguments) {
    Outcome outcome;
    QTextStream out(&outcome.out);
    QTextStream err(&outcome.err);
    outcome.code =
        examdb::RunCommandLine(arguments, out, err, [](const QString&) { return QString(); });
    return outcome;
}

// One value of a query on the database, as text.
inline QString ValueOf(const QString& connectionString, const QString& sql) {
    platform::TADOConnection connection;
    connection.SetConnectionString(connectionString);
    EXPECT_TRUE(connection.Open());
    QSqlQuery query(connection.Database());
    EXPECT_TRUE(query.exec(sql)) << sql.toStdString();
    return query.next() ? query.value(0).toString() : u"(no row)"_qs;
}

// The first lines of what examdb said are faults of the file at rows first, first + 1, ...
inline void ExpectFaultsAtRows(const Outcome& outcome, const QString& file, int first, int count) {
    EXPECT_EQ(outcome.code, 1);
    const QStringList lines = outcome.err.split(u'\n');
    ASSERT_GE(lines.size(), count) << outcome.err.toStdString();
    for (int i = 0; i < count; ++i)
        EXPECT_TRUE(lines[i].startsWith(file + u':' + QString::number(first + i) + u": "_qs))
            << lines[i].toStdString();
}

inline qint64 Count(const QString& connectionString, const QString& table) {
    return ValueOf(connectionString, u"select count(*) from "_qs + table).toLongLong();
}

} // namespace examdbtest
