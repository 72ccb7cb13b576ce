#pragma once

#include "platform/RuntimeErrors.h"

#include <QString>
#include <QStringList>
#include <string>
#include <vector>

// Tables from outside files (spreadsheets, CSV), the places of their faults, and the reading and
// writing of the files themselves.

namespace sheets {

// A place in a file: the file as named, and the row a spreadsheet program shows (the title row
// being 1) or the 1-based line of a text file; 0 when the fault concerns the whole file.
struct Place {
    QString file;
    int row = 0;
};

struct Fault {
    Place place;
    QString message;
};

// "FILE:ROW: message", as compilers report, so that editors can jump to the place.
QString FaultLine(const Fault& fault);

// A file that cannot be read at all: not a file of its kind, damaged, not text, or a table
// without the columns it needs. The row is 0 when the fault has no row of its own.
class SheetError final : public platform::Exception {
public:
    explicit SheetError(const QString& message, int row = 0)
        : Exception(message.toStdString()), row(row) {}
    QString message() const { return QString::fromUtf8(what()); }
    int row;
};

// A sheet of a spreadsheet or a CSV file: its rows with the number a spreadsheet program shows,
// their cells by column from 0. Rows without any cell may be left out.
struct TableRow {
    int number = 0;
    QStringList cells;
};

struct Table {
    QString name;
    std::vector<TableRow> rows;
};

// The bytes of a text file as text: UTF-8 with or without byte-order mark, or else GBK. Throws
// SheetError for a file that is not text or is neither.
QString DecodeText(const std::string& bytes);

// The bytes of a file; throws SheetError when it cannot be read.
std::string ReadFileBytes(const QString& file);

// Replaces the file with the bytes in one step, so that it is either the old file or the whole
// new one; throws SheetError when it cannot.
void ReplaceFile(const QString& file, const std::string& bytes);

} // namespace sheets
