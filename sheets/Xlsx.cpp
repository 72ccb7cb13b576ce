#include "sheets/Xlsx.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <exception>
#include <expat.h>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unzip.h>
#include <xlsxwriter.h>

namespace sheets {

namespace {

// Bounds on what a workbook may make the reader hold. A question bank needs a small part of each;
// a damaged or hostile workbook may claim far more, and a few kilobytes of deflated XML can
// describe gigabytes of cells.
constexpr int MaxRows = 65536;
constexpr int MaxColumns = 1024;
// The file itself, and all its parts together once inflated.
constexpr qsizetype MaxWorkbookBytes = 32 * 1024 * 1024;
// What a part's stated size may reserve before any of it is inflated.
constexpr qsizetype MaxReservedBytes = 1024 * 1024;
// The cells held (the blank ones before a cell in its row included) and the shared strings.
constexpr qsizetype MaxCells = 1024 * 1024;

QString Damaged() {
    return QStringLiteral("不是有效的 .xlsx 文件，或文件已经损坏");
}

// What the whole workbook may still use of the bounds above.
struct Budget {
    qsizetype inflatedBytes = MaxWorkbookBytes;
    qsizetype cells = MaxCells;

    void TakeCells(qsizetype count, int row) {
        if (count > cells)
            throw SheetError(QStringLiteral("工作簿的单元格超过 %1 个").arg(MaxCells), row);
        cells -= count;
    }
};

SheetError FileTooLarge() {
    return SheetError(QStringLiteral("文件超过 %1 MB，不像是题库").arg(MaxWorkbookBytes >> 20));
}

SheetError InflatedTooLarge() {
    return SheetError(
        QStringLiteral("工作簿解压后超过 %1 MB，不像是题库").arg(MaxWorkbookBytes >> 20));
}

// A zip archive read from memory through minizip's I/O hooks.
class ZipArchive final {
public:
    ZipArchive(const std::string& bytes, Budget& budget) : stream{bytes, 0}, budget(budget) {
        zlib_filefunc64_def io{};
        io.zopen64_file = [](voidpf opaque, const void*, int) -> voidpf {
            return opaque;
        };
        io.zread_file = &Read;
        io.zwrite_file = [](voidpf, voidpf, const void*, uLong) -> uLong {
            return 0;
        };
        io.ztell64_file = [](voidpf, voidpf s) -> ZPOS64_T {
            return Stream(s).position;
        };
        io.zseek64_file = &Seek;
        io.zclose_file = [](voidpf, voidpf) {
            return 0;
        };
        io.zerror_file = [](voidpf, voidpf) {
            return 0;
        };
        io.opaque = &stream;
        zip = unzOpen2_64("", &io);
        if (!zip)
            throw SheetError(Damaged());
    }
    ~ZipArchive() { unzClose(zip); }
    ZipArchive(const ZipArchive&) = delete;
    ZipArchive& operator=(const ZipArchive&) = delete;

    bool Contains(const QString& name) {
        return unzLocateFile(zip, name.toUtf8().constData(), 1) == UNZ_OK;
    }

