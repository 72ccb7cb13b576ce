#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The arithmetic of the question panels, apart from any drawing: how a stem is split and wrapped,
// how high a panel is, where its rows lie, and how an answer is scored. Texts are GBK bytes.
namespace panellayout {

inline constexpr int Margin = 16;
inline constexpr int ItemHeight = 28;
inline constexpr int MinimumWidth = 128;
// Extra pixels between two header lines, on top of the height of "H".
inline constexpr int LineGap = 3;
// Options are addressed by 8-bit indices and answer blocks have 256 entries.
inline constexpr int MaxRows = 256;

// The stem cut at its first zero byte and split at CR LF, lone CR and lone LF. A break at the
// very end adds no empty line; an empty stem has no lines.
std::vector<std::string> SplitLines(const std::string& stem);

// True when the byte at position (counted from 1) is the second byte of a two-byte GBK character:
// the run of bytes in 0x81..0xFE directly before it is odd in length.
bool IsSecondByte(const std::string& line, std::size_t position);

// Bytes that fit on one header line: (layoutWidth - 2 Margin) / byteWidth, toward zero.
int WrapCapacity(int layoutWidth, int byteWidth);

// Cuts every line longer than the available width, never inside a two-byte character. A
// capacity below 3 bytes cannot guarantee progress, so such a width wraps nothing.
void WrapLines(std::vector<std::string>& lines, int layoutWidth, int byteWidth);

int HeaderHeight(std::size_t lineCount, int lineHeight);
// The rows a question of optionCount options shows: its options, at most MaxRows of them.
int RowCount(int optionCount);
// The item rows of a matching question: LeftCount limited to the rows that exist.
int MatchingItemRows(int leftCount, int rowCount);
int ItemsHeight(int rowCount);
int PanelHeight(int itemsHeight, int headerHeight);
int ClampWidth(int width);

struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

// Row i of the item area, counted from the top of the item area without the leading Margin.
Rect ItemRect(int row, int panelWidth);

// Nearest integer, halves to the even neighbour, whatever the floating-point rounding mode.
int64_t RoundHalfEven(double value);
// FullMarks / count as a real number, rounded half to even; 0 when count is not positive.
int64_t Share(int32_t fullMarks, int count);

using Ticks = std::vector<uint8_t>;     // 1 for a ticked row, 0 for an unticked one
using Selection = std::vector<int32_t>; // chosen letter per item row, -1 for none
using AnswerBlock = std::array<uint8_t, 256>;

bool AnyTicked(const Ticks& ticks);
bool AnyChosen(const Selection& selection);

bool SingleIsCorrect(const Ticks& ticks, uint8_t key);
int32_t SingleScore(const Ticks& ticks, uint8_t key, int32_t fullMarks);

bool MultiIsCorrect(const Ticks& ticks, const AnswerBlock& answer);
int32_t MultiScore(const Ticks& ticks, const AnswerBlock& answer, int32_t fullMarks,
                   uint8_t allOrNothing);

bool MatchingIsCorrect(const Selection& selection, const AnswerBlock& answer);
int32_t MatchingScore(const Selection& selection, const AnswerBlock& answer, int32_t fullMarks,
                      uint8_t allOrNothing);

// Sum of question scores, held within the 32-bit range the score is recorded in.
int32_t ClampScore(int64_t score);

} // namespace panellayout
