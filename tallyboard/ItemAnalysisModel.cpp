#include "tallyboard/ItemAnalysisModel.h"

#include "paper/AnswerNotation.h"
#include "paper/PanelLayout.h"
#include "paper/uFileHandle.h"
#include "platform/CodePage.h"

#include <QCollator>
#include <QColor>
#include <QLocale>
#include <cmath>

using namespace tallyboard;

namespace {

const QString ColumnTitles[TItemAnalysisModel::ColumnCount] = {
    u"题号"_qs,   u"题型"_qs,         u"题干"_qs,   u"满分"_qs,     u"得分率"_qs,
    u"标准差"_qs, u"随机猜测得分"_qs, u"区分度"_qs, u"区分效率"_qs, u"提示"_qs};
// The start of the stem that the table shows.
constexpr int StemShown = 40;

QVariant Optional(const std::optional<double>& value) {
    return value ? QVariant(*value) : QVariant();
}

double RoundedTo(double value, int decimals) {
    const double scale = std::pow(10.0, decimals);
    return std::round(value * scale) / scale;
}

QString Percent(const QVariant& value) {
    return value.isValid() ? QString::number(RoundedTo(value.toDouble(), 1), 'f', 1) + u'%'
                           : QString();
}

QString HintText(unsigned flags) {
    if (flags & SmallSample)
        return u"样本不足"_qs;
    QStringList hints;
    if (flags & TooHard)
        hints << u"过难"_qs;
    if (flags & TooEasy)
        hints << u"过易"_qs;
    if (flags & LowDiscrimination)
        hints << u"区分度低"_qs;
    if (flags & NegativeDiscrimination)
        hints << u"负区分"_qs;
    return hints.join(u'、');
}

// A warning stands out; a sample too small to judge by is only noted.
QVariant HintColour(unsigned flags) {
    if (flags == 0)
        return {};
    return flags & SmallSample ? QColor(Qt::gray) : QColor(0xb0, 0x30, 0x00);
}

QString KindText(const TQuestion* question) {
    if (dynamic_cast<const TQSingle*>(question))
        return u"单选题"_qs;
    if (dynamic_cast<const TQMulti*>(question))
        return u"多选题"_qs;
    return u"配伍题"_qs;
}

QString OneLine(const std::string& text) {
    return platform::FromGbk(text).simplified();
}

} // namespace

QString AnswerLetter(int index) {
    return QString(QChar(answernotation::OptionLetter(index)));
}

std::vector<TItemTexts> ItemTextsOf(const TQFileHandle& paper) {
    std::vector<TItemTexts> all;
    for (std::int32_t number = 0; number < paper.QuestionCount(); ++number) {
        TItemTexts texts;
        if (const TQuestion* question = paper.GetQuestion(number)) {
            texts.kind = KindText(question);
            texts.stem = OneLine(question->Stem);
            const int rows = panellayout::RowCount(question->OptionCount());
            const auto* matching = dynamic_cast<const TQMatching*>(question);
            const int items =
                matching ? panellayout::MatchingItemRows(matching->LeftCount, rows) : rows;
            for (int option = 0; option < rows; ++option)
                (option < items ? texts.rows : texts.letters)
                    << OneLine(question->Options[static_cast<std::size_t>(option)]);
            const std::vector<std::int32_t> key = answernotation::KeyOf(*question);
            texts.key.assign(key.begin(), key.end());
        }
        all.push_back(std::move(texts));
    }
    return all;
}

TItemAnalysisModel::TItemAnalysisModel(QObject* parent) : TSortableTableModel(parent) {}

void TItemAnalysisModel::SetAnalysis(std::vector<TItemTexts> newTexts,
                                     std::vector<ItemQuestion> newQuestions,
                                     ItemAnalysis newAnalysis) {
    beginResetModel();
    texts = std::move(newTexts);
    questions = std::move(newQuestions);
    analysis = std::move(newAnalysis);
    order.resize(std::min(texts.size(), analysis.questions.size()));
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    endResetModel();
}

void TItemAnalysisModel::SortBy(int column, bool descending) {
    if (column == Kind || column == Stem || column == Hint) {
        QCollator collator{QLocale(QLocale::Chinese, QLocale::China)};
        ReorderItems([&](std::size_t a, std::size_t b) {
            const int compared = collator.compare(TextAt(a, column), TextAt(b, column));
            return descending ? compared > 0 : compared < 0;
        });
        return;
    }
    ReorderItems([&](std::size_t a, std::size_t b) {
        return descending ? RawLess(RawAt(b, column), RawAt(a, column))
                          : RawLess(RawAt(a, column), RawAt(b, column));
    });
}

