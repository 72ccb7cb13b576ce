#include "paper/PanelLayout.h"

#include <gtest/gtest.h>

using namespace panellayout;

namespace {

// n two-byte characters 啊 (0xB0 0xA1).
std::string Wide(int n) {
    std::string text;
    for (int i = 0; i < n; ++i)
        text += "\xB0\xA1";
    return text;
}

AnswerBlock Answer(std::initializer_list<uint8_t> entries) {
    AnswerBlock answer{};
    std::copy(entries.begin(), entries.end(), answer.begin());
    return answer;
}

} // namespace

TEST(PanelLayout, SplitsTheStemAtEveryKindOfLineBreak) {
    EXPECT_EQ(SplitLines("one\r\ntwo\rthree\n"), (std::vector<std::string>{"one", "two", "three"}));
    EXPECT_EQ(SplitLines("a\r\n\r\nb"), (std::vector<std::string>{"a", "", "b"}));
    EXPECT_EQ(SplitLines("a\r\n"), (std::vector<std::string>{"a"}));
    EXPECT_EQ(SplitLines("a\n\nb\r\rc"), (std::vector<std::string>{"a", "", "b", "", "c"}));
    EXPECT_EQ(SplitLines("\r\n"), (std::vector<std::string>{""}));
    EXPECT_TRUE(SplitLines("").empty());
    EXPECT_EQ(SplitLines(std::string("ab\0cd\r\nef", 10)), (std::vector<std::string>{"ab"}));
    EXPECT_TRUE(SplitLines(std::string("\0abc", 4)).empty());
}

TEST(PanelLayout, RecognisesTheSecondByteOfATwoByteCharacter) {
    const std::string text = "a" + Wide(3); // a, then three characters at 2-3, 4-5, 6-7
    EXPECT_FALSE(IsSecondByte(text, 1));
    EXPECT_FALSE(IsSecondByte(text, 2));
    EXPECT_TRUE(IsSecondByte(text, 3));
    EXPECT_FALSE(IsSecondByte(text, 4));
    EXPECT_TRUE(IsSecondByte(text, 7));
    // A trail byte below 0x81 ends the run the count goes back through.
    EXPECT_FALSE(IsSecondByte("\xB0\x41\xB0", 3));
    EXPECT_TRUE(IsSecondByte("\xB0\x41\xB0\xA1", 4));
}

TEST(PanelLayout, WrapsTheWorkedExampleAt739Pixels) {
    EXPECT_EQ(WrapCapacity(739, 6), 117);
    std::vector<std::string> lines{Wide(100)};
    WrapLines(lines, 739, 6);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], Wide(58));
    EXPECT_EQ(lines[1], Wide(42));
    EXPECT_EQ(HeaderHeight(lines.size(), 12), 78);
    EXPECT_EQ(PanelHeight(ItemsHeight(4), HeaderHeight(lines.size(), 12)), 222);

    // One letter first: byte 117 is a second byte, so the cut moves one byte to the left and
    // the character that would have been split starts the second line.
    lines = {"x" + Wide(100)};
    WrapLines(lines, 739, 6);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "x" + Wide(57));
    EXPECT_EQ(lines[1], Wide(43));
}

TEST(PanelLayout, CutsAtCapacityKeepingLineBreaksAndNeverJoining) {
    const int capacity = WrapCapacity(739, 6);
    std::vector<std::string> lines{std::string(capacity, 'a')};
    WrapLines(lines, 739, 6);
    EXPECT_EQ(lines, (std::vector<std::string>{std::string(capacity, 'a')}));

    lines = {std::string(capacity + 1, 'b')};
    WrapLines(lines, 739, 6);
    EXPECT_EQ(lines,
              (std::vector<std::string>{std::string(capacity - 1, 'b'), std::string(2, 'b')}));

    // A long line is cut again and again; the short lines around it stay as they are.
    lines = {"first", "", std::string(3 * capacity, 'c'), "last"};
    WrapLines(lines, 739, 6);
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[0], "first");
    EXPECT_EQ(lines[1], "");
    EXPECT_EQ(lines[2].size(), size_t(capacity - 1));
    EXPECT_EQ(lines[3].size(), size_t(capacity - 1));
    EXPECT_EQ(lines[4].size(), size_t(capacity - 1));
    EXPECT_EQ(lines[5].size(), 3u);
    EXPECT_EQ(lines[6], "last");

    // The 128-pixel minimum: 96 pixels available, 16 bytes of a 6-pixel font.
    lines = {Wide(20)};
    WrapLines(lines, 128, 6);
    EXPECT_EQ(lines, (std::vector<std::string>{Wide(7), Wide(7), Wide(6)}));
}

