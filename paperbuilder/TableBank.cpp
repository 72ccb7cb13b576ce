#include "paperbuilder/TableBank.h"

#include <QHash>
#include <algorithm>

namespace paperbuilder {

namespace {

// Either spelling of the parentheses.
const QString MinutesWide = QStringLiteral("考试时长（分钟）");

QString Canonical(const QString& name) {
    const QString trimmed = name.trimmed();
    return trimmed == MinutesWide ? column::Minutes : trimmed;
}

QString OptionTitle(int index) {
    return column::OptionPrefix + OptionLetter(index);
}

class Columns final {
public:
    explicit Columns(const Table& table) {
        const auto title = std::find_if(table.rows.begin(), table.rows.end(),
                                        [](const TableRow& row) { return row.number == 1; });
        if (title == table.rows.end())
            throw BankError(QStringLiteral("第 1 行应为列标题"), 1);
        for (qsizetype i = 0; i < title->cells.size(); ++i) {
            const QString name = Canonical(title->cells[i]);
            if (name.isEmpty())
                continue;
            if (byTitle.contains(name))
                throw BankError(QStringLiteral("列“%1”出现了两次").arg(name), 1);
            byTitle.insert(name, static_cast<int>(i));
        }
        for (const QString& required :
             {column::Kind, column::Stem, column::Marks, column::Answer, OptionTitle(0)})
            if (!byTitle.contains(required))
                throw BankError(QStringLiteral("缺少列“%1”").arg(required), 1);
        while (byTitle.contains(OptionTitle(optionColumns)))
            ++optionColumns;
        for (auto it = byTitle.cbegin(); it != byTitle.cend(); ++it)
            if (it.key().startsWith(column::OptionPrefix) && it.key().size() == 3 &&
                it.key()[2] > OptionLetter(optionColumns))
                throw BankError(QStringLiteral("有“%1”列却没有“%2”列")
                                    .arg(it.key(), OptionTitle(optionColumns)),
                                1);
    }

    QString Cell(const TableRow& row, const QString& title) const {
        const int index = byTitle.value(title, -1);
        return index >= 0 && index < row.cells.size() ? row.cells[index] : QString();
    }

    QString Option(const TableRow& row, int index) const { return Cell(row, OptionTitle(index)); }
    int OptionColumns() const { return optionColumns; }

private:
    QHash<QString, int> byTitle;
    int optionColumns = 0;
};

bool IsBlank(const TableRow& row) {
    return std::all_of(row.cells.begin(), row.cells.end(),
                       [](const QString& cell) { return cell.trimmed().isEmpty(); });
}

// Options are filled from A on; a gap is a fault, empty cells behind the last option are not.
void ReadOptions(const Columns& columns, const TableRow& row, BankQuestion& question) {
    int last = columns.OptionColumns() - 1;
    while (last >= 0 && columns.Option(row, last).trimmed().isEmpty())
        --last;
    for (int i = 0; i <= last; ++i) {
        const QString option = columns.Option(row, i);
        if (option.trimmed().isEmpty() && question.fault.isEmpty())
            question.fault = QStringLiteral("%1为空，选项应从 A 起连续填写").arg(OptionTitle(i));
        question.options.append(option);
    }
}

QStringList ItemLines(const QString& cell) {
    QStringList items;
    for (QString line : cell.split(QLatin1Char('\n'))) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (!line.trimmed().isEmpty())
            items.append(line);
    }
    return items;
}

void TakeValue(BankValue& value, const QString& text, int row, const QString& sheet = {}) {
    if (value.row == 0 && !text.trimmed().isEmpty())
        value = {text, row, sheet};
}

void ReadInfo(const Table& info, Bank& bank) {
    for (const TableRow& row : info.rows) {
        if (row.cells.size() < 2)
            continue;
        const QString name = Canonical(row.cells[0]);
        if (name == column::Title)
            TakeValue(bank.title, row.cells[1], row.number, info.name);
        else if (name == column::Rules)
            TakeValue(bank.rules, row.cells[1], row.number, info.name);
        else if (name == column::Minutes)
            TakeValue(bank.minutes, row.cells[1], row.number, info.name);
    }
}

} // namespace

Bank BankFromTables(const QString& file, const Table& questions, const std::optional<Table>& info) {
    Bank bank;
    bank.file = file;
    if (info)
        ReadInfo(*info, bank);
    const Columns columns(questions);
    for (const TableRow& row : questions.rows) {
        if (row.number <= 1 || IsBlank(row))
            continue;
        // A table without an information sheet may carry the header values in columns.
        TakeValue(bank.title, columns.Cell(row, column::Title), row.number);
        TakeValue(bank.rules, columns.Cell(row, column::Rules), row.number);
        TakeValue(bank.minutes, columns.Cell(row, column::Minutes), row.number);
        BankQuestion& question = bank.questions.emplace_back();
        question.row = row.number;
        question.kind = columns.Cell(row, column::Kind).trimmed();
        question.stem = columns.Cell(row, column::Stem);
        question.marks = columns.Cell(row, column::Marks).trimmed();
        question.scoring = columns.Cell(row, column::Scoring).trimmed();
        question.answer = columns.Cell(row, column::Answer).trimmed();
        question.items = ItemLines(columns.Cell(row, column::Items));
        ReadOptions(columns, row, question);
    }
    return bank;
}

std::vector<QStringList> QuestionRows(const Bank& bank) {
    int optionColumns = 1;
    for (const BankQuestion& question : bank.questions)
        optionColumns = std::max(optionColumns, static_cast<int>(question.options.size()));
    QStringList titles{column::Kind, column::Stem, column::Marks, column::Scoring};
    for (int i = 0; i < optionColumns; ++i)
        titles.append(OptionTitle(i));
    titles << column::Items << column::Answer;

    std::vector<QStringList> rows{titles};
    for (const BankQuestion& question : bank.questions) {
        QStringList row{question.kind, question.stem, question.marks, question.scoring};
        for (int i = 0; i < optionColumns; ++i)
            row.append(i < question.options.size() ? question.options[i] : QString());
        row << question.items.join(QLatin1Char('\n')) << question.answer;
        rows.push_back(row);
    }
    return rows;
}

std::vector<QStringList> InfoRows(const Bank& bank) {
    return {{column::Title, bank.title.text},
            {column::Rules, bank.rules.text},
            {column::Minutes, bank.minutes.text}};
}

} // namespace paperbuilder
