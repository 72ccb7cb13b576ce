// bench_catalogue [runs]: builds a tree of 10,000 files in 200 nested folders, half of them
// papers, and times the catalogue's search and header filter over it against
// `find <tree> -iname '*.mqe' -exec head -c 544 {} +`, the same walk and reads done by standard
// tools, in the same run. Prints the median of each and their ratio.

#include "exam/uMainform.h"
#include "platform/CodePage.h"
#include "paper/PaperWriter.h"

#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

constexpr int Branches = 20;       // folders directly below the root
constexpr int Depth = 10;          // each branch a chain of this many nested folders
constexpr int FilesPerFolder = 50; // 25 papers, 5 .mqe files with a wrong mark, 20 others
constexpr int PapersPerFolder = 25;
constexpr int WrongMarksPerFolder = 5;

void WriteBytes(const fs::path& file, const std::string& bytes) {
    std::ofstream out(file, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string PaperBytes(int number) {
    paperwriter::Paper paper;
    paper.title = platform::ToGbk(QStringLiteral("安全生产知识测试 第%1套").arg(number));
    paper.rules = platform::ToGbk(QStringLiteral("闭卷考试,限时四十五分钟,独立完成。"));
    paperwriter::Question question;
    question.stem = platform::ToGbk(QStringLiteral("发现火情应当首先怎么做?"));
    question.fullMarks = 2;
    question.options = {platform::ToGbk(QStringLiteral("立即报警")),
                        platform::ToGbk(QStringLiteral("继续工作"))};
    paper.questions.push_back(question);
    return paperwriter::WritePaper(paper);
}

int BuildTree(const fs::path& root) {
    const char* extensions[] = {".mqe", ".MQE", ".Mqe"};
    const char* others[] = {".txt", ".doc", ".mqe.bak", ".mqe1", ".jpg"};
    int number = 0;
    for (int branch = 0; branch < Branches; ++branch) {
        fs::path folder = root / ("branch" + std::to_string(branch));
        for (int level = 0; level < Depth; ++level, folder /= "level" + std::to_string(level)) {
            fs::create_directories(folder);
            for (int i = 0; i < FilesPerFolder; ++i) {
                const std::string name = "f" + std::to_string(i);
                if (i < PapersPerFolder) {
                    WriteBytes(folder / (name + extensions[i % 3]), PaperBytes(++number));
                } else if (i < PapersPerFolder + WrongMarksPerFolder) {
                    std::string bytes = PaperBytes(0);
                    bytes[1] = 't';
                    WriteBytes(folder / (name + ".mqe"), bytes);
                } else {
                    WriteBytes(folder / (name + others[i % 5]), std::string(600, 'x'));
                }
            }
        }
    }
    return number;
}

template <typename Action> double MedianMilliseconds(int runs, Action&& action) {
    action(); // warm the page cache
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const auto start = Clock::now();
        action();
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

int main(int argc, char* argv[]) {
    const int runs = argc > 1 ? std::atoi(argv[1]) : 7;
    if (runs <= 0) {
        std::fputs("usage: bench_catalogue [runs]\n", stderr);
        return 1;
    }
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    const fs::path root =
        fs::temp_directory_path() / ("examsuite-catalogue-" + std::to_string(getpid()));
    const int papers = BuildTree(root);

    size_t found = 0;
    const double catalogue = MedianMilliseconds(runs, [&] {
        std::vector<fs::path> files;
        FindPaperFiles(files, root, true);
        found = FilterPaperFiles(files).size();
    });
    std::vector<fs::path> searched;
    const double search = MedianMilliseconds(runs, [&] {
        searched.clear();
        FindPaperFiles(searched, root, true);
    });
    const double filter = MedianMilliseconds(runs, [&] {
        std::vector<fs::path> files = searched;
        FilterPaperFiles(files);
    });
    const std::string command =
        "find '" + root.string() + "' -iname '*.mqe' -exec head -c 544 {} + >/dev/null";
    const double baseline = MedianMilliseconds(runs, [&] {
        if (std::system(command.c_str()) != 0)
            std::fputs("bench_catalogue: find failed\n", stderr);
    });
    fs::remove_all(root);

    if (found != static_cast<size_t>(papers)) {
        std::fprintf(stderr, "bench_catalogue: %zu papers kept, %d expected\n", found, papers);
        return 1;
    }
    std::printf("tree: %d folders, %d files, %d papers; median of %d runs\n", Branches * Depth,
                Branches * Depth * FilesPerFolder, papers, runs);
    std::printf("FindPaperFiles + header filter: %8.1f ms\n", catalogue);
    std::printf("  of which FindPaperFiles:      %8.1f ms\n", search);
    std::printf("  of which header filter:       %8.1f ms\n", filter);
    std::printf("find -iname + head -c 544:      %8.1f ms (baseline)\n", baseline);
    std::printf("catalogue / baseline: %.2f\n", catalogue / baseline);
    return 0;
}