    QByteArray Entry(const QString& name) {
        unz_file_info64 info{};
        if (!Contains(name) ||
            unzGetCurrentFileInfo64(zip, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK)
            throw SheetError(Damaged());
        // minizip inflates no more than the size the archive states, so a zip bomb that states
        // its size is refused here, before any inflating, and one that understates it fails its
        // checksum.
        if (info.uncompressed_size > static_cast<ZPOS64_T>(budget.inflatedBytes))
            throw InflatedTooLarge();
        if (unzOpenCurrentFile(zip) != UNZ_OK)
            throw SheetError(Damaged());
        // The stated size is only a claim until the checksum holds, so a small file reserves
        // no more than a small part of the budget up front.
        QByteArray data;
        data.reserve(std::min(static_cast<qsizetype>(info.uncompressed_size), MaxReservedBytes));
        char buffer[64 * 1024];
        int got = 0;
        while ((got = unzReadCurrentFile(zip, buffer, sizeof buffer)) > 0) {
            if (got > budget.inflatedBytes - data.size()) {
                unzCloseCurrentFile(zip);
                throw InflatedTooLarge();
            }
            data.append(buffer, got);
        }
        // Closing checks the entry's checksum once it has been read to its end.
        if (unzCloseCurrentFile(zip) != UNZ_OK || got != 0)
            throw SheetError(Damaged());
        budget.inflatedBytes -= data.size();
        return data;
    }

private:
    struct MemoryStream {
        std::string_view bytes;
        ZPOS64_T position;
    };
    static MemoryStream& Stream(voidpf stream) { return *static_cast<MemoryStream*>(stream); }

    static uLong Read(voidpf, voidpf s, void* buffer, uLong size) {
        MemoryStream& in = Stream(s);
        const uLong count = static_cast<uLong>(std::min<ZPOS64_T>(
            size, in.bytes.size() - std::min<ZPOS64_T>(in.position, in.bytes.size())));
        std::memcpy(buffer, in.bytes.data() + in.position, count);
        in.position += count;
        return count;
    }
    static long Seek(voidpf, voidpf s, ZPOS64_T offset, int origin) {
        MemoryStream& in = Stream(s);
        const ZPOS64_T base = origin == ZLIB_FILEFUNC_SEEK_CUR   ? in.position
                              : origin == ZLIB_FILEFUNC_SEEK_END ? in.bytes.size()
                                                                 : 0;
        if (offset > in.bytes.size() - base)
            return -1;
        in.position = base + offset;
        return 0;
    }

    MemoryStream stream;
    Budget& budget;
    unzFile zip;
};

// The events of one XML part, read by expat. Names are compared without their namespace
// prefix, which writers choose freely. A handler's exception must not pass through expat's C
// code: it stops the parser and is raised again once expat has returned.
class XmlPart {
public:
    virtual ~XmlPart() = default;

    void Parse(const QByteArray& bytes) {
        const std::unique_ptr<XML_ParserStruct, decltype(&XML_ParserFree)> owner(
            XML_ParserCreate("UTF-8"), &XML_ParserFree);
        parser = owner.get();
        if (!parser)
            throw SheetError(Damaged());
        XML_SetUserData(parser, this);
        XML_SetElementHandler(
            parser,
            [](void* part, const XML_Char* name, const XML_Char** attributes) {
                Handle(part, [&](XmlPart& self) { self.Start(LocalName(name), attributes); });
            },
            [](void* part, const XML_Char* name) {
                Handle(part, [&](XmlPart& self) { self.End(LocalName(name)); });
            });
        XML_SetCharacterDataHandler(parser, [](void* part, const XML_Char* text, int length) {
            Handle(part, [&](XmlPart& self) {
                self.Text(std::string_view(text, static_cast<size_t>(length)));
            });
        });
        // No part of a workbook has a document type; entities are a way to blow a part up.
        XML_SetStartDoctypeDeclHandler(
            parser, [](void* part, const XML_Char*, const XML_Char*, const XML_Char*, int) {
                Handle(part, [](XmlPart&) { throw SheetError(Damaged()); });
            });
        const XML_Status status =
            XML_Parse(parser, bytes.constData(), static_cast<int>(bytes.size()), 1);
        parser = nullptr;
        if (failure)
            std::rethrow_exception(failure);
        if (status != XML_STATUS_OK)
            throw SheetError(Damaged());
    }

protected:
    virtual void Start(std::string_view name, const XML_Char** attributes) = 0;
    virtual void End(std::string_view) {}
    virtual void Text(std::string_view) {}

    static std::string_view LocalName(std::string_view name) {
        const size_t colon = name.rfind(':');
        return colon == std::string_view::npos ? name : name.substr(colon + 1);
    }
    // The value of the attribute of that local name; empty when there is none.
    static QString Attribute(const XML_Char** attributes, std::string_view name) {
        for (; attributes[0]; attributes += 2)
            if (LocalName(attributes[0]) == name)
                return QString::fromUtf8(attributes[1]);
        return {};
    }

private:
    // expat may deliver a few more events after a stop; they are dropped.
    template <class Event> static void Handle(void* part, const Event& event) noexcept {
        XmlPart& self = *static_cast<XmlPart*>(part);
        if (self.failure)
            return;
        try {
            event(self);
        } catch (...) {
            self.failure = std::current_exception();
            XML_StopParser(self.parser, XML_FALSE);
        }
    }

