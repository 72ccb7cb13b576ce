#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <string_view>

// A statement and the values bound to its "?" in order.
struct BoundStatement {
    QString sql;
    QVariantList values;
};

// Whether the connection goes through ODBC (SQL Server), whose statements differ.
bool IsOdbc(const QSqlDatabase& database);

// A local time "yyyy-MM-dd HH:mm:ss" bound for a timestamp column: as text, which reaches the
// column unchanged, and as a date-time for ODBC, which takes one itself; empty gives a null.
QVariant TimeValue(const QSqlDatabase& database, std::string_view text);

// "(?, ?, ?)" with count marks.
QString Placeholders(qsizetype count);

// The insert of one row into the table unless a row with its key (the first column) is there,
// in the dialect of the database's driver. It answers a row holding 1 when it wrote the row;
// when the key was there, SQL Server's batch answers 0 and the other databases no row.
BoundStatement InsertUnlessThere(const QSqlDatabase& database, const QString& table,
                                 const QStringList& columns, const QVariantList& values);
