// bench_paperbuilder [runs]: writes a bank of 1,000 questions of all three kinds as .xlsx, its
// texts as long as the demo banks' on average, then times paperbuilder's build of it (read,
// check every question, write the papers atomically and read each back) against
// python3-openpyxl only loading the same file, in the same run. A paper holds at most 256
// questions, so the bank is built as four papers of 250. Prints the best of each and their ratio.

#include "bench/BestTime.h"
#include "paperbuilder/PaperFiles.h"
#include "paperbuilder/XlsxBank.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

using namespace paperbuilder;

constexpr int BankQuestions = 1000;
constexpr int QuestionsPerPaper = 250;

// Texts as long as the demo banks' on average: stems of about 34 characters, options of 8.
const QString Phrase =
    QStringLiteral("关于乡镇机关工作人员廉洁自律的规定下列说法中正确的是哪一项请结合本单位"
                   "实际情况作答根据村民委员会组织法村民委员会每届任期为五年");

QString Text(int seed, int length) {
    return Phrase.mid(seed % (Phrase.size() - length), length);
}

Bank LargeBank() {
    Bank bank;
    bank.title.text = QStringLiteral("基准题库");
    bank.minutes.text = QStringLiteral("45");
    const QString kinds[] = {SingleKind, MultiKind, MatchingKind};
    for (int i = 0; i < BankQuestions; ++i) {
        BankQuestion& question = bank.questions.emplace_back();
        question.kind = kinds[i % 3];
        question.stem = QStringLiteral("%1. ").arg(i + 1) + Text(i, 14) +
                        (i % 2 ? QStringLiteral("\n") : QString()) + Text(i + 7, 16) +
                        QStringLiteral("（ ）。");
        question.marks = QString::number(1 + i % 5);
        question.scoring = i % 2 ? AllOrNothingRule : PerItemRule;
        for (int option = 0; option < 4 + i % 2; ++option)
            question.options.append(Text(i * 5 + option, 4 + (i + option) % 9));
        if (question.kind == MatchingKind)
            question.items = {Text(i, 4), Text(i + 3, 5), Text(i + 9, 6)};
        question.answer = question.kind == SingleKind  ? QStringLiteral("B")
                          : question.kind == MultiKind ? QStringLiteral("ACD")
                                                       : QStringLiteral("CAB");
    }
    return bank;
}

void BuildPapers(const QString& bankFile, const QDir& out) {
    const Bank bank = ReadBank(bankFile);
    for (int first = 0; first < BankQuestions; first += QuestionsPerPaper) {
        Bank part = bank;
        part.questions.assign(bank.questions.begin() + first,
                              bank.questions.begin() + first + QuestionsPerPaper);
        const CheckedPaper checked = CheckBank(part, BuildSettings{});
        if (!checked.faults.empty()) {
            std::fprintf(stderr, "%s\n", qPrintable(FaultLine(checked.faults.front())));
            std::exit(1);
        }
        paperwriter::WritePaperFile(
            checked.paper, out.filePath(QStringLiteral("paper%1.mqe").arg(first)).toStdString());
    }
}

double OpenpyxlLoadSeconds(const QString& bankFile, int runs) {
    const std::string command = "/usr/bin/python3 -c \"import sys, time, openpyxl\n"
                                "best = 1e9\n"
                                "for _ in range(int(sys.argv[2])):\n"
                                "    start = time.perf_counter()\n"
                                "    openpyxl.load_workbook(sys.argv[1])\n"
                                "    best = min(best, time.perf_counter() - start)\n"
                                "print(best)\" '" +
                                bankFile.toStdString() + "' " + std::to_string(runs);
    FILE* python = popen(command.c_str(), "r");
    double seconds = 0;
    if (!python || std::fscanf(python, "%lf", &seconds) != 1 || pclose(python) != 0) {
        std::fprintf(stderr, "python3-openpyxl could not load the bank\n");
        std::exit(1);
    }
    return seconds;
}

} // namespace

int main(int argc, char* argv[]) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    QTemporaryDir folder;
    const QString bankFile = folder.filePath(QStringLiteral("bank.xlsx"));
    WriteXlsxBank(LargeBank(), bankFile);

    const double build =
        bench::BestSeconds(runs, [&] { BuildPapers(bankFile, QDir(folder.path())); });
    const double load = OpenpyxlLoadSeconds(bankFile, runs);
    std::printf("bank: %d questions, %lld bytes of .xlsx; best of %d runs\n", BankQuestions,
                static_cast<long long>(QFileInfo(bankFile).size()), runs);
    std::printf("paperbuilder build (4 papers of %d): %.3f s\n", QuestionsPerPaper, build);
    std::printf("openpyxl load_workbook only:        %.3f s\n", load);
    std::printf("ratio build / load: %.2f\n", build / load);
    return 0;
}
