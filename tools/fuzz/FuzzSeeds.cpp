// fuzz_seeds <folder>: writes small well-formed papers as the fuzzer's seed corpus.

#include "paper/PaperWriter.h"

#include <cstdio>
#include <string>

namespace {

using namespace paperwriter;

Question Of(Kind kind, int optionCount) {
    Question q;
    q.kind = kind;
    q.stem = "stem\r\n\xB2\xE2\xCA\xD4";
    q.fullMarks = 3;
    q.allOrNothing = 1;
    for (int i = 0; i < optionCount; ++i)
        q.options.push_back(std::string(1, static_cast<char>('A' + i)) + ". option");
    q.key = optionCount - 1;
    q.leftCount = optionCount / 2;
    q.answer[0] = 1;
    return q;
}

Paper PaperWith(std::initializer_list<Question> questions) {
    Paper paper;
    paper.title = "title";
    paper.rules = "rules";
    paper.questions = questions;
    return paper;
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::fputs("usage: fuzz_seeds <folder>\n", stderr);
        return 1;
    }
    const std::filesystem::path folder = argv[1];
    const Paper seeds[] = {
        PaperWith({}),
        PaperWith({Of(Kind::Single, 3)}),
        PaperWith({Of(Kind::Multi, 4)}),
        PaperWith({Of(Kind::Matching, 5)}),
        PaperWith({Of(Kind::Single, 0), Of(static_cast<Kind>(3), 0), Of(Kind::Matching, 2)}),
        PaperWith({Of(Kind::Single, 2), Of(Kind::Multi, 3), Of(Kind::Matching, 4)}),
    };
    int n = 0;
    for (const Paper& paper : seeds)
        WritePaperFile(paper, folder / ("seed-" + std::to_string(n++) + ".mqe"));
    return 0;
}
