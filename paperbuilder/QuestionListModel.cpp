#include "paperbuilder/QuestionListModel.h"

#include <QColor>

namespace paperbuilder {

void QuestionListModel::SetQuestions(const Bank& bank, const CheckedPaper& checked) {
    beginResetModel();
    rows.clear();
    for (size_t i = 0; i < bank.questions.size() && i < checked.questions.size(); ++i) {
        const BankQuestion& question = bank.questions[i];
        const int marks = checked.questions[i].question.fullMarks;
        rows.push_back({question.kind, question.stem.simplified(),
                        question.marks.isEmpty() ? QString::number(marks) : question.marks,
                        checked.questions[i].faults.join(QStringLiteral("；"))});
    }
    endResetModel();
}

int QuestionListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows.size());
}

int QuestionListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant QuestionListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= ColumnCount)
        return {};
    const Row& row = rows[static_cast<size_t>(index.row())];
    const bool faulty = !row.faults.isEmpty();
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        switch (index.column()) {
        case Number:
            return index.row() + 1;
        case Kind:
            return row.kind;
        case Stem:
            return row.stem;
        case Marks:
            return row.marks;
        case Faults:
            return row.faults;
        }
        return {};
    case Qt::BackgroundRole:
        return faulty ? QVariant(QColor(0xFD, 0xE2, 0xE2)) : QVariant();
    case Qt::ForegroundRole:
        return faulty && index.column() == Faults ? QVariant(QColor(0xB0, 0x00, 0x00)) : QVariant();
    case FaultRole:
        return faulty;
    }
    return {};
}

QVariant QuestionListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    static const QStringList titles{QStringLiteral("题号"), QStringLiteral("题型"),
                                    QStringLiteral("题干"), QStringLiteral("分值"),
                                    QStringLiteral("问题")};
    return titles.value(section);
}

} // namespace paperbuilder
