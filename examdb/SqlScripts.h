#pragma once

#include <QString>
#include <QStringList>
#include <vector>

namespace examdb {

enum class Dialect { Sqlite, Postgresql, SqlServer };

// One statement of a table script with the table it belongs to (the table it creates, the table
// an index is built on, or the table a constraint is added to) and, for ALTER TABLE ... ADD
// CONSTRAINT, the constraint's name.
struct TableStatement {
    QString table;
    QString sql;
    QString constraint;
};

// Every table of the suite, in the order they are created.
const QStringList& SuiteTables();

// The statements that create the suite's tables in a dialect: the score tables, the attempt
// records, then the sittings, as the scripts embedded from demo/sql give them.
std::vector<TableStatement> TableStatements(Dialect dialect);

// The scripts as they are, for printing or running whole.
QString TableScripts(Dialect dialect);
QString RolesScript();
QString DemoDataScript();

// Splits a script at the semicolons that end a line, leaving out comment lines.
QStringList SplitStatements(const QString& script);

} // namespace examdb