    XML_Parser parser = nullptr;
    std::exception_ptr failure;
};

// Sheet names and relationship ids, in the workbook's order.
class SheetList final : public XmlPart {
public:
    std::vector<std::pair<QString, QString>> sheets;

protected:
    void Start(std::string_view name, const XML_Char** attributes) override {
        if (name == "sheet")
            sheets.emplace_back(Attribute(attributes, "name"), Attribute(attributes, "id"));
    }
};

// Archive paths of the workbook's parts by relationship id.
class Relations final : public XmlPart {
public:
    QHash<QString, QString> targets;

protected:
    void Start(std::string_view name, const XML_Char** attributes) override {
        if (name != "Relationship")
            return;
        const QString target = Attribute(attributes, "Target");
        targets.insert(Attribute(attributes, "Id"), target.startsWith(QLatin1Char('/'))
                                                        ? target.mid(1)
                                                        : QStringLiteral("xl/") + target);
    }
};

// Spreadsheet programs write characters that XML cannot hold, carriage returns among them, as
// "_xHHHH_".
QString Unescaped(const QString& text) {
    static const QRegularExpression escape(QStringLiteral("_x([0-9A-Fa-f]{4})_"));
    if (!text.contains(QStringLiteral("_x")))
        return text;
    QString out;
    qsizetype last = 0;
    for (auto it = escape.globalMatch(text); it.hasNext();) {
        const auto match = it.next();
        out += QStringView(text).mid(last, match.capturedStart() - last);
        out += QChar(char16_t(match.captured(1).toUShort(nullptr, 16)));
        last = match.capturedEnd();
    }
    return out.append(QStringView(text).mid(last));
}

// The text of string items (a shared string, an inline string): their runs, without the
// phonetic guides.
class ItemTexts : public XmlPart {
protected:
    void Start(std::string_view name, const XML_Char**) override {
        if (name == "rPh")
            ++phonetic;
        else if (name == "t" && phonetic == 0)
            inRun = true;
    }
    void End(std::string_view name) override {
        if (name == "rPh") {
            --phonetic;
        } else if (name == "t" && inRun) {
            item += Unescaped(QString::fromUtf8(run.data(), static_cast<qsizetype>(run.size())));
            run.clear();
            inRun = false;
        }
    }
    void Text(std::string_view text) override {
        if (inRun)
            run += text;
    }

    QString item;

private:
    std::string run;
    int phonetic = 0;
    bool inRun = false;
};

class SharedStrings final : public ItemTexts {
public:
    explicit SharedStrings(Budget& budget) : budget(budget) {}
    QStringList strings;

protected:
    void Start(std::string_view name, const XML_Char** attributes) override {
        if (name == "si")
            item.clear();
        ItemTexts::Start(name, attributes);
    }
    void End(std::string_view name) override {
        ItemTexts::End(name);
        if (name == "si") {
            budget.TakeCells(1, 0);
            strings.append(item);
        }
    }

private:
    Budget& budget;
};

// The 0-based column of a reference such as "AB12"; -1 without letters. Far-out columns all
// give some column past the bound.
int ColumnOf(QStringView reference) {
    int column = 0;
    qsizetype i = 0;
    for (; i < reference.size() && reference[i] >= u'A' && reference[i] <= u'Z'; ++i)
        column = std::min(column * 26 + (reference[i].unicode() - u'A' + 1), MaxColumns + 1);
    return i == 0 ? -1 : column - 1;
}

// A whole number is written without its fraction, as a spreadsheet program shows it. The range
// is checked first: converting a double beyond long long's range is undefined.
QString NumberText(const QString& raw) {
    bool ok = false;
    const double number = raw.toDouble(&ok);
    if (ok && std::abs(number) < 1e15 && number == std::trunc(number))
        return QString::number(static_cast<long long>(number));
    return raw;
}

// The rows of a worksheet, each cell as its text. Blank cells and rows are not held, so a
// formatted cell far out costs nothing; a cell with a value past the bounds is a fault.
class Sheet final : public ItemTexts {
public:
    Sheet(const QString& name, const QStringList& shared, Budget& budget)
        : shared(shared), budget(budget) {
        table.name = name;
    }
    Table table;

protected:
    void Start(std::string_view name, const XML_Char** attributes) override {
        if (name == "row") {
            const int number = Attribute(attributes, "r").toInt();
            // Past the bound every row number is as good as the next one: no overflow.
            rowNumber = number > 0 ? number : std::min(rowNumber, MaxRows) + 1;
            rowHeld = false;
            nextColumn = 0;
        } else if (name == "c" && rowNumber > 0) {
            inCell = true;
            const int reference = ColumnOf(Attribute(attributes, "r"));
            column = reference >= 0 ? reference : nextColumn;
            nextColumn = std::min(column, MaxColumns) + 1;
            type = Attribute(attributes, "t");
            value.clear();
            item.clear();
        } else if (name == "v" && inCell) {
            inValue = true;
        } else {
            ItemTexts::Start(name, attributes);
        }
    }
    void End(std::string_view name) override {
        if (name == "v") {
            inValue = false;
        } else if (name == "c" && inCell) {
            inCell = false;
            const QString text = CellText();
            if (!text.isEmpty())
                PutCell(text);
        } else {
            ItemTexts::End(name);
        }
    }
    void Text(std::string_view text) override {
        if (inValue)
            value += text;
        else
            ItemTexts::Text(text);
    }

private:
    QString CellText() const {
        if (type == QLatin1String("inlineStr"))
            return item;
        const QString text = QString::fromUtf8(value.data(), static_cast<qsizetype>(value.size()));
        if (type == QLatin1String("s")) {
            bool ok = false;
            const int index = text.toInt(&ok);
            if (!ok || index < 0 || index >= shared.size())
                throw SheetError(Damaged(), rowNumber);
            return shared[index];
        }
        if (type.isEmpty() || type == QLatin1String("n"))
            return NumberText(text);
        return text;
    }

