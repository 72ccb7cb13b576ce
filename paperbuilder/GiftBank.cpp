#include "paperbuilder/TextBanks.h"

#include <QRegularExpression>
#include <algorithm>

namespace paperbuilder {

namespace {

// Escaped special characters stand in the text as private-use characters while it is parsed.
const QString Escapable = QStringLiteral("~=#{}:\\");
constexpr char16_t EscapeBase = 0xE000;
constexpr char16_t EscapedNewline = 0xE0FF;

QString Protect(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('\\') && i + 1 < text.size()) {
            const qsizetype special = Escapable.indexOf(text[i + 1]);
            if (special >= 0 || text[i + 1] == QLatin1Char('n')) {
                out.append(special >= 0 ? QChar(char16_t(EscapeBase + special))
                                        : QChar(EscapedNewline));
                ++i;
                continue;
            }
        }
        out.append(text[i]);
    }
    return out;
}

QString Restore(const QString& text) {
    QString out = text;
    for (qsizetype i = 0; i < Escapable.size(); ++i)
        out.replace(QChar(char16_t(EscapeBase + i)), Escapable[i]);
    out.replace(QChar(EscapedNewline), QLatin1Char('\n'));
    return out.trimmed();
}

struct Block {
    int line = 0;
    QString text;
};

// Questions are separated by blank lines; comment lines and category lines belong to none.
std::vector<Block> BlocksOf(const QString& text) {
    std::vector<Block> blocks;
    bool inBlock = false;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString line = lines[i].trimmed();
        if (line.startsWith(QStringLiteral("//")))
            continue;
        if (line.isEmpty() || line.startsWith(QStringLiteral("$CATEGORY:"))) {
            inBlock = false;
            continue;
        }
        if (!inBlock)
            blocks.push_back({static_cast<int>(i) + 1, {}});
        else
            blocks.back().text += QLatin1Char('\n');
        blocks.back().text += lines[i];
        inBlock = true;
    }
    return blocks;
}

// Drops a leading "::title::" and a "[format]" tag.
QString WithoutTitle(QString text) {
    text = text.trimmed();
    if (text.startsWith(QStringLiteral("::"))) {
        const qsizetype end = text.indexOf(QStringLiteral("::"), 2);
        if (end >= 0)
            text = text.mid(end + 2).trimmed();
    }
    static const QRegularExpression format(QStringLiteral("^\\[(html|moodle|plain|markdown)\\]"));
    return text.remove(format);
}

struct Answer {
    bool right = false;
    double weight = 0;
    QString text;
};

QString WithoutFeedback(const QString& text) {
    const qsizetype hash = text.indexOf(QLatin1Char('#'));
    return hash < 0 ? text : text.left(hash);
}

// "~%50%text#feedback" or "=text": the mark, an optional weight, the text.
Answer AnswerOf(QChar mark, QString text) {
    Answer answer;
    answer.right = mark == QLatin1Char('=');
    static const QRegularExpression weight(QStringLiteral("^%(-?[0-9]+(?:\\.[0-9]+)?)%"));
    if (const auto match = weight.match(text); match.hasMatch()) {
        answer.weight = match.captured(1).toDouble();
        text = text.mid(match.capturedLength());
    } else if (answer.right) {
        answer.weight = 100;
    }
    answer.text = WithoutFeedback(text);
    return answer;
}

std::vector<Answer> AnswersOf(const QString& section) {
    std::vector<Answer> answers;
    qsizetype start = -1;
    for (qsizetype i = 0; i <= section.size(); ++i) {
        const bool end = i == section.size();
        if (!end && section[i] != QLatin1Char('~') && section[i] != QLatin1Char('='))
            continue;
        if (start >= 0)
            answers.push_back(AnswerOf(section[start], section.mid(start + 1, i - start - 1)));
        start = i;
    }
    return answers;
}

void ReadMatching(const std::vector<Answer>& answers, BankQuestion& question) {
    question.kind = MatchingKind;
    for (const Answer& answer : answers) {
        const qsizetype arrow = answer.text.indexOf(QStringLiteral("->"));
        const QString item = Restore(answer.text.left(arrow));
        const QString choice = Restore(answer.text.mid(arrow + 2));
        if (!question.options.contains(choice))
            question.options.append(choice);
        if (item.isEmpty())
            continue; // a choice that belongs to no item
        question.items.append(item);
        question.answer += OptionLetter(static_cast<int>(question.options.indexOf(choice)));
    }
}

void ReadChoices(const std::vector<Answer>& answers, BankQuestion& question) {
    int rightCount = 0;
    bool onlyFullWeights = true;
    for (const Answer& answer : answers) {
        const bool right = answer.right || answer.weight > 0;
        if (right) {
            ++rightCount;
            onlyFullWeights = onlyFullWeights && answer.weight == 100;
            question.answer += OptionLetter(static_cast<int>(question.options.size()));
        }
        question.options.append(Restore(answer.text));
    }
    question.kind = rightCount == 1 && onlyFullWeights ? SingleKind : MultiKind;
}

const QString Unsupported = QStringLiteral("试卷只收单选、多选和配伍题，不收 GIFT 的%1");

void ReadAnswers(QString section, BankQuestion& question) {
    const qsizetype general = section.indexOf(QStringLiteral("####"));
    if (general >= 0)
        section = section.left(general);
    section = section.trimmed();
    static const QRegularExpression trueFalse(QStringLiteral("^(T|F|TRUE|FALSE)(#.*)?$"),
                                              QRegularExpression::DotMatchesEverythingOption);
    if (section.isEmpty())
        question.fault = Unsupported.arg(QStringLiteral("问答题"));
    else if (section.startsWith(QLatin1Char('#')))
        question.fault = Unsupported.arg(QStringLiteral("数值题"));
    else if (trueFalse.match(section).hasMatch())
        question.fault = Unsupported.arg(QStringLiteral("判断题"));
    if (!question.fault.isEmpty())
        return;
    const std::vector<Answer> answers = AnswersOf(section);
    const bool anyWrong = std::any_of(answers.begin(), answers.end(),
                                      [](const Answer& answer) { return !answer.right; });
    const bool allPairs = std::all_of(answers.begin(), answers.end(), [](const Answer& answer) {
        return answer.right && answer.text.contains(QStringLiteral("->"));
    });
    if (answers.empty() || (!anyWrong && !allPairs))
        question.fault = Unsupported.arg(QStringLiteral("填空题"));
    else if (allPairs)
        ReadMatching(answers, question);
    else
        ReadChoices(answers, question);
}

BankQuestion QuestionOf(const Block& block) {
    BankQuestion question;
    question.row = block.line;
    const QString text = WithoutTitle(Protect(block.text));
    const qsizetype open = text.indexOf(QLatin1Char('{'));
    const qsizetype close = text.lastIndexOf(QLatin1Char('}'));
    if (open < 0 || close < open) {
        question.stem = Restore(text);
        question.fault = QStringLiteral("缺少用大括号括起的答案");
        return question;
    }
    const QString after = text.mid(close + 1).trimmed();
    // Answers in the middle of the text stand for a blank to fill.
    question.stem =
        Restore(text.left(open) + (after.isEmpty() ? QString() : QStringLiteral("____") + after));
    ReadAnswers(text.mid(open + 1, close - open - 1), question);
    return question;
}

} // namespace

Bank ParseGift(const QString& file, const QString& text) {
    Bank bank;
    bank.file = file;
    for (const Block& block : BlocksOf(text))
        bank.questions.push_back(QuestionOf(block));
    return bank;
}

} // namespace paperbuilder
