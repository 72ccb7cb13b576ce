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
    Kind kind = Kind::Single; // any other value is written as it stands, with no type block
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
// Writes the paper, creating the folders on the way.
void WritePaperFile(const Paper& paper, const std::filesystem::path& file);

// Where the pieces of one question lie in the bytes of a paper.
struct QuestionLayout {
    int32_t record = 0;         // the 28-byte question record
    int32_t block = 0;          // its type block (record + 28)
    std::vector<int32_t> nodes; // the option nodes, in chain order
    int32_t stemStart = 0;
    std::vector<int32_t> optionTexts; // start of each option text
};

struct PaperLayout {
    std::string bytes;
    std::vector<QuestionLayout> questions;
};

// Lays the paper out as WritePaper does and tells where everything went, so that a test can
// damage exactly the field it means to.
PaperLayout LayOutPaper(const Paper& paper);

// Byte offsets of the fields, relative to the start of their structure.
namespace field {
constexpr int32_t HeaderSize = 544;
constexpr int32_t HeaderMark = 0;
constexpr int32_t HeaderFirstRecord = 24;
constexpr int32_t HeaderTimeLimit = 28;
constexpr int32_t HeaderRules = 32;
constexpr int32_t HeaderTitle = 288;

constexpr int32_t RecordSize = 28;
constexpr int32_t RecordSeqNo = 0;
constexpr int32_t RecordStemStart = 4;
constexpr int32_t RecordStemEnd = 8;
constexpr int32_t RecordAllOrNothing = 12;
constexpr int32_t RecordFullMarks = 16;
constexpr int32_t RecordMark = 20;
constexpr int32_t RecordKind = 23;
constexpr int32_t RecordNext = 24;

constexpr int32_t SingleKey = 0;
constexpr int32_t SingleFirstOption = 4;
constexpr int32_t MultiAnswer = 0;
constexpr int32_t MultiFirstOption = 256;
constexpr int32_t MatchingLeftCount = 0;
constexpr int32_t MatchingAnswer = 4;
constexpr int32_t MatchingFirstOption = 260;

constexpr int32_t NodeSize = 12;
constexpr int32_t NodeNext = 0;
constexpr int32_t NodeTextStart = 4;
constexpr int32_t NodeTextEnd = 8;
} // namespace field

// Offset of the FirstOption field of a question's type block; -1 for an unknown kind.
int32_t FirstOptionField(const Question& question, const QuestionLayout& layout);

// Overwrite bytes of a laid-out paper, for damaged papers.
void PatchInt32(std::string& bytes, int32_t at, int32_t value);
void PatchByte(std::string& bytes, int32_t at, uint8_t value);

} // namespace paperwriter
