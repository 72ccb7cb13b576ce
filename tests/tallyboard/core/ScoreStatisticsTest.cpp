#include "tallyboard/ScoreStatistics.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <numeric>
#include <random>

using namespace tallyboard;

namespace {

constexpr double NotANumber = std::numeric_limits<double>::quiet_NaN();

// The figures of one group computed the plain way: sort the scores and read them off.
ScoreFigures Reference(std::vector<double> scores, long long unscored, double passMark) {
    ScoreFigures figures;
    figures.count = static_cast<long long>(scores.size()) + unscored;
    figures.unscored = unscored;
    if (scores.empty())
        return figures;
    std::sort(scores.begin(), scores.end());
    const std::size_t n = scores.size();
    figures.average = std::accumulate(scores.begin(), scores.end(), 0.0) / double(n);
    figures.median = n % 2 ? scores[n / 2] : (scores[n / 2 - 1] + scores[n / 2]) / 2;
    figures.lowest = scores.front();
    figures.highest = scores.back();
    for (double score : scores) {
        figures.passed += score >= passMark;
        ++figures.bands[std::min<std::size_t>(score < 0 ? 0 : std::size_t(score) / 10, 10)];
    }
    figures.passRate = 100.0 * double(figures.passed) / double(n);
    return figures;
}

void ExpectSame(const ScoreFigures& got, const ScoreFigures& want) {
    EXPECT_EQ(got.count, want.count);
    EXPECT_EQ(got.unscored, want.unscored);
    EXPECT_EQ(got.average.has_value(), want.average.has_value());
    if (got.average && want.average)
        EXPECT_NEAR(*got.average, *want.average, 1e-9);
    EXPECT_EQ(got.median, want.median);
    EXPECT_EQ(got.highest, want.highest);
    EXPECT_EQ(got.lowest, want.lowest);
    EXPECT_EQ(got.passed, want.passed);
    EXPECT_EQ(got.passRate, want.passRate);
    EXPECT_EQ(got.bands, want.bands);
}

} // namespace

TEST(ScoreStatistics, ScoreTextsAndBands) {
    const struct {
        const char* text;
        std::optional<double> score;
    } texts[] = {{"85", 85},  {" 72.5\t", 72.5}, {"+60", 60},  {"-3", -3},
                 {"0", 0},    {"", {}},          {"缺考", {}}, {"85分", {}},
                 {"8 5", {}}, {"1e2", {}},       {"nan", {}},  {"+-5", {}}};
    for (const auto& t : texts)
        EXPECT_EQ(ParseScore(t.text), t.score) << t.text;

    const struct {
        double score;
        std::size_t band;
    } bands[] = {{-5, 0}, {0, 0}, {9.99, 0}, {10, 1}, {59.5, 5}, {99.99, 9}, {100, 10}, {250, 10}};
    for (const auto& b : bands)
        EXPECT_EQ(ScoreBand(b.score), b.band) << b.score;
}

// Small groups whose figures a reader checks by eye: an empty group, a single row, ties in the
// median, an even count, scores that are not numbers, scores on and just below the pass mark.
TEST(ScoreStatistics, EdgeGroups) {
    const struct {
        const char* name;
        std::vector<double> scores;
        double median;
        long long passed;
    } cases[] = {
        {"single row", {77}, 77, 1},
        {"ties", {70, 80, 80, 90}, 80, 4},
        {"even count", {50, 70}, 60, 1},
        {"on the mark", {60, 59.9, 60.0, 100}, 60, 3},
        {"with non-numbers", {NotANumber, 40, NotANumber, 90, 65}, 65, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScoreSample sample;
        sample.groupCount = 2; // group 1 has no rows at all
        sample.scores = c.scores;
        sample.groupOfRow.assign(c.scores.size(), 0);
        const ScoreStatistics stats = TallyScores(sample, 60);
        ASSERT_EQ(stats.groups.size(), 2u);
        EXPECT_EQ(stats.groups[0].median, c.median);
        EXPECT_EQ(stats.groups[0].passed, c.passed);
        EXPECT_EQ(stats.groups[1].count, 0);
        EXPECT_FALSE(stats.groups[1].average || stats.groups[1].passRate);
        EXPECT_EQ(stats.total.count, static_cast<long long>(c.scores.size()));
    }

    // A group whose every score is not a number is counted, with empty figures.
    ScoreSample unscored{{0, 0, 1}, {NotANumber, NotANumber, 80}, 2};
    const ScoreStatistics stats = TallyScores(unscored, 60);
    EXPECT_EQ(stats.groups[0].count, 2);
    EXPECT_EQ(stats.groups[0].unscored, 2);
    EXPECT_FALSE(stats.groups[0].median || stats.groups[0].highest || stats.groups[0].passRate);
    EXPECT_EQ(stats.total.unscored, 2);
    EXPECT_EQ(stats.total.passRate, 100.0);
}

// Generated rows over many groups against the plain computation, for several pass marks.
TEST(ScoreStatistics, GeneratedRowsMatchThePlainComputation) {
    std::mt19937 random(12);
    std::uniform_int_distribution<int> group(0, 39);
    std::uniform_int_distribution<int> score(-2, 110);
    ScoreSample sample;
    sample.groupCount = 42; // 40 and 41 stay empty
    for (int row = 0; row < 20000; ++row) {
        sample.groupOfRow.push_back(static_cast<std::uint32_t>(group(random)));
        const int drawn = score(random);
        sample.scores.push_back(drawn > 105 ? NotANumber : drawn + (drawn % 3 == 0 ? 0.5 : 0));
    }
    for (const double passMark : {0.0, 60.0, 60.5, 101.0}) {
        SCOPED_TRACE(passMark);
        const ScoreStatistics stats = TallyScores(sample, passMark);
        std::vector<std::vector<double>> scores(sample.groupCount);
        std::vector<long long> unscored(sample.groupCount);
        std::vector<double> all;
        for (std::size_t row = 0; row < sample.scores.size(); ++row) {
            const double value = sample.scores[row];
            if (std::isnan(value)) {
                ++unscored[sample.groupOfRow[row]];
            } else {
                scores[sample.groupOfRow[row]].push_back(value);
                all.push_back(value);
            }
        }
        for (std::size_t g = 0; g < sample.groupCount; ++g) {
            SCOPED_TRACE(g);
            ExpectSame(stats.groups[g], Reference(scores[g], unscored[g], passMark));
        }
        ExpectSame(
            stats.total,
            Reference(all, std::accumulate(unscored.begin(), unscored.end(), 0LL), passMark));
    }
}
