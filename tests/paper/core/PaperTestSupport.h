#pragma once

#include "paper/uFileHandle.h"
#include "paper/PaperWriter.h"

#include <gtest/gtest.h>
#include <sstream>
#include <string>

namespace papertest {

// Offset of the FirstOption field of a question's type block, for damaging the option chain;
// -1 for an unknown kind.
inline int32_t FirstOptionField(const paperwriter::Question& question,
                                const paperwriter::QuestionLayout& layout) {
    namespace field = paperformat;
    switch (question.kind) {
    case paperwriter::Kind::Single:
        return layout.block + field::SingleFirstOption;
    case paperwriter::Kind::Multi:
        return layout.block + field::MultiFirstOption;
    case paperwriter::Kind::Matching:
        return layout.block + field::MatchingFirstOption;
    }
    return -1;
}

inline paperwriter::Question Single(const std::string& stem, std::vector<std::string> options,
                                    int32_t key, int32_t fullMarks = 2) {
    paperwriter::Question q;
    q.kind = paperwriter::Kind::Single;
    q.stem = stem;
    q.options = std::move(options);
    q.key = key;
    q.fullMarks = fullMarks;
    return q;
}

inline paperwriter::Question Multi(const std::string& stem, std::vector<std::string> options,
                                   std::initializer_list<int> ticked, int32_t fullMarks = 4) {
    paperwriter::Question q;
    q.kind = paperwriter::Kind::Multi;
    q.stem = stem;
    q.options = std::move(options);
    for (int i : ticked)
        q.answer[i] = 1;
    q.fullMarks = fullMarks;
    q.allOrNothing = 1;
    return q;
}

inline paperwriter::Question Matching(const std::string& stem, std::vector<std::string> options,
                                      int32_t leftCount, std::initializer_list<int> answer,
                                      int32_t fullMarks = 4) {
    paperwriter::Question q;
    q.kind = paperwriter::Kind::Matching;
    q.stem = stem;
    q.options = std::move(options);
    q.leftCount = leftCount;
    int i = 0;
    for (int choice : answer)
        q.answer[i++] = static_cast<uint8_t>(choice);
    q.fullMarks = fullMarks;
    return q;
}

inline paperwriter::Paper PaperOf(std::vector<paperwriter::Question> questions) {
    paperwriter::Paper paper;
    paper.title = "\xB2\xE2\xCA\xD4"; // 测试
    paper.rules = "rules";
    paper.timeLimit = 1800;
    paper.questions = std::move(questions);
    return paper;
}

inline void Load(TQFileHandle& handle, const std::string& bytes) {
    std::istringstream stream(bytes);
    handle.LoadFromStream(stream);
}

// The message of the EQError that `action` raises, or a note that it raised none.
template <typename Action> std::string QErrorOf(Action&& action) {
    try {
        action();
    } catch (const EQError& e) {
        return e.what();
    }
    return "(no EQError)";
}

} // namespace papertest
