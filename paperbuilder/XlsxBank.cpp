#include "paperbuilder/XlsxBank.h"

#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <memory>
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

void CheckParsed(const QXmlStreamReader& xml) {
    if (xml.hasError())
        throw BankError(Damaged());
}

// Sheet names by relationship id, in the workbook's order.
std::vector<std::pair<QString, QString>> SheetsOf(const QByteArray& workbook) {
    std::vector<std::pair<QString, QString>> sheets;
    QXmlStreamReader xml(workbook);
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement &&
            xml.name() == QLatin1String("sheet")) {
            QString id;
            for (const QXmlStreamAttribute& attribute : xml.attributes())
                if (attribute.name() == QLatin1String("id"))
                    id = attribute.value().toString();
            sheets.emplace_back(xml.attributes().value(QLatin1String("name")).toString(), id);
        }
    }
    CheckParsed(xml);
    return sheets;
}

// Archive paths of the workbook's parts by relationship id.
QHash<QString, QString> TargetsOf(const QByteArray& relations) {
    QHash<QString, QString> targets;
    QXmlStreamReader xml(relations);
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement &&
            xml.name() == QLatin1String("Relationship")) {
            QString target = xml.attributes().value(QLatin1String("Target")).toString();
            target = target.startsWith(QLatin1Char('/')) ? target.mid(1)
                                                         : QStringLiteral("xl/") + target;
            targets.insert(xml.attributes().value(QLatin1String("Id")).toString(), target);
        }
    }
    CheckParsed(xml);
    return targets;
}

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

// The text of a string item: its runs, without the phonetic guides.
QString ItemText(QXmlStreamReader& xml, QLatin1String element) {
    QString text;
    int phonetic = 0;
    while (!xml.atEnd()) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::StartElement) {
            if (xml.name() == QLatin1String("rPh"))
                ++phonetic;
            else if (xml.name() == QLatin1String("t") && phonetic == 0)
                text += Unescaped(xml.readElementText(QXmlStreamReader::IncludeChildElements));
        } else if (token == QXmlStreamReader::EndElement) {
            if (xml.name() == QLatin1String("rPh"))
                --phonetic;
            else if (xml.name() == element)
                break;
        }
    }
    return text;
}

QStringList SharedStrings(const QByteArray& part) {
    QStringList strings;
    QXmlStreamReader xml(part);
    while (!xml.atEnd())
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == QLatin1String("si"))
            strings.append(ItemText(xml, QLatin1String("si")));
    CheckParsed(xml);
    return strings;
}

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

QString CellText(QXmlStreamReader& xml, QStringView type, const QStringList& shared) {
    if (type == QLatin1String("inlineStr"))
        return ItemText(xml, QLatin1String("c"));
    QString value;
    while (!xml.atEnd()) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::StartElement && xml.name() == QLatin1String("v"))
            value = xml.readElementText(QXmlStreamReader::IncludeChildElements);
        else if (token == QXmlStreamReader::EndElement && xml.name() == QLatin1String("c"))
            break;
    }
    if (type == QLatin1String("s")) {
        bool ok = false;
        const int index = value.toInt(&ok);
        if (!ok || index < 0 || index >= shared.size())
            throw BankError(Damaged());
        return shared[index];
    }
    if (type.isEmpty() || type == QLatin1String("n"))
        return NumberText(value);
    return value;
}

void PutCell(TableRow& row, int column, const QString& text) {
    if (column >= 16384)
        throw BankError(Damaged());
    if (row.cells.size() <= column)
        row.cells.resize(column + 1);
    row.cells[column] = text;
}

Table ReadSheet(const QString& name, const QByteArray& part, const QStringList& shared) {
    Table table;
    table.name = name;
    QXmlStreamReader xml(part);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == QLatin1String("row")) {
            const int previous = table.rows.empty() ? 0 : table.rows.back().number;
            const int number = xml.attributes().value(QLatin1String("r")).toInt();
            table.rows.push_back({number > 0 ? number : previous + 1, {}});
        } else if (xml.name() == QLatin1String("c") && !table.rows.empty()) {
            TableRow& row = table.rows.back();
            const QXmlStreamAttributes attributes = xml.attributes();
            const int column = ColumnOf(attributes.value(QLatin1String("r")));
            PutCell(row, column >= 0 ? column : static_cast<int>(row.cells.size()),
                    CellText(xml, attributes.value(QLatin1String("t")), shared));
        }
    }
    CheckParsed(xml);
    return table;
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
    const auto sheets = SheetsOf(zip.Entry(QStringLiteral("xl/workbook.xml")));
    const auto targets = TargetsOf(zip.Entry(QStringLiteral("xl/_rels/workbook.xml.rels")));
    const QString sharedPart = QStringLiteral("xl/sharedStrings.xml");
    const QStringList shared =
        zip.Contains(sharedPart) ? SharedStrings(zip.Entry(sharedPart)) : QStringList();
    std::vector<Table> tables;
    for (const auto& [name, id] : sheets) {
        const QString target = targets.value(id);
        if (target.isEmpty())
            throw BankError(QStringLiteral("找不到工作表“%1”").arg(name));
        tables.push_back(ReadSheet(name, zip.Entry(target), shared));
    }
    return tables;
}

Bank ReadXlsxBank(const QString& file) {
    const std::vector<Table> sheets = ReadXlsxSheets(file);
    if (sheets.empty() || sheets.front().name == InfoSheetName)
        throw BankError(QStringLiteral("工作簿中没有试题表"));
    return BankFromTables(file, sheets.front(), SheetNamed(sheets, InfoSheetName));
}

void WriteXlsxBank(const Bank& bank, const QString& file) {
    // The workbook is written beside, then put in place in one step.
    QTemporaryDir folder;
    if (!folder.isValid())
        throw BankError(QStringLiteral("无法创建临时文件夹"));
    const QString temporary = folder.filePath(QStringLiteral("bank.xlsx"));
    {
        Workbook book(temporary);
        const std::vector<QStringList> rows = QuestionRows(bank);
        book.AddSheet(QStringLiteral("试题"), rows, QuestionWidths(rows.front()), true);
        book.AddSheet(InfoSheetName, InfoRows(bank), {16, 60}, false);
        book.Close();
    }
    ReplaceFile(file, ReadFileBytes(temporary));
}

} // namespace paperbuilder
