#include "paperbuilder/XlsxBank.h"

#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <expat.h>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unzip.h>
#include <xlsxwriter.h>

namespace paperbuilder {

namespace {

// More than any question bank needs; a damaged or hostile archive may claim far more.
constexpr qsizetype MaxEntrySize = 256 * 1024 * 1024;

QString Damaged() {
    return QStringLiteral("不是有效的 .xlsx 文件，或文件已经损坏");
}

class ZipArchive final {
public:
    explicit ZipArchive(const QString& file) : zip(unzOpen64(QFile::encodeName(file).constData())) {
        if (!zip)
            throw BankError(Damaged());
    }
    ~ZipArchive() { unzClose(zip); }
    ZipArchive(const ZipArchive&) = delete;
    ZipArchive& operator=(const ZipArchive&) = delete;

    bool Contains(const QString& name) {
        return unzLocateFile(zip, name.toUtf8().constData(), 1) == UNZ_OK;
    }

    QByteArray Entry(const QString& name) {
        if (!Contains(name) || unzOpenCurrentFile(zip) != UNZ_OK)
            throw BankError(Damaged());
        QByteArray data;
        char buffer[64 * 1024];
        int got = 0;
        while ((got = unzReadCurrentFile(zip, buffer, sizeof buffer)) > 0) {
            if (data.size() + got > MaxEntrySize)
                break;
            data.append(buffer, got);
        }
        // Closing checks the entry's checksum once it has been read to its end.
        if (unzCloseCurrentFile(zip) != UNZ_OK || got != 0)
            throw BankError(Damaged());
        return data;
    }

private:
    unzFile zip;
};

// The events of one XML part, read by expat. Names are compared without their namespace
// prefix, which writers choose freely.
class XmlPart {
public:
    virtual ~XmlPart() = default;

    void Parse(const QByteArray& bytes) {
        const std::unique_ptr<XML_ParserStruct, decltype(&XML_ParserFree)> parser(
            XML_ParserCreate("UTF-8"), &XML_ParserFree);
        if (!parser)
            throw BankError(Damaged());
        XML_SetUserData(parser.get(), this);
        XML_SetElementHandler(
            parser.get(),
            [](void* part, const XML_Char* name, const XML_Char** attributes) {
                static_cast<XmlPart*>(part)->Start(LocalName(name), attributes);
            },
            [](void* part, const XML_Char* name) {
                static_cast<XmlPart*>(part)->End(LocalName(name));
            });
        XML_SetCharacterDataHandler(parser.get(), [](void* part, const XML_Char* text, int length) {
            static_cast<XmlPart*>(part)->Text(std::string_view(text, static_cast<size_t>(length)));
        });
        if (XML_Parse(parser.get(), bytes.constData(), static_cast<int>(bytes.size()), 1) !=
            XML_STATUS_OK)
            throw BankError(Damaged());
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
    QStringList strings;

protected:
    void Start(std::string_view name, const XML_Char** attributes) override {
        if (name == "si")
            item.clear();
        ItemTexts::Start(name, attributes);
    }
    void End(std::string_view name) override {
        ItemTexts::End(name);
        if (name == "si")
            strings.append(item);
    }
};

// The 0-based column of a reference such as "AB12"; -1 without letters.
int ColumnOf(QStringView reference) {
    int column = 0;
    qsizetype i = 0;
    for (; i < reference.size() && reference[i] >= u'A' && reference[i] <= u'Z' && column < 20000;
         ++i)
        column = column * 26 + (reference[i].unicode() - u'A' + 1);
    return i == 0 ? -1 : column - 1;
}

QString NumberText(const QString& raw) {
    bool ok = false;
    const double number = raw.toDouble(&ok);
    if (ok && number == static_cast<double>(static_cast<long long>(number)) &&
        std::abs(number) < 1e15)
        return QString::number(static_cast<long long>(number));
    return raw;
}

void PutCell(TableRow& row, int column, const QString& text) {
    if (column >= 16384)
        throw BankError(Damaged());
    if (row.cells.size() <= column)
        row.cells.resize(column + 1);
    row.cells[column] = text;
}

// The rows of a worksheet, each cell as its text.
class Sheet final : public ItemTexts {
public:
    Sheet(const QString& name, const QStringList& shared) : shared(shared) { table.name = name; }
    Table table;

protected:
    void Start(std::string_view name, const XML_Char** attributes) override {
        if (name == "row") {
            const int previous = table.rows.empty() ? 0 : table.rows.back().number;
            const int number = Attribute(attributes, "r").toInt();
            table.rows.push_back({number > 0 ? number : previous + 1, {}});
        } else if (name == "c" && !table.rows.empty()) {
            inCell = true;
            column = ColumnOf(Attribute(attributes, "r"));
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
            TableRow& row = table.rows.back();
            PutCell(row, column >= 0 ? column : static_cast<int>(row.cells.size()), CellText());
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
                throw BankError(Damaged());
            return shared[index];
        }
        if (type.isEmpty() || type == QLatin1String("n"))
            return NumberText(text);
        return text;
    }

