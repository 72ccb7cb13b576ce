#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

// The figures of the statistics window, apart from the window: per group of score rows and for
// all of them, the count, the average, the median, the highest and lowest score, the number and
// share of passes and the histogram bands.
namespace tallyboard {

// Histogram bands of 10 points: 0–9, 10–19, …, 90–99, and 100 and above together.
constexpr std::size_t ScoreBandCount = 11;
using ScoreBands = std::array<long long, ScoreBandCount>;

// The band of a score; a score below 0 counts with 0–9.
std::size_t ScoreBand(double score);

// A score text as a number: an optional sign, digits and an optional fraction, with blanks
// around them; nullopt for anything else ("", "缺考", "85分", "8 5").
std::optional<double> ParseScore(std::string_view text);

struct ScoreFigures {
    long long count = 0;    // every row of the group
    long long unscored = 0; // rows whose score is not a number, left out of every figure below
    std::optional<double> average; // the figures of a group without a scored row are empty
    std::optional<double> median;  // of an even number of scores, the mean of the middle two
    std::optional<double> highest;
    std::optional<double> lowest;
    long long passed = 0;           // scores at or above the pass mark
    std::optional<double> passRate; // passed, in percent of the scored rows
    ScoreBands bands{};
};

// The rows to tally: the group of each row (below groupCount) and its score, NaN where the
// score is not a number.
struct ScoreSample {
    std::vector<std::uint32_t> groupOfRow;
    std::vector<double> scores;
    std::size_t groupCount = 0;
};

struct ScoreStatistics {
    std::vector<ScoreFigures> groups; // by group index
    ScoreFigures total;
};

ScoreStatistics TallyScores(const ScoreSample& rows, double passMark);

} // namespace tallyboard
