#include "ui/GridModel.h"

#include "platform/ClientCursor.h"
#include "platform/DatabaseQuery.h"
#include "ui/DisplayFormat.h"

namespace ui {

GridModel::GridModel(QObject* parent) : QAbstractTableModel(parent) {}

GridModel::~GridModel() = default;

void GridModel::setQuery(platform::TADOQuery* query) {
    if (query == source)
        return;
    beginResetModel();
    if (source)
        disconnect(source, nullptr, this, nullptr);
    source = query;
    if (source) {
        connect(source, &platform::TADOQuery::rowsAboutToBeReset, this,
                &GridModel::beginQueryReset);
        connect(source, &platform::TADOQuery::rowsReset, this, &GridModel::endQueryReset);
        connect(source, &platform::TADOQuery::orderAboutToChange, this,
                &GridModel::beginOrderChange);
        connect(source, &platform::TADOQuery::orderChanged, this, &GridModel::endOrderChange);
        connect(source, &QObject::destroyed, this, [this] { setQuery(nullptr); });
    }
    resolveFields();
    endResetModel();
}

void GridModel::setColumns(std::vector<GridModelColumn> columns) {
    beginResetModel();
    fieldColumns = false;
    modelColumns = std::move(columns);
    resolveFields();
    endResetModel();
}

void GridModel::useFieldColumns() {
    beginResetModel();
    fieldColumns = true;
    resolveFields();
    endResetModel();
}

void GridModel::setRowNumbers(bool on) {
    if (on == rowNumbers)
        return;
    rowNumbers = on;
    if (rows > 0)
        emit headerDataChanged(Qt::Vertical, 0, rows - 1);
}

bool GridModel::queryOpen() const {
    return source && source->Active();
}

// Matches the columns to the result's fields; with field columns, the columns are the fields.
void GridModel::resolveFields() {
    rows = queryOpen() ? source->RecordCount() : 0;
    if (fieldColumns) {
        modelColumns.clear();
        if (queryOpen()) {
            for (int field = 0; field < source->FieldCount(); ++field)
                modelColumns.push_back({source->FieldName(field), source->FieldName(field), {}});
        }
    }
    fields.clear();
    kinds.clear();
    for (const GridModelColumn& column : modelColumns) {
        const int field = queryOpen() ? source->FieldIndex(column.fieldName) : -1;
        fields.push_back(field);
        kinds.push_back(field >= 0 ? source->KindOf(field) : platform::FieldKind::Unknown);
    }
}

void GridModel::beginQueryReset() {
    if (resetting)
        return;
    resetting = true;
    beginResetModel();
}

void GridModel::endQueryReset() {
    if (!resetting)
        beginResetModel();
    resolveFields();
    resetting = false;
    endResetModel();
}

// A sort keeps the rows and moves them; the views keep no persistent rows across it, since the
// query does not tell where each row went (the current row it keeps itself).
void GridModel::beginOrderChange() {
    emit layoutAboutToBeChanged({}, VerticalSortHint);
}

void GridModel::endOrderChange() {
    emit layoutChanged({}, VerticalSortHint);
    emit orderChanged();
}

int GridModel::fieldOf(int column) const {
    if (column < 0 || column >= static_cast<int>(fields.size()))
        return -1;
    return fields[static_cast<size_t>(column)];
}

QString GridModel::displayText(int row, int column) const {
    if (fieldKind(column) == platform::FieldKind::DateTime) {
        const auto value = dateTimeValue(row, column);
        return value ? displayText(column, *value) : QString();
    }
    return displayText(row, column, rawValue(row, column));
}

QString GridModel::displayText(int row, int column, const QVariant& value) const {
    if (value.isNull())
        return {};
    const QString& mask = modelColumns[static_cast<size_t>(column)].displayFormat;
    if (!mask.isEmpty()) {
        const QString formatted = FormatValue(mask, value);
        if (!formatted.isNull())
            return formatted;
    }
    // A text as it is; other values as the query shows them.
    if (value.typeId() == QMetaType::QString)
        return value.toString();
    return source->DisplayText(row, fieldOf(column));
}

platform::FieldKind GridModel::fieldKind(int column) const {
    if (column < 0 || column >= static_cast<int>(kinds.size()))
        return platform::FieldKind::Unknown;
    return kinds[static_cast<size_t>(column)];
}

std::optional<platform::LocalDateTime> GridModel::dateTimeValue(int row, int column) const {
    const int field = fieldOf(column);
    if (field < 0 || row < 0 || row >= rows)
        return std::nullopt;
    return source->DateTimeValue(row, field);
}

QString GridModel::displayText(int column, const platform::LocalDateTime& value) const {
    const QString& mask = modelColumns[static_cast<size_t>(column)].displayFormat;
    if (!mask.isEmpty()) {
        const QString formatted = FormatDateTime(mask, value.date, value.time);
        if (!formatted.isNull())
            return formatted;
    }
    return platform::DateTimeText(value.date, value.time);
}

std::optional<std::string_view> GridModel::textValue(int row, int column) const {
    const int field = fieldOf(column);
    if (field < 0 || row < 0 || row >= rows)
        return std::nullopt;
    return source->TextValue(row, field);
}

QVariant GridModel::rawValue(int row, int column) const {
    const int field = fieldOf(column);
    if (field < 0 || row < 0 || row >= rows)
        return {};
    return source->Value(row, field);
}

int GridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows;
}

int GridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(modelColumns.size());
}

QVariant GridModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    switch (role) {
    case Qt::DisplayRole:
        ++displayCount;
        return displayText(index.row(), index.column());
    case RawValueRole:
        return rawValue(index.row(), index.column());
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(modelColumns[static_cast<size_t>(index.column())].alignment);
    default:
        return {};
    }
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || section < 0)
        return {};
    if (orientation == Qt::Horizontal) {
        if (section >= static_cast<int>(modelColumns.size()))
            return {};
        return modelColumns[static_cast<size_t>(section)].title;
    }
    if (section >= rows)
        return {};
    return rowNumbers ? QVariant(QString::number(section + 1)) : QVariant(QString());
}

Qt::ItemFlags GridModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemNeverHasChildren;
}

} // namespace ui
