#include "tallyboard/ItemAnalysis.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <map>
#include <random>

using namespace tallyboard;
using answernotation::Kind;

namespace {

// Attempts generated as an examination gives them: each examinee has an ability, each
// question a difficulty; answers are letters, marks follow from them.
struct Generated {
    std::vector<ItemQuestion> questions;
    std::vector<std::vector<double>> marks;        // by attempt, then question
    std::vector<std::vector<std::string>> answers; // by attempt, then question
};

Generated Generate(std::size_t attempts, unsigned seed) {
    Generated data;
    data.questions = {{Kind::Choice, false, 4, 4, 2},
                      {Kind::Choice, true, 5, 5, 4},
                      {Kind::Matching, false, 3, 4, 6},
                      {Kind::Choice, false, 3, 3, 1},
                      {Kind::Choice, false, 4, 4, 3}};
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> unit(0, 1);
    for (std::size_t attempt = 0; attempt < attempts; ++attempt) {
        const double ability = unit(random);
        std::vector<double> marks;
        std::vector<std::string> answers;
        for (std::size_t at = 0; at < data.questions.size(); ++at) {
            const ItemQuestion& question = data.questions[at];
            std::string answer;
            double mark = 0;
            if (question.kind == Kind::Matching) {
                for (std::size_t item = 0; item < question.rows; ++item) {
                    const bool right = unit(random) < ability;
                    answer += right ? char('A' + item) : char('A' + random() % question.letters);
                    mark += answer.back() == char('A' + item) ? 2 : 0;
                }
            } else if (unit(random) < ability * 1.2 - at * 0.1) {
                answer = question.multiple ? "AC" : "B";
                mark = question.fullMarks;
            } else if (unit(random) < 0.9) {
                answer = std::string(1, char('A' + random() % question.letters));
                mark = 0;
            }
            marks.push_back(mark);
            answers.push_back(answer);
        }
        data.marks.push_back(marks);
        data.answers.push_back(answers);
    }
    return data;
}

ItemSample SampleOf(const Generated& data) {
    ItemSample sample;
    sample.questionCount = data.questions.size();
    sample.answers.resize(sample.questionCount);
    std::vector<std::map<std::string, long long>> counted(sample.questionCount);
    for (std::size_t attempt = 0; attempt < data.marks.size(); ++attempt) {
        for (std::size_t at = 0; at < sample.questionCount; ++at) {
            sample.marks.push_back(data.marks[attempt][at]);
            ++counted[at][data.answers[attempt][at]];
        }
    }
    for (std::size_t at = 0; at < sample.questionCount; ++at)
        sample.answers[at].assign(counted[at].begin(), counted[at].end());
    return sample;
}

double Mean(const std::vector<double>& x) {
    double sum = 0;
    for (double v : x)
        sum += v;
    return sum / double(x.size());
}

// Covariance from the raw sums, a different route from the deviations.
double Covariance(const std::vector<double>& x, const std::vector<double>& y) {
    double sx = 0, sy = 0, sxy = 0;
    for (std::size_t i = 0; i < x.size(); ++i) {
        sx += x[i];
        sy += y[i];
        sxy += x[i] * y[i];
    }
    const double n = double(x.size());
    return (sxy - sx * sy / n) / (n - 1);
}

void ExpectNear(const std::optional<double>& got, std::optional<double> want, const char* what) {
    ASSERT_EQ(got.has_value(), want.has_value()) << what;
    if (want)
        EXPECT_NEAR(*got, *want, 1e-7 * std::max(1.0, std::abs(*want))) << what;
}

void ExpectMatchesReference(const Generated& data) {
    const ItemAnalysis analysis = AnalyseItems(data.questions, SampleOf(data));
    const std::size_t n = data.marks.size(), p = data.questions.size();
    std::vector<double> totals;
    for (const auto& marks : data.marks) {
        double total = 0;
        for (double mark : marks)
            total += mark;
        totals.push_back(total);
    }
    const double varianceOfTotals = n > 1 ? Covariance(totals, totals) : 0;
    const double sd = std::sqrt(varianceOfTotals);
    double sumOfVariances = 0;
    ASSERT_EQ(analysis.questions.size(), p);
    for (std::size_t at = 0; at < p; ++at) {
        std::vector<double> marks, rest;
        for (std::size_t attempt = 0; attempt < n; ++attempt) {
            marks.push_back(data.marks[attempt][at]);
            rest.push_back(totals[attempt] - marks.back());
        }
        const double variance = n > 1 ? Covariance(marks, marks) : 0;
        const double restVariance = n > 1 ? Covariance(rest, rest) : 0;
        sumOfVariances += variance;
        const QuestionFigures& got = analysis.questions[at];
        const double full = data.questions[at].fullMarks;
        ExpectNear(got.facility, 100 * Mean(marks) / full, "facility");
        ExpectNear(got.standardDeviation,
                   n > 1 ? std::optional(100 * std::sqrt(variance) / full) : std::nullopt, "sd");
        std::optional<double> discrimination, efficiency;
        if (n > 1 && variance * restVariance > 0)
            discrimination = 100 * Covariance(marks, rest) / std::sqrt(variance * restVariance);
        std::sort(marks.begin(), marks.end());
        std::sort(rest.begin(), rest.end());
        if (n > 1 && Covariance(marks, rest) != 0) {
            std::vector<double> unsortedMarks, unsortedRest;
            for (std::size_t attempt = 0; attempt < n; ++attempt) {
                unsortedMarks.push_back(data.marks[attempt][at]);
                unsortedRest.push_back(totals[attempt] - unsortedMarks.back());
            }
            efficiency = 100 * Covariance(unsortedMarks, unsortedRest) / Covariance(marks, rest);
        }
        ExpectNear(got.discrimination, discrimination, "discrimination");
        ExpectNear(got.efficiency, efficiency, "efficiency");
        const ItemQuestion& question = data.questions[at];
        ExpectNear(got.randomGuess,
                   question.multiple ? std::nullopt : std::optional(100.0 / question.letters),
                   "guess");

        // Responses: letters counted one by one.
        const ResponseCounts& responses = analysis.responses[at];
        long long unanswered = 0;
        std::vector<std::vector<long long>> counts(
            question.rows,
            std::vector<long long>(question.kind == Kind::Matching ? question.letters : 1));
        for (std::size_t attempt = 0; attempt < n; ++attempt) {
            const std::string& answer = data.answers[attempt][at];
            unanswered += answer.empty();
            for (std::size_t i = 0; i < answer.size(); ++i) {
                if (question.kind == Kind::Matching)
                    ++counts[i][std::size_t(answer[i] - 'A')];
                else
                    ++counts[std::size_t(answer[i] - 'A')][0];
            }
        }
        EXPECT_EQ(responses.counts, counts);
        EXPECT_EQ(responses.unanswered, unanswered);
        EXPECT_EQ(responses.unreadable, 0);
    }
    const PaperFigures& paper = analysis.paper;
    EXPECT_EQ(paper.attempts, static_cast<long long>(n));
    ExpectNear(paper.average, Mean(totals), "average");
    std::vector<double> sorted = totals;
    std::sort(sorted.begin(), sorted.end());
    ExpectNear(paper.median, n % 2 ? sorted[n / 2] : (sorted[n / 2 - 1] + sorted[n / 2]) / 2,
               "median");
    if (n < 2 || sd == 0) {
        EXPECT_FALSE(paper.skewness || paper.kurtosis || paper.consistency || paper.errorRatio);
        return;
    }
    ExpectNear(paper.standardDeviation, sd, "sd of totals");
    // Sample skewness G1 and excess kurtosis G2 in their textbook forms.
    double cubes = 0, fourths = 0;
    for (double total : totals) {
        cubes += std::pow((total - Mean(totals)) / sd, 3);
        fourths += std::pow((total - Mean(totals)) / sd, 4);
    }
    const double dn = double(n);
    ExpectNear(paper.skewness, dn / ((dn - 1) * (dn - 2)) * cubes, "skewness");
    ExpectNear(paper.kurtosis,
               dn * (dn + 1) / ((dn - 1) * (dn - 2) * (dn - 3)) * fourths -
                   3 * (dn - 1) * (dn - 1) / ((dn - 2) * (dn - 3)),
               "kurtosis");
    const double alpha =
        100.0 * double(p) / double(p - 1) * (1 - sumOfVariances / varianceOfTotals);
    ExpectNear(paper.consistency, alpha, "alpha");
    ExpectNear(paper.errorRatio, 100 * std::sqrt(1 - alpha / 100), "error ratio");
    ExpectNear(paper.standardError, std::sqrt(1 - alpha / 100) * sd, "standard error");
}

} // namespace

