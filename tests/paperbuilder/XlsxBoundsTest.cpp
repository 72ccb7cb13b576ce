// The .xlsx reader against hostile workbooks: every bound and hostile value gives its fault with
// its row, and a zip bomb is refused before it is inflated.

#include "sheets/Xlsx.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>
#include <zip.h>

namespace {

using namespace sheets;

std::map<QString, QByteArray> WorkbookOf(const std::string& rows) {
    return {
        {QStringLiteral("xl/workbook.xml"),
         R"(<workbook xmlns:r="r"><sheets><sheet name="试题" r:id="rId1"/></sheets></workbook>)"},
        {QStringLiteral("xl/_rels/workbook.xml.rels"),
         R"(<Relationships><Relationship Id="rId1" Target="worksheets/sheet1.xml"/></Relationships>)"},
        {QStringLiteral("xl/worksheets/sheet1.xml"),
         QByteArray::fromStdString("<worksheet><sheetData>" + rows + "</sheetData></worksheet>")},
    };
}

std::string Row(const std::string& number, const std::string& cells) {
    return "<row" + (number.empty() ? "" : " r=\"" + number + "\"") + ">" + cells + "</row>";
}

std::string Repeated(int times, const std::string& text) {
    return QByteArray::fromStdString(text).repeated(times).toStdString();
}

std::pair<QString, int> FaultOf(const std::string& rows) {
    try {
        XlsxSheetsFromParts(WorkbookOf(rows));
    } catch (const SheetError& e) {
        return {e.message(), e.row};
    }
    return {QStringLiteral("no fault"), -1};
}

TEST(XlsxBounds, EachBoundAndHostileValueGivesItsFaultWithItsRow) {
    const QString damaged = QStringLiteral("不是有效的 .xlsx 文件，或文件已经损坏");
    const QString rows = QStringLiteral("超出了可读的 65536 行");
    const QString columns = QStringLiteral("单元格超出了可读的 1024 列");
    const struct {
        const char* what;
        std::string rows;
        QString message;
        int row;
    } cases[] = {
        {"row past the bound", Row("65537", "<c><v>1</v></c>"), rows, 65537},
        {"largest row number", Row("2147483647", "<c><v>1</v></c>"), rows, 2147483647},
        {"row after the largest", Row("2147483647", "") + Row("", "<c><v>1</v></c>"), rows, 65537},
        {"column past the bound", Row("3", R"(<c r="AMK3"><v>1</v></c>)"), columns, 3},
        {"last column of the sheet", Row("4", R"(<c r="XFD4"><v>1</v></c>)"), columns, 4},
        {"a column after the last", Row("5", R"(<c r="AMJ5"><v>1</v></c><c><v>2</v></c>)"), columns,
         5},
        {"rows past the count", Repeated(65537, Row("7", "<c><v>1</v></c>")),
         QStringLiteral("工作表“试题”超过 65536 行"), 7},
        {"cells past the budget", Repeated(1025, Row("9", R"(<c r="AMJ9"><v>1</v></c>)")),
         QStringLiteral("工作簿的单元格超过 1048576 个"), 9},
        // Raised inside expat's callback, it comes out once expat has returned.
        {"shared string that is not there", Row("6", R"(<c t="s"><v>0</v></c>)"), damaged, 6},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FaultOf(c.rows), std::make_pair(c.message, c.row)) << c.what;
    // No document type, so no entities.
    auto withEntities = WorkbookOf("");
    withEntities[QStringLiteral("xl/worksheets/sheet1.xml")] =
        R"(<!DOCTYPE w [<!ENTITY a "aaaaaaaa">]><worksheet/>)";
    EXPECT_THROW(XlsxSheetsFromParts(withEntities), SheetError);
}

// Values on the bounds are read; blank cells far out cost nothing; numbers too large for a whole
// number stay as written.
TEST(XlsxBounds, ValuesOnTheBoundsAreReadAndLargeNumbersStayAsWritten) {
    const std::vector<Table> sheets = XlsxSheetsFromParts(WorkbookOf(
        Row("65536", R"(<c r="AMJ65536"><v>1e300</v></c>)") + Row("", R"(<c r="XFD65537"/>)") +
        Row("2", "<c><v>12.0</v></c><c><v>-1E+308</v></c>")));
    ASSERT_EQ(sheets.size(), 1u);
    const std::vector<TableRow>& rows = sheets[0].rows;
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].number, 65536);
    ASSERT_EQ(rows[0].cells.size(), 1024);
    EXPECT_EQ(rows[0].cells[1023], QStringLiteral("1e300"));
    EXPECT_EQ(rows[1].number, 2);
    EXPECT_EQ(rows[1].cells, (QStringList{QStringLiteral("12"), QStringLiteral("-1E+308")}));
}

// A sheet that inflates to 40 MB from a few kilobytes.
std::string ZipBomb(const testsupport::TempDir& dir) {
    const std::string file = (dir / "bomb.xlsx").string();
    zipFile zip = zipOpen64(file.c_str(), APPEND_STATUS_CREATE);
    const auto add = [&](const char* name, const std::string& bytes, int copies) {
        zipOpenNewFileInZip64(zip, name, nullptr, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED, 9,
                              1);
        for (int i = 0; i < copies; ++i)
            zipWriteInFileInZip(zip, bytes.data(), static_cast<unsigned>(bytes.size()));
        zipCloseFileInZip(zip);
    };
    for (const auto& [name, bytes] : WorkbookOf(""))
        if (!name.endsWith(QStringLiteral("sheet1.xml")))
            add(name.toUtf8().constData(), bytes.toStdString(), 1);
    add("xl/worksheets/sheet1.xml", std::string(1 << 20, ' '), 40);
    zipClose(zip, nullptr);
    return testsupport::readFile(file);
}

TEST(XlsxBounds, AZipBombAndAnOversizedFileAreRefused) {
    testsupport::TempDir dir;
    const std::string bomb = ZipBomb(dir);
    EXPECT_LT(bomb.size(), 200'000u);
    try {
        XlsxSheetsFromBytes(bomb);
        ADD_FAILURE() << "bomb read";
    } catch (const SheetError& e) {
        EXPECT_EQ(e.message(), QStringLiteral("工作簿解压后超过 32 MB，不像是题库"));
    }
    try {
        XlsxSheetsFromBytes(std::string(32 * 1024 * 1024 + 1, 'P'));
        ADD_FAILURE() << "oversized file read";
    } catch (const SheetError& e) {
        EXPECT_EQ(e.message(), QStringLiteral("文件超过 32 MB，不像是题库"));
    }
}

} // namespace
