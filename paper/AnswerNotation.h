#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class TQuestion;

// An examinee's answer written as the question template's 答案 column writes a key: the ticked
// option letters in order for a choice question ("B", "ABD"), one letter per item for a matching
// question with "-" for an item left open ("C-B"), and "" when nothing is answered. The answer
// itself is in the form of TQuestionPanel::Answer: one entry per answer row, 1 or 0 for an
// option, the chosen letter's index or -1 for a matching item. Letters run from "A" on, past
// "Z" as the template's letters do; the text is UTF-8.
namespace answernotation {

enum class Kind { Choice, Matching };

// The letter of option (or choice) number index, counted from 0: "A", "B", ... and on past "Z"
// through the code points after it, as the question template names its option columns.
char32_t OptionLetter(int32_t index);

Kind KindOf(const TQuestion& question);

std::string Format(Kind kind, const std::vector<int32_t>& answer);

// The right answer of the question in Answer's form: the key of a single choice, the answer
// block of a multiple choice over its options, the letter of each item of a matching question.
std::vector<int32_t> KeyOf(const TQuestion& question);

// The answer of a question with `rows` answer rows whose letters are below `letters` (the
// options of a choice question, the choices of a matching one); nothing when the text does not
// fit the question.
std::optional<std::vector<int32_t>> Parse(Kind kind, std::string_view text, size_t rows,
                                          size_t letters);

// The answer that the text gives to this question, with the rows and letters its panel shows;
// nothing when the text does not fit the question.
std::optional<std::vector<int32_t>> ParseFor(const TQuestion& question, std::string_view text);

} // namespace answernotation
