#include "paperbuilder/PaperFiles.h"

#include "paper/uFileHandle.h"
#include "paperbuilder/CsvBank.h"
#include "paperbuilder/TextBanks.h"
#include "paperbuilder/XlsxBank.h"
#include "platform/CodePage.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>

namespace paperbuilder {

namespace {

QString Suffix(const QString& file) {
    return QFileInfo(file).suffix().toLower();
}

bool LooksLikeAiken(const QString& text) {
    static const QRegularExpression answer(QStringLiteral("^\\s*ANSWER:"),
                                           QRegularExpression::MultilineOption |
                                               QRegularExpression::CaseInsensitiveOption);
    return answer.match(text).hasMatch();
}

Bank ReadTextBank(const QString& file, const QString& suffix) {
    const QString text = DecodeText(ReadFileBytes(file));
    if (suffix == QLatin1String("aiken") ||
        (suffix == QLatin1String("txt") && LooksLikeAiken(text)))
        return ParseAiken(file, text);
    return ParseGift(file, text);
}

void LoadPaper(const QString& file, TQFileHandle& paper) {
    try {
        paper.LoadFromFile(file.toStdString());
    } catch (const platform::Exception& e) {
        throw BankError(QStringLiteral("无法读取试卷：%1").arg(QString::fromUtf8(e.what())));
    }
}

QString TextOf(const std::string& gbk) {
    QString text = platform::FromGbk(gbk);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return text;
}

// Takes off the "A. " that the paper put in front; an option that would be left empty keeps it,
// so that it stays an option.
QString WithoutLetter(int index, const QString& text) {
    const QString prefix = OptionLetter(index) + QStringLiteral(". ");
    return text.startsWith(prefix) && text.size() > prefix.size() ? text.mid(prefix.size()) : text;
}

QStringList Choices(const TQuestion& question, int first) {
    QStringList choices;
    for (int i = first; i < question.OptionCount(); ++i)
        choices.append(WithoutLetter(i - first, TextOf(question.Options[i])));
    return choices;
}

void FillKind(const TQuestion& question, BankQuestion& out) {
    if (const auto* single = dynamic_cast<const TQSingle*>(&question)) {
        out.kind = SingleKind;
        out.options = Choices(question, 0);
        out.answer = OptionLetter(single->Key);
    } else if (const auto* multi = dynamic_cast<const TQMulti*>(&question)) {
        out.kind = MultiKind;
        out.options = Choices(question, 0);
        for (int i = 0; i < std::min<int>(question.OptionCount(), paperformat::AnswerSize); ++i)
            if (multi->Answer[i] == 1)
                out.answer += OptionLetter(i);
    } else if (const auto* matching = dynamic_cast<const TQMatching*>(&question)) {
        const int items = std::clamp(matching->LeftCount, 0, question.OptionCount());
        out.kind = MatchingKind;
        out.options = Choices(question, items);
        for (int i = 0; i < items; ++i) {
            out.items.append(TextOf(question.Options[i]));
            if (i < static_cast<int>(matching->Answer.size()))
                out.answer += OptionLetter(matching->Answer[i]);
        }
    }
}

const QString Replacement = QStringLiteral("_");
constexpr qsizetype MaxFileNameBytes = 255;

// Characters no file name may hold on Windows or Linux, and the control characters.
bool IsUnsafe(QChar c) {
    return c.unicode() < 0x20 || (c.unicode() >= 0x7F && c.unicode() <= 0x9F) ||
           QStringView(u"/\\<>:\"|?*").contains(c);
}

bool IsReservedOnWindows(const QString& name) {
    static const QRegularExpression reserved(
        QStringLiteral("^(CON|PRN|AUX|NUL|COM[1-9]|LPT[1-9])(\\..*)?$"),
        QRegularExpression::CaseInsensitiveOption);
    return reserved.match(name).hasMatch();
}

// The name cut to at most that many UTF-8 bytes, never inside a surrogate pair.
QString CutToUtf8Bytes(QString name, qsizetype bytes) {
    while (name.toUtf8().size() > bytes)
        name.chop(name.size() >= 2 && name.back().isLowSurrogate() ? 2 : 1);
    return name;
}

} // namespace

QString PaperFileName(const QString& title) {
    static const QRegularExpression dots(QStringLiteral("^\\.+|\\.{2,}"));
    const QString extension = QStringLiteral(".mqe");
    QString name;
    bool keptAny = false;
    const QString text = title.trimmed().replace(dots, QStringLiteral("/"));
    for (const QChar c : text) {
        if (!IsUnsafe(c)) {
            name += c;
            keptAny = keptAny || !c.isSpace();
        } else if (!name.endsWith(Replacement)) {
            name += Replacement;
        }
    }
    if (IsReservedOnWindows(name))
        name.prepend(Replacement);
    name = CutToUtf8Bytes(name, MaxFileNameBytes - extension.size());
    while (name.endsWith(QLatin1Char('.')) || name.endsWith(QLatin1Char(' ')))
        name.chop(1);
    if (!keptAny || name.isEmpty())
        return QStringLiteral("试卷") + extension;
    return name + extension;
}

Bank ReadBank(const QString& file) {
    if (!QFileInfo(file).isFile())
        throw BankError(QStringLiteral("文件不存在"));
    const QString suffix = Suffix(file);
    if (suffix == QLatin1String("xlsx"))
        return ReadXlsxBank(file);
    if (suffix == QLatin1String("csv"))
        return ReadCsvBank(file, ReadFileBytes(file));
    if (suffix == QLatin1String("mqe")) {
        TQFileHandle paper;
        LoadPaper(file, paper);
        return BankFromPaper(paper, file);
    }
    if (suffix == QLatin1String("txt") || suffix == QLatin1String("gift") ||
        suffix == QLatin1String("aiken"))
        return ReadTextBank(file, suffix);
    throw BankError(
        QStringLiteral("不认识的文件类型“.%1”，应为 .xlsx、.csv、.txt、.gift、.aiken 或 .mqe")
            .arg(suffix));
}

Bank BankFromPaper(const TQFileHandle& paper, const QString& file) {
    Bank bank;
    bank.file = file;
    bank.title.text = TextOf(paper.PaperTitle);
    bank.rules.text = TextOf(paper.PaperRules);
    bank.minutes.text = QString::number(paper.TimeLimit / 60.0, 'g', 12);
    for (int32_t number = 0; number < paper.QuestionCount(); ++number) {
        const TQuestion* question = paper.GetQuestion(number);
        if (!question)
            continue;
        BankQuestion& out = bank.questions.emplace_back();
        out.row = static_cast<int>(bank.questions.size()) + 1;
        out.stem = TextOf(question->Stem);
        out.marks = QString::number(question->FullMarks);
        out.scoring = question->AllOrNothing ? AllOrNothingRule : PerItemRule;
        FillKind(*question, out);
    }
    return bank;
}

void DumpBank(const Bank& bank, const QString& file) {
    const QString suffix = Suffix(file);
    if (suffix == QLatin1String("xlsx"))
        WriteXlsxBank(bank, file);
    else if (suffix == QLatin1String("csv"))
        ReplaceFile(file, CsvBankBytes(bank));
    else
        throw BankError(QStringLiteral("题库只能写成 .xlsx 或 .csv 文件"));
}

} // namespace paperbuilder
