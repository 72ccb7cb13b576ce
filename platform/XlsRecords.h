#pragma once

// The BIFF8 building blocks of the .xls writer: little-endian fields, records, the file's text
// forms and its shared string table. The workbook that lays them out is in XlsWriter.cpp.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::xls {

// ---------------------------------------------------------------------------------------------
// Little-endian encoding

inline void put16(char* at, uint32_t value) {
    at[0] = static_cast<char>(value & 0xFF);
    at[1] = static_cast<char>((value >> 8) & 0xFF);
}

inline void put32(char* at, uint32_t value) {
    put16(at, value & 0xFFFF);
    put16(at + 2, value >> 16);
}

inline void put64(char* at, uint64_t value) {
    put32(at, static_cast<uint32_t>(value));
    put32(at + 4, static_cast<uint32_t>(value >> 32));
}

// Record data built field by field; only for the records written once per sheet or workbook.
class Fields final {
public:
    Fields& u8(uint32_t value) {
        bytes.push_back(static_cast<char>(value & 0xFF));
        return *this;
    }
    Fields& u16(uint32_t value) { return put(value, 2); }
    Fields& u32(uint32_t value) { return put(value, 4); }
    Fields& f64(double value) {
        uint64_t bits = 0;
        std::memcpy(&bits, &value, sizeof bits);
        char raw[8];
        put64(raw, bits);
        bytes.append(raw, 8);
        return *this;
    }
    Fields& raw(std::string_view data) {
        bytes.append(data);
        return *this;
    }
    Fields& zeros(std::size_t count) {
        bytes.append(count, '\0');
        return *this;
    }
    const std::string& data() const { return bytes; }

private:
    Fields& put(uint32_t value, int size) {
        for (int i = 0; i < size; ++i)
            bytes.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
        return *this;
    }
    std::string bytes;
};

// ---------------------------------------------------------------------------------------------
// BIFF8 records

enum RecordType : uint16_t {
    rtBlank = 0x0201,
    rtBof = 0x0809,
    rtBookBool = 0x00DA,
    rtBoundSheet = 0x0085,
    rtBackup = 0x0040,
    rtCalcCount = 0x000C,
    rtCalcMode = 0x000D,
    rtCodePage = 0x0042,
    rtColInfo = 0x007D,
    rtContinue = 0x003C,
    rtCountry = 0x008C,
    rtDate1904 = 0x0022,
    rtDbCell = 0x00D7,
    rtDefColWidth = 0x0055,
    rtDefaultRowHeight = 0x0225,
    rtDelta = 0x0010,
    rtDimensions = 0x0200,
    rtDsf = 0x0161,
    rtEof = 0x000A,
    rtExtSst = 0x00FF,
    rtFont = 0x0031,
    rtGridSet = 0x0082,
    rtGuts = 0x0080,
    rtHideObj = 0x008D,
    rtIndex = 0x020B,
    rtInterfaceEnd = 0x00E2,
    rtInterfaceHdr = 0x00E1,
    rtIteration = 0x0011,
    rtLabelSst = 0x00FD,
    rtMms = 0x00C1,
    rtNumber = 0x0203,
    rtPassword = 0x0013,
    rtPrecision = 0x000E,
    rtPrintGridLines = 0x002B,
    rtPrintHeaders = 0x002A,
    rtProt4Rev = 0x01AF,
    rtProt4RevPass = 0x01BC,
    rtProtect = 0x0012,
    rtRefMode = 0x000F,
    rtRefreshAll = 0x01B7,
    rtRow = 0x0208,
    rtRrTabId = 0x013D,
    rtSaveRecalc = 0x005F,
    rtSst = 0x00FC,
    rtStyle = 0x0293,
    rtUsesElfs = 0x0160,
    rtWindow1 = 0x003D,
    rtWindow2 = 0x023E,
    rtWindowProtect = 0x0019,
    rtWriteAccess = 0x005C,
    rtWsBool = 0x0081,
    rtXf = 0x00E0,
};