QVariant TItemAnalysisModel::RawAt(std::size_t question, int column) const {
    const QuestionFigures& figures = analysis.questions[question];
    switch (column) {
    case Number:
        return QVariant(qlonglong(question + 1));
    case FullMarks:
        return QVariant(questions[question].fullMarks);
    case Facility:
        return Optional(figures.facility);
    case Deviation:
        return Optional(figures.standardDeviation);
    case Guess:
        return Optional(figures.randomGuess);
    case Discrimination:
        return Optional(figures.discrimination);
    case Efficiency:
        return Optional(figures.efficiency);
    default:
        return TextAt(question, column);
    }
}

QString TItemAnalysisModel::TextAt(std::size_t question, int column) const {
    switch (column) {
    case Number:
    case FullMarks:
        return RawAt(question, column).toString();
    case Kind:
        return texts[question].kind;
    case Stem:
        return texts[question].stem.left(StemShown);
    case Hint:
        return HintText(analysis.questions[question].flags);
    default:
        return Percent(RawAt(question, column));
    }
}

QVariant TItemAnalysisModel::ExportValue(int row, int column) const {
    const std::size_t question = QuestionAt(row);
    const QVariant raw = RawAt(question, column);
    if (raw.typeId() == QMetaType::Double)
        return RoundedTo(raw.toDouble(), 1);
    return column == Stem ? QVariant(texts[question].stem) : raw;
}

int TItemAnalysisModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(order.size());
}

int TItemAnalysisModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant TItemAnalysisModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const std::size_t question = QuestionAt(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return TextAt(question, index.column());
    case Qt::ToolTipRole:
        return index.column() == Stem ? QVariant(texts[question].stem) : QVariant();
    case RawValueRole:
        return RawAt(question, index.column());
    case Qt::TextAlignmentRole: {
        const bool text =
            index.column() == Kind || index.column() == Stem || index.column() == Hint;
        return QVariant::fromValue(Qt::AlignVCenter | (text ? Qt::AlignLeft : Qt::AlignRight));
    }
    case Qt::ForegroundRole:
        return index.column() == Hint ? HintColour(analysis.questions[question].flags) : QVariant();
    default:
        return {};
    }
}

QVariant TItemAnalysisModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section < 0 ||
        section >= ColumnCount)
        return {};
    return ColumnTitles[section];
}

TResponseModel::TResponseModel(QObject* parent) : QAbstractTableModel(parent) {}

void TResponseModel::SetQuestion(const TItemTexts* newTexts, const ItemQuestion* newQuestion,
                                 const ResponseCounts* newCounts, long long newAttempts) {
    beginResetModel();
    texts = newTexts;
    question = newQuestion;
    counts = newCounts;
    attempts = newAttempts;
    endResetModel();
}

bool TResponseModel::Matching() const {
    return question->kind == answernotation::Kind::Matching;
}

int TResponseModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid() || !counts)
        return 0;
    return static_cast<int>(counts->counts.size()) + 1;
}

int TResponseModel::columnCount(const QModelIndex& parent) const {
    if (parent.isValid() || !counts)
        return 0;
    return Matching() ? 3 + static_cast<int>(question->letters) : 5;
}

QString TResponseModel::CellText(int row, int column) const {
    const auto at = static_cast<std::size_t>(row);
    const bool openRow = at == counts->counts.size();
    if (column == 0)
        return openRow ? u"未作答"_qs : (Matching() ? QString::number(row + 1) : AnswerLetter(row));
    if (openRow) {
        if (column == 1 || column == 2)
            return {};
        if (Matching() || column == 3)
            return column == 3 ? QString::number(counts->unanswered) : QString();
        return attempts > 0 ? QString::number(100.0 * counts->unanswered / attempts, 'f', 1) + u'%'
                            : QString();
    }
    const int keyed = at < texts->key.size() ? texts->key[at] : -1;
    if (column == 1)
        return at < static_cast<std::size_t>(texts->rows.size()) ? texts->rows[row] : QString();
    if (column == 2)
        return Matching() ? (keyed >= 0 ? AnswerLetter(keyed) : QString())
                          : (keyed == 1 ? u"✔"_qs : QString());
    if (Matching())
        return QString::number(counts->counts[at][static_cast<std::size_t>(column - 3)]);
    const long long chosen = counts->counts[at][0];
    if (column == 3)
        return QString::number(chosen);
    return attempts > 0 ? QString::number(100.0 * chosen / attempts, 'f', 1) + u'%' : QString();
}

QVariant TResponseModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    if (role == Qt::DisplayRole)
        return CellText(index.row(), index.column());
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::AlignVCenter |
                                   (index.column() == 1 ? Qt::AlignLeft : Qt::AlignHCenter));
    return {};
}

QVariant TResponseModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section < 0 ||
        section >= columnCount())
        return {};
    if (Matching()) {
        static const QString titles[] = {u"配伍项"_qs, u"内容"_qs, u"正确"_qs};
        if (section < 3)
            return titles[section];
        return AnswerLetter(section - 3);
    }
    static const QString titles[] = {u"选项"_qs, u"内容"_qs, u"正确"_qs, u"人数"_qs, u"比例"_qs};
    return titles[section];
}
