#pragma once

#include "paperbuilder/BankCheck.h"

#include <QAbstractTableModel>

namespace paperbuilder {

// The questions of a bank as the window lists them: number, kind, stem, marks and faults. Rows
// with a fault are tinted; FaultRole tells whether a row has one.
class QuestionListModel final : public QAbstractTableModel {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(QuestionListModel)

public:
    enum Column { Number, Kind, Stem, Marks, Faults, ColumnCount };
    static constexpr int FaultRole = Qt::UserRole + 1;

    using QAbstractTableModel::QAbstractTableModel;

    void SetQuestions(const Bank& bank, const CheckedPaper& checked);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    struct Row {
        QString kind;
        QString stem;
        QString marks;
        QString faults;
    };
    std::vector<Row> rows;
};

} // namespace paperbuilder
