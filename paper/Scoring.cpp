#include "paper/Scoring.h"

#include "paper/PanelLayout.h"
#include "paper/uFileHandle.h"

namespace scoring {
namespace {

panellayout::Ticks TicksOf(const std::vector<int32_t>& answer, size_t rows) {
    panellayout::Ticks ticks(rows, 0);
    for (size_t row = 0; row < rows && row < answer.size(); ++row)
        ticks[row] = answer[row] != 0 ? 1 : 0;
    return ticks;
}

panellayout::Selection SelectionOf(const std::vector<int32_t>& answer, size_t items) {
    panellayout::Selection selection(items, -1);
    for (size_t item = 0; item < items && item < answer.size(); ++item)
        selection[item] = answer[item];
    return selection;
}

} // namespace

int32_t Score(const TQuestion& question, const std::vector<int32_t>& answer) {
    const int rows = panellayout::RowCount(question.OptionCount());
    if (const auto* single = dynamic_cast<const TQSingle*>(&question))
        return panellayout::SingleScore(TicksOf(answer, static_cast<size_t>(rows)), single->Key,
                                        single->FullMarks);
    if (const auto* multi = dynamic_cast<const TQMulti*>(&question))
        return panellayout::MultiScore(TicksOf(answer, static_cast<size_t>(rows)), multi->Answer,
                                       multi->FullMarks, multi->AllOrNothing);
    const auto& matching = dynamic_cast<const TQMatching&>(question);
    const int items = panellayout::MatchingItemRows(matching.LeftCount, rows);
    return panellayout::MatchingScore(SelectionOf(answer, static_cast<size_t>(items)),
                                      matching.Answer, matching.FullMarks, matching.AllOrNothing);
}

} // namespace scoring
