#pragma once

#include "examdb/Database.h"
#include "sheets/Table.h"

#include <vector>

namespace examdb {

struct RosterImport {
    std::vector<sheets::Fault> faults; // nothing was written when there are any
    int added = 0;
    int removed = 0;
};

// Reads an .xlsx (its first sheet) or CSV file (UTF-8 or GBK) with the columns 乡镇, 单位 and
// 姓名 in any order, and adds the people the roster lacks, in one transaction. With replace, the
// file becomes the whole roster of the units it names. A row with an empty name, a unit that is
// not in Fac under its town, or a person named on an earlier row is a fault of its row. Throws
// Failure for a file that cannot be read or lacks a column.
RosterImport ImportRoster(Database& database, const QString& file, bool replace);

// Writes the roster in the same columns, by town, unit and name; returns the number of people.
int ExportRoster(Database& database, const QString& file);

} // namespace examdb
