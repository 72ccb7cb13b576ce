// bench_journal [changes]: the time one answer change and one clock tick take on the user-interface
// thread, with the exam journal (a synchronous, fsync'd write each) and without it, as median and
// 99th percentile over the given number of changes (10,000 by default). The baseline is the same
// radio-button toggle and the same tick in a window of the same paper without a journal.

#include "exam/ExamJournal.h"
#include "paper/PaperWriter.h"
#include "exam/uMainform.h"
#include "paper/uObjectHandle.h"
#include "tools/benchpaper/BenchPaper.h"

#include <QAbstractButton>
#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Percentiles {
    double median = 0;
    double p99 = 0;
};

Percentiles Measure(int count, const std::function<void(int)>& action) {
    std::vector<double> ms;
    ms.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        const auto start = std::chrono::steady_clock::now();
        action(i);
        ms.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
    }
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms[std::min(ms.size() - 1, ms.size() * 99 / 100)]};
}

// The two options of the first single-choice question, clicked in turn.
std::function<void(int)> Toggle(const TMainForm& form) {
    for (TQuestionPanel* panel : form.PaperPanel->Panels)
        if (qobject_cast<TSinglePanel*>(panel))
            return [panel](int i) {
                qobject_cast<QAbstractButton*>(panel->ItemControls.at(i % 2).data())->click();
            };
    std::fprintf(stderr, "the benchmark paper has no single-choice question\n");
    std::exit(1);
}

void Report(const char* what, const Percentiles& bare, const Percentiles& journaled) {
    std::printf("%-14s bare median %7.3f ms  p99 %7.3f ms | journaled median %7.3f ms  p99 %7.3f "
                "ms | p99 ratio %6.1f\n",
                what, bare.median, bare.p99, journaled.median, journaled.p99,
                journaled.p99 / bare.p99);
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const int changes = argc > 1 ? std::atoi(argv[1]) : 10000;
    const char* base = std::getenv("JOURNAL_DIR");
    const fs::path folder = fs::path(base ? base : fs::temp_directory_path().c_str()) /
                            ("bench-journal-" + std::to_string(QCoreApplication::applicationPid()));
    fs::create_directories(folder / "Exam File");
    paperwriter::Paper paper = paperwriter::BenchPaper();
    paper.timeLimit = 10 * changes;
    paperwriter::WritePaperFile(paper, folder / "Exam File" / "bench.mqe");

    TMainForm bare(folder / "Exam File");
    bare.StartExam(0);
    ExamJournal journal((folder / "journal.db").string());
    TMainForm journaled(folder / "Exam File");
    journaled.SetJournal(&journal);
    journaled.StartExam(0);

    Report("answer change", Measure(changes, Toggle(bare)), Measure(changes, Toggle(journaled)));
    Report("clock tick", Measure(changes, [&](int) { bare.tmr1Timer(); }),
           Measure(changes, [&](int) { journaled.tmr1Timer(); }));
    std::printf("journal after the run: %d elapsed, %zu answers\n",
                journal.PendingRuns().at(0).elapsed, journal.PendingRuns().at(0).answers.size());
    fs::remove_all(folder);
    return 0;
}
