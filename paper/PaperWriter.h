#pragma once

#include "paper/PaperFormat.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

// Writes ".mqe" question papers. Texts are GBK bytes.
namespace paperwriter {

enum class Kind : uint8_t {
    Single = paperformat::KindSingle,
    Multi = paperformat::KindMulti,
    Matching = paperformat::KindMatching
};

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
// Writes the paper over the file in one step, creating the folders on the way, then loads it back
// with the paper reader. Throws platform::Exception with a Chinese message when any of it fails;
// the file is then either the old one or none.
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

// The layout the reader reads, under the name tests use to damage a field.
namespace field = paperformat;

// Overwrite bytes of a laid-out paper.
void PatchInt32(std::string& bytes, int32_t at, int32_t value);
void PatchByte(std::string& bytes, int32_t at, uint8_t value);

} // namespace paperwriter
