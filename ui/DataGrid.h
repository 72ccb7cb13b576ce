#pragma once

#include "platform/XlsWriter.h"

#include <QFrame>
#include <QString>
#include <QVariant>
#include <filesystem>
#include <memory>
#include <vector>

class QHeaderView;
class QLabel;
class QScrollBar;
class QTableView;

namespace platform {
class TADOQuery;
}

namespace ui {

class FindDialog;
class GridModel;

// What a column's footer shows.
enum class FooterKind { None, Text, RecordCount };

struct GridFooter {
    FooterKind kind = FooterKind::None;
    QString text; // shown when kind is Text
    Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter;
};

// One configured column. The column shows the result field named fieldName (compared without
// regard to case); a name the result lacks gives empty cells.
struct GridColumn {
    QString fieldName;
    QString title;
    QString displayFormat; // see ui/DisplayFormat.h; empty shows the query's display text
    int width = 64;        // pixels
    bool visible = true;
    Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter;
    GridFooter footer;
};

// The data grid of the browse windows: a table view over one query (platform::TADOQuery), with
// a title row, a row indicator that can show row numbers, and one footer row beneath the cells
// whose footers are a fixed text or the query's live record count.
//
// Columns are addressed by their column index: the order in which they were added (with no
// configured columns, the field order of the result). The user may drag a column to another
// display position; displayOrder() tells the columns in display order. Cells are white and
// flat, in 宋体 13 px; the grid selects whole rows, several at a time, and never edits.
//
// With no configured column the grid shows one column per field of the result, titled with the
// field name; these default columns are rebuilt whenever the query reopens. Configured columns
// keep their widths and display order across reopening.
//
// Ctrl+F opens the grid's non-modal find dialog.
class DataGrid final : public QFrame {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DataGrid)

public:
    explicit DataGrid(QWidget* parent = nullptr);
    ~DataGrid() override;

    // The query the grid shows; not owned, may be nullptr ("no dataset"). The grid follows the
    // query's reopening, posting and sorting through its signals.
    void setDataSet(platform::TADOQuery* query);
    platform::TADOQuery* dataSet() const;
    // A dataset is set and open.
    bool dataSetActive() const;

    // Columns. clearColumns() returns the grid to its default columns; addColumn() appends a
    // configured column at the end of the display order and returns its column index.
    void clearColumns();
    int addColumn(const GridColumn& column);
    bool hasConfiguredColumns() const;
    int columnCount() const;
    // The column as configured, with its current width (after the user's resizing).
    GridColumn column(int index) const;
    QString columnFieldName(int index) const;
    QString columnTitle(int index) const;
    QString columnDisplayFormat(int index) const;
    int columnWidth(int index) const;
    void setColumnWidth(int index, int width);
    bool columnVisible(int index) const;
    // Column indexes in display order (hidden columns included, at their places).
    std::vector<int> displayOrder() const;
    // Moves the column at display position `from` to display position `to`, as a drag by the
    // user would, and emits columnMoved.
    void moveColumn(int from, int to);

    // Footers, by column index. footerText() is what the footer shows now: the fixed text, the
    // record count in decimal (empty while no dataset is open), or empty.
    void setFooter(int index, const GridFooter& footer);
    GridFooter footer(int index) const;
    QString footerText(int index) const;
    // The label showing a column's footer, for tests: its x is the column's
    // QHeaderView::sectionViewportPosition and its width the section size.
    QLabel* footerCell(int index) const;
    QWidget* footerRow() const;

    // Row numbers 1..n in the row indicator, off at first. The indicator is as wide as the text
    // of the record count plus 11 pixels when they are on, 11 pixels otherwise.
    void setRowNumbersVisible(bool visible);
    bool rowNumbersVisible() const;
    int indicatorWidth() const;

    // Rows in the grid's current order.
    int rowCount() const;
    // The text a cell shows (display format applied) and its typed value.
    QString cellText(int row, int index) const;
    QVariant cellValue(int row, int index) const;
    // Row selection; clearRowSelection() also unselects the rows the user chose.
    std::vector<int> selectedRows() const;
    void clearRowSelection();
    // The current cell (row, column index); -1, -1 when there is none.
    int currentRow() const;
    int currentColumn() const;
    void setCurrentCell(int row, int index);

    // The columns chosen for an export, in the order they were selected.
    void selectColumn(int index);
    const std::vector<int>& selectedColumns() const;
    void clearColumnSelection();

    // Writes the selected columns to an .xls file (see ui/GridExport.h): the titles row, every
    // row in the grid's current order, the footer row. Returns false when progress answered
    // false (nothing is written then, and an old file stays as it was); throws
    // platform::Exception when the file cannot be written.
    bool exportSelectedColumns(const std::filesystem::path& target,
                               const platform::XlsProgress& progress = {}) const;

    // Opens the find dialog (Ctrl+F). It searches the cells' displayed text from the cell
    // after the current one onwards and moves the current cell to the match.
    void showFindDialog();
    FindDialog* findDialog() const;
    // One search step as the dialog's "find next" runs it: true when a cell was found.
    bool findNext(const QString& text);

    QTableView* view() const;
    QHeaderView* titleRow() const;
    GridModel* gridModel() const;

signals:
    // A click on a column's title; the grid itself never sorts.
    void titleClicked(int index);
    // After a column was dragged (or moved by moveColumn) from one display position to another.
    void columnMoved(int fromPosition, int toPosition);
    // After the user changed a column's width.
    void columnWidthsChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace ui
