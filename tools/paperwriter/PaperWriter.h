#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

// Writes ".mqe" question papers for tests, demos and benchmarks. Texts are GBK bytes.
namespace paperwriter {

enum class Kind : uint8_t { Single = 0, Multi = 1, Matching = 2 };

struct Question {
    Kind kind = Kind::Single;
    std::string stem;
    int32_t fullMarks = 0;
    uint8_t allOrNothing = 0;
    std::vector<std::string> options;  // for matching: the items first, then the choices
    int32_t key = 0;                   // single choice: index of the right option
    int32_t leftCount = 0;             // matching: number of items
    std::array<uint8_t, 256> answer{}; // multi: 1 per option to tick; matching: choice per item
    int seqNo = -1;                    // -1: the question's position in the paper
};

struct Paper {
    std::string title;
    std::string rules;
    int32_t timeLimit = 2700;
    std::vector<Question> questions;
};

// The bytes of a well-formed paper file.
std::string WritePaper(const Paper& paper);
void WritePaperFile(const Paper& paper, const std::filesystem::path& file);

} // namespace paperwriter
