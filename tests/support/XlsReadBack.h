#pragma once

#include <QJsonArray>
#include <filesystem>

namespace testsupport {

// Every sheet of an .xls workbook as an independent reader (python3-xlrd) sees it: one array per
// sheet, one array per row, each cell a number, a string, or null for an empty cell. A reader
// that fails fails the running test and gives an empty array.
QJsonArray ReadXlsSheets(const std::filesystem::path& workbook);

// The rows of every sheet, one after another.
QJsonArray ReadXlsRows(const std::filesystem::path& workbook);

} // namespace testsupport
