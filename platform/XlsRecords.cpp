#include "platform/XlsRecords.h"

#include <algorithm>

namespace platform::xls {

void appendRecord(std::string& out, uint16_t type, std::string_view data) {
    char header[RecordHeaderSize];
    put16(header, type);
    put16(header + 2, static_cast<uint32_t>(data.size()));
    out.append(header, RecordHeaderSize);
    out.append(data);
}

void appendRecord(std::string& out, uint16_t type, const Fields& fields) {
    appendRecord(out, type, fields.data());
}

void appendRecord16(std::string& out, uint16_t type, uint32_t value) {
    appendRecord(out, type, Fields().u16(value));
}

void toUtf16(std::string_view text, std::u16string& out) {
    out.clear();
    std::size_t i = 0;
    while (i < text.size()) {
        const auto byte = static_cast<unsigned char>(text[i]);
        uint32_t code = 0xFFFD;
        std::size_t length = 1;
        if (byte < 0x80) {
            code = byte;
        } else {
            const std::size_t need = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC2 ? 2 : 0;
            if (need != 0 && i + need <= text.size()) {
                uint32_t value = byte & (0x7F >> need);
                bool valid = true;
                for (std::size_t k = 1; k < need && valid; ++k) {
                    const auto next = static_cast<unsigned char>(text[i + k]);
                    valid = (next & 0xC0) == 0x80;
                    value = (value << 6) | (next & 0x3F);
                }
                const uint32_t least = need == 2 ? 0x80 : need == 3 ? 0x800 : 0x10000;
                if (valid && value >= least && value <= 0x10FFFF &&
                    !(value >= 0xD800 && value <= 0xDFFF)) {
                    code = value;
                    length = need;
                }
            }
        }
        const std::size_t units = code >= 0x10000 ? 2 : 1;
        if (out.size() + units > MaxTextUnits)
            return;
        if (units == 2) {
            code -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(code));
        }
        i += length;
    }
}

bool appendEncoded(std::u16string_view units, std::string& out) {
    const bool wide = std::any_of(units.begin(), units.end(), [](char16_t c) { return c > 0xFF; });
    const std::size_t start = out.size();
    out.resize(start + units.size() * (wide ? 2 : 1));
    char* at = out.data() + start;
    for (char16_t unit : units) {
        *at++ = static_cast<char>(unit & 0xFF);
        if (wide)
            *at++ = static_cast<char>(unit >> 8);
    }
    return wide;
}

EncodedText encodeText(std::string_view utf8) {
    std::u16string units;
    toUtf16(utf8, units);
    EncodedText encoded;
    encoded.units = units.size();
    encoded.wide = appendEncoded(units, encoded.chars);
    return encoded;
}

Fields& shortString(Fields& fields, const EncodedText& text) {
    return fields.u8(static_cast<uint32_t>(text.units)).u8(text.wide ? 1 : 0).raw(text.chars);
}

namespace {

// Cuts the string table into records of at most MaxRecordData bytes. A string's length and
// flags never part from its first character; where its characters run on into a CONTINUE
// record, that record starts with the flags byte again.
class ContinuedRecord final {
public:
    ContinuedRecord(std::string& out, std::size_t streamPosition, uint16_t type)
        : out(out), base(streamPosition - out.size()) {
        start(type);
    }
    ~ContinuedRecord() { finish(); }
    ContinuedRecord(const ContinuedRecord&) = delete;
    ContinuedRecord& operator=(const ContinuedRecord&) = delete;

    std::size_t room() const { return MaxRecordData - (out.size() - dataStart); }
    void append(std::string_view bytes) { out.append(bytes); }
    void next() {
        finish();
        start(rtContinue);
    }
    std::size_t streamPosition() const { return base + out.size(); }
    std::size_t offsetInRecord() const { return out.size() - dataStart + RecordHeaderSize; }

private:
    void start(uint16_t type) {
        char header[RecordHeaderSize] = {};
        put16(header, type);
        out.append(header, RecordHeaderSize);
        dataStart = out.size();
    }
    void finish() { put16(&out[dataStart - 2], static_cast<uint32_t>(out.size() - dataStart)); }

    std::string& out;
    std::size_t base;
    std::size_t dataStart = 0;
};

} // namespace

void SharedStrings::appendRecords(std::string& out, std::size_t streamPosition) const {
    const std::size_t perBucket = std::max<std::size_t>(8, (entries.size() + 127) / 128);
    std::vector<Bucket> buckets;
    {
        ContinuedRecord record(out, streamPosition, rtSst);
        char counts[8];
        put32(counts, references);
        put32(counts + 4, static_cast<uint32_t>(entries.size()));
        record.append({counts, 8});
        for (std::size_t i = 0; i < entries.size(); ++i) {
            const Entry& entry = entries[i];
            const std::size_t charSize = entry.wide ? 2 : 1;
            if (record.room() < 3 + (entry.units ? charSize : 0))
                record.next();
            if (i % perBucket == 0)
                buckets.push_back({record.streamPosition(), record.offsetInRecord()});
            char header[3];
            put16(header, static_cast<uint32_t>(entry.units));
            header[2] = entry.wide ? 1 : 0;
            record.append({header, 3});
            std::string_view chars(pool.data() + entry.offset, entry.units * charSize);
            while (!chars.empty()) {
                const std::size_t fit = std::min(chars.size(), record.room() / charSize * charSize);
                record.append(chars.substr(0, fit));
                chars.remove_prefix(fit);
                if (!chars.empty()) {
                    record.next();
                    record.append({header + 2, 1});
                }
            }
        }
    }
    Fields extSst;
    extSst.u16(static_cast<uint32_t>(perBucket));
    for (const Bucket& bucket : buckets)
        extSst.u32(static_cast<uint32_t>(bucket.streamPosition))
            .u16(static_cast<uint32_t>(bucket.recordOffset))
            .u16(0);
    appendRecord(out, rtExtSst, extSst);
}

} // namespace platform::xls
