#include "paper/PanelLayout.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace panellayout {

namespace {

bool IsLeadRange(unsigned char byte) {
    return byte >= 0x81 && byte <= 0xFE;
}

// Cuts one over-long line into pieces, appending them to out in order.
void WrapLine(const std::string& line, int64_t avail, int64_t byteWidth, std::size_t capacity,
              std::vector<std::string>& out) {
    std::string rest = line;
    while (static_cast<int64_t>(rest.size()) * byteWidth > avail) {
        std::size_t cut = capacity;
        if (IsSecondByte(rest, cut))
            --cut;
        out.push_back(rest.substr(0, cut - 1));
        rest.erase(0, cut - 1);
    }
    out.push_back(std::move(rest));
}

int32_t Matches(const Ticks& ticks, const AnswerBlock& answer) {
    int32_t count = 0;
    const std::size_t rows = std::min(ticks.size(), answer.size());
    for (std::size_t i = 0; i < rows; ++i)
        count += ticks[i] == answer[i] ? 1 : 0;
    return count;
}

int32_t Matches(const Selection& selection, const AnswerBlock& answer) {
    int32_t count = 0;
    const std::size_t rows = std::min(selection.size(), answer.size());
    for (std::size_t i = 0; i < rows; ++i)
        count += selection[i] == answer[i] ? 1 : 0;
    return count;
}

int32_t PartialScore(int32_t fullMarks, std::size_t rows, int32_t matches) {
    return ClampScore(Share(fullMarks, static_cast<int>(rows)) * matches);
}

} // namespace

std::vector<std::string> SplitLines(const std::string& stem) {
    const std::string text = stem.substr(0, stem.find('\0'));
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
        if (text[end] == '\r' && start < text.size() && text[start] == '\n')
            ++start;
    }
    return lines;
}

bool IsSecondByte(const std::string& line, std::size_t position) {
    if (position < 2 || position > line.size())
        return false;
    std::size_t run = 0;
    for (std::size_t i = position - 1; i > 0 && IsLeadRange(line[i - 1]); --i)
        ++run;
    return run % 2 == 1;
}

int WrapCapacity(int layoutWidth, int byteWidth) {
    if (byteWidth <= 0)
        return 0;
    return (layoutWidth - 2 * Margin) / byteWidth;
}

void WrapLines(std::vector<std::string>& lines, int layoutWidth, int byteWidth) {
    const int capacity = WrapCapacity(layoutWidth, byteWidth);
    if (capacity < 3)
        return;
    const int64_t avail = layoutWidth - 2 * Margin;
    std::vector<std::string> wrapped;
    wrapped.reserve(lines.size());
    for (const std::string& line : lines)
        WrapLine(line, avail, byteWidth, static_cast<std::size_t>(capacity), wrapped);
    lines = std::move(wrapped);
}

int HeaderHeight(std::size_t lineCount, int lineHeight) {
    return static_cast<int>(lineCount) * (lineHeight + LineGap) + 3 * Margin;
}

int RowCount(int optionCount) {
    return std::clamp(optionCount, 0, MaxRows);
}

int MatchingItemRows(int leftCount, int rowCount) {
    return std::clamp(leftCount, 0, rowCount);
}

int ItemsHeight(int rowCount) {
    return ItemHeight * rowCount + Margin;
}

int PanelHeight(int itemsHeight, int headerHeight) {
    return itemsHeight + headerHeight + Margin;
}

int ClampWidth(int width) {
    return std::max(width, MinimumWidth);
}

Rect ItemRect(int row, int panelWidth) {
    return Rect{Margin, ItemHeight * row, panelWidth - Margin, ItemHeight * (row + 1)};
}

int64_t RoundHalfEven(double value) {
    const double below = std::floor(value);
    const double fraction = value - below;
    double rounded = below;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(below, 2.0) != 0.0))
        rounded = below + 1.0;
    return static_cast<int64_t>(rounded);
}

int64_t Share(int32_t fullMarks, int count) {
    if (count <= 0)
        return 0;
    return RoundHalfEven(static_cast<double>(fullMarks) / count);
}

bool AnyTicked(const Ticks& ticks) {
    return std::any_of(ticks.begin(), ticks.end(), [](uint8_t tick) { return tick != 0; });
}

bool AnyChosen(const Selection& selection) {
    return std::any_of(selection.begin(), selection.end(),
                       [](int32_t index) { return index != -1; });
}

bool SingleIsCorrect(const Ticks& ticks, uint8_t key) {
    const auto first = std::find_if(ticks.begin(), ticks.end(), [](uint8_t t) { return t != 0; });
    return first != ticks.end() && first - ticks.begin() == key;
}

int32_t SingleScore(const Ticks& ticks, uint8_t key, int32_t fullMarks) {
    return SingleIsCorrect(ticks, key) ? fullMarks : 0;
}

bool MultiIsCorrect(const Ticks& ticks, const AnswerBlock& answer) {
    return !ticks.empty() && Matches(ticks, answer) == static_cast<int32_t>(ticks.size());
}

int32_t MultiScore(const Ticks& ticks, const AnswerBlock& answer, int32_t fullMarks,
                   uint8_t allOrNothing) {
    if (MultiIsCorrect(ticks, answer))
        return fullMarks;
    if (allOrNothing != 0 || ticks.empty())
        return 0;
    return PartialScore(fullMarks, ticks.size(), Matches(ticks, answer));
}

bool MatchingIsCorrect(const Selection& selection, const AnswerBlock& answer) {
    return !selection.empty() &&
           Matches(selection, answer) == static_cast<int32_t>(selection.size());
}

int32_t MatchingScore(const Selection& selection, const AnswerBlock& answer, int32_t fullMarks,
                      uint8_t allOrNothing) {
    if (MatchingIsCorrect(selection, answer))
        return fullMarks;
    if (allOrNothing != 0 || selection.empty())
        return 0;
    return PartialScore(fullMarks, selection.size(), Matches(selection, answer));
}

int32_t ClampScore(int64_t score) {
    return static_cast<int32_t>(std::clamp<int64_t>(score, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

} // namespace panellayout
