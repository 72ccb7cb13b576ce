#include "paperbuilder/BankCheck.h"

#include "platform/CodePage.h"

#include <QFileInfo>
#include <cmath>

namespace paperbuilder {

namespace {

QString ForceCrLf(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return text;
}

// The first character that GBK cannot encode, with its code.
QString FirstUnencodable(const QString& text) {
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype length = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QString character = text.mid(i, length);
        if (platform::FromGbk(platform::ToGbk(character)) != character)
            return QStringLiteral("“%1”（U+%2）")
                .arg(character)
                .arg(character.toUcs4().value(0), 4, 16, QLatin1Char('0'))
                .toUpper();
        i += length;
    }
    return {};
}

class QuestionCheck final {
public:
    QuestionCheck(const BankQuestion& bank, const BuildSettings& settings, CheckedQuestion& out)
        : bank(bank), settings(settings), out(out), q(out.question) {}

    void Run() {
        if (!bank.fault.isEmpty())
            return Fault(bank.fault);
        if (!TakeKind())
            return;
        if (bank.stem.trimmed().isEmpty())
            Fault(QStringLiteral("缺少题干"));
        TakeMarks();
        TakeScoring();
        TakeOptions();
        TakeAnswer();
        TakeTexts();
    }

private:
    void Fault(const QString& message) { out.faults.append(message); }

    bool TakeKind() {
        const QString& kind = bank.kind;
        if (kind == SingleKind || kind == QStringLiteral("单选"))
            q.kind = paperwriter::Kind::Single;
        else if (kind == MultiKind || kind == QStringLiteral("多选"))
            q.kind = paperwriter::Kind::Multi;
        else if (kind == MatchingKind || kind == QStringLiteral("配伍"))
            q.kind = paperwriter::Kind::Matching;
        else if (kind.isEmpty())
            Fault(QStringLiteral("缺少题型"));
        else
            Fault(QStringLiteral("未知题型“%1”，应为单选题、多选题或配伍题").arg(kind));
        return out.faults.isEmpty();
    }

    void TakeMarks() {
        if (bank.marks.isEmpty()) {
            q.fullMarks = settings.marks;
            return;
        }
        bool ok = false;
        const int marks = bank.marks.toInt(&ok);
        if (!ok || marks <= 0)
            Fault(QStringLiteral("分值“%1”不是正整数").arg(bank.marks));
        else if (marks > MaxMarks)
            Fault(QStringLiteral("分值“%1”超过 %2").arg(bank.marks).arg(MaxMarks));
        q.fullMarks = marks;
    }

    void TakeScoring() {
        if (bank.scoring.isEmpty())
            q.allOrNothing = settings.allOrNothing ? 1 : 0;
        else if (bank.scoring == AllOrNothingRule || bank.scoring == PerItemRule)
            q.allOrNothing = bank.scoring == AllOrNothingRule ? 1 : 0;
        else
            Fault(QStringLiteral("计分方式“%1”应为全对得分或按项计分").arg(bank.scoring));
    }

    void TakeOptions() {
        const auto choices = bank.options.size();
        const bool matching = q.kind == paperwriter::Kind::Matching;
        const auto total = choices + bank.items.size();
        if (total > static_cast<qsizetype>(paperformat::MaxOptions))
            Fault(
                QStringLiteral("选项共 %1 个，超过 %2 个").arg(total).arg(paperformat::MaxOptions));
        if (matching && bank.items.size() < 2)
            Fault(QStringLiteral("配伍题至少需要两个配伍项"));
        if (!matching && !bank.items.isEmpty())
            Fault(QStringLiteral("只有配伍题填写配伍项"));
        if (choices < 2)
            Fault(QStringLiteral("至少需要两个选项"));
    }

    // The letters of the answer, blanks and commas between them allowed; -1 for a fault.
    std::vector<int> AnswerLetters() {
        std::vector<int> letters;
        for (const QChar c : bank.answer) {
            if (c.isSpace() || QStringLiteral(",，、").contains(c))
                continue;
            const int index = (c >= u'a' && c <= u'z' ? c.toUpper() : c).unicode() - u'A';
            if (index < 0 || index >= bank.options.size()) {
                Fault(QStringLiteral("答案中的“%1”没有对应的选项").arg(c));
                return {-1};
            }
            letters.push_back(index);
        }
        return letters;
    }

    void TakeAnswer() {
        if (bank.options.size() + bank.items.size() >
            static_cast<qsizetype>(paperformat::MaxOptions))
            return;
        const std::vector<int> letters = AnswerLetters();
        if (!letters.empty() && letters.front() < 0)
            return;
        const auto count = static_cast<qsizetype>(letters.size());
        switch (q.kind) {
        case paperwriter::Kind::Single:
            if (count != 1)
                return Fault(QStringLiteral("单选题必须恰好有一个答案，现有 %1 个").arg(count));
            q.key = letters.front();
            break;
        case paperwriter::Kind::Multi:
            if (count == 0)
                return Fault(QStringLiteral("多选题至少需要一个答案"));
            for (int letter : letters)
                q.answer[letter] = 1;
            break;
        case paperwriter::Kind::Matching:
            if (count != bank.items.size())
                return Fault(
                    QStringLiteral("配伍题的答案应为每个配伍项一个字母，共 %1 个，现有 %2 个")
                        .arg(bank.items.size())
                        .arg(count));
            for (qsizetype i = 0; i < count; ++i)
                q.answer[i] = static_cast<uint8_t>(letters[i]);
            q.leftCount = static_cast<int32_t>(count);
            break;
        }
    }

