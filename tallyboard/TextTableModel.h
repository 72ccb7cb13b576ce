#pragma once

#include "records/Sitting.h"

#include <QAbstractTableModel>
#include <QDate>

class QWidget;

// A read-only table model over a text table whose first row holds the titles. Cells that read
// as whole numbers are shown right-aligned and exported as numbers.
class TTextTableModel final : public QAbstractTableModel {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TTextTableModel)

public:
    using QAbstractTableModel::QAbstractTableModel;

    void SetTable(records::TextTable table);
    const records::TextTable& Table() const { return table; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    // The cell as an export takes it: a number where it reads as one, else its text.
    QVariant ExportValue(int row, int column) const;

private:
    records::TextTable table;
};

namespace tallyboard {

// Asks for an .xls file and writes the model's titles and rows there, as every export of the
// windows does; says so when there is nothing to export.
void ExportTextTable(QWidget* owner, const QString& title, const TTextTableModel& model, QDate day);

} // namespace tallyboard
