// bench_sittingdraw [runs]: on a PostgreSQL server of its own, the time the login spends after
// its confirmation drawing a paper from an open sitting of 10 papers of 256 questions (the open
// sittings looked up, a paper read from Paper and checked against its hash), against the same
// look-up for a unit no sitting admits, which then draws from "Exam File". The difference is
// what a sitting adds to the login.

#include "bench/BestTime.h"
#include "exam/SittingDraw.h"
#include "exam/Unit2.h"
#include "paper/PaperWriter.h"
#include "records/db/SittingStore.h"
#include "tests/support/PgServer.h"
#include "tests/support/TempDir.h"
#include "tools/benchpaper/BenchPaper.h"

#include <QApplication>
#include <QDateTime>
#include <QRandomGenerator>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr int Papers = 10;

records::NewSitting SittingOfBenchPapers(const testsupport::TempDir& folder) {
    const QDateTime now = QDateTime::currentDateTime();
    records::NewSitting sitting{"基准场次",
                                now.addDays(-1).toString(u"yyyy-MM-dd HH:mm:ss"_qs).toStdString(),
                                now.addDays(1).toString(u"yyyy-MM-dd HH:mm:ss"_qs).toStdString(),
                                60,
                                {{"安平镇", "安平镇卫生院"}},
                                {}};
    for (int number = 0; number < Papers; ++number) {
        paperwriter::Paper paper = paperwriter::BenchPaper();
        paper.title += " " + std::to_string(number); // each paper its own bytes and hash
        const std::filesystem::path file = folder / ("paper" + std::to_string(number) + ".mqe");
        paperwriter::WritePaperFile(paper, file);
        sitting.papers.push_back(records::ReadPaperToPublish(QString::fromStdString(file)));
    }
    return sitting;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    testsupport::TempDir folder;
    const testsupport::TestDatabase database(testsupport::Backend::Postgres,
                                             testsupport::Tables::WithSittings);
    folder.write("DBConifg.ini",
                 (u"[DBConifg]\r\nConnectionString="_qs + database.ConnectionString() + u"\r\n"_qs)
                     .toStdString());
    TDataModule2 desk(nullptr, QString::fromStdString(folder.path().string()) + u'/');
    if (!desk.con1.Open())
        return 1;
    records::AddSitting(desk.con1.Database(), SittingOfBenchPapers(folder));

    QRandomGenerator random(7);
    const auto draw = [&](const char* unit) {
        const SittingDraw drawn =
            DrawFromSittings(desk, u"安平镇"_qs, QString::fromUtf8(unit), nullptr, random);
        return drawn.source;
    };
    if (draw("安平镇卫生院") != SittingDraw::Source::Sitting ||
        draw("安平镇中心小学") != SittingDraw::Source::ExamFile) {
        std::fputs("bench_sittingdraw: the draw did not go as set up\n", stderr);
        return 1;
    }
    const double sitting = bench::BestSeconds(runs, [&] { draw("安平镇卫生院"); });
    const double none = bench::BestSeconds(runs, [&] { draw("安平镇中心小学"); });
    const double added = 1000 * (sitting - none);
    std::printf("best of %d: draw from the sitting %.1f ms, look-up with none open %.1f ms\n", runs,
                1000 * sitting, 1000 * none);
    std::printf("added to the login by a sitting of %d papers of 256 questions: %.1f ms "
                "(target under 100 ms)%s\n",
                Papers, added, added < 100 ? "" : "  MISSED");
    return 0;
}
