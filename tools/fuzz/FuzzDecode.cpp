// Feeds arbitrary bytes to the decoding of bank texts (UTF-8 with or without byte-order mark, or
// GBK): a text that is accepted must encode back to exactly the bytes it came from.

#include "platform/CodePage.h"
#include "sheets/Table.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace {

// Every byte-order mark at the start is a mark: a text never starts with U+FEFF, which would
// spoil the first column title of a CSV bank.
std::string_view WithoutMarks(std::string_view bytes) {
    while (bytes.starts_with("\xEF\xBB\xBF"))
        bytes.remove_prefix(3);
    return bytes;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    QString text;
    try {
        text = sheets::DecodeText(bytes);
    } catch (const sheets::SheetError&) {
        return 0;
    }
    const QByteArray utf8 = text.toUtf8();
    const bool asUtf8 =
        WithoutMarks(bytes) == std::string_view(utf8.constData(), static_cast<size_t>(utf8.size()));
    if (!asUtf8 && platform::ToGbk(text) != bytes)
        __builtin_trap();
    return 0;
}
