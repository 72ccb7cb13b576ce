#include "tallyboard/StatisticsModel.h"

#include "platform/DatabaseQuery.h"
#include "platform/RuntimeErrors.h"

#include <QCollator>
#include <QHash>
#include <QLocale>
#include <algorithm>
#include <cmath>
#include <limits>
#include <unordered_map>

using namespace tallyboard;

namespace {

// The score table's columns, by position where its names are left to each installation.
constexpr int TownField = 1;
constexpr int ScoreField = 4;

enum Figure { Count, Average, Median, Highest, Lowest, Passed, PassRate, FigureCount };
const QString FigureTitles[FigureCount] = {u"人数"_qs,   u"平均分"_qs,   u"中位数"_qs, u"最高分"_qs,
                                           u"最低分"_qs, u"及格人数"_qs, u"及格率"_qs};
const QString TotalTitle = u"合计"_qs;
constexpr std::uint32_t NoGroup = std::numeric_limits<std::uint32_t>::max();

// A key per row of a name field, equal for equal names: the cursor's text code, one more key
// for null. A field the cursor does not keep as text (numbers as unit names) is keyed by the
// text the grid shows.
class NameKeys final {
public:
    NameKeys(const platform::TADOQuery& query, int field) : query(query), field(field) {
        const platform::ClientCursor& rows = query.Cursor();
        if (rows.Kind(field) == platform::FieldKind::Text) {
            nullKey = rows.TextCodeCount(field);
            return;
        }
        QHash<QString, std::uint32_t> seen;
        for (int row = 0; row < rows.RowCount(); ++row) {
            const QString text = query.DisplayText(row, field);
            const auto found = seen.constFind(text);
            keys.push_back(found != seen.constEnd() ? *found
                                                    : seen.insert(text, seen.size()).value());
            texts.resize(seen.size());
            texts[keys.back()] = text;
        }
        nullKey = static_cast<std::uint32_t>(texts.size());
    }

    std::uint32_t KeyOf(int row) const {
        if (!keys.empty())
            return keys[static_cast<std::size_t>(row)];
        return query.Cursor().TextCodeAt(row, field).value_or(nullKey);
    }
    std::uint32_t KeyCount() const { return nullKey + 1; }
    QString NameOf(std::uint32_t key) const {
        if (key == nullKey)
            return {};
        if (!keys.empty())
            return texts[key];
        const std::string_view text = query.Cursor().TextOfCode(field, key);
        return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    }

private:
    const platform::TADOQuery& query;
    int field;
    std::uint32_t nullKey = 0;
    std::vector<std::uint32_t> keys;
    std::vector<QString> texts;
};

// The scores of the rows as numbers, NaN where a score is not one; a text score is read once
// per distinct text.
std::vector<double> ReadScores(const platform::ClientCursor& rows) {
    constexpr double NotANumber = std::numeric_limits<double>::quiet_NaN();
    std::vector<double> scores(static_cast<std::size_t>(rows.RowCount()), NotANumber);
    const platform::FieldKind kind = rows.Kind(ScoreField);
    if (kind == platform::FieldKind::Integer || kind == platform::FieldKind::Float) {
        for (int row = 0; row < rows.RowCount(); ++row)
            scores[static_cast<std::size_t>(row)] =
                rows.NumberAt(row, ScoreField).value_or(NotANumber);
    } else if (kind == platform::FieldKind::Text) {
        std::vector<double> byCode(rows.TextCodeCount(ScoreField), NotANumber);
        for (std::uint32_t code = 0; code < byCode.size(); ++code)
            byCode[code] = ParseScore(rows.TextOfCode(ScoreField, code)).value_or(NotANumber);
        for (int row = 0; row < rows.RowCount(); ++row) {
            if (const auto code = rows.TextCodeAt(row, ScoreField))
                scores[static_cast<std::size_t>(row)] = byCode[*code];
        }
    }
    return scores;
}

std::uint32_t FirstGroupOf(std::uint32_t& slot, std::uint32_t next) {
    if (slot == NoGroup)
        slot = next;
    return slot;
}

QString Number(double value) {
    return QString::number(value, 'g', 12);
}

// Halves away from zero, the same in the window and in an export.
double RoundedToOneDecimal(double value) {
    return std::round(value * 10) / 10;
}

QString OneDecimal(double value) {
    return QString::number(RoundedToOneDecimal(value), 'f', 1);
}

} // namespace

TGroupedScores GroupScores(const platform::TADOQuery& query, TScoreGrouping grouping) {
    const int unitField = query.FieldIndex(u"Fac"_qs);
    if (!query.Active() || query.FieldCount() <= ScoreField || unitField < 0)
        throw platform::Exception("查询结果中没有乡镇、单位(Fac)和成绩列，无法统计。");
    const bool byTown = grouping != TScoreGrouping::Unit;
    const bool byUnit = grouping != TScoreGrouping::Town;
    const NameKeys towns(query, TownField);
    const NameKeys units(query, unitField);

    TGroupedScores grouped;
    grouped.grouping = grouping;
    grouped.sample.scores = ReadScores(query.Cursor());
    const int rows = query.RecordCount();
    grouped.sample.groupOfRow.resize(static_cast<std::size_t>(rows));
    // Groups are numbered in the order they first appear; a single name keys a vector, a pair
    // of names a hash map.
    std::vector<std::uint32_t> groupOfKey(
        byTown && byUnit ? 0 : (byTown ? towns : units).KeyCount(), NoGroup);
    std::unordered_map<std::uint64_t, std::uint32_t> groupOfPair;
    for (int row = 0; row < rows; ++row) {
        const std::uint32_t town = byTown ? towns.KeyOf(row) : 0;
        const std::uint32_t unit = byUnit ? units.KeyOf(row) : 0;
        const auto next = static_cast<std::uint32_t>(grouped.towns.size());
        std::uint32_t group = 0;
        if (byTown && byUnit)
            group = groupOfPair.try_emplace((std::uint64_t(town) << 32) | unit, next).first->second;
        else
            group = FirstGroupOf(groupOfKey[byTown ? town : unit], next);
        if (group == next) {
            grouped.towns.push_back(byTown ? towns.NameOf(town) : QString());
            grouped.units.push_back(byUnit ? units.NameOf(unit) : QString());
        }
        grouped.sample.groupOfRow[static_cast<std::size_t>(row)] = group;
    }
    grouped.sample.groupCount = grouped.towns.size();
    return grouped;
}

