#include "platform/XlsWriter.h"

#include "platform/AtomicFile.h"
#include "platform/CompoundFile.h"
#include "platform/RuntimeErrors.h"
#include "platform/XlsRecords.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string_view>

namespace platform {

using namespace xls;

namespace {

constexpr std::size_t RowRecordSize = RecordHeaderSize + 16;
constexpr std::size_t RowsPerBlock = 32;
constexpr uint16_t CellXf = 15;  // the default cell format
constexpr uint16_t TitleXf = 16; // bold, for the titles row
constexpr uint16_t BoldFont = 5; // font indexes skip 4
constexpr uint16_t Utf16CodePage = 1200;

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
