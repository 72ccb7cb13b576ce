// bench_database [ROWS]: builds a score table of ROWS rows (default 1,000,000) in a temporary
// SQLite file and compares, in the same run, the database layer with the sqlite3 program:
//   open   "select * from score where 1=1  order by STime" into the cursor
//          against sqlite3 FILE "select * from score order by STime" > /dev/null  (target <= 1.5)
//   sort   the fetched rows by a number, a date-time and a text column
//          against sqlite3 with that ORDER BY  (targets <= 0.3, <= 0.3, <= 0.6)
//   memory the cursor's bytes against the size of the rows as sqlite3 prints them (target <= 3)
// Each time is the best of three runs.
//
// bench_database --generate FILE ROWS only writes the score table to a new SQLite file, for the
// other benchmarks (bench/database/generate.sh wraps it).
#include "platform/DatabaseQuery.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>

namespace {

constexpr int Runs = 3;

double BestSeconds(const std::function<void()>& work) {
    double best = 1e100;
    for (int run = 0; run < Runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        work();
        best = std::min(best, static_cast<double>(timer.nsecsElapsed()) / 1e9);
    }
    return best;
}

void Shell(const QString& command) {
    if (std::system(command.toUtf8().constData()) != 0) {
        std::fprintf(stderr, "failed: %s\n", qPrintable(command));
        std::exit(1);
    }
}

// Realistic rows: 7 towns, 60 units, names from common surnames and given names, scores 0 to
// 100 and recording times spread over a year in random order.
void Generate(const QString& file, int rows) {
    const QString sql = QStringLiteral(
        "CREATE TABLE Score (id INTEGER PRIMARY KEY AUTOINCREMENT, Town TEXT, Fac TEXT, Name TEXT,"
        " Score INTEGER, STime DATETIME);\n"
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1)\n"
        "INSERT INTO Score (Town, Fac, Name, Score, STime) SELECT\n"
        " substr('城关镇安平镇白沙镇龙泉乡青山镇桃源乡长安镇', (i % 7) * 3 + 1, 3),\n"
        " substr('城关镇安平镇白沙镇龙泉乡青山镇桃源乡长安镇', (i % 7) * 3 + 1, 3) ||"
        " substr('人民政府中心小学卫生院财政所农技站水利站东关村西关村柳树屯村王家庄村',"
        " (i % 10) * 3 + 1, 3 + (i % 3)),\n"
        " substr('王李张刘陈杨黄赵吴周徐孙马朱胡郭何高林罗', (i * 7 % 20) + 1, 1) ||"
        " substr('伟芳娜敏静丽强磊军洋勇艳杰娟涛明超秀霞平刚桂英华', (i * 13 % 25) + 1, 1) ||"
        " CASE WHEN i % 3 = 0 THEN '' ELSE substr('国建文志明永春海玉兰', (i * 11 % 10) + 1, 1) "
        "END,\n"
        " (i * 37) % 101,\n"
        " datetime(1764547200 + (i * 7919) % 31536000, 'unixepoch')\n"
        "FROM n;\n");
    QTemporaryFile script;
    if (!script.open() || script.write(sql.arg(rows).toUtf8()) < 0 || !script.flush()) {
        std::fprintf(stderr, "cannot write the generator's SQL script\n");
        std::exit(1);
    }
    Shell(QStringLiteral("sqlite3 '%1' < '%2'").arg(file, script.fileName()));
}

int GenerateOnly(const char* file, const char* rowsText) {
    const QString target = QString::fromLocal8Bit(file);
    const int rows = std::atoi(rowsText);
    if (rows <= 0) {
        std::fprintf(stderr, "ROWS must be a positive number, not %s\n", rowsText);
        return 2;
    }
    if (QFileInfo::exists(target)) {
        std::fprintf(stderr, "%s exists already: give a new file\n", file);
        return 2;
    }
    Generate(target, rows);
    return 0;
}

void Report(const char* what, double ours, double baseline, double target) {
    const double ratio = ours / baseline;
    std::printf("%-34s %8.3f s  sqlite3 %8.3f s  ratio %5.2f  (target <= %.1f) %s\n", what, ours,
                baseline, ratio, target, ratio <= target ? "ok" : "MISSED");
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc > 1 && std::strcmp(argv[1], "--generate") == 0) {
        if (argc != 4) {
            std::fprintf(stderr, "usage: bench_database --generate FILE ROWS\n");
            return 2;
        }
        return GenerateOnly(argv[2], argv[3]);
    }
    const int rows = argc > 1 ? std::atoi(argv[1]) : 1000000;
    QTemporaryDir folder;
    const QString file = QDir(folder.path()).filePath(QStringLiteral("score.db"));
    std::printf("Generating %d score rows...\n", rows);
    Generate(file, rows);

    platform::TADOConnection connection;
    connection.SetConnectionString(QStringLiteral("Provider=SQLite;Data Source=") + file);
    platform::TADOQuery query;
    query.SetConnection(&connection);
    query.SetSQL(QStringLiteral("select * from score where 1=1  order by STime"));
    const auto cli = [&](const char* orderBy) {
        return BestSeconds([&] {
            Shell(QStringLiteral("sqlite3 '%1' 'select * from score order by %2' > /dev/null")
                      .arg(file, QLatin1String(orderBy)));
        });
    };

    const double open = BestSeconds([&] {
        query.Close();
        query.Open();
    });
    Report("open into the cursor", open, cli("STime"), 1.5);

    const struct {
        const char* label;
        const char* field;
        double target;
    } sorts[] = {{"sort by a number (Score)", "Score", 0.3},
                 {"sort by a date-time (STime)", "STime", 0.3},
                 {"sort by a text (Name, pinyin)", "Name", 0.6},
                 {"sort by a text (Fac, pinyin)", "Fac", 0.6}};
    // Each timed sort starts from the order of another field, so it never meets sorted rows.
    for (const auto& sort : sorts) {
        const QString scramble = QLatin1String(sort.field) == u"Name" ? QStringLiteral("Score ASC")
                                                                      : QStringLiteral("Name ASC");
        double best = 1e100;
        for (int run = 0; run < Runs; ++run) {
            query.SetSort(scramble);
            QElapsedTimer timer;
            timer.start();
            query.SetSort(QLatin1String(sort.field) + QStringLiteral(" DESC"));
            best = std::min(best, static_cast<double>(timer.nsecsElapsed()) / 1e9);
        }
        Report(sort.label, best, cli(sort.field), sort.target);
    }

    const QString text = QDir(folder.path()).filePath(QStringLiteral("rows.txt"));
    Shell(QStringLiteral("sqlite3 '%1' 'select * from score' > '%2'").arg(file, text));
    const double textBytes = static_cast<double>(QFileInfo(text).size());
    const double cursorBytes = static_cast<double>(query.MemoryUsage());
    std::printf("%-34s %8.1f MB  rows as text %8.1f MB  ratio %5.2f  (target <= 3.0) %s\n",
                "cursor memory", cursorBytes / 1e6, textBytes / 1e6, cursorBytes / textBytes,
                cursorBytes <= 3 * textBytes ? "ok" : "MISSED");
    std::printf("%d rows, %d fields\n", query.RecordCount(), query.FieldCount());
    return 0;
}
