#pragma once

#include "examdb/Database.h"

#include <QStringList>

namespace examdb {

// A sitting as the command line gives it: times "yyyy-MM-dd HH:mm", units "乡镇/单位", towns
// admitted whole, and the paper files to publish.
struct SittingRequest {
    QString title;
    QString opens;
    QString closes;
    QString passMark; // empty: none
    QStringList units;
    QStringList towns;
    QStringList papers;
};

// Checks the whole request (every fault on a line of its own, papers as "FILE: message") and
// stores the sitting with its papers; returns its Id. Throws Failure, having written nothing,
// while any fault stands.
long long PublishSitting(Database& database, const SittingRequest& request);

// Every sitting with its window, status, pass mark, papers and units: a title line, then one
// line per sitting, the fields apart by tabs.
QString SittingList(Database& database);

// Ends the sitting now by the database's clock, unless it has ended already; says which.
// Throws Failure when there is no such sitting.
QString CloseSittingNow(Database& database, const QString& id);

// Writes the sitting's figures per unit with the 合计 row, or its absentees, as .xlsx or CSV;
// returns the number of data rows.
int WriteSittingReport(Database& database, const QString& id, const QString& file);
int WriteSittingAbsentees(Database& database, const QString& id, const QString& file);

} // namespace examdb
