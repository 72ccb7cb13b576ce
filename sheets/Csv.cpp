#include "sheets/Csv.h"

namespace sheets {

namespace {

class CsvParser final {
public:
    explicit CsvParser(const QString& text) : text(text) {}

    Table Parse() {
        Table table;
        while (at < text.size()) {
            TableRow row;
            row.number = static_cast<int>(table.rows.size()) + 1;
            row.cells = Record(row.number);
            table.rows.push_back(std::move(row));
        }
        return table;
    }

private:
    QStringList Record(int number) {
        QStringList cells;
        for (;;) {
            cells.append(Field(number));
            if (at >= text.size())
                return cells;
            const QChar separator = text[at++];
            if (separator == QLatin1Char(','))
                continue;
            if (separator == QLatin1Char('\r') && at < text.size() && text[at] == QLatin1Char('\n'))
                ++at;
            return cells;
        }
    }

    QString Field(int number) {
        if (at < text.size() && text[at] == QLatin1Char('"'))
            return QuotedField(number);
        const qsizetype start = at;
        while (at < text.size() && !IsSeparator(text[at]))
            ++at;
        return text.mid(start, at - start);
    }

    QString QuotedField(int number) {
        QString field;
        ++at;
        for (;;) {
            if (at >= text.size())
                throw SheetError(QStringLiteral("引号没有结束"), number);
            const QChar c = text[at++];
            if (c != QLatin1Char('"')) {
                if (c == QLatin1Char('\r') && at < text.size() && text[at] == QLatin1Char('\n'))
                    continue; // CR LF inside a field is one line break
                field.append(c);
            } else if (at < text.size() && text[at] == QLatin1Char('"')) {
                field.append(c);
                ++at;
            } else {
                break;
            }
        }
        // Text between the closing quote and the separator belongs to the field, as spreadsheet
        // programs read it.
        while (at < text.size() && !IsSeparator(text[at]))
            field.append(text[at++]);
        return field;
    }

    static bool IsSeparator(QChar c) {
        return c == QLatin1Char(',') || c == QLatin1Char('\n') || c == QLatin1Char('\r');
    }

    const QString& text;
    qsizetype at = 0;
};

QString Quoted(const QString& field) {
    if (!field.contains(QLatin1Char(',')) && !field.contains(QLatin1Char('"')) &&
        !field.contains(QLatin1Char('\n')) && !field.contains(QLatin1Char('\r')))
        return field;
    QString quoted = field;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

} // namespace

Table ParseCsv(const QString& text) {
    return CsvParser(text).Parse();
}

std::string CsvBytes(const std::vector<QStringList>& rows) {
    QString text;
    for (const QStringList& row : rows) {
        QStringList fields;
        for (const QString& field : row)
            fields.append(Quoted(field));
        text += fields.join(QLatin1Char(',')) + QStringLiteral("\r\n");
    }
    return "\xEF\xBB\xBF" + text.toUtf8().toStdString();
}

} // namespace sheets