    void TakeText(const QString& what, const QString& text, std::string& into) {
        QString bad;
        if (const auto gbk = PaperText(text, bad))
            into = *gbk;
        else
            Fault(QStringLiteral("%1含有 GBK 无法表示的字符%2").arg(what, bad));
    }

    void TakeTexts() {
        TakeText(QStringLiteral("题干"), bank.stem, q.stem);
        q.options.clear();
        for (qsizetype i = 0; i < bank.items.size(); ++i)
            TakeText(QStringLiteral("配伍项 %1 ").arg(i + 1), bank.items[i],
                     q.options.emplace_back());
        for (qsizetype i = 0; i < bank.options.size(); ++i)
            TakeText(QStringLiteral("选项%1").arg(OptionLetter(static_cast<int>(i))),
                     WithLetter(static_cast<int>(i), bank.options[i]), q.options.emplace_back());
    }

    const BankQuestion& bank;
    const BuildSettings& settings;
    CheckedQuestion& out;
    paperwriter::Question& q;
};

class HeaderCheck final {
public:
    HeaderCheck(const Bank& bank, CheckedPaper& out) : bank(bank), out(out) {}

    void Text(const QString& what, const BankValue& value, const std::optional<QString>& given,
              std::string& into) {
        const QString text = given.value_or(value.text);
        const int row = given ? 0 : value.row;
        QString bad;
        const auto gbk = PaperText(text, bad);
        if (!gbk)
            Fault(row, value, QStringLiteral("%1含有 GBK 无法表示的字符%2").arg(what, bad));
        else if (gbk->size() > paperformat::MaxHeaderText)
            Fault(row, value,
                  QStringLiteral("%1长 %2 字节，试卷最多容纳 %3 字节")
                      .arg(what)
                      .arg(gbk->size())
                      .arg(paperformat::MaxHeaderText));
        else
            into = *gbk;
    }

    void Minutes(const BankValue& value, const std::optional<QString>& given, int32_t& seconds) {
        const QString text = given.value_or(value.text).trimmed();
        const int row = given ? 0 : value.row;
        if (text.isEmpty()) {
            seconds = DefaultMinutes * 60;
            return;
        }
        bool ok = false;
        const double minutes = text.toDouble(&ok);
        const double exact = minutes * 60;
        if (!ok || !(minutes > 0) || minutes > MaxMinutes ||
            std::abs(exact - std::round(exact)) > 1e-6)
            Fault(
                row, value,
                QStringLiteral("考试时长“%1”应为 1 到 %2 之间的分钟数").arg(text).arg(MaxMinutes));
        else
            seconds = static_cast<int32_t>(std::lround(exact));
    }

private:
    void Fault(int row, const BankValue& value, const QString& message) {
        const QString sheet = row > 0 && !value.sheet.isEmpty()
                                  ? QStringLiteral("工作表“%1”：").arg(value.sheet)
                                  : QString();
        out.faults.push_back({{bank.file, row}, sheet + message});
    }

    const Bank& bank;
    CheckedPaper& out;
};

} // namespace

std::optional<std::string> PaperText(const QString& text, QString& bad) {
    const QString crlf = ForceCrLf(text);
    std::string gbk = platform::ToGbk(crlf);
    if (platform::FromGbk(gbk) == crlf)
        return gbk;
    bad = FirstUnencodable(crlf);
    return std::nullopt;
}

QString WithLetter(int index, const QString& text) {
    const QChar letter = OptionLetter(index);
    if (text.size() >= 2 && text[0] == letter &&
        (text[1].isSpace() || QStringLiteral(".．、)）:：").contains(text[1])))
        return text;
    return letter + QStringLiteral(". ") + text;
}

CheckedPaper CheckBank(const Bank& bank, const BuildSettings& settings) {
    CheckedPaper checked;
    HeaderCheck header(bank, checked);
    const BankValue defaultTitle{QFileInfo(bank.file).completeBaseName(), 0, {}};
    header.Text(QStringLiteral("试卷名称"), bank.title.text.isEmpty() ? defaultTitle : bank.title,
                settings.title, checked.paper.title);
    header.Text(QStringLiteral("考试说明"), bank.rules, settings.rules, checked.paper.rules);
    header.Minutes(bank.minutes, settings.minutes, checked.paper.timeLimit);

    if (bank.questions.empty())
        checked.faults.push_back({{bank.file, 0}, QStringLiteral("题库中没有试题")});
    if (bank.questions.size() > paperformat::MaxQuestions)
        checked.faults.push_back({{bank.file, 0},
                                  QStringLiteral("题库有 %1 道题，一张试卷最多 %2 道")
                                      .arg(bank.questions.size())
                                      .arg(paperformat::MaxQuestions)});
    for (const BankQuestion& question : bank.questions) {
        CheckedQuestion& out = checked.questions.emplace_back();
        out.row = question.row;
        QuestionCheck(question, settings, out).Run();
        for (const QString& fault : out.faults)
            checked.faults.push_back({{bank.file, question.row}, fault});
        checked.paper.questions.push_back(out.question);
    }
    return checked;
}

} // namespace paperbuilder
