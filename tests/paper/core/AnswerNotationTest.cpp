#include "paper/AnswerNotation.h"

#include "paper/uFileHandle.h"

#include <gtest/gtest.h>

using answernotation::Kind;

namespace {

struct Case {
    Kind kind;
    std::vector<int32_t> answer;
    std::string text;
};

} // namespace

TEST(AnswerNotation, WritesTheTemplatesLettersAndReadsThemBack) {
    const std::vector<Case> cases = {
        {Kind::Choice, {0, 1, 0, 0}, "B"}, {Kind::Choice, {1, 1, 0, 1}, "ABD"},
        {Kind::Choice, {0, 0, 0}, ""},     {Kind::Matching, {2, -1, 1}, "C-B"},
        {Kind::Matching, {-1, -1}, ""},    {Kind::Matching, {-1, 0}, "-A"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(answernotation::Format(c.kind, c.answer), c.text);
        EXPECT_EQ(answernotation::Parse(c.kind, c.text, c.answer.size(), 4), c.answer);
    }
}

TEST(AnswerNotation, LettersPastZAreTwoByteUtf8AndRoundTrip) {
    std::vector<int32_t> answer(256, 0);
    answer[25] = answer[26] = answer[255] = 1;
    // 'A' + 26 is '[' and 'A' + 255 is U+0140, written C5 80.
    const std::string text = answernotation::Format(Kind::Choice, answer);
    EXPECT_EQ(text, "Z[\xC5\x80");
    EXPECT_EQ(answernotation::Parse(Kind::Choice, text, 256, 256), answer);
}

TEST(AnswerNotation, TextsThatDoNotFitTheQuestionAreRefused) {
    const std::vector<std::tuple<Kind, std::string>> refused = {
        {Kind::Choice, "E"},            // past the four options
        {Kind::Choice, "BA"},           // out of order
        {Kind::Choice, "AA"},           // twice
        {Kind::Choice, "-"},            // no open mark for options
        {Kind::Choice, "a"},            // below the letters
        {Kind::Matching, "AB"},         // fewer letters than items
        {Kind::Matching, "ABCD"},       // more
        {Kind::Matching, "AE-"},        // past the choices
        {Kind::Choice, "\xC5"},         // cut UTF-8
        {Kind::Choice, "\xC1\x81"},     // over-long form of "A"
        {Kind::Choice, "\xE4\xB8\xAD"}, // three-byte character
    };
    for (const auto& [kind, text] : refused) {
        SCOPED_TRACE(text);
        EXPECT_EQ(answernotation::Parse(kind, text, 3, 4), std::nullopt);
    }
}

TEST(AnswerNotation, TheKindFollowsTheQuestionClass) {
    TQSingle single;
    TQMulti multi;
    TQMatching matching;
    EXPECT_EQ(answernotation::KindOf(single), Kind::Choice);
    EXPECT_EQ(answernotation::KindOf(multi), Kind::Choice);
    EXPECT_EQ(answernotation::KindOf(matching), Kind::Matching);
}
