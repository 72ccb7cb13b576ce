#include "tallyboard/SortableTableModel.h"

#include <algorithm>

void TSortableTableModel::ReorderItems(
    const std::function<bool(std::size_t, std::size_t)>& itemBefore) {
    emit layoutAboutToBeChanged({}, VerticalSortHint);
    const std::vector<std::size_t> before = order;
    std::stable_sort(order.begin(), order.end(), itemBefore);
    std::vector<int> rowOfItem(order.size());
    for (std::size_t row = 0; row < order.size(); ++row)
        rowOfItem[order[row]] = static_cast<int>(row);
    const QModelIndexList from = persistentIndexList();
    QModelIndexList to;
    for (const QModelIndex& index : from) {
        const auto row = static_cast<std::size_t>(index.row());
        to << (row < before.size() ? this->index(rowOfItem[before[row]], index.column()) : index);
    }
    changePersistentIndexList(from, to);
    emit layoutChanged({}, VerticalSortHint);
}

bool TSortableTableModel::RawLess(const QVariant& a, const QVariant& b) {
    if (!a.isValid())
        return b.isValid();
    if (!b.isValid())
        return false;
    if (a.typeId() == QMetaType::QString || b.typeId() == QMetaType::QString)
        return a.toString() < b.toString();
    return a.toDouble() < b.toDouble();
}
