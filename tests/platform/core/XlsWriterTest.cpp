#include "platform/XlsWriter.h"

#include "platform/RuntimeErrors.h"
#include "tests/support/TempDir.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/resource.h>

namespace {

using platform::XlsCell;
using platform::XlsRow;
using testsupport::TempDir;

// What an independent reader (xlrd) finds in a workbook, and what a check of the indexes that
// Excel uses finds wrong.
struct ReadCell {
    char type = 'E'; // T text, N number, E empty, ? anything else
    std::string text;
    double number = 0;
};
struct ReadSheet {
    std::string name;
    std::vector<std::vector<ReadCell>> rows;
};
struct ReadBook {
    std::vector<ReadSheet> sheets;
    std::vector<std::string> warnings;
};

constexpr const char* ReaderScript = R"(
import io, struct, sys, xlrd
from xlrd import compdoc

def records(stream, start):
    pos = start
    while pos + 4 <= len(stream):
        rt, size = struct.unpack_from('<HH', stream, pos)
        yield pos, rt, stream[pos + 4:pos + 4 + size]
        if rt == 0x000A:
            return
        pos += 4 + size

# What xlrd does not look at but Excel relies on: the string table's index (EXTSST) and the
# row-block index of every sheet (INDEX, DBCELL).
def check(path):
    problems = []
    data = open(path, 'rb').read()
    stream = compdoc.CompDoc(data, logfile=log).get_named_stream('Workbook')
    glob = list(records(stream, 0))
    kinds = {pos: rt for pos, rt, _ in glob}
    sheets = [struct.unpack_from('<I', d)[0] for _, rt, d in glob if rt == 0x0085]
    # EXTSST buckets point at the first string of every dsst-th entry.
    ext = [d for _, rt, d in glob if rt == 0x00FF][0]
    chunks, in_sst = [], False
    for _, rt, d in glob:
        if rt == 0x00FC:
            in_sst = True
            unique = struct.unpack_from('<I', d, 4)[0]
            chunks.append(d)
        elif rt == 0x003C and in_sst:
            chunks.append(d)
        else:
            in_sst = False
    strings = xlrd.book.unpack_SST_table(chunks, unique)[0]
    dsst = struct.unpack_from('<H', ext)[0]
    for k in range((len(ext) - 2) // 8):
        ib, cb, _ = struct.unpack_from('<IHH', ext, 2 + 8 * k)
        start = ib - cb
        if kinds.get(start) not in (0x00FC, 0x003C):
            problems.append('EXTSST bucket %d: no SST/CONTINUE at %d' % (k, start))
            continue
        cch, flags = struct.unpack_from('<HB', stream, ib)
        text = strings[k * dsst]
        if cch != len(text.encode('utf-16-le')) // 2:
            problems.append('EXTSST bucket %d: length %d for %r' % (k, cch, text[:20]))
    for n, bof in enumerate(sheets):
        recs = list(records(stream, bof))
        at = {pos: (rt, d) for pos, rt, d in recs}
        if recs[0][1] != 0x0809 or struct.unpack_from('<H', recs[0][2], 2)[0] != 0x10:
            problems.append('sheet %d: no worksheet BOF' % n)
        index = [d for _, rt, d in recs if rt == 0x020B][0]
        dims = [d for _, rt, d in recs if rt == 0x0200][0]
        rwMic, rwMac, ibXF = struct.unpack_from('<III', index, 4)
        if (rwMic, rwMac) != struct.unpack_from('<II', dims):
            problems.append('sheet %d: INDEX rows differ from DIMENSIONS' % n)
        if at.get(ibXF, (0,))[0] != 0x0055:
            problems.append('sheet %d: INDEX ibXF is not DEFCOLWIDTH' % n)
        rows_seen = 0
        for k in range((len(index) - 16) // 4):
            db = struct.unpack_from('<I', index, 16 + 4 * k)[0]
            if at.get(db, (0,))[0] != 0x00D7:
                problems.append('sheet %d: INDEX entry %d is not a DBCELL' % (n, k))
                continue
            d = at[db][1]
            first_row = db - struct.unpack_from('<I', d)[0]
            offsets = struct.unpack_from('<%dH' % ((len(d) - 4) // 2), d, 4)
            row_numbers = []
            pos = first_row
            for _ in offsets:
                rt, rd = at.get(pos, (0, b''))
                if rt != 0x0208:
                    problems.append('sheet %d block %d: not a ROW at %d' % (n, k, pos))
                    break
                row_numbers.append(struct.unpack_from('<H', rd)[0])
                pos += 4 + len(rd)
            cell = first_row + 20
            for i, off in enumerate(offsets):
                cell += off
                rt, cd = at.get(cell, (0, b''))
                if rt not in (0x0203, 0x00FD, 0x0201) or i >= len(row_numbers) or struct.unpack_from('<H', cd)[0] != row_numbers[i]:
                    problems.append('sheet %d block %d: row %d cell offset wrong' % (n, k, i))
                    break
            rows_seen += len(row_numbers)
        if rows_seen != sum(1 for _, rt, _ in recs if rt == 0x0208):
            problems.append('sheet %d: DBCELLs cover %d rows' % (n, rows_seen))
    return problems

log = io.StringIO()
book = xlrd.open_workbook(sys.argv[1], logfile=log)
out = open(sys.argv[2], 'w', encoding='utf-8')
for line in log.getvalue().splitlines() + check(sys.argv[1]):
    if line.strip():
        out.write('W\t' + line.encode('utf-8').hex() + '\n')
for sheet in book.sheets():
    out.write('S\t%s\n' % sheet.name.encode('utf-8').hex())
    for r in range(sheet.nrows):
        cells = []
        for cell in sheet.row(r):
            if cell.ctype == xlrd.XL_CELL_TEXT:
                cells.append('T' + cell.value.encode('utf-8').hex())
            elif cell.ctype == xlrd.XL_CELL_NUMBER:
                cells.append('N%.17g' % cell.value)
            elif cell.ctype in (xlrd.XL_CELL_EMPTY, xlrd.XL_CELL_BLANK):
                cells.append('E')
            else:
                cells.append('?%d' % cell.ctype)
        out.write('R\t' + '\t'.join(cells) + '\n')
)";

std::string fromHex(const std::string& hex) {
    std::string bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return bytes;
}

ReadBook readBack(const TempDir& dir, const std::filesystem::path& workbook) {
    const auto script = dir.write("read_xls.py", ReaderScript);
    const auto dump = dir / "dump.txt";
    const std::string command = "/usr/bin/python3 '" + script.string() + "' '" + workbook.string() +
                                "' '" + dump.string() + "'";
    if (std::system(command.c_str()) != 0)
        throw std::runtime_error("xlrd could not read " + workbook.string());
    ReadBook book;
    std::ifstream in(dump);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string kind, field;
        std::getline(fields, kind, '\t');
        if (kind == "W") {
            std::getline(fields, field, '\t');
            book.warnings.push_back(fromHex(field));
        } else if (kind == "S") {
            std::getline(fields, field, '\t');
            book.sheets.push_back({fromHex(field), {}});
        } else {
            auto& row = book.sheets.back().rows.emplace_back();
            while (std::getline(fields, field, '\t')) {
                ReadCell cell;
                cell.type = field[0];
                if (cell.type == 'T')
                    cell.text = fromHex(field.substr(1));
                else if (cell.type == 'N')
                    cell.number = std::stod(field.substr(1));
                row.push_back(cell);
            }
        }
    }
    return book;
}

void expectText(const ReadCell& cell, const std::string& text) {
    EXPECT_EQ(cell.type, 'T');
    EXPECT_EQ(cell.text, text);
}

void expectNumber(const ReadCell& cell, double number) {
    EXPECT_EQ(cell.type, 'N');
    EXPECT_EQ(cell.number, number);
}

void expectEmpty(const ReadCell& cell) {
    EXPECT_EQ(cell.type, 'E');
}

uint32_t headerField(const std::string& file, std::size_t offset) {
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | static_cast<unsigned char>(file[offset + i]);
    return value;
}

std::vector<std::string> folderEntries(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(XlsWriter, KeepsChineseTextNumbersEmptyCellsAndTheFooterRow) {
    TempDir dir;
    const auto file = dir / "考试成绩导出20240131.xls";
    platform::XlsWriter writer({"单位名称", "成绩", "备注", "考试时间"},
                               {{150, 60, 0, 120}, "成绩"});
    writer.addRow({"考试成绩导出", 95.0, XlsCell{}, "2024-01-31 09:30:00"});
    writer.addRow({"Café Zürich", -87.25, "第二行", XlsCell{}});
    writer.addRow({XlsCell{}, 1e15, "", "𠀀 beyond the BMP"});
    writer.addRow({XlsCell{}, XlsCell{}, XlsCell{}, XlsCell{}});
    writer.addRow({"记录数:25", 25.0, ""});
    writer.save(file);

    const std::string bytes = testsupport::readFile(file);
    ASSERT_GE(bytes.size(), 512u + 4096u);
    EXPECT_EQ(bytes.substr(0, 8), "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1");
    EXPECT_EQ((bytes.size() - 512) % 512, 0u);
    // file(1), where installed, recognises the container and the workbook in it.
    if (std::filesystem::exists("/usr/bin/file")) {
        const std::string describe =
            "/usr/bin/file -b '" + file.string() + "' > '" + (dir / "file.txt").string() + "'";
        ASSERT_EQ(std::system(describe.c_str()), 0);
        EXPECT_EQ(testsupport::readFile(dir / "file.txt"), "CDFV2 Microsoft Excel\n");
    }

    const ReadBook book = readBack(dir, file);
    EXPECT_TRUE(book.warnings.empty()) << book.warnings.front();
    ASSERT_EQ(book.sheets.size(), 1u);
    EXPECT_EQ(book.sheets[0].name, "成绩1");
    const auto& rows = book.sheets[0].rows;
    ASSERT_EQ(rows.size(), 6u);
    for (const auto& row : rows)
        ASSERT_EQ(row.size(), 4u);
    expectText(rows[0][0], "单位名称");
    expectText(rows[0][3], "考试时间");
    expectText(rows[1][0], "考试成绩导出");
    expectNumber(rows[1][1], 95);
    expectEmpty(rows[1][2]);
    expectText(rows[1][3], "2024-01-31 09:30:00");
    expectText(rows[2][0], "Café Zürich");
    expectNumber(rows[2][1], -87.25);
    expectEmpty(rows[2][3]);
    expectNumber(rows[3][1], 1e15);
    expectEmpty(rows[3][2]);
    expectText(rows[3][3], "𠀀 beyond the BMP");
    for (const auto& cell : rows[4])
        expectEmpty(cell);
    expectText(rows[5][0], "记录数:25");
    expectNumber(rows[5][1], 25);
    expectEmpty(rows[5][2]);
}

TEST(XlsWriter, LongTextsAndAStringTableOverManyRecordsReadBackWhole) {
    TempDir dir;
    const auto file = dir / "long.xls";
    std::string chinese;
    for (int i = 0; i < 10000; ++i)
        chinese += i % 2 ? "成" : "绩";
    const std::string latin(20000, 'x');
    std::string tooLong;
    for (int i = 0; i < 40000; ++i)
        tooLong += "考";
    // Strings of every length from 1 to 60, mixed 8-bit and 16-bit, so that record boundaries
    // fall before, inside and just after a string's header.
    std::vector<std::string> many;
    for (int i = 0; i < 3000; ++i) {
        std::string text = std::to_string(i) + (i % 3 ? "-" : "中");
        text += std::string(static_cast<std::size_t>(i % 60), i % 2 ? 'a' : 'b');
        many.push_back(text);
    }

    platform::XlsWriter writer({"正文"});
    writer.addRow({chinese});
    writer.addRow({latin});
    writer.addRow({tooLong});
    for (const auto& text : many)
        writer.addRow({text});
    writer.save(file);

    const ReadBook book = readBack(dir, file);
    EXPECT_TRUE(book.warnings.empty()) << book.warnings.front();
    ASSERT_EQ(book.sheets.size(), 1u);
    const auto& rows = book.sheets[0].rows;
    ASSERT_EQ(rows.size(), 4u + many.size());
    expectText(rows[1][0], chinese);
    expectText(rows[2][0], latin);
    // A cell holds at most 32,767 characters.
    std::string cut;
    for (int i = 0; i < 32767; ++i)
        cut += "考";
    expectText(rows[3][0], cut);
    for (std::size_t i = 0; i < many.size(); ++i)
        expectText(rows[4 + i][0], many[i]);
}

XlsRow bigRow(std::size_t i) {
    return {static_cast<double>(i),
            "单位" + std::to_string(i % 97),
            "张三" + std::to_string(i),
            static_cast<double>(i % 100) + 0.5,
            i % 7 == 0 ? XlsCell{} : XlsCell{"2024-01-" + std::to_string(i % 28 + 10)},
            static_cast<double>(i * 3),
            "备注",
            -static_cast<double>(i)};
}

TEST(XlsWriter, SeventyThousandRowsGoOnInASecondSheetUnderTheTitlesAgain) {
    TempDir dir;
    const auto file = dir / "big.xls";
    const XlsRow titles = {"序号", "单位", "姓名", "成绩", "日期", "三倍", "备注", "负数"};
    constexpr std::size_t rowCount = 70000;
    std::vector<std::size_t> reported;
    ASSERT_TRUE(platform::WriteXlsFile(
        file, titles, rowCount, [](std::size_t i, XlsRow& row) { row = bigRow(i); }, {},
        [&](std::size_t done) {
            reported.push_back(done);
            return true;
        }));
    ASSERT_FALSE(reported.empty());
    EXPECT_EQ(reported.back(), rowCount);
    EXPECT_TRUE(std::is_sorted(reported.begin(), reported.end()));

    // Over 109 FAT sectors: the FAT is listed partly in DIFAT sectors.
    const std::string bytes = testsupport::readFile(file);
    EXPECT_GT(headerField(bytes, 44), 109u);
    EXPECT_GT(headerField(bytes, 72), 0u);

    const ReadBook book = readBack(dir, file);
    EXPECT_TRUE(book.warnings.empty()) << book.warnings.front();
    ASSERT_EQ(book.sheets.size(), 2u);
    EXPECT_EQ(book.sheets[0].name, "Sheet1");
    EXPECT_EQ(book.sheets[1].name, "Sheet2");
    ASSERT_EQ(book.sheets[0].rows.size(), 65536u);
    ASSERT_EQ(book.sheets[1].rows.size(), 1u + rowCount - 65535u);
    std::size_t next = 0;
    for (const auto& sheet : book.sheets) {
        for (std::size_t c = 0; c < titles.size(); ++c)
            ASSERT_EQ(sheet.rows[0][c].text, std::get<std::string>(titles[c]));
        for (std::size_t r = 1; r < sheet.rows.size(); ++r, ++next) {
            const XlsRow expected = bigRow(next);
            const auto& row = sheet.rows[r];
            ASSERT_EQ(row.size(), expected.size()) << next;
            for (std::size_t c = 0; c < expected.size(); ++c) {
                if (const auto* number = std::get_if<double>(&expected[c]))
                    ASSERT_EQ(row[c].number, *number) << next << "," << c;
                else if (const auto* text = std::get_if<std::string>(&expected[c]))
                    ASSERT_EQ(row[c].text, *text) << next << "," << c;
                else
                    ASSERT_EQ(row[c].type, 'E') << next << "," << c;
            }
        }
    }
    EXPECT_EQ(next, rowCount);
}

TEST(XlsWriter, SheetsHoldAllTheirRowsAndNamesAreMadeAcceptable) {
    platform::XlsWriter untitled({});
    for (std::size_t i = 0; i < platform::XlsWriter::MaxSheetRows; ++i)
        untitled.addRow({1.0});
    EXPECT_EQ(untitled.sheetCount(), 1u);
    untitled.addRow({1.0});
    EXPECT_EQ(untitled.sheetCount(), 2u);

    TempDir dir;
    const auto file = dir / "names.xls";
    platform::XlsWriter named({"标题"},
                              {{}, "成绩/汇总[2024]:全部考试成绩的明细表格和汇总表以及其他"});
    named.save(file);
    const ReadBook book = readBack(dir, file);
    ASSERT_EQ(book.sheets.size(), 1u);
    EXPECT_EQ(book.sheets[0].name, "成绩_汇总_2024__全部考试成绩的明细表格和汇总表以及其1");
    ASSERT_EQ(book.sheets[0].rows.size(), 1u);
    expectText(book.sheets[0].rows[0][0], "标题");

    EXPECT_THROW(named.addRow({1.0}), platform::Exception);
    platform::XlsWriter wide({});
    wide.addRow(XlsRow(256, 1.0));
    EXPECT_THROW(wide.addRow(XlsRow(257, 1.0)), platform::Exception);
    EXPECT_EQ(wide.rowCount(), 1u);
    EXPECT_THROW(platform::XlsWriter(XlsRow(257, "标题")), platform::Exception);
}

TEST(XlsWriter, AFailedWriteLeavesTheOldFileAndNoTemporaryFile) {
    TempDir dir;
    const auto file = dir.write("export.xls", "the old export");
    platform::XlsWriter writer({"序号"});
    for (int i = 0; i < 20000; ++i)
        writer.addRow({static_cast<double>(i), "第" + std::to_string(i) + "行"});

    // The disk fills up half way: writes beyond 64 KiB fail.
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 64 * 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    std::string message;
    try {
        writer.save(file);
    } catch (const platform::Exception& error) {
        message = error.what();
    }
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_NE(message.find("写入文件失败"), std::string::npos) << message;
    EXPECT_NE(message.find(file.string()), std::string::npos) << message;
    EXPECT_EQ(testsupport::readFile(file), "the old export");
    EXPECT_EQ(folderEntries(dir.path()), std::vector<std::string>{"export.xls"});

    // A folder that cannot hold the file, and a target that cannot be replaced.
    const auto notAFolder = dir / "export.xls" / "inside.xls";
    EXPECT_THROW(writer.save(notAFolder), platform::Exception);
    std::filesystem::create_directory(dir / "folder.xls");
    EXPECT_THROW(writer.save(dir / "folder.xls"), platform::Exception);
    EXPECT_TRUE(std::filesystem::is_directory(dir / "folder.xls"));
    EXPECT_EQ(testsupport::readFile(file), "the old export");
    EXPECT_EQ(folderEntries(dir.path()), (std::vector<std::string>{"export.xls", "folder.xls"}));

    // With room again the same writer replaces the old file.
    writer.save(file);
    EXPECT_EQ(readBack(dir, file).sheets.at(0).rows.size(), 20001u);
}

TEST(XlsWriter, AStoppedExportWritesNothing) {
    TempDir dir;
    const auto fresh = dir / "fresh.xls";
    const auto old = dir.write("old.xls", "old bytes");
    const auto source = [](std::size_t i, XlsRow& row) {
        row = bigRow(i);
    };
    std::size_t lastReport = 0;
    const auto stopAt3000 = [&](std::size_t done) {
        lastReport = done;
        return done < 3000;
    };
    EXPECT_FALSE(platform::WriteXlsFile(fresh, {"序号"}, 10000, source, {}, stopAt3000));
    EXPECT_GE(lastReport, 3000u);
    EXPECT_LT(lastReport, 10000u);
    EXPECT_FALSE(platform::WriteXlsFile(old, {"序号"}, 10000, source, {}, stopAt3000));
    // Stopping at the very end, after the last row, still writes nothing.
    EXPECT_FALSE(
        platform::WriteXlsFile(old, {}, 10, source, {}, [](std::size_t) { return false; }));
    EXPECT_EQ(testsupport::readFile(old), "old bytes");
    EXPECT_EQ(folderEntries(dir.path()), std::vector<std::string>{"old.xls"});
}

} // namespace
