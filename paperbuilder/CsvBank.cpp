#include "paperbuilder/CsvBank.h"

namespace paperbuilder {

Bank ReadCsvBank(const QString& file, const std::string& bytes) {
    return BankFromTables(file, sheets::ParseCsv(DecodeText(bytes)), std::nullopt);
}

std::string CsvBankBytes(const Bank& bank) {
    std::vector<QStringList> rows = QuestionRows(bank);
    for (const QStringList& info : InfoRows(bank)) {
        rows[0].append(info[0]);
        for (size_t i = 1; i < rows.size(); ++i)
            rows[i].append(i == 1 ? info[1] : QString());
    }
    return sheets::CsvBytes(rows);
}

} // namespace paperbuilder
