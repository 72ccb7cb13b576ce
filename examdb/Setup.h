#pragma once

#include "examdb/Database.h"

namespace examdb {

// Creates an empty SQLite file for a connection string that names one that is not there yet,
// so that init can start from nothing. Throws Failure when it cannot.
void CreateSqliteFileIfMissing(const QString& connectionString);

// Creates the suite's tables that are not there and returns their names. Unless missingOnly,
// refuses (Failure) when any of them is there already, and then creates nothing.
QStringList CreateTables(Database& database, bool missingOnly);

// Runs the roles script of PostgreSQL (the desk's and the administrator's accounts with their
// rights) and sets both passwords. Throws Failure on another database or an empty password.
void CreateRoles(Database& database, const QString& deskPassword, const QString& adminPassword);

} // namespace examdb
