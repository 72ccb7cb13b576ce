#pragma once

#include <QAbstractTableModel>
#include <functional>
#include <vector>

// A table model whose leading rows show items in an order of their own (order[row] is the item
// of the row); rows past them keep their place. Reordering moves the persistent indexes with
// their items, so that a view's selection stays on the same item after a sort.
class TSortableTableModel : public QAbstractTableModel {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TSortableTableModel)

public:
    // The numbers behind the texts, for sorting and export (an empty QVariant for an empty
    // figure).
    static constexpr int RawValueRole = Qt::UserRole;

    using QAbstractTableModel::QAbstractTableModel;

protected:
    // Stable sort of the ordered rows by the items' order; emits the layout change.
    void ReorderItems(const std::function<bool(std::size_t, std::size_t)>& itemBefore);
    // Numbers ascending with empty values first, or descending with them last.
    static bool RawLess(const QVariant& a, const QVariant& b);

    std::vector<std::size_t> order;
};
