// The browse grid over a score table in SQLite (1,000,000 rows from bench/database's generator):
//  - search: opening "select * from score order by STime" until its rows are in the grid's model
//    and the first screen is painted, against sqlite3 running the statement to /dev/null;
//  - title-click sort of the fetched rows (a sort text on the client-side cursor, the grid's
//    layout change and repaint), against sqlite3 running the statement with that ORDER BY;
//  - export of every row of the search through the grid, against sqlite3 -csv running the
//    search to /dev/null, and of 65,535 rows (one worksheet), against sqlite3 -csv writing them;
//  - scrolling from the first to the last row page by page, counting the display texts asked
//    of the model, which shows that only the visible rows are touched.
//
//   bench_grid SCORES.db [runs]

#include "bench/BestTime.h"
#include "platform/DatabaseConnection.h"
#include "platform/DatabaseQuery.h"
#include "ui/DataGrid.h"
#include "ui/GridExport.h"
#include "ui/GridModel.h"

#include <QApplication>
#include <QScrollBar>
#include <QTableView>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

void run(const std::string& command) {
    if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "failed: %s\n", command.c_str());
        std::exit(1);
    }
}

double sqliteSeconds(int runs, const std::string& database, const std::string& select,
                     const std::string& options = {}, const std::string& output = "/dev/null") {
    const std::string command =
        "sqlite3 " + options + " '" + database + "' \"" + select + "\" > '" + output + "'";
    return bench::BestSeconds(runs, [&] { run(command); });
}

// Lets the grid handle what changed and paint the screen, as the event loop would.
void paint(ui::DataGrid&) {
    QCoreApplication::processEvents();
}

void report(const char* what, double ours, double theirs, double target) {
    std::printf("%-34s grid %7.3f s  sqlite3 %7.3f s  ratio %.2f (target at most %.2f)%s\n", what,
                ours, theirs, ours / theirs, target, ours / theirs <= target ? "" : "  MISSED");
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_grid SCORES.db [runs]\n");
        return 2;
    }
    const std::string database = argv[1];
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;

    platform::TADOConnection connection;
    connection.SetConnectionString(
        QString::fromStdString("Provider=SQLite;Data Source=" + database));
    platform::TADOQuery query;
    query.SetConnection(&connection);
    ui::DataGrid grid;
    grid.resize(1280, 800);
    grid.setRowNumbersVisible(true);
    grid.setDataSet(&query);
    grid.show();

    const QString search = u"select * from score order by STime"_qs;
    const double searchSeconds = bench::BestSeconds(runs, [&] {
        query.Close();
        query.SetSQL(search);
        query.Open();
        paint(grid);
    });
    const int rows = grid.rowCount();
    std::printf("rows: %d, columns: %d\n", rows, grid.columnCount());
    report("search to rows in the grid", searchSeconds,
           sqliteSeconds(runs, database, search.toStdString()), 2.0);

    const struct {
        const char* field;
        const char* what;
        double target;
    } sorts[] = {{"Score", "sort by a number column", 0.3},
                 {"STime", "sort by a date-time column", 0.3},
                 {"Fac", "sort by a text column (Chinese)", 0.6}};
    for (const auto& sort : sorts) {
        const QString sortText = QString::fromLatin1(sort.field) + u" DESC"_qs;
        // Each run starts from the fetched order; only the sort and its repaint are timed.
        double sortOnly = 1e9;
        for (int i = 0; i < runs; ++i) {
            query.SetSort({});
            paint(grid);
            const auto start = std::chrono::steady_clock::now();
            query.SetSort(sortText);
            paint(grid);
            sortOnly = std::min(
                sortOnly,
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        }
        const std::string select =
            "select * from score order by " + std::string(sort.field) + " DESC";
        report(sort.what, sortOnly, sqliteSeconds(runs, database, select), sort.target);
    }

    // Scrolling from the first row to the last in 2,000 even steps (every page of a million
    // rows would take minutes of painting), painting each step.
    query.SetSort({});
    paint(grid);
    ui::GridModel* model = grid.gridModel();
    QScrollBar* bar = grid.view()->verticalScrollBar();
    model->resetDisplayRequests();
    constexpr int Steps = 2000;
    const auto scrollStart = std::chrono::steady_clock::now();
    for (int step = 0; step <= Steps; ++step) {
        bar->setValue(static_cast<int>(static_cast<long long>(bar->maximum()) * step / Steps));
        paint(grid);
    }
    const double scrollSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - scrollStart).count();
    const long long cells = static_cast<long long>(rows) * grid.columnCount();
    std::printf("scrolling: %d steps, %d rows on screen, %lld display texts asked (%.0f a step, "
                "%.3f%% of the %lld cells), %.2f ms a step\n",
                Steps + 1, bar->pageStep(), model->displayRequests(),
                double(model->displayRequests()) / (Steps + 1),
                100.0 * double(model->displayRequests()) / double(cells), cells,
                1000.0 * scrollSeconds / (Steps + 1));

    // Export of every row of the search, every column, in the search's order (one worksheet
    // per 65,536 rows), against sqlite3 -csv running the search to /dev/null.
    for (int index = 0; index < grid.columnCount(); ++index)
        grid.selectColumn(index);
    std::string folderPattern =
        (std::filesystem::temp_directory_path() / "bench-grid-XXXXXX").string();
    if (!mkdtemp(folderPattern.data()))
        return 1;
    const std::filesystem::path folder = folderPattern;
    const double allSeconds =
        bench::BestSeconds(runs, [&] { grid.exportSelectedColumns(folder / "all.xls"); });
    report("export of every row", allSeconds,
           sqliteSeconds(runs, database, search.toStdString(), "-csv"), 1.5);
    std::filesystem::remove(folder / "all.xls");

    // Export of 65,535 rows (one worksheet), every column, against sqlite3 -csv writing the
    // same rows to a file.
    const QString exportSelect = u"select * from score limit 65535"_qs;
    query.Close();
    query.SetSQL(exportSelect);
    query.Open();
    for (int index = 0; index < grid.columnCount(); ++index)
        grid.selectColumn(index);
    const double exportSeconds =
        bench::BestSeconds(runs, [&] { grid.exportSelectedColumns(folder / "out.xls"); });
    const std::vector<int> columns = grid.selectedColumns();
    const double cellSeconds = bench::BestSeconds(runs, [&] {
        platform::XlsRow cells;
        for (int row = 0; row < grid.rowCount(); ++row)
            ui::FillGridExportRow(grid, columns, row, cells);
    });
    report("export of 65,535 rows", exportSeconds,
           sqliteSeconds(runs, database, exportSelect.toStdString(), "-csv",
                         (folder / "out.csv").string()),
           1.5);
    std::printf("  of which making the cells: %.3f s\n", cellSeconds);
    std::filesystem::remove_all(folder);
    return 0;
}