TEST(ItemAnalysis, EveryFigureMatchesAPlainComputationOnGeneratedAttempts) {
    for (const auto& [attempts, seed] :
         std::vector<std::pair<std::size_t, unsigned>>{{400, 1}, {37, 2}, {5, 3}}) {
        SCOPED_TRACE(attempts);
        ExpectMatchesReference(Generate(attempts, seed));
    }
}

TEST(ItemAnalysis, FiguresThatCannotBeComputedAreEmpty) {
    // A single attempt: only the average and the median exist.
    const Generated one = Generate(1, 4);
    const ItemAnalysis single = AnalyseItems(one.questions, SampleOf(one));
    EXPECT_TRUE(single.paper.average && single.paper.median);
    EXPECT_FALSE(single.paper.standardDeviation || single.paper.skewness ||
                 single.paper.consistency);
    for (const QuestionFigures& figures : single.questions)
        EXPECT_FALSE(figures.standardDeviation || figures.discrimination || figures.efficiency);
    ExpectMatchesReference(one);

    // Everybody scores the same on every question, and nobody answers the last one.
    Generated same = Generate(10, 5);
    for (std::size_t attempt = 0; attempt < same.marks.size(); ++attempt) {
        same.marks[attempt] = {2, 4, 6, 1, 0};
        same.answers[attempt] = {"B", "AC", "ABC", "B", ""};
    }
    const ItemAnalysis equal = AnalyseItems(same.questions, SampleOf(same));
    ExpectMatchesReference(same);
    EXPECT_EQ(equal.paper.standardDeviation, 0.0);
    EXPECT_FALSE(equal.paper.skewness || equal.paper.kurtosis || equal.paper.consistency);
    EXPECT_EQ(equal.questions[0].facility, 100.0);
    EXPECT_EQ(equal.questions[0].flags, unsigned(TooEasy));
    EXPECT_EQ(equal.questions[4].facility, 0.0);
    EXPECT_EQ(equal.questions[4].flags, unsigned(TooHard));
    EXPECT_EQ(equal.responses[4].unanswered, 10);
    for (const QuestionFigures& figures : equal.questions)
        EXPECT_FALSE(figures.discrimination || figures.efficiency);
}