constexpr std::size_t MaxRecordData = 8224;
constexpr std::size_t RecordHeaderSize = 4;
constexpr std::size_t MaxTextUnits = 32767;

void appendRecord(std::string& out, uint16_t type, std::string_view data);
void appendRecord(std::string& out, uint16_t type, const Fields& fields);
void appendRecord16(std::string& out, uint16_t type, uint32_t value);

// ---------------------------------------------------------------------------------------------
// Text

// UTF-8 to UTF-16, a malformed byte becoming U+FFFD; cut at MaxTextUnits without splitting a
// surrogate pair.
void toUtf16(std::string_view text, std::u16string& out);

// A string in the form the file stores it: one byte per character when every character is
// Latin-1, else two.
struct EncodedText {
    std::string chars;
    std::size_t units = 0;
    bool wide = false;
};

// Appends the characters in the form the file stores them, one byte each when every character
// is Latin-1, else two; answers whether they are two.
bool appendEncoded(std::u16string_view units, std::string& out);

EncodedText encodeText(std::string_view utf8);

// The short string of font and sheet names: a one-byte length.
Fields& shortString(Fields& fields, const EncodedText& text);

// ---------------------------------------------------------------------------------------------
// Shared string table

// Every distinct text once, in the order first met. An open-addressing table over texts kept
// in one buffer, because an export meets hundreds of thousands of them.
class SharedStrings final {
public:
    uint32_t indexOf(std::string_view text) {
        ++references;
        if (entries.size() * 2 >= slots.size())
            grow();
        const std::size_t hash = std::hash<std::string_view>{}(text);
        const uint32_t tag = tagOf(hash);
        const std::size_t mask = slots.size() - 1;
        std::size_t slot = hash & mask;
        for (; slots[slot].entry != 0; slot = (slot + 1) & mask) {
            if (slots[slot].tag != tag)
                continue;
            const Entry& entry = entries[slots[slot].entry - 1];
            if (entry.hash == hash && keyOf(entry) == text)
                return slots[slot].entry - 1;
        }
        const auto index = static_cast<uint32_t>(entries.size());
        slots[slot] = {index + 1, tag};
        toUtf16(text, units);
        Entry entry{hash, keys.size(), text.size(), pool.size(), units.size(), false};
        keys += text;
        entry.wide = appendEncoded(units, pool);
        entries.push_back(entry);
        return index;
    }

    // The SST record with its CONTINUE records, then EXTSST; streamPosition is where the SST
    // record starts in the workbook stream.
    void appendRecords(std::string& out, std::size_t streamPosition) const;

private:
    struct Entry {
        std::size_t hash;
        std::size_t keyOffset;
        std::size_t keyLength;
        std::size_t offset; // of the encoded characters in pool
        std::size_t units;
        bool wide;
    };
    struct Bucket {
        std::size_t streamPosition;
        std::size_t recordOffset;
    };
    // A slot holds bits of its entry's hash beside the entry, so that a probe past other texts
    // does not have to fetch their entries: with a million texts, each such fetch misses the
    // cache.
    struct Slot {
        uint32_t entry; // entry index + 1, or 0 for a free slot
        uint32_t tag;
    };
    static uint32_t tagOf(std::size_t hash) {
        return static_cast<uint32_t>(hash >> (sizeof(std::size_t) * 4));
    }

    std::string_view keyOf(const Entry& entry) const {
        return std::string_view(keys).substr(entry.keyOffset, entry.keyLength);
    }

    void grow() {
        slots.assign(std::max<std::size_t>(1024, slots.size() * 2), Slot{0, 0});
        const std::size_t mask = slots.size() - 1;
        for (std::size_t i = 0; i < entries.size(); ++i) {
            std::size_t slot = entries[i].hash & mask;
            while (slots[slot].entry != 0)
                slot = (slot + 1) & mask;
            slots[slot] = {static_cast<uint32_t>(i + 1), tagOf(entries[i].hash)};
        }
    }

    std::vector<Slot> slots;
    std::vector<Entry> entries;
    std::string keys;
    std::string pool;
    std::u16string units;
    uint32_t references = 0;
};

} // namespace platform::xls
