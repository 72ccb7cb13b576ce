#include "tests/support/XlsReadBack.h"

#include <QJsonDocument>
#include <QJsonValue>
#include <QProcess>
#include <QString>
#include <gtest/gtest.h>

namespace testsupport {

namespace {

const char* const ReaderScript = R"(import json, sys, xlrd
book = xlrd.open_workbook(sys.argv[1])
sheets = []
for sheet in book.sheets():
    rows = []
    for r in range(sheet.nrows):
        row = []
        for cell in sheet.row(r):
            if cell.ctype in (xlrd.XL_CELL_NUMBER, xlrd.XL_CELL_TEXT):
                row.append(cell.value)
            else:
                row.append(None)
        rows.append(row)
    sheets.append(rows)
json.dump(sheets, sys.stdout, ensure_ascii=False)
)";

} // namespace

QJsonArray ReadXlsSheets(const std::filesystem::path& workbook) {
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral("-c"), QString::fromUtf8(ReaderScript),
                  QString::fromStdString(workbook.string())});
    python.waitForFinished(60000);
    const QByteArray output = python.readAllStandardOutput();
    if (python.exitStatus() != QProcess::NormalExit || python.exitCode() != 0) {
        ADD_FAILURE() << "xlrd could not read " << workbook << ": "
                      << python.readAllStandardError().toStdString();
        return {};
    }
    return QJsonDocument::fromJson(output).array();
}

QJsonArray ReadXlsRows(const std::filesystem::path& workbook) {
    QJsonArray rows;
    for (const QJsonValue& sheet : ReadXlsSheets(workbook))
        for (const QJsonValue& row : sheet.toArray())
            rows.append(row);
    return rows;
}

} // namespace testsupport
