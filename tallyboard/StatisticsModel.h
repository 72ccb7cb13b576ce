#pragma once

#include "tallyboard/ScoreStatistics.h"
#include "tallyboard/SortableTableModel.h"

#include <QString>
#include <vector>

namespace platform {
class TADOQuery;
}

// What the statistics window groups the score rows by.
enum class TScoreGrouping { Town, Unit, TownAndUnit };

// The score rows of an open query, grouped: the town and unit names of each group (empty where
// the grouping does not use them) and the sample to tally. The town is the score table's column
// at position 1, the unit its column Fac and the score its column at position 4; a null name is
// a group of its own.
struct TGroupedScores {
    TScoreGrouping grouping = TScoreGrouping::Unit;
    std::vector<QString> towns;
    std::vector<QString> units;
    tallyboard::ScoreSample sample;
};

TGroupedScores GroupScores(const platform::TADOQuery& query, TScoreGrouping grouping);

// The statistics as a table: the group's name columns (乡镇, 单位 or both), then 人数, 平均分,
// 中位数, 最高分, 最低分, 及格人数 and 及格率, one row per group and a last row 合计, which
// keeps its place when the groups are sorted. RawValueRole gives the numbers behind the texts
// (an empty QVariant for an empty figure).
class TStatisticsModel final : public TSortableTableModel {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TStatisticsModel)

public:
    explicit TStatisticsModel(QObject* parent = nullptr);

    void SetStatistics(const TGroupedScores& groups, tallyboard::ScoreStatistics statistics);
    // New figures of the same groups (another pass mark): the rows keep their order.
    void UpdateFigures(tallyboard::ScoreStatistics statistics);
    // Orders the group rows by a column, numbers as numbers and names in Chinese collation;
    // empty figures come first in ascending order. Stable; a selection stays on its group.
    void SortBy(int column, bool descending);

    bool IsTotalRow(int row) const { return row == static_cast<int>(order.size()); }
    const tallyboard::ScoreFigures& FiguresAt(int row) const;
    // The group's name as one text ("合计" for the total row).
    QString GroupNameAt(int row) const;
    int NameColumns() const { return static_cast<int>(nameTitles.size()); }
    // A cell as an export writes it: names and the pass rate as shown, the other figures as
    // numbers with the decimals shown, an empty figure as an empty QVariant.
    QVariant ExportValue(int row, int column) const;
    const tallyboard::ScoreStatistics& Statistics() const { return figures; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    QString NameAt(int row, int column) const;
    QVariant FigureAt(int row, int figure) const;
    QString FigureText(int row, int figure) const;

    std::vector<QString> nameTitles;
    std::vector<std::vector<QString>> names; // by name column, then group
    tallyboard::ScoreStatistics figures;
};
