// benchpaper <output.mqe>: writes the large benchmark paper.

#include "tools/benchpaper/BenchPaper.h"

#include <cstdio>
#include <exception>

int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::fputs("usage: benchpaper <output.mqe>\n", stderr);
        return 1;
    }
    try {
        paperwriter::WritePaperFile(paperwriter::BenchPaper(), argv[1]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "benchpaper: %s: %s\n", argv[1], e.what());
        return 1;
    }
    return 0;
}