    void PutCell(const QString& text) {
        if (rowNumber > MaxRows)
            throw SheetError(QStringLiteral("超出了可读的 %1 行").arg(MaxRows), rowNumber);
        if (column >= MaxColumns)
            throw SheetError(QStringLiteral("单元格超出了可读的 %1 列").arg(MaxColumns), rowNumber);
        if (!rowHeld) {
            if (table.rows.size() >= MaxRows)
                throw SheetError(
                    QStringLiteral("工作表“%1”超过 %2 行").arg(table.name).arg(MaxRows), rowNumber);
            table.rows.push_back({rowNumber, {}});
            rowHeld = true;
        }
        QStringList& cells = table.rows.back().cells;
        if (cells.size() <= column) {
            budget.TakeCells(column + 1 - cells.size(), rowNumber);
            cells.resize(column + 1);
        }
        cells[column] = text;
    }

    const QStringList& shared;
    Budget& budget;
    int rowNumber = 0;
    bool rowHeld = false;
    int nextColumn = 0;
    bool inCell = false;
    bool inValue = false;
    int column = 0;
    QString type;
    std::string value;
};

template <class Part, class... Arguments>
Part Parsed(const QByteArray& bytes, Arguments&&... arguments) {
    Part part(std::forward<Arguments>(arguments)...);
    part.Parse(bytes);
    return part;
}

// The parts of an archive already unpacked, under the same bound.
struct UnpackedParts {
    const std::map<QString, QByteArray>& parts;
    Budget& budget;

