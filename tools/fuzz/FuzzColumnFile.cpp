// Feeds arbitrary bytes to the column-properties file rules: the section is read, written back
// with the columns it gave, and the written file must give the same columns again.

#include "platform/RuntimeErrors.h"
#include "tallyboard/ColumnFile.h"

#include <cstddef>
#include <cstdint>

namespace {

bool SameColumns(const std::vector<tallyboard::GridColumnInfo>& a,
                 const std::vector<tallyboard::GridColumnInfo>& b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i].fieldName != b[i].fieldName || a[i].title != b[i].title ||
            a[i].displayFormat != b[i].displayFormat || a[i].width != b[i].width)
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const tallyboard::GridColumnLayout layout = tallyboard::ParseColumnLayout(bytes, "score");
    if (layout.error || !layout.sectionFound)
        return 0;
    std::string rewritten;
    try {
        rewritten = tallyboard::RewriteColumnLayout(bytes, "score", layout.columns);
    } catch (const platform::Exception&) {
        return 0; // a field named by a shown entry and again by a hidden one
    }
    const tallyboard::GridColumnLayout again = tallyboard::ParseColumnLayout(rewritten, "score");
    if (again.error || !SameColumns(layout.columns, again.columns))
        __builtin_trap();
    return 0;
}
