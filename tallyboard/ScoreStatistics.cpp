#include "tallyboard/ScoreStatistics.h"

#include "tallyboard/ColumnFile.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

namespace tallyboard {
namespace {

// The median of the scores, which it reorders.
double MedianOf(double* first, double* last) {
    const std::ptrdiff_t size = last - first;
    double* middle = first + size / 2;
    std::nth_element(first, middle, last);
    if (size % 2 == 1)
        return *middle;
    const double below = *std::max_element(first, middle);
    return (below + *middle) / 2;
}

// Every figure but the median and the count, from one group's scores.
void Summarise(const double* first, const double* last, double passMark, ScoreFigures& figures) {
    if (first == last)
        return;
    double sum = 0;
    double highest = *first;
    double lowest = *first;
    for (const double* score = first; score != last; ++score) {
        sum += *score;
        highest = std::max(highest, *score);
        lowest = std::min(lowest, *score);
        figures.passed += *score >= passMark;
        ++figures.bands[ScoreBand(*score)];
    }
    const auto scored = static_cast<double>(last - first);
    figures.average = sum / scored;
    figures.highest = highest;
    figures.lowest = lowest;
    figures.passRate = 100.0 * static_cast<double>(figures.passed) / scored;
}

} // namespace

std::size_t ScoreBand(double score) {
    if (!(score >= 10))
        return 0;
    return std::min(static_cast<std::size_t>(score / 10), ScoreBandCount - 1);
}

std::optional<double> ParseScore(std::string_view text) {
    const std::string trimmed = TrimText(text);
    const char* first = trimmed.data();
    const char* last = first + trimmed.size();
    if (last - first > 1 && *first == '+' && first[1] != '-')
        ++first;
    double value = 0;
    const auto [end, error] = std::from_chars(first, last, value, std::chars_format::fixed);
    if (first == last || error != std::errc() || end != last || !std::isfinite(value))
        return std::nullopt;
    return value;
}

// The scores are laid out group after group in one array (a counting sort by group), so that
// each group's median is taken in place, and the total's from the whole array afterwards.
ScoreStatistics TallyScores(const ScoreSample& rows, double passMark) {
    ScoreStatistics result;
    result.groups.resize(rows.groupCount);
    std::vector<std::size_t> start(rows.groupCount + 1, 0);
    for (std::size_t row = 0; row < rows.groupOfRow.size(); ++row) {
        ScoreFigures& group = result.groups[rows.groupOfRow[row]];
        ++group.count;
        if (std::isnan(rows.scores[row]))
            ++group.unscored;
        else
            ++start[rows.groupOfRow[row] + 1];
    }
    for (std::size_t group = 0; group < rows.groupCount; ++group)
        start[group + 1] += start[group];
    std::vector<double> laidOut(start.back());
    std::vector<std::size_t> next(start.begin(), start.end() - 1);
    for (std::size_t row = 0; row < rows.groupOfRow.size(); ++row) {
        if (!std::isnan(rows.scores[row]))
            laidOut[next[rows.groupOfRow[row]]++] = rows.scores[row];
    }

    for (std::size_t group = 0; group < rows.groupCount; ++group) {
        ScoreFigures& figures = result.groups[group];
        double* first = laidOut.data() + start[group];
        double* last = laidOut.data() + start[group + 1];
        Summarise(first, last, passMark, figures);
        if (first != last)
            figures.median = MedianOf(first, last);
        result.total.count += figures.count;
        result.total.unscored += figures.unscored;
    }
    Summarise(laidOut.data(), laidOut.data() + laidOut.size(), passMark, result.total);
    if (!laidOut.empty())
        result.total.median = MedianOf(laidOut.data(), laidOut.data() + laidOut.size());
    return result;
}

} // namespace tallyboard