    bool Contains(const QString& name) const { return parts.contains(name); }
    QByteArray Entry(const QString& name) const {
        const auto part = parts.find(name);
        if (part == parts.end())
            throw SheetError(Damaged());
        if (part->second.size() > budget.inflatedBytes)
            throw InflatedTooLarge();
        budget.inflatedBytes -= part->second.size();
        return part->second;
    }
};

// The sheets of a workbook whose parts come from an archive or from memory.
template <class Parts> std::vector<Table> SheetsOf(Parts& parts, Budget& budget) {
    const auto sheets = Parsed<SheetList>(parts.Entry(QStringLiteral("xl/workbook.xml"))).sheets;
    const auto targets =
        Parsed<Relations>(parts.Entry(QStringLiteral("xl/_rels/workbook.xml.rels"))).targets;
    const QString sharedPart = QStringLiteral("xl/sharedStrings.xml");
    const QStringList shared = parts.Contains(sharedPart)
                                   ? Parsed<SharedStrings>(parts.Entry(sharedPart), budget).strings
                                   : QStringList();
    std::vector<Table> tables;
    for (const auto& [name, id] : sheets) {
        const QString target = targets.value(id);
        if (target.isEmpty())
            throw SheetError(QStringLiteral("找不到工作表“%1”").arg(name));
        tables.push_back(Parsed<Sheet>(parts.Entry(target), name, shared, budget).table);
    }
    return tables;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Writing

namespace {

class Workbook final {
public:
    explicit Workbook(const QString& file) : book(workbook_new(QFile::encodeName(file))) {
        if (!book)
            throw SheetError(QStringLiteral("无法创建工作簿"));
        header = workbook_add_format(book);
        format_set_bold(header);
        format_set_bg_color(header, 0xDDEBF7);
        format_set_border(header, LXW_BORDER_THIN);
        text = workbook_add_format(book);
        format_set_text_wrap(text);
        format_set_align(text, LXW_ALIGN_VERTICAL_TOP);
    }
    ~Workbook() {
        if (book)
            workbook_close(book);
    }
    Workbook(const Workbook&) = delete;
    Workbook& operator=(const Workbook&) = delete;

    void AddSheet(const SheetContent& content) {
        const auto& [name, rows, widths, titled, numberColumns] = content;
        lxw_worksheet* sheet = workbook_add_worksheet(book, name.toUtf8().constData());
        if (!sheet)
            throw SheetError(QStringLiteral("无法创建工作表“%1”").arg(name));
        for (size_t c = 0; c < widths.size(); ++c)
            worksheet_set_column(sheet, static_cast<lxw_col_t>(c), static_cast<lxw_col_t>(c),
                                 widths[c], nullptr);
        for (size_t r = 0; r < rows.size(); ++r)
            for (qsizetype c = 0; c < rows[r].size(); ++c)
                Write(sheet, r, c, rows[r][c], titled && r == 0 ? header : text,
                      titled && r > 0 && numberColumns.contains(rows[0][c]));
        if (titled)
            worksheet_freeze_panes(sheet, 1, 0);
    }

    void Close() {
        const lxw_error result = workbook_close(book);
        book = nullptr;
        if (result != LXW_NO_ERROR)
            throw SheetError(QStringLiteral("无法写入工作簿：%1").arg(lxw_strerror(result)));
    }

private:
    static void Write(lxw_worksheet* sheet, size_t row, qsizetype column, const QString& value,
                      lxw_format* format, bool numeric) {
        if (value.isEmpty())
            return;
        // Numbers go in as numbers, as a spreadsheet program enters them.
        bool isNumber = false;
        const double number = value.toDouble(&isNumber);
        const lxw_error result =
            numeric && isNumber
                ? worksheet_write_number(sheet, static_cast<lxw_row_t>(row),
                                         static_cast<lxw_col_t>(column), number, format)
                : worksheet_write_string(sheet, static_cast<lxw_row_t>(row),
                                         static_cast<lxw_col_t>(column), value.toUtf8().constData(),
                                         format);
        if (result != LXW_NO_ERROR)
            throw SheetError(QStringLiteral("第 %1 行无法写入工作簿：%2")
                                 .arg(row + 1)
                                 .arg(lxw_strerror(result)));
    }

    lxw_workbook* book;
    lxw_format* header;
    lxw_format* text;
};

} // namespace

std::vector<Table> XlsxSheetsFromBytes(const std::string& bytes) {
    if (bytes.size() > static_cast<size_t>(MaxWorkbookBytes))
        throw FileTooLarge();
    Budget budget;
    ZipArchive zip(bytes, budget);
    return SheetsOf(zip, budget);
}

std::vector<Table> XlsxSheetsFromParts(const std::map<QString, QByteArray>& parts) {
    Budget budget;
    UnpackedParts unpacked{parts, budget};
    return SheetsOf(unpacked, budget);
}

std::vector<Table> ReadXlsxSheets(const QString& file) {
    if (QFileInfo(file).size() > MaxWorkbookBytes)
        throw FileTooLarge();
    return XlsxSheetsFromBytes(ReadFileBytes(file));
}

std::optional<Table> SheetNamed(const std::vector<Table>& sheets, const QString& name) {
    for (const Table& sheet : sheets)
        if (sheet.name == name)
            return sheet;
    return std::nullopt;
}

// The workbook is written beside, then put in place in one step.
void WriteXlsxWorkbook(const QString& file, const std::vector<SheetContent>& sheets) {
    QTemporaryDir folder;
    if (!folder.isValid())
        throw SheetError(QStringLiteral("无法创建临时文件夹"));
    const QString temporary = folder.filePath(QStringLiteral("book.xlsx"));
    {
        Workbook book(temporary);
        for (const SheetContent& sheet : sheets)
            book.AddSheet(sheet);
        book.Close();
    }
    ReplaceFile(file, ReadFileBytes(temporary));
}

void WriteXlsxTable(const QString& sheetName, const std::vector<QStringList>& rows,
                    const std::vector<double>& widths, const QString& file) {
    WriteXlsxWorkbook(file, {{sheetName, rows, widths, true, {}}});
}

} // namespace sheets