TEST(PanelLayout, DoesNotWrapWhenFewerThanThreeBytesFit) {
    std::vector<std::string> lines{std::string(50, 'a'), Wide(10)};
    const auto before = lines;
    WrapLines(lines, 128, 33); // capacity 2
    EXPECT_EQ(lines, before);
    WrapLines(lines, 0, 6); // never sized
    EXPECT_EQ(lines, before);
    WrapLines(lines, 739, 0); // no measurable width
    EXPECT_EQ(lines, before);
    WrapLines(lines, 128, 32); // capacity 3 still wraps
    EXPECT_EQ(lines.size(), 35u);
}

TEST(PanelLayout, ComputesHeightsRowsAndWidths) {
    EXPECT_EQ(HeaderHeight(0, 12), 48);
    for (int n : {0, 1, 4, 7})
        EXPECT_EQ(PanelHeight(ItemsHeight(n), HeaderHeight(0, 12)), 28 * n + 80);
    EXPECT_EQ(ClampWidth(100), 128);
    EXPECT_EQ(ClampWidth(128), 128);
    EXPECT_EQ(ClampWidth(744), 744);

    const Rect row2 = ItemRect(2, 742);
    EXPECT_EQ(row2.left, 16);
    EXPECT_EQ(row2.top, 56);
    EXPECT_EQ(row2.right, 726);
    EXPECT_EQ(row2.bottom, 84);

    EXPECT_EQ(RowCount(-3), 0);
    EXPECT_EQ(RowCount(5), 5);
    EXPECT_EQ(RowCount(300), 256);
    EXPECT_EQ(MatchingItemRows(2, 5), 2);
    EXPECT_EQ(MatchingItemRows(-1, 5), 0);
    EXPECT_EQ(MatchingItemRows(9, 5), 5);
}

TEST(PanelLayout, RoundsSharesHalfToEven) {
    EXPECT_EQ(RoundHalfEven(0.5), 0);
    EXPECT_EQ(RoundHalfEven(1.5), 2);
    EXPECT_EQ(RoundHalfEven(2.5), 2);
    EXPECT_EQ(RoundHalfEven(1.67), 2);
    EXPECT_EQ(RoundHalfEven(-2.5), -2);
    EXPECT_EQ(RoundHalfEven(-1.5), -2);
    EXPECT_EQ(RoundHalfEven(-0.4), 0);
    EXPECT_EQ(Share(5, 3), 2);
    EXPECT_EQ(Share(2, 4), 0);
    EXPECT_EQ(Share(10, 4), 2);
    EXPECT_EQ(Share(6, 4), 2);
    EXPECT_EQ(Share(5, 2), 2);
    EXPECT_EQ(Share(3, 2), 2);
    EXPECT_EQ(Share(4, 6), 1);
    EXPECT_EQ(Share(7, 0), 0);
}

// The worked examples are played through the real controls in the panel tests; these are the
// rules' corners.
TEST(PanelLayout, ScoresTheCornersOfTheRules) {
    EXPECT_FALSE(SingleIsCorrect({0, 0, 1}, 7)); // key beyond the last option
    EXPECT_FALSE(SingleIsCorrect({}, 0));
    EXPECT_TRUE(SingleIsCorrect({0, 1, 1}, 1)); // the first ticked row counts
    EXPECT_FALSE(SingleIsCorrect({1, 1, 0}, 1));

    // An answer entry other than 0 or 1 never matches.
    EXPECT_FALSE(MultiIsCorrect({1, 0}, Answer({2, 0})));
    EXPECT_EQ(MultiScore({1, 0}, Answer({2, 0}), 4, 0), 2);
    // No options or no item rows: never right, nothing earned, in both modes.
    for (uint8_t allOrNothing : {0, 1}) {
        EXPECT_EQ(MultiScore({}, Answer({1}), 4, allOrNothing), 0);
        EXPECT_EQ(MatchingScore({}, Answer({0}), 4, allOrNothing), 0);
    }
    EXPECT_FALSE(MultiIsCorrect({}, Answer({})));
    EXPECT_FALSE(MatchingIsCorrect({}, Answer({})));
    EXPECT_FALSE(AnyTicked({}));
    EXPECT_FALSE(AnyChosen({}));
    EXPECT_FALSE(AnyChosen({-1, -1}));
    // A missing letter never matches, even against a choice index of 255.
    EXPECT_EQ(MatchingScore({-1, 255}, Answer({255, 255}), 4, 0), 2);
}

TEST(PanelLayout, KeepsScoresWithinTheirRange) {
    EXPECT_EQ(MultiScore({1, 1}, Answer({1, 1}), 2147483647, 0), 2147483647);
    EXPECT_EQ(MultiScore({1, 0}, Answer({1, 1}), 2147483647, 0), 1073741824);
    EXPECT_EQ(ClampScore(-5000000000LL), -2147483647 - 1);
    EXPECT_EQ(MultiScore({0, 1, 1}, Answer({1, 1, 1}), -9, 0), -6);
}
