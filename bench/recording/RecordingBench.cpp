// bench_recording [DESKS]: the cost of recording a 256-question hand-in, in the same run:
//   the score row alone (as a database without the attempt tables gets it) against the score
//   row with its Attempt row and 256 AttemptAnswer rows in one transaction, on SQLite and on
//   PostgreSQL over loopback; medians of 20 (targets: under 100 ms on PostgreSQL, within 3x the
//   score row alone);
//   then DESKS processes (default 250) hand in the same paper at once on PostgreSQL, each
//   trying again with its token while the server refuses it: no row lost, one Paper row.
// bench_recording --desk CONNECTION NUMBER is one such desk.
#include "exam/Unit2.h"
#include "tests/support/PgServer.h"
#include "tests/support/TempDir.h"
#include "ui/MessageBox.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QThread>
#include <QUuid>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>

using testsupport::Backend;

namespace {

constexpr int Runs = 20;
constexpr int Questions = 256;
const std::string PaperBytes(40000, 'x');

double MedianMs(const std::function<void()>& work) {
    std::vector<double> times;
    for (int run = 0; run < Runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        work();
        times.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return (times[Runs / 2 - 1] + times[Runs / 2]) / 2;
}

AttemptRecord HandIn(const std::string& name) {
    AttemptRecord attempt;
    attempt.token = QUuid::createUuid().toString(QUuid::WithoutBraces).toStdString();
    attempt.row = {"安平镇", "安平镇卫生院", name, "128", "2026-12-09 10:00:00"};
    attempt.ending = RunEnding::HandIn;
    attempt.paperSha256 = std::string(64, 'a');
    attempt.paperTitle = "基准试卷";
    attempt.startTime = "2026-12-09 09:15:00";
    attempt.endTime = attempt.row.time;
    attempt.elapsed = 2700;
    for (int question = 0; question < Questions; ++question)
        attempt.answers.push_back({question, question % 2 ? "ABD" : "C", question % 2, 1});
    return attempt;
}

// A data module over the connection, as a desk's DBConifg.ini names it.
std::unique_ptr<TDataModule2> Desk(const testsupport::TempDir& folder, const QString& connection) {
    folder.write("DBConifg.ini",
                 (u"[DBConifg]\r\nConnectionString="_qs + connection + u"\r\n"_qs).toStdString());
    return std::make_unique<TDataModule2>(nullptr,
                                          QString::fromStdString(folder.path().string()) + u'/');
}

void CompareOn(Backend backend) {
    testsupport::TestDatabase database(backend);
    testsupport::TempDir folder;
    const auto desk = Desk(folder, database.ConnectionString());
    desk->KeepsAttempts();
    const double alone = MedianMs([&] { desk->PostScoreRow(HandIn("甲").row); });
    const double whole = MedianMs([&] { desk->PostAttempt(HandIn("乙")); });
    std::printf("%-9s score row alone %6.2f ms, with attempt and %d answers %6.2f ms: %.2fx "
                "(target <= 3x%s)\n",
                testsupport::BackendName(backend).c_str(), alone, Questions, whole, whole / alone,
                backend == Backend::Postgres ? ", < 100 ms" : "");
}

QString Count(const QString& connection, const QString& table) {
    platform::TADOConnection database;
    database.SetConnectionString(connection);
    platform::TADOQuery query;
    query.SetConnection(&database);
    query.SetSQL(u"select count(*) from "_qs + table);
    query.Open();
    return query.DisplayText(0, 0);
}

int LoadTest(int desks) {
    testsupport::TestDatabase database(Backend::Postgres);
    QElapsedTimer timer;
    timer.start();
    std::vector<std::unique_ptr<QProcess>> processes;
    for (int desk = 0; desk < desks; ++desk) {
        auto process = std::make_unique<QProcess>();
        process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process->start(QCoreApplication::applicationFilePath(),
                       {u"--desk"_qs, database.ConnectionString(), QString::number(desk)});
        processes.push_back(std::move(process));
    }
    int failed = 0;
    for (auto& process : processes)
        failed += !process->waitForFinished(600000) || process->exitCode() != 0;
    const QString connection = database.ConnectionString();
    std::printf("%d desks at once on PostgreSQL (%d failed) in %.1f s: %s score rows, %s attempts, "
                "%s answers (expected %d, %d, %d), %s Paper row\n",
                desks, failed, static_cast<double>(timer.elapsed()) / 1e3,
                qPrintable(Count(connection, u"Score"_qs)),
                qPrintable(Count(connection, u"Attempt"_qs)),
                qPrintable(Count(connection, u"AttemptAnswer"_qs)), desks, desks, desks * Questions,
                qPrintable(Count(connection, u"Paper"_qs)));
    return failed ? 1 : 0;
}

// One desk: stores the paper and hands in, trying again with the same token while the server
// refuses it (it takes fewer connections than there are desks), as an examinee clicks again.
int OneDesk(const QString& connection, const QString& number) {
    testsupport::TempDir folder;
    const auto desk = Desk(folder, connection);
    AttemptRecord attempt = HandIn(("考生" + number).toStdString());
    attempt.paperBytes = PaperBytes;
    for (int attemptNumber = 0; attemptNumber < 600; ++attemptNumber) {
        try {
            if (desk->KeepsAttempts() == true) {
                desk->StorePaper(attempt.paperSha256, attempt.paperTitle, attempt.paperBytes);
                desk->PostAttempt(attempt);
                return 0;
            }
        } catch (const std::exception&) {
        }
        QThread::msleep(50);
    }
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    // The errors a refused desk meets are its retries, not boxes for anyone to read.
    ui::ScriptedMessageBoxes boxes;
    if (argc == 4 && std::strcmp(argv[1], "--desk") == 0)
        return OneDesk(QString::fromUtf8(argv[2]), QString::fromUtf8(argv[3]));
    CompareOn(Backend::Sqlite);
    CompareOn(Backend::Postgres);
    return LoadTest(argc > 1 ? std::atoi(argv[1]) : 250);
}
