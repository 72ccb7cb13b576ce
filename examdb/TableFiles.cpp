#include "examdb/TableFiles.h"

#include "common/FuncUnit.h"
#include "sheets/Csv.h"
#include "sheets/Xlsx.h"

namespace examdb {
namespace {

bool IsWorkbook(const QString& file) {
    return file.endsWith(u".xlsx"_qs, Qt::CaseInsensitive);
}

} // namespace

sheets::Table ReadTableFile(const QString& file) {
    try {
        if (IsWorkbook(file)) {
            std::vector<sheets::Table> tables = sheets::ReadXlsxSheets(file);
            if (tables.empty())
                throw Failure(u"%1: 工作簿中没有工作表"_qs.arg(file));
            return tables.front();
        }
        return sheets::ParseCsv(sheets::DecodeText(sheets::ReadFileBytes(file)));
    } catch (const sheets::SheetError& e) {
        throw Failure(sheets::FaultLine({{file, e.row}, e.message()}));
    }
}

std::vector<qsizetype> ColumnsOf(const QString& file, const sheets::Table& table,
                                 const QStringList& titles) {
    if (table.rows.empty())
        throw Failure(u"%1: 文件是空的，第一行应为列标题 %2"_qs.arg(file, titles.join(u"、"_qs)));
    const sheets::TableRow& header = table.rows.front();
    std::vector<qsizetype> columns(static_cast<size_t>(titles.size()), -1);
    for (qsizetype t = 0; t < titles.size(); ++t) {
        qsizetype& index = columns[static_cast<size_t>(t)];
        for (qsizetype c = 0; c < header.cells.size(); ++c) {
            if (TrimText(header.cells[c]) != titles[t])
                continue;
            if (index >= 0)
                throw Failure(sheets::FaultLine(
                    {{file, header.number}, u"列“%1”出现了两次"_qs.arg(titles[t])}));
            index = c;
        }
        if (index < 0)
            throw Failure(
                sheets::FaultLine({{file, header.number}, u"缺少列“%1”"_qs.arg(titles[t])}));
    }
    return columns;
}

void WriteTableFile(const QString& file, const QString& sheetName,
                    const std::vector<QStringList>& rows, const std::vector<double>& widths) {
    try {
        if (IsWorkbook(file))
            sheets::WriteXlsxTable(sheetName, rows, widths, file);
        else
            sheets::ReplaceFile(file, sheets::CsvBytes(rows));
    } catch (const sheets::SheetError& e) {
        throw Failure(u"%1: %2"_qs.arg(file, e.message()));
    }
}

} // namespace examdb
