#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariant>

// A statement and the values bound to its "?" in order.
struct BoundStatement {
    QString sql;
    QVariantList values;
};

// "(?, ?, ?)" with count marks.
QString Placeholders(qsizetype count);

// The insert of one row into the table unless a row with its key (the first column) is there,
// in the dialect of the database's driver. It answers a row holding 1 when it wrote the row;
// when the key was there, SQL Server's batch answers 0 and the other databases no row.
BoundStatement InsertUnlessThere(const QSqlDatabase& database, const QString& table,
                                 const QStringList& columns, const QVariantList& values);
