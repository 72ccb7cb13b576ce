// demoattempts [--attempts N] [--seed S] [--sitting TITLE CLOSES-AT] PAPER.mqe... < UNITS
//   writes generated attempt records as SQL for SQLite; UNITS has one "town|unit" per line.
//   With --sitting they are the runs of one sitting with its roster.
// demoattempts --bench-paper QUESTIONS OUT.mqe
//   writes the first QUESTIONS questions of the benchmark paper.

#include "tools/benchpaper/BenchPaper.h"
#include "tools/demoattempts/AttemptGenerator.h"

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <iostream>
#include <string>

namespace {

int Usage() {
    std::fputs("usage: demoattempts [--attempts N] [--seed S] [--sitting TITLE CLOSES-AT] "
               "PAPER.mqe... < UNITS\n"
               "       demoattempts --bench-paper QUESTIONS OUT.mqe\n",
               stderr);
    return 2;
}

} // namespace

int main(int argc, char* argv[]) {
    try {
        if (argc == 4 && std::string(argv[1]) == "--bench-paper") {
            paperwriter::Paper paper = paperwriter::BenchPaper();
            paper.questions.resize(static_cast<std::size_t>(std::atoi(argv[2])));
            paperwriter::WritePaperFile(paper, argv[3]);
            return 0;
        }
        demoattempts::Settings settings;
        std::vector<std::filesystem::path> papers;
        for (int at = 1; at < argc; ++at) {
            const std::string argument = argv[at];
            if (argument == "--attempts" && at + 1 < argc) {
                settings.attempts = std::atoi(argv[++at]);
            } else if (argument == "--sitting" && at + 2 < argc) {
                settings.sittingTitle = argv[++at];
                settings.sittingClosesAt = argv[++at];
            } else if (argument == "--seed" && at + 1 < argc) {
                settings.seed = static_cast<unsigned>(std::atol(argv[++at]));
            } else if (argument.rfind("--", 0) == 0) {
                return Usage();
            } else {
                papers.emplace_back(argument);
            }
        }
        std::vector<demoattempts::Unit> units;
        for (std::string line; std::getline(std::cin, line);) {
            const auto bar = line.find('|');
            if (bar != std::string::npos)
                units.push_back({line.substr(0, bar), line.substr(bar + 1)});
        }
        if (papers.empty() || units.empty())
            return Usage();
        demoattempts::WriteAttemptsSql(std::cout, papers, units, settings);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "demoattempts: %s\n", e.what());
        return 1;
    }
    return 0;
}
