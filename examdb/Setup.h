#pragma once

#include "examdb/Database.h"

namespace examdb {

// Creates an empty SQLite file for a connection string that names one that is not there yet,
// so that init can start from nothing. Throws Failure when it cannot.
void CreateSqliteFileIfMissing(const QString& connectionString);

struct TablesSetUp {
    QStringList created;          // the tables created
    QStringList constraintsAdded; // the constraints added to tables that were there
    QStringList refused;          // why a constraint could not be added, one message each

    // What was done, in a few words.
    QString Summary() const;
};

// Creates the suite's tables that are not there, in one transaction, and adds to the tables that
// were there the constraints they lack. A constraint that rows already there break is left out
// and said why, naming those rows where it can. Unless missingOnly, refuses (Failure) when any
// of the tables is there already, and then changes nothing.
TablesSetUp CreateTables(Database& database, bool missingOnly);

// Runs the roles script of PostgreSQL (the desk's and the administrator's accounts with their
// rights) and sets both passwords. Throws Failure on another database or an empty password.
// Answers the suite's tables that are absent (those of sittings in a database made before
// them), which get no rights.
QStringList CreateRoles(Database& database, const QString& deskPassword,
                        const QString& adminPassword);

} // namespace examdb
