// The statistics window of the score browser over a score table in SQLite (1,000,000 rows from
// bench/database's generator), grouped by unit:
//  - from a click on 统计 after a search until the window's table is filled and painted, against
//    sqlite3 running "select Fac, count(*), avg(Score), max(Score), min(Score) from score group
//    by Fac" on the same file;
//  - the histogram's redraw when another group is selected: the bars set and the chart painted.
//
//   bench_statistics SCORES.db [runs]

#include "bench/BestTime.h"
#include "platform/DatabaseQuery.h"
#include "tallyboard/StatisticsWindow.h"
#include "tallyboard/Unit4.h"

#include <QApplication>
#include <QSettings>
#include <QChartView>
#include <QTableView>
#include <QTemporaryDir>
#include <chrono>
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

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_statistics SCORES.db [runs]\n");
        return 2;
    }
    const std::string database = argv[1];
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;

    // A program folder of its own: the connection to the file, no columns configured, and the
    // pass mark kept apart from the user's.
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
    std::printf("rows of the search: %d\n", browser.ADOQuery1->RecordCount());

    const double ours = bench::BestSeconds(runs, [&] {
        browser.btnStatistics->click();
        QCoreApplication::processEvents();
        if (!browser.frmStatistics || !browser.frmStatistics->isVisible())
            std::exit(1);
        browser.frmStatistics->grdFigures->viewport()->repaint();
    });
    TfrmStatistics& window = *browser.frmStatistics;
    const std::string group = "select Fac, count(*), avg(Score), max(Score), min(Score) from "
                              "score group by Fac";
    const double sqlite = bench::BestSeconds(
        runs, [&] { run("sqlite3 '" + database + "' \"" + group + "\" > /dev/null"); });
    const double ratio = ours / sqlite;
    std::printf("groups: %d\n", window.Model()->rowCount() - 1);
    std::printf("click on 统计 to the table filled: %.3f s  sqlite3 group by Fac: %.3f s  "
                "ratio %.2f (target at most 0.20)%s\n",
                ours, sqlite, ratio, ratio <= 0.2 ? "" : "  MISSED");

    // Every group in turn, then the total: the slowest redraw counts.
    double slowest = 0;
    for (int row = 0; row < window.Model()->rowCount(); ++row) {
        const auto start = std::chrono::steady_clock::now();
        window.grdFigures->selectRow(row);
        window.chtHistogram->viewport()->repaint();
        slowest = std::max(
            slowest,
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    std::printf("histogram redraw, slowest of %d groups: %.1f ms (target under 50 ms)%s\n",
                window.Model()->rowCount(), 1000 * slowest, slowest < 0.05 ? "" : "  MISSED");
    return 0;
}
