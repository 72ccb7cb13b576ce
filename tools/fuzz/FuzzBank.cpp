// Feeds arbitrary bytes to one question-bank reader (BANK_FORMAT: 1 CSV, 2 Aiken, 3 GIFT, 4 xlsx),
// checks the bank, and when it has no fault writes the paper and reads it back with exam's reader.
// An xlsx input is a whole workbook when it starts with the zip mark; otherwise its parts, apart
// by NUL bytes, in the order of XlsxParts, so that mutations reach the XML past the checksums.

#include "paper/uFileHandle.h"
#include "paperbuilder/BankCheck.h"
#include "paperbuilder/CsvBank.h"
#include "paperbuilder/TextBanks.h"
#include "paperbuilder/XlsxBank.h"
#include "sheets/Xlsx.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <sstream>

namespace {

using namespace paperbuilder;

constexpr const char* XlsxParts[] = {"xl/workbook.xml", "xl/_rels/workbook.xml.rels",
                                     "xl/sharedStrings.xml", "xl/worksheets/sheet1.xml",
                                     "xl/worksheets/sheet2.xml"};

std::vector<Table> XlsxSheets(const std::string& bytes) {
    if (bytes.starts_with("PK"))
        return sheets::XlsxSheetsFromBytes(bytes);
    std::map<QString, QByteArray> parts;
    size_t start = 0;
    for (const char* name : XlsxParts) {
        if (start > bytes.size())
            break;
        const size_t end = std::min(bytes.find('\0', start), bytes.size());
        parts[QString::fromLatin1(name)] = QByteArray(bytes.data() + start, end - start);
        start = end + 1;
    }
    return sheets::XlsxSheetsFromParts(parts);
}

Bank ReadBank(const std::string& bytes) {
    switch (BANK_FORMAT) {
    case 1:
        return ReadCsvBank(QStringLiteral("fuzz.csv"), bytes);
    case 2:
        return ParseAiken(QStringLiteral("fuzz.txt"), DecodeText(bytes));
    case 4:
        return BankFromSheets(QStringLiteral("fuzz.xlsx"), XlsxSheets(bytes));
    default:
        return ParseGift(QStringLiteral("fuzz.gift"), DecodeText(bytes));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    try {
        const Bank bank = ReadBank(std::string(reinterpret_cast<const char*>(data), size));
        const CheckedPaper checked = CheckBank(bank, BuildSettings{});
        if (!checked.faults.empty())
            return 0;
        std::istringstream stream(paperwriter::WritePaper(checked.paper));
        TQFileHandle paper;
        paper.LoadFromStream(stream);
        // A paper that passed every check must read back whole.
        if (paper.QuestionCount() != static_cast<int32_t>(checked.paper.questions.size()))
            __builtin_trap();
    } catch (const BankError&) {
    }
    return 0;
}
