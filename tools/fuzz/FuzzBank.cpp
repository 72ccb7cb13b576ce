// Feeds arbitrary bytes to one question-bank reader (BANK_FORMAT: 1 CSV, 2 Aiken, 3 GIFT), checks
// the bank, and when it has no fault writes the paper and reads it back with exam's reader.

#include "paper/uFileHandle.h"
#include "paperbuilder/BankCheck.h"
#include "paperbuilder/CsvBank.h"
#include "paperbuilder/TextBanks.h"

#include <cstddef>
#include <cstdint>
#include <sstream>

namespace {

using namespace paperbuilder;

Bank ReadBank(const std::string& bytes) {
    switch (BANK_FORMAT) {
    case 1:
        return ReadCsvBank(QStringLiteral("fuzz.csv"), bytes);
    case 2:
        return ParseAiken(QStringLiteral("fuzz.txt"), DecodeText(bytes));
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
