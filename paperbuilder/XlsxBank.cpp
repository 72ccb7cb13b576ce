#include "paperbuilder/XlsxBank.h"

#include "sheets/Xlsx.h"

namespace paperbuilder {

namespace {

std::vector<double> QuestionWidths(const QStringList& titles) {
    std::vector<double> widths;
    for (const QString& title : titles)
        widths.push_back(title == column::Stem                    ? 48
                         : title.startsWith(column::OptionPrefix) ? 22
                         : title == column::Items                 ? 24
                                                                  : 10);
    return widths;
}

} // namespace

Bank BankFromSheets(const QString& file, const std::vector<Table>& sheets) {
    if (sheets.empty() || sheets.front().name == InfoSheetName)
        throw BankError(QStringLiteral("工作簿中没有试题表"));
    return BankFromTables(file, sheets.front(), sheets::SheetNamed(sheets, InfoSheetName));
}

Bank ReadXlsxBank(const QString& file) {
    return BankFromSheets(file, sheets::ReadXlsxSheets(file));
}

void WriteXlsxBank(const Bank& bank, const QString& file) {
    const std::vector<QStringList> rows = QuestionRows(bank);
    sheets::WriteXlsxWorkbook(
        file, {{u"试题"_qs, rows, QuestionWidths(rows.front()), true, {column::Marks}},
               {InfoSheetName, InfoRows(bank), {16, 60}, false, {}}});
}

} // namespace paperbuilder
