#pragma once

#include "examdb/Database.h"
#include "sheets/Table.h"

#include <QSet>
#include <optional>
#include <vector>

namespace examdb {

// Column titles and kind names of a towns-and-units file.
inline const QString TownColumn = QStringLiteral("乡镇");
inline const QString UnitColumn = QStringLiteral("单位");
inline const QString KindColumn = QStringLiteral("类型");
inline const QString InstitutionKind = QStringLiteral("事业单位");
inline const QString VillageKind = QStringLiteral("行政村");

// One row of the file. A row with a town and neither unit nor kind names only the town.
struct UnitRow {
    int row = 0;
    QString town;
    QString unit;
    bool village = false;
};

struct UnitsFile {
    std::vector<UnitRow> rows;
    std::vector<sheets::Fault> faults;
};

// Reads an .xlsx (its first sheet) or a CSV file (UTF-8 or GBK) whose first row holds the
// columns 乡镇, 单位 and 类型 in any order, and checks every row on its own and against the
// rows before it. Throws Failure for a file that cannot be read or lacks a column.
UnitsFile ReadUnitsFile(const QString& file);

struct ImportResult {
    std::vector<sheets::Fault> faults; // nothing was written when there are any
    int townsAdded = 0;
    int unitsAdded = 0;
};

// Adds the towns and units of the file that the database lacks, in one transaction; a unit that
// the database already holds under another town or kind is a fault of its row.
ImportResult ImportUnits(Database& database, const QString& file);

// Every unit of Fac as "town/unit", the form in which files and options name one.
QSet<QString> UnitPaths(Database& database);

// Writes every town and unit in the same form (a town without units on a row of its own), as
// .xlsx or, for any other name, CSV in UTF-8; returns the number of rows written.
int ExportUnits(Database& database, const QString& file);

} // namespace examdb
