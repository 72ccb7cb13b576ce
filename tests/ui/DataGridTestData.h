#pragma once

#include "platform/DatabaseConnection.h"
#include "platform/DatabaseQuery.h"
#include "tests/support/PgServer.h"
#include "ui/DataGrid.h"

#include <QString>

namespace gridtest {

// A SQLite database with the suite's tables in a temporary folder, and a query on it.
struct ScoreData {
    testsupport::TestDatabase database{testsupport::Backend::Sqlite};
    platform::TADOConnection connection;
    platform::TADOQuery query;

    ScoreData() {
        connection.SetConnectionString(database.ConnectionString());
        query.SetConnection(&connection);
    }

    void Open(const QString& sql) {
        query.Close();
        query.SetSQL(sql);
        query.Open();
    }

    // Rows 1..count: Name "考生<i>", Score i % 7 (null for every fifth), STime one minute apart.
    void InsertScores(int count) {
        database.Execute(
            QStringLiteral(
                "insert into Score (Town, Fac, Name, Score, STime) "
                "with recursive n(i) as (select 1 union all select i + 1 from n where i < %1) "
                "select '安平镇', '单位' || (i % 3), '考生' || i, "
                "case when i % 5 = 0 then null else i % 7 end, "
                "datetime('2026-12-09 08:00:00', '+' || i || ' minutes') from n")
                .arg(count));
    }
};

// A grid column bound to a field, with its title and display format.
inline ui::GridColumn Column(const QString& field, const QString& title,
                             const QString& format = {}) {
    ui::GridColumn column;
    column.fieldName = field;
    column.title = title;
    column.displayFormat = format;
    return column;
}

} // namespace gridtest
