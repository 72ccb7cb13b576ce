#include "platform/DatabaseQuery.h"
#include "tests/support/PgServer.h"

#include <QProcess>
#include <QSet>
#include <gtest/gtest.h>

using namespace platform;
using testsupport::Backend;
using testsupport::TestDatabase;

namespace {

class ConcurrentAppends : public ::testing::TestWithParam<Backend> {};

constexpr int Workers = 8;
constexpr int RowsPerWorker = 500;

} // namespace

// Eight exam desks hand in at the same moment: every row arrives, none twice.
TEST_P(ConcurrentAppends, EightProcessesLoseNoRow) {
    TestDatabase database(GetParam());
    std::vector<std::unique_ptr<QProcess>> workers;
    for (int worker = 0; worker < Workers; ++worker) {
        auto process = std::make_unique<QProcess>();
        process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process->start(
            QStringLiteral(DB_APPEND_WORKER),
            {database.ConnectionString(), QString::number(worker), QString::number(RowsPerWorker)});
        workers.push_back(std::move(process));
    }
    for (auto& process : workers) {
        ASSERT_TRUE(process->waitForFinished(240000));
        EXPECT_EQ(process->exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(process->exitCode(), 0);
    }

    TADOConnection connection;
    connection.SetConnectionString(database.ConnectionString());
    TADOQuery query;
    query.SetConnection(&connection);
    query.SetSQL(QStringLiteral("select * from Score order by id"));
    query.Open();
    ASSERT_EQ(query.RecordCount(), Workers * RowsPerWorker);
    QSet<QString> names;
    QSet<qlonglong> ids;
    for (int row = 0; row < query.RecordCount(); ++row) {
        const QString name = query.Value(row, 3).toString();
        const QString worker = name.section(u'-', 0, 0).mid(2);
        const int index = name.section(u'-', 1).toInt();
        EXPECT_EQ(query.Value(row, 1).toString(), QStringLiteral("镇") + worker);
        EXPECT_EQ(query.Value(row, 2).toString(), QStringLiteral("单位") + worker);
        EXPECT_EQ(query.Value(row, 4).toLongLong(), index % 101);
        names.insert(name);
        ids.insert(query.Value(row, 0).toLongLong());
    }
    EXPECT_EQ(names.size(), Workers * RowsPerWorker);
    EXPECT_EQ(ids.size(), Workers * RowsPerWorker);
    EXPECT_FALSE(ids.contains(0));
}

INSTANTIATE_TEST_SUITE_P(Backends, ConcurrentAppends,
                         ::testing::Values(Backend::Sqlite, Backend::Postgres),
                         [](const auto& info) { return testsupport::BackendName(info.param); });
