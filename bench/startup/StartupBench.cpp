// bench_startup [runs]: the start of exam with the 256-question paper alone in "Exam File".
//
// 1. From process start to the login window shown (its lists filled and the window painted):
//    each run starts this program anew as a child that runs exam's start-up, and the time is
//    taken from the spawn to the child's report. Baseline: a child that only shows an empty
//    dialog of the same size with plain Qt.
// 2. From the confirmed login to the exam area shown (the pauses after the draw left out): from
//    the answer Yes to the main window painted with the paper running, timed inside the child.
//    Baseline: loading the same paper alone, in the same child.
//
// Prints the median of each and the ratios. The children run on the offscreen platform.

#include "exam/Startup.h"
#include "exam/Unit1.h"
#include "paper/uFileHandle.h"
#include "exam/uMainform.h"
#include "platform/DatabaseConnection.h"
#include "tools/benchpaper/BenchPaper.h"
#include "ui/Application.h"
#include "ui/MessageBox.h"

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void Report(const char* line) {
    std::fputs(line, stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

// The child's part: exam's own start-up up to the login shown, then the login confirmed and
// the time until the exam area is on the screen.
int RunExamChild(int argc, char** argv, const char* folder) {
    ui::Application app(argc, argv);
    ui::ScriptedMessageBoxes boxes;
    Clock::time_point confirmed;
    boxes.onShow([&](const ui::ShownMessageBox&) { confirmed = Clock::now(); });

    ExamStartup startup;
    startup.Folder = QString::fromLocal8Bit(folder);
    // Each child leaves its exam running: a journal of its own keeps it from being resumed.
    startup.JournalFile = std::string(folder) + "/journal-" + std::to_string(getpid()) + ".db";
    startup.ShowLogin = [&](TForm1& login) {
        login.SetPauses(0, 0);
        login.show();
        QCoreApplication::processEvents();
        Report("login");
        login.cbb1->setCurrentIndex(1);
        login.LoadUnits();
        login.cbb2->setCurrentIndex(1);
        login.edt1->setText(QStringLiteral("张伟"));
        login.rzbtbtn1->click();
    };
    double examShown = -1;
    startup.RunEventLoop = [&](TMainForm& mainForm) {
        while (!mainForm.isVisible())
            QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        if (mainForm.ExamRunning())
            examShown = MsSince(confirmed);
        return 0;
    };
    RunExam(startup);

    const auto loadStart = Clock::now();
    TQFileHandle paper;
    paper.LoadFromFile(fs::path(folder) / "Exam File" / "bench.mqe");
    const double load = MsSince(loadStart);
    std::printf("exam %.3f %.3f\n", examShown, load);
    return examShown < 0 ? 1 : 0;
}

int RunBaselineChild(int argc, char** argv) {
    QApplication app(argc, argv);
    QDialog dialog;
    dialog.setFixedSize(TForm1::ClientWidth, TForm1::ClientHeight);
    dialog.show();
    QCoreApplication::processEvents();
    Report("login");
    return 0;
}

struct ChildTimes {
    double untilLogin = -1; // from the spawn to the child's "login" line
    double examShown = -1;
    double paperLoad = -1;
};

// Starts this program as a child with the given arguments and reads its report.
ChildTimes RunChild(const char* self, const std::vector<std::string>& arguments) {
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0)
        throw std::runtime_error("pipe failed");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
    std::vector<char*> argv{const_cast<char*>(self)};
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    ChildTimes times;
    const auto start = Clock::now();
    pid_t child = 0;
    if (posix_spawn(&child, self, &actions, nullptr, argv.data(), environ) != 0)
        throw std::runtime_error("cannot start the child");
    posix_spawn_file_actions_destroy(&actions);
    close(pipeEnds[1]);
    FILE* report = fdopen(pipeEnds[0], "r");
    char line[256];
    while (std::fgets(line, sizeof line, report)) {
        if (std::strncmp(line, "login", 5) == 0)
            times.untilLogin = MsSince(start);
        else
            std::sscanf(line, "exam %lf %lf", &times.examShown, &times.paperLoad);
    }
    std::fclose(report);
    int status = 0;
    waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || times.untilLogin < 0)
        throw std::runtime_error("the child failed");
    return times;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void PrepareFolder(const fs::path& folder, const char* schemaFile) {
    paperwriter::WritePaperFile(paperwriter::BenchPaper(), folder / "Exam File" / "bench.mqe");
    const fs::path database = folder / "korvend.db";
    std::ofstream(folder / "DBConifg.ini")
        << "[DBConifg]\r\nConnectionString=Provider=SQLite;Data Source=" << database.string()
        << "\r\n";
    std::ifstream schemaIn(schemaFile);
    const std::string schema((std::istreambuf_iterator<char>(schemaIn)), {});
    if (schema.empty())
        throw std::runtime_error(std::string("schema missing: ") + schemaFile);
    std::ofstream(database).close();
    platform::TADOConnection connection;
    connection.SetConnectionString(QStringLiteral("Provider=SQLite;Data Source=") +
                                   QString::fromStdString(database.string()));
    QString statements;
    for (const QString& line : QString::fromStdString(schema).split(u'\n'))
        if (!line.trimmed().startsWith(u"--"))
            statements += line + u'\n';
    for (const QString& sql : statements.split(u';'))
        if (!sql.trimmed().isEmpty())
            connection.Execute(sql);
    connection.Execute(QStringLiteral("insert into town (name) values ('安平镇'), ('白沙镇')"));
    connection.Execute(
        QStringLiteral("insert into Fac (name, Belong, type) values "
                       "('安平镇中学', '安平镇', false), ('安平村', '安平镇', true)"));
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 3 && std::strcmp(argv[1], "--exam-child") == 0)
        return RunExamChild(argc, argv, argv[2]);
    if (argc >= 2 && std::strcmp(argv[1], "--baseline-child") == 0)
        return RunBaselineChild(argc, argv);

    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    char pattern[] = "/tmp/bench-startup-XXXXXX";
    if (!mkdtemp(pattern))
        return 1;
    const fs::path folder = pattern;
    const std::string self = fs::read_symlink("/proc/self/exe").string();
    try {
        PrepareFolder(folder, EXAMSUITE_SCHEMA_FILE);
        std::vector<double> login, bare, exam, load;
        RunChild(self.c_str(), {"--exam-child", folder.string() + "/"}); // warm the caches
        for (int run = 0; run < runs; ++run) {
            const ChildTimes times =
                RunChild(self.c_str(), {"--exam-child", folder.string() + "/"});
            login.push_back(times.untilLogin);
            exam.push_back(times.examShown);
            load.push_back(times.paperLoad);
            bare.push_back(RunChild(self.c_str(), {"--baseline-child"}).untilLogin);
        }
        const double loginMs = Median(login), bareMs = Median(bare);
        const double examMs = Median(exam), loadMs = Median(load);
        std::printf("exam start-up, %d runs, %d-question paper alone in \"Exam File\" (medians)\n",
                    runs, paperwriter::BenchQuestionCount);
        std::printf("  process start to login shown:   %8.1f ms  (empty Qt dialog: %.1f ms, "
                    "ratio %.2f)\n",
                    loginMs, bareMs, loginMs / bareMs);
        std::printf("  confirmed login to exam shown:  %8.1f ms  (loading the paper alone: "
                    "%.1f ms, ratio %.2f)\n",
                    examMs, loadMs, examMs / loadMs);
        std::printf("  target: each below 300 ms: %s\n",
                    loginMs < 300 && examMs < 300 ? "met" : "NOT met");
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bench_startup: %s\n", error.what());
        fs::remove_all(folder);
        return 1;
    }
    fs::remove_all(folder);
    return 0;
}