    const QStringList& shared;
    bool inCell = false;
    bool inValue = false;
    int column = -1;
    QString type;
    std::string value;
};

template <class Part, class... Arguments>
Part Parsed(const QByteArray& bytes, Arguments&&... arguments) {
    Part part(std::forward<Arguments>(arguments)...);
    part.Parse(bytes);
    return part;
}

std::optional<Table> SheetNamed(const std::vector<Table>& sheets, const QString& name) {
    for (const Table& sheet : sheets)
        if (sheet.name == name)
            return sheet;
    return std::nullopt;
}

// ---------------------------------------------------------------------------------------------
// Writing

class Workbook final {
public:
    explicit Workbook(const QString& file) : book(workbook_new(QFile::encodeName(file))) {
        if (!book)
            throw BankError(QStringLiteral("无法创建工作簿"));
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

    // titled: the first row holds column titles, which stay in view when scrolling.
    void AddSheet(const QString& name, const std::vector<QStringList>& rows,
                  const std::vector<double>& widths, bool titled) {
        lxw_worksheet* sheet = workbook_add_worksheet(book, name.toUtf8().constData());
        if (!sheet)
            throw BankError(QStringLiteral("无法创建工作表“%1”").arg(name));
        for (size_t c = 0; c < widths.size(); ++c)
            worksheet_set_column(sheet, static_cast<lxw_col_t>(c), static_cast<lxw_col_t>(c),
                                 widths[c], nullptr);
        for (size_t r = 0; r < rows.size(); ++r)
            for (qsizetype c = 0; c < rows[r].size(); ++c)
                Write(sheet, r, c, rows[r][c], titled && r == 0 ? header : text,
                      titled && r > 0 && rows[0][c] == column::Marks);
        if (titled)
            worksheet_freeze_panes(sheet, 1, 0);
    }

    void Close() {
        const lxw_error result = workbook_close(book);
        book = nullptr;
        if (result != LXW_NO_ERROR)
            throw BankError(QStringLiteral("无法写入工作簿：%1").arg(lxw_strerror(result)));
    }

private:
    static void Write(lxw_worksheet* sheet, size_t row, qsizetype column, const QString& value,
                      lxw_format* format, bool numeric) {
        if (value.isEmpty())
            return;
        // Marks go in as numbers, as a spreadsheet program enters them.
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
            throw BankError(QStringLiteral("第 %1 行无法写入工作簿：%2")
                                .arg(row + 1)
                                .arg(lxw_strerror(result)));
    }

    lxw_workbook* book;
    lxw_format* header;
    lxw_format* text;
};

std::vector<double> QuestionWidths(const QStringList& titles) {
    std::vector<double> widths;
    for (const QString& title : titles)
        widths.push_back(title == column::Stem                    ? 48
                         : title.startsWith(column::OptionPrefix) ? 22
                         : title == column::Items                 ? 24
                                                                  : 10);
    return widths;
}

} // namespace

std::vector<Table> ReadXlsxSheets(const QString& file) {
    ZipArchive zip(file);
    const auto sheets = Parsed<SheetList>(zip.Entry(QStringLiteral("xl/workbook.xml"))).sheets;
    const auto targets =
        Parsed<Relations>(zip.Entry(QStringLiteral("xl/_rels/workbook.xml.rels"))).targets;
    const QString sharedPart = QStringLiteral("xl/sharedStrings.xml");
    const QStringList shared = zip.Contains(sharedPart)
                                   ? Parsed<SharedStrings>(zip.Entry(sharedPart)).strings
                                   : QStringList();
    std::vector<Table> tables;
    for (const auto& [name, id] : sheets) {
        const QString target = targets.value(id);
        if (target.isEmpty())
            throw BankError(QStringLiteral("找不到工作表“%1”").arg(name));
        tables.push_back(Parsed<Sheet>(zip.Entry(target), name, shared).table);
    }
    return tables;
}

Bank ReadXlsxBank(const QString& file) {
    const std::vector<Table> sheets = ReadXlsxSheets(file);
    if (sheets.empty() || sheets.front().name == InfoSheetName)
        throw BankError(QStringLiteral("工作簿中没有试题表"));
    return BankFromTables(file, sheets.front(), SheetNamed(sheets, InfoSheetName));
}

namespace {

// The workbook is written beside, then put in place in one step.
void WriteWorkbook(const QString& file, const std::function<void(Workbook&)>& fill) {
    QTemporaryDir folder;
    if (!folder.isValid())
        throw BankError(QStringLiteral("无法创建临时文件夹"));
    const QString temporary = folder.filePath(QStringLiteral("bank.xlsx"));
    {
        Workbook book(temporary);
        fill(book);
        book.Close();
    }
    ReplaceFile(file, ReadFileBytes(temporary));
}

} // namespace

void WriteXlsxBank(const Bank& bank, const QString& file) {
    WriteWorkbook(file, [&bank](Workbook& book) {
        const std::vector<QStringList> rows = QuestionRows(bank);
        book.AddSheet(QStringLiteral("试题"), rows, QuestionWidths(rows.front()), true);
        book.AddSheet(InfoSheetName, InfoRows(bank), {16, 60}, false);
    });
}

void WriteXlsxTable(const QString& sheetName, const std::vector<QStringList>& rows,
                    const std::vector<double>& widths, const QString& file) {
    WriteWorkbook(file, [&](Workbook& book) { book.AddSheet(sheetName, rows, widths, true); });
}

} // namespace paperbuilder
