#include "tallyboard/ItemAnalysis.h"

#include "paper/PanelLayout.h"
#include "paper/uFileHandle.h"

#include <algorithm>
#include <cmath>

namespace tallyboard {
namespace {

constexpr double HardFacility = 20;
constexpr double EasyFacility = 90;
constexpr double LowDiscrimination = 20;

std::optional<double> Median(std::vector<double> values) {
    if (values.empty())
        return std::nullopt;
    const std::size_t middle = values.size() / 2;
    std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(middle),
                     values.end());
    const double upper = values[middle];
    if (values.size() % 2 != 0)
        return upper;
    const double lower =
        *std::max_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(middle));
    return (lower + upper) / 2;
}

// A ratio whose divisor may be zero: empty then, never infinite or NaN.
std::optional<double> Ratio(double dividend, double divisor) {
    if (divisor == 0 || !std::isfinite(divisor))
        return std::nullopt;
    return dividend / divisor;
}

PaperFigures FiguresOfTotals(const std::vector<double>& totals, double sumOfMarkVariance,
                             std::size_t questionCount) {
    PaperFigures figures;
    const auto n = static_cast<double>(totals.size());
    figures.attempts = static_cast<long long>(totals.size());
    if (totals.empty())
        return figures;
    double sum = 0;
    for (const double total : totals)
        sum += total;
    const double mean = sum / n;
    figures.average = mean;
    figures.median = Median(totals);
    if (totals.size() < 2)
        return figures;
    double power2 = 0, power3 = 0, power4 = 0;
    for (const double total : totals) {
        const double d = total - mean;
        power2 += d * d;
        power3 += d * d * d;
        power4 += d * d * d * d;
    }
    const double variance = power2 / (n - 1);
    figures.standardDeviation = std::sqrt(variance);
    if (variance == 0)
        return figures;
    const double m2 = power2 / n, m3 = power3 / n, m4 = power4 / n;
    if (totals.size() > 2) {
        const double k3 = n * n * m3 / ((n - 1) * (n - 2));
        figures.skewness = k3 / std::pow(variance, 1.5);
    }
    if (totals.size() > 3) {
        const double k4 =
            n * n * ((n + 1) * m4 - 3 * (n - 1) * m2 * m2) / ((n - 1) * (n - 2) * (n - 3));
        figures.kurtosis = k4 / (variance * variance);
    }
    if (questionCount > 1) {
        const auto p = static_cast<double>(questionCount);
        const double alpha = 100 * p / (p - 1) * (1 - sumOfMarkVariance / variance);
        figures.consistency = alpha;
        // Rounding can carry alpha a hair above 100; the ratio is then 0, not a root of a
        // negative number.
        const double unexplained = std::max(0.0, 1 - alpha / 100);
        figures.errorRatio = 100 * std::sqrt(unexplained);
        figures.standardError = *figures.errorRatio * *figures.standardDeviation / 100;
    }
    return figures;
}

struct QuestionMoments {
    double markVariance = 0;
    QuestionFigures figures;
};

QuestionMoments FiguresOfQuestion(const ItemQuestion& question, const ItemSample& sample,
                                  std::size_t at, const std::vector<double>& totals) {
    QuestionMoments result;
    QuestionFigures& figures = result.figures;
    figures.randomGuess = RandomGuessScore(question);
    const std::size_t attempts = totals.size();
    if (attempts == 0)
        return result;
    const auto n = static_cast<double>(attempts);
    std::vector<double> marks(attempts), others(attempts);
    double markSum = 0, otherSum = 0;
    for (std::size_t attempt = 0; attempt < attempts; ++attempt) {
        marks[attempt] = sample.marks[attempt * sample.questionCount + at];
        others[attempt] = totals[attempt] - marks[attempt];
        markSum += marks[attempt];
        otherSum += others[attempt];
    }
    const double markMean = markSum / n, otherMean = otherSum / n;
    if (question.fullMarks != 0)
        figures.facility = 100 * markMean / question.fullMarks;
    if (attempts < 2)
        return result;
    double markSquares = 0, otherSquares = 0, products = 0;
    for (std::size_t attempt = 0; attempt < attempts; ++attempt) {
        const double dm = marks[attempt] - markMean, dother = others[attempt] - otherMean;
        markSquares += dm * dm;
        otherSquares += dother * dother;
        products += dm * dother;
    }
    // The largest covariance the same marks could have: both sorted, paired by rank.
    std::sort(marks.begin(), marks.end());
    std::sort(others.begin(), others.end());
    double sortedProducts = 0;
    for (std::size_t attempt = 0; attempt < attempts; ++attempt)
        sortedProducts += (marks[attempt] - markMean) * (others[attempt] - otherMean);
    result.markVariance = markSquares / (n - 1);
    const double otherVariance = otherSquares / (n - 1);
    const double covariance = products / (n - 1);
    if (question.fullMarks != 0)
        figures.standardDeviation = 100 * std::sqrt(result.markVariance) / question.fullMarks;
    if (const auto index = Ratio(covariance, std::sqrt(result.markVariance * otherVariance)))
        figures.discrimination = 100 * *index;
    if (const auto efficiency = Ratio(covariance, sortedProducts / (n - 1)))
        figures.efficiency = 100 * *efficiency;
    return result;
}

