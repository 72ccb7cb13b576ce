#include "paperbuilder/CommandLine.h"

#include "paperbuilder/PaperFiles.h"

#include <QTextStream>

namespace paperbuilder {

namespace {

const char* const HelpText = R"(用法 / Usage:
  paperbuilder [题库或试卷]              打开“试卷制作”窗口 / open the window (on that file)
  paperbuilder build 题库 -o 试卷.mqe [选项]
  paperbuilder dump 试卷.mqe -o 题库.xlsx|题库.csv
  paperbuilder --help

build  检查题库并写出试卷；有任何错误时不写文件。
       Checks a question bank and writes the paper; nothing is written while any fault stands.
       题库 / bank: .xlsx, .csv (UTF-8 或/or GBK), .txt/.aiken (Aiken), .txt/.gift (GIFT), .mqe
       (a .txt file is Aiken when a line starts with "ANSWER:", GIFT otherwise)
  --title 文字       试卷名称，优先于题库中的 / the paper's title, over the bank's
  --rules 文字       考试说明 / the rules shown with the title
  --minutes 分钟     考试时长，默认 45 / the time limit in minutes, 45 when the bank has none
  --marks 分值       题库未给分值的题目每题的分值，默认 1 / marks of a question whose bank gives
                     none (always so for Aiken and GIFT), 1 by default
  --all-or-nothing   未给计分方式的题目全对得分，默认按项计分 / questions without a scoring rule
                     earn their marks only when wholly right; by default each item scores
dump   把试卷写回可编辑的题库（模板格式）。
       Writes a paper back to an editable bank in the template's form.

退出码 / exit codes: 0 成功 / success; 1 题库有错误，每条一行“文件:行: 说明”/ faults, one
line each as FILE:ROW: message; 2 用法错误 / bad usage.
)";

struct Arguments {
    QString command;
    QString input;
    QString output;
    BuildSettings settings;
};

class UsageError final : public std::runtime_error {
public:
    explicit UsageError(const QString& message) : std::runtime_error(message.toStdString()) {}
};

QString ValueAfter(const QStringList& arguments, qsizetype& i) {
    if (i + 1 >= arguments.size())
        throw UsageError(QStringLiteral("%1 后缺少取值").arg(arguments[i]));
    return arguments[++i];
}

int MarksOf(const QString& text) {
    bool ok = false;
    const int marks = text.toInt(&ok);
    if (!ok || marks <= 0 || marks > MaxMarks)
        throw UsageError(QStringLiteral("--marks 应为 1 到 %1 的整数").arg(MaxMarks));
    return marks;
}

Arguments Parse(const QStringList& arguments) {
    Arguments parsed;
    parsed.command = arguments.value(0);
    if (parsed.command != QLatin1String("build") && parsed.command != QLatin1String("dump"))
        throw UsageError(QStringLiteral("不认识的命令“%1”").arg(parsed.command));
    const bool build = parsed.command == QLatin1String("build");
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument == QLatin1String("-o"))
            parsed.output = ValueAfter(arguments, i);
        else if (build && argument == QLatin1String("--title"))
            parsed.settings.title = ValueAfter(arguments, i);
        else if (build && argument == QLatin1String("--rules"))
            parsed.settings.rules = ValueAfter(arguments, i);
        else if (build && argument == QLatin1String("--minutes"))
            parsed.settings.minutes = ValueAfter(arguments, i);
        else if (build && argument == QLatin1String("--marks"))
            parsed.settings.marks = MarksOf(ValueAfter(arguments, i));
        else if (build && argument == QLatin1String("--all-or-nothing"))
            parsed.settings.allOrNothing = true;
        else if (argument.startsWith(QLatin1Char('-')) || !parsed.input.isEmpty())
            throw UsageError(QStringLiteral("不认识的参数“%1”").arg(argument));
        else
            parsed.input = argument;
    }
    if (parsed.input.isEmpty() || parsed.output.isEmpty())
        throw UsageError(QStringLiteral("需要输入文件和 -o 输出文件"));
    return parsed;
}

int Build(const Arguments& arguments, QTextStream& out, QTextStream& err) {
    const CheckedPaper checked = CheckBank(ReadBank(arguments.input), arguments.settings);
    for (const Fault& fault : checked.faults)
        err << FaultLine(fault) << '\n';
    if (!checked.faults.empty())
        return Faults;
    try {
        paperwriter::WritePaperFile(checked.paper, arguments.output.toStdString());
    } catch (const platform::Exception& e) {
        err << QStringLiteral("无法写出试卷 %1：%2")
                   .arg(arguments.output, QString::fromUtf8(e.what()))
            << '\n';
        return Faults;
    }
    int total = 0;
    for (const auto& question : checked.paper.questions)
        total += question.fullMarks;
    out << QStringLiteral("已写出试卷 %1：%2 道题，总分 %3 分")
               .arg(arguments.output)
               .arg(checked.paper.questions.size())
               .arg(total)
        << '\n';
    return Success;
}

int Dump(const Arguments& arguments, QTextStream& out) {
    const Bank bank = ReadBank(arguments.input);
    DumpBank(bank, arguments.output);
    out << QStringLiteral("已写出题库 %1：%2 道题").arg(arguments.output).arg(bank.questions.size())
        << '\n';
    return Success;
}

} // namespace

int RunCommandLine(const QStringList& arguments, QTextStream& out, QTextStream& err) {
    if (arguments.contains(QLatin1String("--help")) || arguments.contains(QLatin1String("-h"))) {
        out << QString::fromUtf8(HelpText);
        return Success;
    }
    Arguments parsed;
    try {
        parsed = Parse(arguments);
    } catch (const UsageError& e) {
        err << "paperbuilder: " << QString::fromUtf8(e.what()) << '\n'
            << QStringLiteral("用法见 / see: paperbuilder --help") << '\n';
        return BadUsage;
    }
    try {
        return parsed.command == QLatin1String("build") ? Build(parsed, out, err)
                                                        : Dump(parsed, out);
    } catch (const BankError& e) {
        err << FaultLine({{parsed.input, e.row}, e.message()}) << '\n';
        return Faults;
    }
}

} // namespace paperbuilder
