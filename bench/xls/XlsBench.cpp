// Exports 65,535 score-like rows (Chinese text, integers, date-time text) to .xls through the
// writer, and compares the time with sqlite3 writing the same rows of the same file as CSV.
// The rows are fetched into memory first, as the grid holds them when the user exports; the
// export's time covers turning the fetched values into cells, encoding and writing the file.

#include "bench/BestTime.h"
#include "platform/XlsWriter.h"

#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr int ExportRows = 65535;
constexpr const char* Select =
    "select ID, Town, Fac, Name, Paper, Score, Total, STime from score limit 65535";

constexpr const char* Generate = R"SQL(
create table score(ID integer, Town text, Fac text, Name text, Paper text, Score integer,
                   Total integer, STime text);
with recursive n(i) as (select 1 union all select i + 1 from n where i < 70000)
insert into score select i,
    case i % 5 when 0 then '城关镇' when 1 then '东坝乡' when 2 then '西河镇'
               when 3 then '南山乡' else '北岭镇' end,
    '第' || (i % 40) || '村民委员会',
    '考生' || i,
    '安全生产知识考试（' || (i % 19) || '）',
    i % 101, 100,
    strftime('%Y-%m-%d %H:%M:%S', 1700000000 + i * 37, 'unixepoch')
from n;
)SQL";

void run(const std::string& command) {
    if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "failed: %s\n", command.c_str());
        std::exit(1);
    }
}

// The cell the grid makes of a fetched value: numbers stay numbers, texts become UTF-8, reusing
// the storage of the cell before.
void setCell(platform::XlsCell& cell, const QVariant& value) {
    if (value.isNull()) {
        cell = std::monostate{};
    } else if (value.typeId() == QMetaType::LongLong || value.typeId() == QMetaType::Int ||
               value.typeId() == QMetaType::Double) {
        cell = value.toDouble();
    } else {
        const QByteArray utf8 = value.toString().toUtf8();
        if (auto* text = std::get_if<std::string>(&cell))
            text->assign(utf8.constData(), static_cast<std::size_t>(utf8.size()));
        else
            cell = utf8.toStdString();
    }
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    std::string folderPattern =
        (std::filesystem::temp_directory_path() / "bench-xls-XXXXXX").string();
    if (!mkdtemp(folderPattern.data()))
        return 1;
    const std::filesystem::path folder = folderPattern;
    const auto database = folder / "scores.db";
    const auto sqlFile = folder / "generate.sql";
    std::FILE* sql = std::fopen(sqlFile.c_str(), "w");
    std::fputs(Generate, sql);
    std::fclose(sql);
    run("sqlite3 '" + database.string() + "' < '" + sqlFile.string() + "'");

    std::vector<std::vector<QVariant>> fetched;
    std::vector<std::string> names;
    {
        auto db = QSqlDatabase::addDatabase("QSQLITE", "bench");
        db.setDatabaseName(QString::fromStdString(database.string()));
        if (!db.open())
            return 1;
        QSqlQuery query(db);
        query.setForwardOnly(true);
        if (!query.exec(Select))
            return 1;
        for (int c = 0; c < query.record().count(); ++c)
            names.push_back(query.record().fieldName(c).toStdString());
        while (query.next()) {
            auto& row = fetched.emplace_back();
            for (int c = 0; c < static_cast<int>(names.size()); ++c)
                row.push_back(query.value(c));
        }
    }
    QSqlDatabase::removeDatabase("bench");
    if (fetched.size() != ExportRows)
        return 1;

    const auto csv = folder / "out.csv";
    const std::string baseline =
        "sqlite3 -csv '" + database.string() + "' \"" + Select + "\" > '" + csv.string() + "'";
    const double sqliteSeconds = bench::BestSeconds(runs, [&] { run(baseline); });

    platform::XlsRow titles(names.begin(), names.end());
    const auto xls = folder / "out.xls";
    const double xlsSeconds = bench::BestSeconds(runs, [&] {
        platform::WriteXlsFile(xls, titles, fetched.size(),
                               [&](std::size_t i, platform::XlsRow& row) {
                                   const auto& values = fetched[i];
                                   row.resize(values.size());
                                   for (std::size_t c = 0; c < values.size(); ++c)
                                       setCell(row[c], values[c]);
                               });
    });

    std::printf("rows: %d x %zu columns\n", ExportRows, names.size());
    std::printf("sqlite3 -csv:  %.3f s (%.1f MB)\n", sqliteSeconds,
                std::filesystem::file_size(csv) / 1e6);
    std::printf("xls export:    %.3f s (%.1f MB)\n", xlsSeconds,
                std::filesystem::file_size(xls) / 1e6);
    std::printf("ratio xls/csv: %.2f (target at most 1.50)\n", xlsSeconds / sqliteSeconds);
    std::filesystem::remove_all(folder);
    return 0;
}