TEST(ItemAnalysis, HintsAndAnswersThatDoNotFit) {
    // Question 0 goes with the rest of the paper, question 1 against it.
    std::vector<ItemQuestion> questions(5, ItemQuestion{Kind::Choice, false, 4, 4, 1});
    ItemSample sample;
    sample.questionCount = 5;
    for (int strong = 0; strong < 5; ++strong)
        sample.marks.insert(sample.marks.end(), {1, 0, 1, 1, 1, 0, 1, 0, 0, 0});
    sample.marks.insert(sample.marks.end(), {1, 1, 0, 1, 0});
    sample.answers = {{{"B", 3}, {"Z", 2}, {"BA", 1}}, {}, {}, {}, {}};
    const ItemAnalysis analysis = AnalyseItems(questions, sample);
    ASSERT_TRUE(analysis.questions[0].discrimination && analysis.questions[1].discrimination);
    EXPECT_GT(*analysis.questions[0].discrimination, 20);
    EXPECT_EQ(analysis.questions[0].flags, 0u);
    EXPECT_LT(*analysis.questions[1].discrimination, 0);
    EXPECT_EQ(analysis.questions[1].flags, unsigned(NegativeDiscrimination));
    EXPECT_EQ(analysis.responses[0].counts[1][0], 3);
    EXPECT_EQ(analysis.responses[0].unreadable, 3); // a letter past D, letters out of order
}

TEST(ItemAnalysis, QuestionsAreFlaggedFromTenAttemptsOn) {
    // Question 0 always right: too easy, and without a discrimination to flag.
    const std::vector<ItemQuestion> questions(2, ItemQuestion{Kind::Choice, false, 4, 4, 1});
    for (const auto& [attempts, flags] :
         {std::pair<std::size_t, unsigned>{9, SmallSample}, {10, TooEasy}}) {
        ItemSample sample{2, {}, {}};
        for (std::size_t attempt = 0; attempt < attempts; ++attempt)
            sample.marks.insert(sample.marks.end(), {1, double(attempt % 2)});
        EXPECT_EQ(AnalyseItems(questions, sample).questions[0].flags, flags) << attempts;
    }
}
