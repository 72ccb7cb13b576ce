#include "platform/XlsWriter.h"

#include "platform/AtomicFile.h"
#include "platform/CompoundFile.h"
#include "platform/RuntimeErrors.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string_view>

namespace platform {
namespace {

// ---------------------------------------------------------------------------------------------
// Little-endian encoding

void put16(char* at, uint32_t value) {
    at[0] = static_cast<char>(value & 0xFF);
    at[1] = static_cast<char>((value >> 8) & 0xFF);
}

void put32(char* at, uint32_t value) {
    put16(at, value & 0xFFFF);
    put16(at + 2, value >> 16);
}

void put64(char* at, uint64_t value) {
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
constexpr std::size_t RowRecordSize = RecordHeaderSize + 16;
constexpr std::size_t RowsPerBlock = 32;
constexpr std::size_t MaxTextUnits = 32767;
constexpr uint16_t CellXf = 15;  // the default cell format
constexpr uint16_t TitleXf = 16; // bold, for the titles row
constexpr uint16_t BoldFont = 5; // font indexes skip 4
constexpr uint16_t Utf16CodePage = 1200;

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

// ---------------------------------------------------------------------------------------------
// Text

// UTF-8 to UTF-16, a malformed byte becoming U+FFFD; cut at MaxTextUnits without splitting a
// surrogate pair.
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

// A string in the form the file stores it: one byte per character when every character is
// Latin-1, else two.
struct EncodedText {
    std::string chars;
    std::size_t units = 0;
    bool wide = false;
};

// Appends the characters in the form the file stores them, one byte each when every character
// is Latin-1, else two; answers whether they are two.
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

// The short string of font and sheet names: a one-byte length.
Fields& shortString(Fields& fields, const EncodedText& text) {
    return fields.u8(static_cast<uint32_t>(text.units)).u8(text.wide ? 1 : 0).raw(text.chars);
}

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

// ---------------------------------------------------------------------------------------------
// Worksheets

// The cell table of one worksheet: blocks of up to 32 rows, each its ROW records, then the
// rows' cell records, then a DBCELL record that lets a reader find them.
struct Sheet {
    std::string cellTable;
    std::vector<std::size_t> dbCellOffsets;
    uint32_t rowCount = 0; // rows used, the titles row included
    uint32_t firstRow = 0;
    uint32_t endRow = 0;
    uint32_t firstCol = 0;
    uint32_t endCol = 0;
    bool hasCells = false;
};

class BlockBuilder final {
public:
    void addRow(Sheet& sheet, uint32_t row, uint32_t firstCol, uint32_t endCol,
                std::string_view rowCells) {
        if (!rows.empty() && row / RowsPerBlock != blockIndex)
            flush(sheet);
        blockIndex = row / RowsPerBlock;
        char record[RowRecordSize] = {};
        put16(record, rtRow);
        put16(record + 2, RowRecordSize - RecordHeaderSize);
        put16(record + 4, row);
        put16(record + 6, firstCol);
        put16(record + 8, endCol);
        put16(record + 10, 0x00FF); // default height
        put16(record + 16, 0x0100); // flags: the bit that is always set
        put16(record + 18, CellXf); // ignored unless the row is formatted
        rows.append(record, RowRecordSize);
        cells.append(rowCells);
        cellBytes.push_back(rowCells.size());
    }

    void flush(Sheet& sheet) {
        if (rows.empty())
            return;
        const std::size_t blockStart = sheet.cellTable.size();
        sheet.cellTable += rows;
        sheet.cellTable += cells;
        sheet.dbCellOffsets.push_back(sheet.cellTable.size());
        Fields dbCell;
        dbCell.u32(static_cast<uint32_t>(sheet.cellTable.size() - blockStart));
        dbCell.u16(static_cast<uint32_t>(rows.size() - RowRecordSize));
        for (std::size_t i = 0; i + 1 < cellBytes.size(); ++i)
            dbCell.u16(static_cast<uint32_t>(cellBytes[i]));
        appendRecord(sheet.cellTable, rtDbCell, dbCell);
        rows.clear();
        cells.clear();
        cellBytes.clear();
    }

private:
    uint32_t blockIndex = 0;
    std::string rows;
    std::string cells;
    std::vector<std::size_t> cellBytes;
};

std::string numberText(double value) {
    if (std::isnan(value))
        return "NaN";
    return value > 0 ? "INF" : "-INF";
}

// Excel measures column widths in 1/256 of the width of a digit, about 7 pixels in the default
// font.
uint32_t columnWidthUnits(int pixels) {
    return static_cast<uint32_t>(std::min<int64_t>(255 * 256, (int64_t{pixels} * 256 + 3) / 7));
}

// A sheet name as Excel accepts it: none of : \ / ? * [ ], at most 31 characters.
std::string sheetName(const std::string& base, std::size_t number) {
    std::string name = base.empty() ? "Sheet" : base;
    for (char& c : name)
        if (std::string_view(":\\/?*[]").find(c) != std::string_view::npos)
            c = '_';
    const std::string suffix = std::to_string(number);
    std::u16string units;
    toUtf16(name, units);
    while (units.size() + suffix.size() > 31) {
        while (!name.empty() && (static_cast<unsigned char>(name.back()) & 0xC0) == 0x80)
            name.pop_back();
        if (!name.empty())
            name.pop_back();
        toUtf16(name, units);
    }
    return name + suffix;
}

// The records of a worksheet after its cell table.
std::string sheetSuffix(bool first) {
    std::string out;
    appendRecord(out, rtWindow2,
                 Fields()
                     .u16(first ? 0x06B6 : 0x00B6)
                     .u16(0)
                     .u16(0)
                     .u16(0x40)
                     .u16(0)
                     .u16(0)
                     .u16(0)
                     .u16(0)
                     .u16(0));
    appendRecord(out, rtEof, "");
    return out;
}

} // namespace

// ---------------------------------------------------------------------------------------------

struct XlsWriter::Impl {
    XlsRow titles;
    XlsOptions options;
    std::vector<Sheet> sheets;
    BlockBuilder block;
    SharedStrings strings;
    std::string cells;
    std::size_t rows = 0;
    bool saved = false;