TStatisticsModel::TStatisticsModel(QObject* parent) : TSortableTableModel(parent) {}

void TStatisticsModel::SetStatistics(const TGroupedScores& groups, ScoreStatistics statistics) {
    beginResetModel();
    nameTitles.clear();
    names.clear();
    if (groups.grouping != TScoreGrouping::Unit) {
        nameTitles.push_back(u"乡镇"_qs);
        names.push_back(groups.towns);
    }
    if (groups.grouping != TScoreGrouping::Town) {
        nameTitles.push_back(u"单位"_qs);
        names.push_back(groups.units);
    }
    figures = std::move(statistics);
    order.resize(figures.groups.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    endResetModel();
}

void TStatisticsModel::UpdateFigures(ScoreStatistics statistics) {
    figures = std::move(statistics);
    emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
}

void TStatisticsModel::SortBy(int column, bool descending) {
    // Rows of the total stay last: sort the group rows only, comparing the raw values.
    if (column < NameColumns()) {
        QCollator collator{QLocale(QLocale::Chinese, QLocale::China)};
        const std::vector<QString>& keys = names[static_cast<std::size_t>(column)];
        ReorderItems([&](std::size_t a, std::size_t b) {
            const int compared = collator.compare(keys[a], keys[b]);
            return descending ? compared > 0 : compared < 0;
        });
        return;
    }
    const int figure = column - NameColumns();
    std::vector<QVariant> values(figures.groups.size());
    for (std::size_t row = 0; row < order.size(); ++row)
        values[order[row]] = FigureAt(static_cast<int>(row), figure);
    ReorderItems([&](std::size_t a, std::size_t b) {
        return descending ? RawLess(values[b], values[a]) : RawLess(values[a], values[b]);
    });
}

const ScoreFigures& TStatisticsModel::FiguresAt(int row) const {
    return IsTotalRow(row) ? figures.total : figures.groups[order[static_cast<std::size_t>(row)]];
}

QString TStatisticsModel::GroupNameAt(int row) const {
    if (IsTotalRow(row))
        return TotalTitle;
    QStringList parts;
    for (int column = 0; column < NameColumns(); ++column)
        parts << NameAt(row, column);
    return parts.join(u' ');
}

QString TStatisticsModel::NameAt(int row, int column) const {
    if (IsTotalRow(row))
        return column == 0 ? TotalTitle : QString();
    return names[static_cast<std::size_t>(column)][order[static_cast<std::size_t>(row)]];
}

QVariant TStatisticsModel::FigureAt(int row, int figure) const {
    const ScoreFigures& shown = FiguresAt(row);
    auto optional = [](const std::optional<double>& value) {
        return value ? QVariant(*value) : QVariant();
    };
    switch (figure) {
    case Count:
        return QVariant(qlonglong(shown.count));
    case Average:
        return optional(shown.average);
    case Median:
        return optional(shown.median);
    case Highest:
        return optional(shown.highest);
    case Lowest:
        return optional(shown.lowest);
    case Passed:
        return shown.passRate ? QVariant(qlonglong(shown.passed)) : QVariant();
    default:
        return optional(shown.passRate);
    }
}

QString TStatisticsModel::FigureText(int row, int figure) const {
    const QVariant value = FigureAt(row, figure);
    if (!value.isValid())
        return {};
    switch (figure) {
    case Average:
        return OneDecimal(value.toDouble());
    case PassRate:
        return OneDecimal(value.toDouble()) + u'%';
    default:
        return Number(value.toDouble());
    }
}

QVariant TStatisticsModel::ExportValue(int row, int column) const {
    const int figure = column - NameColumns();
    if (figure < 0)
        return NameAt(row, column);
    const QVariant value = FigureAt(row, figure);
    if (!value.isValid() || figure == PassRate)
        return value.isValid() ? QVariant(FigureText(row, figure)) : QVariant();
    return figure == Average ? QVariant(RoundedToOneDecimal(value.toDouble())) : value;
}

int TStatisticsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(order.size()) + 1;
}

int TStatisticsModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : NameColumns() + FigureCount;
}

QVariant TStatisticsModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const int figure = index.column() - NameColumns();
    switch (role) {
    case Qt::DisplayRole:
        return figure < 0 ? NameAt(index.row(), index.column()) : FigureText(index.row(), figure);
    case RawValueRole:
        return figure < 0 ? QVariant(NameAt(index.row(), index.column()))
                          : FigureAt(index.row(), figure);
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(Qt::AlignVCenter |
                                   (figure < 0 ? Qt::AlignLeft : Qt::AlignRight));
    default:
        return {};
    }
}

QVariant TStatisticsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section < 0 ||
        section >= columnCount())
        return {};
    return section < NameColumns() ? nameTitles[static_cast<std::size_t>(section)]
                                   : FigureTitles[section - NameColumns()];
}
