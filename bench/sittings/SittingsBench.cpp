// The figures of a sitting from a SQLite file (bench/sittings/generate.sql):
//  - the report, read from the tables and counted per unit against the roster;
//  - the 考试场次 window, from Refresh until its tables are filled and painted;
// each against sqlite3 computing the same figures with GROUP BY queries on the same file.
//
//   bench_sittings SITTING.db [runs]

#include "bench/BestTime.h"
#include "platform/DatabaseConnection.h"
#include "records/db/SittingStore.h"
#include "tallyboard/SittingWindow.h"

#include <QApplication>
#include <QTableView>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// The roster per unit and each person's runs summed: what the figures are counted from.
const char* const GroupBy =
    "select Town, Fac, count(*) from Roster group by Town, Fac; "
    "select s.Town, s.Fac, s.Name, count(*), count(a.Token), max(a.Score), max(s.StartTime) "
    "from AttemptStart s left join Attempt a on a.Token = s.Token where s.SittingId = 1 "
    "group by s.Town, s.Fac, s.Name;";

double SqliteSeconds(const std::string& database, int runs) {
    const std::string command = "sqlite3 '" + database + "' \"" + GroupBy + "\" > /dev/null";
    return bench::BestSeconds(runs, [&] {
        if (std::system(command.c_str()) != 0) {
            std::fprintf(stderr, "failed: %s\n", command.c_str());
            std::exit(1);
        }
    });
}

void Print(const char* what, double ours, double sqlite) {
    const double ratio = ours / sqlite;
    std::printf("%s: %.3f s  sqlite3 group by: %.3f s  ratio %.2f (target at most 1.0)%s\n", what,
                ours, sqlite, ratio, ratio <= 1.0 ? "" : "  MISSED");
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_sittings SITTING.db [runs]\n");
        return 2;
    }
    const std::string database = argv[1];
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    platform::TADOConnection connection;
    connection.SetConnectionString(
        QString::fromStdString("Provider=SQLite;Data Source=" + database));
    if (!connection.Open())
        return 1;

    const auto sitting = records::ReadSitting(connection.Database(), 1);
    records::SittingReport report;
    const double reportSeconds = bench::BestSeconds(
        runs, [&] { report = records::ReadSittingReport(connection.Database(), *sitting); });
    std::printf("units %zu, expected %d, sat %d, in progress %d, absent %d, outsiders %zu\n",
                report.units.size(), report.total.expected, report.total.sat,
                report.total.inProgress, report.total.absent, report.outsiders.size());

    TfrmSittings window(connection);
    window.resize(1280, 800);
    window.show();
    const double windowSeconds = bench::BestSeconds(runs, [&] {
        window.ChooseSitting(-1);
        window.Refresh();
        window.grdFigures->viewport()->repaint();
        window.grdSittings->viewport()->repaint();
    });
    if (window.Figures()->rowCount() != static_cast<int>(report.units.size()) + 1)
        return 1;

    const double sqlite = SqliteSeconds(database, runs);
    Print("report of the sitting", reportSeconds, sqlite);
    Print("考试场次 window filled", windowSeconds, sqlite);
    return 0;
}