    void add(const XlsRow& row, uint16_t xf);
    void startSheet();
    std::string sheetPrefix(const Sheet& sheet, std::size_t sheetStart) const;
    std::string globals(const std::vector<std::size_t>& sheetSizes);
    void writeCompoundFile(const std::filesystem::path& target);
};

void XlsWriter::Impl::startSheet() {
    if (!sheets.empty())
        block.flush(sheets.back());
    sheets.emplace_back();
    if (!titles.empty())
        add(titles, TitleXf);
}

namespace {

void checkWidth(const XlsRow& row) {
    if (row.size() > XlsWriter::MaxColumns)
        throw platform::Exception("导出的列数超过 " + std::to_string(XlsWriter::MaxColumns) +
                                  " 列");
}

} // namespace

void XlsWriter::Impl::add(const XlsRow& row, uint16_t xf) {
    checkWidth(row);
    Sheet& sheet = sheets.back();
    const uint32_t rowIndex = sheet.rowCount++;
    cells.clear();
    uint32_t firstCol = 0;
    uint32_t endCol = 0;
    for (std::size_t col = 0; col < row.size(); ++col) {
        const XlsCell& cell = row[col];
        if (std::holds_alternative<std::monostate>(cell))
            continue;
        char record[RecordHeaderSize + 14];
        put16(record + 4, rowIndex);
        put16(record + 6, static_cast<uint32_t>(col));
        put16(record + 8, xf);
        std::size_t size = 6;
        const double* number = std::get_if<double>(&cell);
        if (number && std::isfinite(*number)) {
            uint64_t bits = 0;
            std::memcpy(&bits, number, sizeof bits);
            put64(record + 10, bits);
            put16(record, rtNumber);
            size = 14;
        } else {
            std::string special;
            const std::string* text = std::get_if<std::string>(&cell);
            if (!text) {
                special = numberText(*number);
                text = &special;
            }
            if (text->empty()) {
                put16(record, rtBlank);
            } else {
                put32(record + 10, strings.indexOf(*text));
                put16(record, rtLabelSst);
                size = 10;
            }
        }
        put16(record + 2, static_cast<uint32_t>(size));
        cells.append(record, RecordHeaderSize + size);
        if (endCol == 0)
            firstCol = static_cast<uint32_t>(col);
        endCol = static_cast<uint32_t>(col + 1);
    }
    if (endCol == 0)
        return;
    block.addRow(sheet, rowIndex, firstCol, endCol, cells);
    if (!sheet.hasCells)
        sheet.firstRow = rowIndex;
    sheet.endRow = rowIndex + 1;
    sheet.firstCol = sheet.hasCells ? std::min(sheet.firstCol, firstCol) : firstCol;
    sheet.endCol = std::max(sheet.endCol, endCol);
    sheet.hasCells = true;
}

// The records of a worksheet up to its cell table; sheetStart is the stream position of its
// BOF, which the INDEX record needs for the positions of the DBCELL records.
std::string XlsWriter::Impl::sheetPrefix(const Sheet& sheet, std::size_t sheetStart) const {
    const std::size_t indexSize = RecordHeaderSize + 16 + 4 * sheet.dbCellOffsets.size();
    std::string out;
    appendRecord(out, rtBof,
                 Fields().u16(0x0600).u16(0x0010).u16(0x0DBB).u16(0x07CC).u32(0).u32(6));
    const std::size_t indexAt = out.size();
    out.append(indexSize, '\0');
    appendRecord16(out, rtCalcMode, 1);
    appendRecord16(out, rtCalcCount, 100);
    appendRecord16(out, rtRefMode, 1);
    appendRecord16(out, rtIteration, 0);
    appendRecord(out, rtDelta, Fields().f64(0.001));
    appendRecord16(out, rtSaveRecalc, 1);
    appendRecord16(out, rtPrintHeaders, 0);
    appendRecord16(out, rtPrintGridLines, 0);
    appendRecord16(out, rtGridSet, 1);
    appendRecord(out, rtGuts, Fields().zeros(8));
    appendRecord(out, rtDefaultRowHeight, Fields().u16(0).u16(0x00FF));
    appendRecord16(out, rtWsBool, 0x04C1);
    const std::size_t defColWidthAt = out.size();
    appendRecord16(out, rtDefColWidth, 8);
    for (std::size_t col = 0; col < options.columnWidths.size() && col < MaxColumns; ++col)
        if (options.columnWidths[col] > 0)
            appendRecord(out, rtColInfo,
                         Fields()
                             .u16(static_cast<uint32_t>(col))
                             .u16(static_cast<uint32_t>(col))
                             .u16(columnWidthUnits(options.columnWidths[col]))
                             .u16(CellXf)
                             .u16(0)
                             .u16(0));
    appendRecord(out, rtDimensions,
                 Fields()
                     .u32(sheet.firstRow)
                     .u32(sheet.endRow)
                     .u16(sheet.firstCol)
                     .u16(sheet.endCol)
                     .u16(0));

    const std::size_t cellTableStart = sheetStart + out.size();
    Fields index;
    index.u32(0)
        .u32(sheet.firstRow)
        .u32(sheet.endRow)
        .u32(static_cast<uint32_t>(sheetStart + defColWidthAt));
    for (std::size_t offset : sheet.dbCellOffsets)
        index.u32(static_cast<uint32_t>(cellTableStart + offset));
    std::string indexRecord;
    appendRecord(indexRecord, rtIndex, index);
    out.replace(indexAt, indexSize, indexRecord);
    return out;
}

std::string XlsWriter::Impl::globals(const std::vector<std::size_t>& sheetSizes) {
    std::string out;
    appendRecord(out, rtBof,
                 Fields().u16(0x0600).u16(0x0005).u16(0x0DBB).u16(0x07CC).u32(0).u32(6));
    appendRecord16(out, rtInterfaceHdr, Utf16CodePage);
    appendRecord16(out, rtMms, 0);
    appendRecord(out, rtInterfaceEnd, "");
    appendRecord(out, rtWriteAccess, Fields().u16(0).u8(0).raw(std::string(109, ' ')));
    appendRecord16(out, rtCodePage, Utf16CodePage);
    appendRecord16(out, rtDsf, 0);
    Fields tabIds;
    for (std::size_t i = 0; i < sheets.size(); ++i)
        tabIds.u16(static_cast<uint32_t>(i + 1));
    appendRecord(out, rtRrTabId, tabIds);
    appendRecord16(out, rtWindowProtect, 0);
    appendRecord16(out, rtProtect, 0);
    appendRecord16(out, rtPassword, 0);
    appendRecord16(out, rtProt4Rev, 0);
    appendRecord16(out, rtProt4RevPass, 0);
    appendRecord(
        out, rtWindow1,
        Fields().u16(0).u16(0).u16(0x4000).u16(0x2000).u16(0x0038).u16(0).u16(0).u16(1).u16(
            0x0258));
    appendRecord16(out, rtBackup, 0);
    appendRecord16(out, rtHideObj, 0);
    appendRecord16(out, rtDate1904, 0);
    appendRecord16(out, rtPrecision, 1);
    appendRecord16(out, rtRefreshAll, 0);
    appendRecord16(out, rtBookBool, 0);

    // SimSun, 10 points, GB2312 character set; fonts 0 to 3 plain, font 5 bold.
    const EncodedText fontName = encodeText("宋体");
    for (int font = 0; font < 5; ++font) {
        Fields record;
        record.u16(200).u16(0).u16(0x7FFF).u16(font == 4 ? 700 : 400).u16(0);
        record.u8(0).u8(0).u8(134).u8(0);
        appendRecord(out, rtFont, shortString(record, fontName));
    }
    // Fifteen style formats, the default cell format 15 and the bold titles format 16.
    for (int xf = 0; xf < 17; ++xf) {
        const bool style = xf < 15;
        Fields record;
        record.u16(xf == TitleXf ? BoldFont : 0).u16(0).u16(style ? 0xFFF5 : 0x0001);
        record.u8(0x20).u8(0).u8(0).u8(style && xf > 0 ? 0xF4 : xf == TitleXf ? 0x08 : 0);
        record.u32(0).u32(0).u16(0x20C0);
        appendRecord(out, rtXf, record);
    }
    appendRecord(out, rtStyle, Fields().u16(0x8000).u8(0).u8(0xFF));
    appendRecord16(out, rtUsesElfs, 0);

    std::vector<std::size_t> positionFields;
    for (std::size_t i = 0; i < sheets.size(); ++i) {
        Fields record;
        record.u32(0).u8(0).u8(0);
        positionFields.push_back(out.size() + RecordHeaderSize);
        appendRecord(out, rtBoundSheet,
                     shortString(record, encodeText(sheetName(options.sheetBaseName, i + 1))));
    }
    appendRecord(out, rtCountry, Fields().u16(86).u16(86));
    strings.appendRecords(out, out.size());
    appendRecord(out, rtEof, "");

    std::size_t position = out.size();
    for (std::size_t i = 0; i < sheets.size(); ++i) {
        put32(&out[positionFields[i]], static_cast<uint32_t>(position));
        position += sheetSizes[i];
    }
    return out;
}

void XlsWriter::Impl::writeCompoundFile(const std::filesystem::path& target) {
    std::vector<std::string> prefixes;
    std::vector<std::size_t> sizes;
    for (std::size_t i = 0; i < sheets.size(); ++i) {
        // The prefix's size does not depend on where the sheet starts.
        sizes.push_back(sheetPrefix(sheets[i], 0).size() + sheets[i].cellTable.size() +
                        sheetSuffix(i == 0).size());
    }
    const std::string workbookGlobals = globals(sizes);
    std::size_t streamSize = workbookGlobals.size();
    for (std::size_t i = 0; i < sheets.size(); ++i) {
        prefixes.push_back(sheetPrefix(sheets[i], streamSize));
        streamSize += sizes[i];
    }
    if (streamSize > 0x7FFFFFFF)
        throw platform::Exception("导出的数据过多，无法写入一个 Excel 文件");
    const SingleStreamCompoundFile container(u"Workbook", streamSize);

    AtomicFile file(target);
    file.write(container.header());
    file.write(workbookGlobals);
    for (std::size_t i = 0; i < sheets.size(); ++i) {
        file.write(prefixes[i]);
        file.write(sheets[i].cellTable);
        file.write(sheetSuffix(i == 0));
    }
    file.write(std::string(container.padding(), '\0'));
    file.write(container.tail());
    file.commit();
}

XlsWriter::XlsWriter(XlsRow titles, XlsOptions options) : impl(std::make_unique<Impl>()) {
    checkWidth(titles);
    impl->titles = std::move(titles);
    impl->options = std::move(options);
}

XlsWriter::~XlsWriter() = default;

void XlsWriter::addRow(const XlsRow& row) {
    if (impl->saved)
        throw platform::Exception("工作簿已保存，不能再添加行");
    if (impl->sheets.empty() || impl->sheets.back().rowCount == MaxSheetRows)
        impl->startSheet();
    impl->add(row, CellXf);
    ++impl->rows;
}

std::size_t XlsWriter::rowCount() const {
    return impl->rows;
}

std::size_t XlsWriter::sheetCount() const {
    return std::max<std::size_t>(impl->sheets.size(), 1);
}

void XlsWriter::save(const std::filesystem::path& target) {
    if (!impl->saved) {
        if (impl->sheets.empty())
            impl->startSheet();
        impl->block.flush(impl->sheets.back());
        impl->saved = true;
    }
    impl->writeCompoundFile(target);
}

bool WriteXlsFile(const std::filesystem::path& target, const XlsRow& titles, std::size_t rowCount,
                  const XlsRowSource& source, const XlsOptions& options,
                  const XlsProgress& progress) {
    constexpr std::size_t ReportEvery = 1024;
    XlsWriter writer(titles, options);
    XlsRow row;
    for (std::size_t i = 0; i < rowCount; ++i) {
        source(i, row);
        writer.addRow(row);
        if (progress && (i + 1) % ReportEvery == 0 && !progress(i + 1))
            return false;
    }
    if (progress && !progress(rowCount))
        return false;
    writer.save(target);
    return true;
}

} // namespace platform
