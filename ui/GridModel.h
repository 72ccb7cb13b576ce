#pragma once

#include "platform/ClientCursor.h"

#include <QAbstractTableModel>
#include <QString>
#include <optional>
#include <string_view>
#include <vector>

namespace platform {
class TADOQuery;
}

namespace ui {

// One column of the model: the result field it shows (by name, without regard to case) and the
// display format of its cells.
struct GridModelColumn {
    QString fieldName;
    QString title;
    QString displayFormat;
    Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter;
};

// The rows of a query as a table model. Nothing is copied: every cell's text is computed when a
// view asks for it, so a view touches only the rows it shows. Qt::DisplayRole gives the text the
// grid shows (the display format applied), RawValueRole the typed value of the query (a null
// QVariant for a null), so that sorting and export never parse display texts.
//
// The model resets around the query's opening, closing and posting, and changes its layout
// around a sort. A column whose field the result lacks shows empty cells.
class GridModel final : public QAbstractTableModel {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(GridModel)

public:
    static constexpr int RawValueRole = Qt::UserRole;

    explicit GridModel(QObject* parent = nullptr);
    ~GridModel() override;

    // Not owned; nullptr shows nothing.
    void setQuery(platform::TADOQuery* query);
    platform::TADOQuery* query() const { return source; }

    // The columns; with useFieldColumns, the model shows one column per field of the result,
    // titled with the field name, rebuilt whenever the query reopens.
    void setColumns(std::vector<GridModelColumn> columns);
    void useFieldColumns();
    bool showsFieldColumns() const { return fieldColumns; }
    const std::vector<GridModelColumn>& columns() const { return modelColumns; }

    // Row numbers 1..n as the vertical header's texts.
    void setRowNumbers(bool on);

    // The query's field behind a column, -1 when the result has no such field.
    int fieldOf(int column) const;
    QString displayText(int row, int column) const;
    // The same for a value already read with rawValue(row, column), which spares reading it
    // again; date-times take displayText(column, value) below.
    QString displayText(int row, int column, const QVariant& value) const;
    QVariant rawValue(int row, int column) const;
    // The kind of the field behind a column (Unknown when the result has no such field). For
    // date-time and text fields, a cell's value without the QVariant, and for date-times its
    // text, with no conversion to local time: an export reads every row (nullopt for a null).
    platform::FieldKind fieldKind(int column) const;
    std::optional<platform::LocalDateTime> dateTimeValue(int row, int column) const;
    QString displayText(int column, const platform::LocalDateTime& value) const;
    std::optional<std::string_view> textValue(int row, int column) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // How many times data() was asked for a display text since the last reset of the counter:
    // the measure that scrolling touches only the visible rows.
    long long displayRequests() const { return displayCount; }
    void resetDisplayRequests() { displayCount = 0; }

signals:
    // After a sort changed the rows' order (the layout change has been announced).
    void orderChanged();

private:
    void beginQueryReset();
    void endQueryReset();
    void beginOrderChange();
    void endOrderChange();
    void resolveFields();
    bool queryOpen() const;

    platform::TADOQuery* source = nullptr;
    std::vector<GridModelColumn> modelColumns;
    std::vector<int> fields;
    std::vector<platform::FieldKind> kinds;
    bool fieldColumns = true;
    bool rowNumbers = false;
    bool resetting = false;
    int rows = 0;
    mutable long long displayCount = 0;
};

} // namespace ui
