// Feeds arbitrary bytes to the decoding of bank texts (UTF-8 with or without byte-order mark, or
// GBK): a text that is accepted must encode back to exactly the bytes it came from.

#include "paperbuilder/Bank.h"
#include "platform/CodePage.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    QString text;
    try {
        text = paperbuilder::DecodeText(bytes);
    } catch (const paperbuilder::BankError&) {
        return 0;
    }
    const std::string body = bytes.starts_with("\xEF\xBB\xBF") ? bytes.substr(3) : bytes;
    const QByteArray utf8 = text.toUtf8();
    const bool asUtf8 =
        body == std::string_view(utf8.constData(), static_cast<size_t>(utf8.size()));
    if (!asUtf8 && platform::ToGbk(text) != bytes)
        __builtin_trap();
    return 0;
}
