#include "paperbuilder/TextBanks.h"

#include <QRegularExpression>

namespace paperbuilder {

namespace {

const QRegularExpression OptionLine(QStringLiteral("^([A-Z])[.)][ \\t]+(.*)$"));
const QRegularExpression AnswerLine(QStringLiteral("^ANSWER:\\s*(.*)$"),
                                    QRegularExpression::CaseInsensitiveOption);

class AikenReader final {
public:
    explicit AikenReader(const QString& file) { bank.file = file; }

    Bank Read(const QString& text) {
        const QStringList lines = text.split(QLatin1Char('\n'));
        for (qsizetype i = 0; i < lines.size(); ++i)
            Take(lines[i].trimmed(), static_cast<int>(i) + 1);
        if (open)
            Close(QStringLiteral("缺少“ANSWER:”行"));
        return std::move(bank);
    }

private:
    void Take(const QString& line, int number) {
        if (line.isEmpty())
            return;
        if (const auto answer = AnswerLine.match(line); answer.hasMatch()) {
            if (!open)
                Start(QString(), number);
            TakeAnswer(answer.captured(1).trimmed());
            return;
        }
        if (const auto option = OptionLine.match(line); option.hasMatch() && open) {
            letters.append(option.captured(1));
            Current().options.append(option.captured(2));
            return;
        }
        if (open && !Current().options.isEmpty())
            Close(QStringLiteral("缺少“ANSWER:”行"));
        if (open)
            Current().stem += QLatin1Char('\n') + line;
        else
            Start(line, number);
    }

    void Start(const QString& stem, int number) {
        BankQuestion& question = bank.questions.emplace_back();
        question.row = number;
        question.kind = SingleKind;
        question.stem = stem;
        letters.clear();
        open = true;
    }

    // The answer names an option by its letter as written; the paper letters options by place.
    void TakeAnswer(const QString& letter) {
        const qsizetype place = letters.indexOf(letter.toUpper());
        if (place < 0)
            Close(QStringLiteral("答案“%1”没有对应的选项").arg(letter));
        else
            Current().answer = OptionLetter(static_cast<int>(place));
        open = false;
    }

    void Close(const QString& fault) {
        if (Current().fault.isEmpty())
            Current().fault = fault;
        open = false;
    }

    BankQuestion& Current() { return bank.questions.back(); }

    Bank bank;
    QStringList letters;
    bool open = false;
};

} // namespace

Bank ParseAiken(const QString& file, const QString& text) {
    return AikenReader(file).Read(text);
}

} // namespace paperbuilder
