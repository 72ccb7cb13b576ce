// The item analysis window and the attempt review of the score browser over a SQLite file of
// attempts (bench/itemanalysis/run.sh makes one: 10,000 attempts of a 100-question paper, and
// one attempt of a 256-question paper):
//  - from a click on 试题分析 after a search until the window is filled and painted, against
//    sqlite3 running "select Question, count(*), avg(Marks) from AttemptAnswer group by
//    Question" on the same file;
//  - the review of the 256-question attempt, from the request until the window is shown.
//
//   bench_itemanalysis ATTEMPTS.db [runs]

#include "bench/BestTime.h"
#include "platform/DatabaseQuery.h"
#include "tallyboard/AttemptReview.h"
#include "tallyboard/ItemAnalysisWindow.h"
#include "tallyboard/Unit4.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QSettings>
#include <QTableView>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

void run(const std::string& command) {
    if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "failed: %s\n", command.c_str());
        std::exit(1);
    }
}

void write(const QString& file, const std::string& bytes) {
    std::ofstream(file.toStdString(), std::ios::binary) << bytes;
}

// The grid row of the score recorded last: the 256-question attempt.
int LastRecordedRow(const platform::TADOQuery& query) {
    return query.RecordCount() - 1;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_itemanalysis ATTEMPTS.db [runs]\n");
        return 2;
    }
    const std::string database = argv[1];
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;

    QTemporaryDir folder;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder.path());
    write(folder.filePath(u"DBConifg.ini"_qs),
          "[DBConifg]\r\nConnectionString=Provider=SQLite;Data Source=" + database + "\r\n");
    write(folder.filePath(u"列项属性.txt"_qs), "[score]\r\n");
    TfrmBasicMid1 browser(folder.path() + u'/');
    browser.resize(1280, 800);
    browser.show();
    browser.actSearchExecute();
    QCoreApplication::processEvents();
    std::printf("score rows of the search: %d\n", browser.ADOQuery1->RecordCount());

    const double ours = bench::BestSeconds(runs, [&] {
        browser.btnItemAnalysis->click();
        QCoreApplication::processEvents();
        if (!browser.frmItemAnalysis || browser.frmItemAnalysis->Model()->rowCount() == 0)
            std::exit(1);
        browser.frmItemAnalysis->repaint();
    });
    TfrmItemAnalysis& window = *browser.frmItemAnalysis;
    const std::string group =
        "select Question, count(*), avg(Marks) from AttemptAnswer group by Question";
    const double sqlite = bench::BestSeconds(
        runs, [&] { run("sqlite3 '" + database + "' \"" + group + "\" > /dev/null"); });
    const double ratio = ours / sqlite;
    std::printf("paper: %s, questions: %d, attempts: %s\n",
                window.cbbPaper->currentText().toStdString().c_str(), window.Model()->rowCount(),
                window.lblFigures[TfrmItemAnalysis::Attempts]->text().toStdString().c_str());
    std::printf(
        "click on 试题分析 to the window filled: %.3f s  sqlite3 group by Question: %.3f s  "
        "ratio %.2f (target at most 1.0)%s\n",
        ours, sqlite, ratio, ratio <= 1.0 ? "" : "  MISSED");

    const int row = LastRecordedRow(*browser.ADOQuery1);
    const double review = bench::BestSeconds(runs, [&] {
        browser.ShowAttemptOfRow(row);
        auto* shown = browser.findChild<TfrmAttemptReview*>();
        if (!shown)
            std::exit(1);
        shown->repaint();
        const int panels = static_cast<int>(shown->lblMarks.size());
        delete shown;
        if (panels != 256)
            std::exit(1);
    });
    std::printf("review of a 256-question attempt: %.1f ms (target under 200 ms)%s\n",
                1000 * review, review < 0.2 ? "" : "  MISSED");
    return 0;
}
