#include "tallyboard/TextTableModel.h"

#include "common/FuncUnit.h"
#include "platform/XlsWriter.h"
#include "tallyboard/ExportFlow.h"

namespace {} // namespace

void TTextTableModel::SetTable(records::TextTable rows) {
    beginResetModel();
    table = std::move(rows);
    endResetModel();
}

int TTextTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() || table.empty() ? 0 : static_cast<int>(table.size()) - 1;
}

int TTextTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() || table.empty() ? 0 : static_cast<int>(table.front().size());
}

QVariant TTextTableModel::ExportValue(int row, int column) const {
    const QString text =
        Utf8Text(table.at(static_cast<size_t>(row) + 1).at(static_cast<size_t>(column)));
    bool number = false;
    const qlonglong value = text.toLongLong(&number);
    return number ? QVariant(value) : QVariant(text);
}

QVariant TTextTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid())
        return {};
    if (role == Qt::DisplayRole)
        return Utf8Text(
            table.at(static_cast<size_t>(index.row()) + 1).at(static_cast<size_t>(index.column())));
    if (role == Qt::TextAlignmentRole &&
        ExportValue(index.row(), index.column()).typeId() == QMetaType::LongLong)
        return QVariant(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

QVariant TTextTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || table.empty())
        return {};
    return Utf8Text(table.front().at(static_cast<size_t>(section)));
}

namespace tallyboard {

void ExportTextTable(QWidget* owner, const QString& title, const TTextTableModel& model,
                     QDate day) {
    if (model.rowCount() == 0) {
        ShowNothingToExport();
        return;
    }
    const QString file = AskExcelFile(owner, title, day);
    if (file.isEmpty() || !MayReplaceExportFile(owner, file))
        return;
    platform::XlsRow titles;
    for (const std::string& cell : model.Table().front())
        titles.emplace_back(cell);
    platform::WriteXlsFile(PathOf(file), titles, static_cast<std::size_t>(model.rowCount()),
                           [&model](std::size_t row, platform::XlsRow& cells) {
                               cells.clear();
                               for (int column = 0; column < model.columnCount(); ++column)
                                   cells.push_back(
                                       XlsCellOf(model.ExportValue(static_cast<int>(row), column)));
                           },
                           {});
    ShowExportDone();
}

} // namespace tallyboard
