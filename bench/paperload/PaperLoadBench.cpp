// bench_paperload [loads]: loads the 256-question benchmark paper many times and prints the mean
// time per load, with reading the same file's bytes as the baseline of the same run.

#include "paper/uFileHandle.h"
#include "tools/benchpaper/BenchPaper.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

template <typename Action> double MeanMicroseconds(int runs, Action&& action) {
    action(); // warm the page cache and the allocator
    const auto start = Clock::now();
    for (int i = 0; i < runs; ++i)
        action();
    const std::chrono::duration<double, std::micro> elapsed = Clock::now() - start;
    return elapsed.count() / runs;
}

std::string ReadWholeFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::string bytes(std::filesystem::file_size(file), '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return bytes;
}

} // namespace

int main(int argc, char* argv[]) {
    const int runs = argc > 1 ? std::atoi(argv[1]) : 200;
    if (runs <= 0) {
        std::fputs("usage: bench_paperload [loads]\n", stderr);
        return 1;
    }
    const auto file = std::filesystem::temp_directory_path() /
                      ("examsuite-bench-" + std::to_string(getpid()) + ".mqe");
    paperwriter::WritePaperFile(paperwriter::BenchPaper(), file);
    const std::string bytes = ReadWholeFile(file);

    TQFileHandle paper;
    size_t sink = 0;
    const double fromFile = MeanMicroseconds(runs, [&] {
        paper.LoadFromFile(file);
        sink += static_cast<size_t>(paper.QuestionCount());
    });
    const double fromMemory = MeanMicroseconds(runs, [&] {
        std::istringstream stream(bytes);
        paper.LoadFromStream(stream);
        sink += static_cast<size_t>(paper.QuestionCount());
    });
    const double baseline = MeanMicroseconds(runs, [&] { sink += ReadWholeFile(file).size(); });
    std::filesystem::remove(file);

    if (paper.QuestionCount() != paperwriter::BenchQuestionCount || sink == 0) {
        std::fputs("bench_paperload: the paper did not load completely\n", stderr);
        return 1;
    }
    std::printf("paper: %d questions, %zu bytes, %d loads each\n", paper.QuestionCount(),
                bytes.size(), runs);
    std::printf("LoadFromFile:           %9.1f us per load\n", fromFile);
    std::printf("LoadFromStream (memory):%9.1f us per load\n", fromMemory);
    std::printf("read file bytes:        %9.1f us (baseline)\n", baseline);
    std::printf("LoadFromFile / baseline: %.1f\n", fromFile / baseline);
    return 0;
}