unsigned FlagsOf(const QuestionFigures& figures, std::size_t attempts) {
    if (attempts < FlaggedAttempts)
        return SmallSample;
    unsigned flags = 0;
    if (figures.facility && *figures.facility < HardFacility)
        flags |= TooHard;
    if (figures.facility && *figures.facility > EasyFacility)
        flags |= TooEasy;
    if (figures.discrimination && *figures.discrimination < 0)
        flags |= NegativeDiscrimination;
    else if (figures.discrimination && *figures.discrimination < LowDiscrimination)
        flags |= tallyboard::LowDiscrimination;
    return flags;
}

ResponseCounts CountResponses(const ItemQuestion& question,
                              const std::vector<std::pair<std::string, long long>>& answers) {
    ResponseCounts responses;
    const std::size_t columns =
        question.kind == answernotation::Kind::Choice ? 1 : question.letters;
    responses.counts.assign(question.rows, std::vector<long long>(columns, 0));
    for (const auto& [text, count] : answers) {
        const auto answer =
            answernotation::Parse(question.kind, text, question.rows, question.letters);
        if (!answer) {
            responses.unreadable += count;
            continue;
        }
        bool answered = false;
        for (std::size_t row = 0; row < answer->size(); ++row) {
            const std::int32_t value = (*answer)[row];
            if (question.kind == answernotation::Kind::Choice && value != 0) {
                responses.counts[row][0] += count;
                answered = true;
            } else if (question.kind == answernotation::Kind::Matching && value >= 0) {
                responses.counts[row][static_cast<std::size_t>(value)] += count;
                answered = true;
            }
        }
        if (!answered)
            responses.unanswered += count;
    }
    return responses;
}

} // namespace

std::vector<ItemQuestion> ItemQuestionsOf(const TQFileHandle& paper) {
    std::vector<ItemQuestion> questions;
    for (std::int32_t number = 0; number < paper.QuestionCount(); ++number) {
        ItemQuestion item;
        if (const TQuestion* question = paper.GetQuestion(number)) {
            item.kind = answernotation::KindOf(*question);
            item.multiple = dynamic_cast<const TQMulti*>(question) != nullptr;
            item.fullMarks = question->FullMarks;
            const int rows = panellayout::RowCount(question->OptionCount());
            if (const auto* matching = dynamic_cast<const TQMatching*>(question)) {
                const int items = panellayout::MatchingItemRows(matching->LeftCount, rows);
                item.rows = static_cast<std::size_t>(items);
                item.letters = static_cast<std::size_t>(rows - items);
            } else {
                item.rows = item.letters = static_cast<std::size_t>(rows);
            }
        }
        questions.push_back(item);
    }
    return questions;
}

std::optional<double> RandomGuessScore(const ItemQuestion& question) {
    if (question.multiple || question.letters == 0)
        return std::nullopt;
    return 100.0 / static_cast<double>(question.letters);
}

ItemAnalysis AnalyseItems(const std::vector<ItemQuestion>& questions, const ItemSample& sample) {
    const std::size_t attempts = sample.AttemptCount();
    std::vector<double> totals(attempts, 0);
    for (std::size_t attempt = 0; attempt < attempts; ++attempt) {
        for (std::size_t at = 0; at < sample.questionCount; ++at)
            totals[attempt] += sample.marks[attempt * sample.questionCount + at];
    }
    ItemAnalysis analysis;
    double sumOfMarkVariance = 0;
    for (std::size_t at = 0; at < questions.size() && at < sample.questionCount; ++at) {
        QuestionMoments moments = FiguresOfQuestion(questions[at], sample, at, totals);
        moments.figures.flags = FlagsOf(moments.figures, attempts);
        sumOfMarkVariance += moments.markVariance;
        analysis.questions.push_back(moments.figures);
        static const std::vector<std::pair<std::string, long long>> none;
        analysis.responses.push_back(
            CountResponses(questions[at], at < sample.answers.size() ? sample.answers[at] : none));
    }
    analysis.paper = FiguresOfTotals(totals, sumOfMarkVariance, analysis.questions.size());
    return analysis;
}

} // namespace tallyboard
