#include "tools/benchpaper/BenchPaper.h"

#include <iterator>

namespace paperwriter {

namespace {

// Stems and option texts of the kind real papers carry, in GBK.
const char* const Phrases[] = {
    // 关于乡镇机关工作人员廉洁自律的规定，下列说法中正确的是哪一项？请结合本单位实际情况作答。
    "\xB9\xD8\xD3\xDA\xCF\xE7\xD5\xF2\xBB\xFA\xB9\xD8\xB9\xA4\xD7\xF7\xC8\xCB\xD4\xB1\xC1\xAE\xBD"
    "\xE0"
    "\xD7\xD4\xC2\xC9\xB5\xC4\xB9\xE6\xB6\xA8\xA3\xAC\xCF\xC2\xC1\xD0\xCB\xB5\xB7\xA8\xD6\xD0\xD5"
    "\xFD"
    "\xC8\xB7\xB5\xC4\xCA\xC7\xC4\xC4\xD2\xBB\xCF\xEE\xA3\xBF\xC7\xEB\xBD\xE1\xBA\xCF\xB1\xBE\xB5"
    "\xA5"
    "\xCE\xBB\xCA\xB5\xBC\xCA\xC7\xE9\xBF\xF6\xD7\xF7\xB4\xF0\xA1\xA3",
    // 根据村民委员会组织法，村民委员会每届任期为五年，届满应当及时举行换届选举。
    "\xB8\xF9\xBE\xDD\xB4\xE5\xC3\xF1\xCE\xAF\xD4\xB1\xBB\xE1\xD7\xE9\xD6\xAF\xB7\xA8\xA3\xAC\xB4"
    "\xE5"
    "\xC3\xF1\xCE\xAF\xD4\xB1\xBB\xE1\xC3\xBF\xBD\xEC\xC8\xCE\xC6\xDA\xCE\xAA\xCE\xE5\xC4\xEA\xA3"
    "\xAC"
    "\xBD\xEC\xC2\xFA\xD3\xA6\xB5\xB1\xBC\xB0\xCA\xB1\xBE\xD9\xD0\xD0\xBB\xBB\xBD\xEC\xD1\xA1\xBE"
    "\xD9"
    "\xA1\xA3",
    // 事业单位工作人员在年度考核中被确定为不合格等次的，应当如何处理？
    "\xCA\xC2\xD2\xB5\xB5\xA5\xCE\xBB\xB9\xA4\xD7\xF7\xC8\xCB\xD4\xB1\xD4\xDA\xC4\xEA\xB6\xC8\xBF"
    "\xBC"
    "\xBA\xCB\xD6\xD0\xB1\xBB\xC8\xB7\xB6\xA8\xCE\xAA\xB2\xBB\xBA\xCF\xB8\xF1\xB5\xC8\xB4\xCE\xB5"
    "\xC4"
    "\xA3\xAC\xD3\xA6\xB5\xB1\xC8\xE7\xBA\xCE\xB4\xA6\xC0\xED\xA3\xBF",
    // 下列属于乡镇人民政府法定职责的是
    "\xCF\xC2\xC1\xD0\xCA\xF4\xD3\xDA\xCF\xE7\xD5\xF2\xC8\xCB\xC3\xF1\xD5\xFE\xB8\xAE\xB7\xA8\xB6"
    "\xA8"
    "\xD6\xB0\xD4\xF0\xB5\xC4\xCA\xC7",
    // 选项内容：依照法律规定的权限管理本行政区域内的经济、教育、科学、文化、卫生事业
    "\xD1\xA1\xCF\xEE\xC4\xDA\xC8\xDD\xA3\xBA\xD2\xC0\xD5\xD5\xB7\xA8\xC2\xC9\xB9\xE6\xB6\xA8\xB5"
    "\xC4"
    "\xC8\xA8\xCF\xDE\xB9\xDC\xC0\xED\xB1\xBE\xD0\xD0\xD5\xFE\xC7\xF8\xD3\xF2\xC4\xDA\xB5\xC4\xBE"
    "\xAD"
    "\xBC\xC3\xA1\xA2\xBD\xCC\xD3\xFD\xA1\xA2\xBF\xC6\xD1\xA7\xA1\xA2\xCE\xC4\xBB\xAF\xA1\xA2\xCE"
    "\xC0"
    "\xC9\xFA\xCA\xC2\xD2\xB5",
};
constexpr int PhraseCount = static_cast<int>(std::size(Phrases));

std::string Phrase(int n) {
    return Phrases[n % PhraseCount];
}

std::string Stem(int n) {
    return std::to_string(n + 1) + ". " + Phrase(n) + "\r\n" + Phrase(n + 1) + Phrase(n + 2);
}

std::string OptionText(int question, int option) {
    return std::string(1, static_cast<char>('A' + option)) + ". " + Phrase(question + option);
}

Question BenchQuestion(int n) {
    Question q;
    q.kind = static_cast<Kind>(n % 3);
    q.stem = Stem(n);
    q.fullMarks = 2 + n % 3;
    q.allOrNothing = static_cast<uint8_t>(n % 2);
    const int optionCount = 8 + n % 5;
    for (int i = 0; i < optionCount; ++i)
        q.options.push_back(OptionText(n, i));
    switch (q.kind) {
    case Kind::Single:
        q.key = n % optionCount;
        break;
    case Kind::Multi:
        for (int i = n % 2; i < optionCount; i += 2)
            q.answer[i] = 1;
        break;
    case Kind::Matching:
        q.leftCount = optionCount / 2;
        for (int i = 0; i < q.leftCount; ++i)
            q.answer[i] = static_cast<uint8_t>((i + n) % (optionCount - q.leftCount));
        break;
    }
    return q;
}

} // namespace

Paper BenchPaper() {
    Paper paper;
    paper.title = Phrase(3);
    paper.rules = Phrase(0);
    paper.timeLimit = 5400;
    for (int n = 0; n < BenchQuestionCount; ++n)
        paper.questions.push_back(BenchQuestion(n));
    return paper;
}

} // namespace paperwriter
