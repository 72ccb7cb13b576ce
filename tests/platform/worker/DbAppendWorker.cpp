// Appends score rows the way exam does, one select, append and post per row:
//   db_append_worker CONNECTION-STRING WORKER-NUMBER ROWS
// Exits with 0 when every row was posted.
#include "platform/DatabaseQuery.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: db_append_worker CONNECTION-STRING WORKER ROWS\n");
        return 2;
    }
    platform::TADOConnection connection;
    connection.SetConnectionString(QString::fromUtf8(argv[1]));
    platform::TADOQuery query;
    query.SetConnection(&connection);
    const QString worker = QString::fromUtf8(argv[2]);
    const int rows = QString::fromUtf8(argv[3]).toInt();
    try {
        for (int row = 0; row < rows; ++row) {
            query.Close();
            query.SetSQL(QStringLiteral("select * from Score where id=0"));
            query.Open();
            query.Append();
            query.SetFieldText(1, QStringLiteral("镇") + worker);
            query.SetFieldText(2, QStringLiteral("单位") + worker);
            query.SetFieldText(3, QStringLiteral("考生%1-%2").arg(worker).arg(row));
            query.SetFieldText(4, QString::number(row % 101));
            query.SetFieldText(5, QStringLiteral("2026-12-09 08:00:00"));
            query.Post();
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "worker %s: %s\n", argv[2], error.what());
        return 1;
    }
    return 0;
}
