#include "ui/DataGrid.h"

#include "platform/DatabaseQuery.h"
#include "ui/FindDialog.h"
#include "ui/Fonts.h"
#include "ui/GridExport.h"
#include "ui/GridModel.h"

#include <QApplication>
#include <QEvent>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPointer>
#include <QScrollBar>
#include <QShortcut>
#include <QTableView>
#include <algorithm>

namespace ui {

namespace {

constexpr int IndicatorMargin = 11;
constexpr int MinimumDefaultWidth = 64;

QString TitleOf(const GridModelColumn& column) {
    return column.title;
}

} // namespace

struct DataGrid::Impl {
    DataGrid* grid = nullptr;
    QPointer<platform::TADOQuery> query;
    QTableView* table = nullptr;
    GridModel* model = nullptr;
    QWidget* footerBar = nullptr;
    QWidget* footerStrip = nullptr;
    QScrollBar* horizontalBar = nullptr;
    FindDialog* finder = nullptr;
    // The configured columns, or, with none, the default columns of the current result.
    std::vector<GridColumn> configured;
    std::vector<GridColumn> defaults;
    std::vector<QLabel*> footerCells;
    std::vector<int> savedOrder;
    std::vector<int> exportColumns;
    bool rowNumbers = false;
    // Set while the grid itself moves or sizes sections: no signal for the window then.
    bool restoring = false;
    // A width changed during a drag of a section edge; told when the mouse is released.
    bool widthChangePending = false;

    std::vector<GridColumn>& columns() { return configured.empty() ? defaults : configured; }
    const std::vector<GridColumn>& columns() const {
        return configured.empty() ? defaults : configured;
    }
    QHeaderView* header() const { return table->horizontalHeader(); }
    bool validColumn(int index) const {
        return index >= 0 && index < static_cast<int>(columns().size());
    }

    void buildWidgets();
    void connectSignals();
    void rebuildModelColumns();
    void buildDefaultColumns();
    void captureOrder();
    void restoreHeaderState();
    void updateIndicatorWidth();
    void rebuildFooterCells();
    void updateFooterGeometry();
    void updateFooterTexts();
    void mirrorScrollBar();
    void onSectionResized(int logical, int newSize);
    void onSectionMoved(int oldVisual, int newVisual);
    void followCurrentRow();
};

void DataGrid::Impl::buildWidgets() {
    table = new QTableView(grid);
    table->setFrameShape(QFrame::NoFrame);
    table->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setWordWrap(false);
    table->setFont(SongFont(13));
    QPalette cells = table->palette();
    cells.setColor(QPalette::Base, Qt::white);
    cells.setColor(QPalette::AlternateBase, Qt::white);
    table->setPalette(cells);
    table->setModel(model);

    QHeaderView* titles = header();
    titles->setFont(SongFont(13));
    titles->setSectionsMovable(true);
    titles->setSectionsClickable(true);
    titles->setSortIndicatorShown(false);
    titles->setHighlightSections(false);
    titles->setStretchLastSection(false);
    titles->setSectionResizeMode(QHeaderView::Interactive);
    titles->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    QHeaderView* indicator = table->verticalHeader();
    indicator->setFont(SongFont(13));
    indicator->setSectionResizeMode(QHeaderView::Fixed);
    indicator->setDefaultSectionSize(QFontMetrics(SongFont(13)).height() + 6);
    indicator->setDefaultAlignment(Qt::AlignRight | Qt::AlignVCenter);
    indicator->setHighlightSections(false);

    footerBar = new QWidget(grid);
    footerBar->setAutoFillBackground(true);
    QPalette face = footerBar->palette();
    face.setColor(QPalette::Window, face.color(QPalette::Button));
    footerBar->setPalette(face);
    footerBar->setFont(SongFont(13, true));
    footerBar->setFixedHeight(QFontMetrics(SongFont(13, true)).height() + 8);
    footerStrip = new QWidget(footerBar);

    horizontalBar = new QScrollBar(Qt::Horizontal, grid);
    horizontalBar->hide();

    auto* layout = new QGridLayout(grid);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(table, 0, 0);
    layout->addWidget(footerBar, 1, 0);
    layout->addWidget(horizontalBar, 2, 0);

    table->viewport()->installEventFilter(grid);
    footerBar->installEventFilter(grid);
    titles->viewport()->installEventFilter(grid);
}

void DataGrid::Impl::connectSignals() {
    QHeaderView* titles = header();
    connect(titles, &QHeaderView::sectionClicked, grid, &DataGrid::titleClicked);
    connect(titles, &QHeaderView::sectionResized, grid,
            [this](int logical, int, int newSize) { onSectionResized(logical, newSize); });
    connect(titles, &QHeaderView::sectionMoved, grid,
            [this](int, int oldVisual, int newVisual) { onSectionMoved(oldVisual, newVisual); });
    connect(titles, &QHeaderView::geometriesChanged, grid, [this] { updateFooterGeometry(); });

    QScrollBar* inner = table->horizontalScrollBar();
    connect(inner, &QScrollBar::rangeChanged, grid, [this] { mirrorScrollBar(); });
    connect(inner, &QScrollBar::valueChanged, grid, [this](int value) {
        horizontalBar->setValue(value);
        updateFooterGeometry();
    });
    connect(horizontalBar, &QScrollBar::valueChanged, inner, &QScrollBar::setValue);

    connect(model, &QAbstractItemModel::modelAboutToBeReset, grid, [this] { captureOrder(); });
    connect(model, &QAbstractItemModel::modelReset, grid, [this] {
        if (configured.empty())
            buildDefaultColumns();
        rebuildFooterCells();
        restoreHeaderState();
        updateIndicatorWidth();
        updateFooterTexts();
        followCurrentRow();
    });
    connect(model, &GridModel::orderChanged, grid, [this] {
        table->clearSelection();
        followCurrentRow();
    });
    connect(table->selectionModel(), &QItemSelectionModel::currentRowChanged, grid,
            [this](const QModelIndex& current) {
                if (query && query->Active() && current.isValid() &&
                    current.row() < query->RecordCount())
                    query->SetCurrentRow(current.row());
            });

    auto* find = new QShortcut(QKeySequence::Find, grid);
    find->setContext(Qt::WidgetWithChildrenShortcut);
    connect(find, &QShortcut::activated, grid, &DataGrid::showFindDialog);
}

void DataGrid::Impl::rebuildModelColumns() {
    if (configured.empty()) {
        model->useFieldColumns();
        return;
    }
    std::vector<GridModelColumn> modelColumns;
    for (const GridColumn& column : configured)
        modelColumns.push_back(
            {column.fieldName, column.title, column.displayFormat, column.alignment});
    model->setColumns(std::move(modelColumns));
}

// One column per field of the result, as wide as its title needs, at least 64 pixels.
void DataGrid::Impl::buildDefaultColumns() {
    defaults.clear();
    savedOrder.clear();
    const QFontMetrics metrics(header()->font());
    for (const GridModelColumn& field : model->columns()) {
        GridColumn column;
        column.fieldName = field.fieldName;
        column.title = TitleOf(field);
        column.width = std::max(MinimumDefaultWidth, metrics.horizontalAdvance(column.title) + 12);
        defaults.push_back(column);
    }
}

void DataGrid::Impl::captureOrder() {
    const int count = header()->count();
    savedOrder.clear();
    for (int visual = 0; visual < count; ++visual)
        savedOrder.push_back(header()->logicalIndex(visual));
}

// A model reset forgets the sections' sizes and places: they are put back from the columns.
void DataGrid::Impl::restoreHeaderState() {
    const std::vector<GridColumn>& all = columns();
    const int count = std::min(static_cast<int>(all.size()), header()->count());
    std::vector<int> order;
    for (int logical : savedOrder) {
        if (logical < count)
            order.push_back(logical);
    }
    for (int logical = 0; logical < count; ++logical) {
        if (std::find(order.begin(), order.end(), logical) == order.end())
            order.push_back(logical);
    }
    restoring = true;
    for (int visual = 0; visual < count; ++visual) {
        const int from = header()->visualIndex(order[static_cast<size_t>(visual)]);
        if (from != visual)
            header()->moveSection(from, visual);
    }
    for (int logical = 0; logical < count; ++logical) {
        const GridColumn& column = all[static_cast<size_t>(logical)];
        header()->resizeSection(logical, column.width);
        table->setColumnHidden(logical, !column.visible);
    }
    restoring = false;
    updateFooterGeometry();
}

void DataGrid::Impl::updateIndicatorWidth() {
    int width = IndicatorMargin;
    if (rowNumbers)
        width += QFontMetrics(table->font()).horizontalAdvance(QString::number(model->rowCount()));
    table->verticalHeader()->setFixedWidth(width);
}

void DataGrid::Impl::rebuildFooterCells() {
    const size_t count = columns().size();
    while (footerCells.size() > count) {
        delete footerCells.back();
        footerCells.pop_back();
    }
    while (footerCells.size() < count) {
        auto* cell = new QLabel(footerStrip);
        cell->setMargin(0);
        cell->setIndent(3);
        cell->show();
        footerCells.push_back(cell);
    }
}

// The footer strip covers the cells' viewport horizontally; each footer sits under its section,
// shifted by the horizontal scroll offset, as the title row does.
void DataGrid::Impl::updateFooterGeometry() {
    const QWidget* viewport = table->viewport();
    const int left =
        viewport->mapTo(grid, QPoint(0, 0)).x() - footerBar->mapTo(grid, QPoint(0, 0)).x();
    footerStrip->setGeometry(left, 0, viewport->width(), footerBar->height());
    for (size_t i = 0; i < footerCells.size(); ++i) {
        const int logical = static_cast<int>(i);
        QLabel* cell = footerCells[i];
        if (logical >= header()->count() || header()->isSectionHidden(logical)) {
            cell->hide();
            continue;
        }
        cell->setGeometry(header()->sectionViewportPosition(logical), 0,
                          header()->sectionSize(logical), footerBar->height());
        cell->show();
    }
}

void DataGrid::Impl::updateFooterTexts() {
    const std::vector<GridColumn>& all = columns();
    for (size_t i = 0; i < footerCells.size() && i < all.size(); ++i) {
        footerCells[i]->setText(grid->footerText(static_cast<int>(i)));
        footerCells[i]->setAlignment(all[i].footer.alignment);
    }
}

void DataGrid::Impl::mirrorScrollBar() {
    const QScrollBar* inner = table->horizontalScrollBar();
    horizontalBar->setRange(inner->minimum(), inner->maximum());
    horizontalBar->setPageStep(inner->pageStep());
    horizontalBar->setSingleStep(inner->singleStep());
    horizontalBar->setValue(inner->value());
    horizontalBar->setVisible(inner->maximum() > inner->minimum());
}

void DataGrid::Impl::onSectionResized(int logical, int newSize) {
    updateFooterGeometry();
    if (restoring || !validColumn(logical))
        return;
    columns()[static_cast<size_t>(logical)].width = newSize;
    if (QApplication::mouseButtons() & Qt::LeftButton)
        widthChangePending = true;
    else
        emit grid->columnWidthsChanged();
}

void DataGrid::Impl::onSectionMoved(int oldVisual, int newVisual) {
    updateFooterGeometry();
    if (!restoring)
        emit grid->columnMoved(oldVisual, newVisual);
}

// The query keeps its current row through sorting and reopening; the grid's current cell follows.
void DataGrid::Impl::followCurrentRow() {
    if (!query || !query->Active() || model->rowCount() == 0 || model->columnCount() == 0)
        return;
    const int row = std::min(query->CurrentRow(), model->rowCount() - 1);
    const int column = std::max(table->currentIndex().column(), 0);
    table->selectionModel()->setCurrentIndex(model->index(row, column),
                                             QItemSelectionModel::NoUpdate);
}

DataGrid::DataGrid(QWidget* parent) : QFrame(parent), d(std::make_unique<Impl>()) {
    d->grid = this;
    d->model = new GridModel(this);
    setFrameShape(QFrame::StyledPanel);
    d->buildWidgets();
    d->connectSignals();
    setFocusProxy(d->table);
    d->updateIndicatorWidth();
}

// The children outlive the implementation (QWidget deletes them later): they must not reach it
// while they are hidden and destroyed.
DataGrid::~DataGrid() {
    for (QObject* watched :
         {static_cast<QObject*>(d->table->viewport()), static_cast<QObject*>(d->footerBar),
          static_cast<QObject*>(d->header()->viewport())})
        watched->removeEventFilter(this);
    for (QObject* sender :
         {static_cast<QObject*>(d->header()),
          static_cast<QObject*>(d->table->horizontalScrollBar()), static_cast<QObject*>(d->model),
          static_cast<QObject*>(d->table->selectionModel())})
        disconnect(sender, nullptr, this, nullptr);
}

void DataGrid::setDataSet(platform::TADOQuery* query) {
    d->query = query;
    d->model->setQuery(query);
}

platform::TADOQuery* DataGrid::dataSet() const {
    return d->query;
}

bool DataGrid::dataSetActive() const {
    return d->query && d->query->Active();
}

void DataGrid::clearColumns() {
    d->configured.clear();
    d->savedOrder.clear();
    d->exportColumns.clear();
    d->rebuildModelColumns();
}

int DataGrid::addColumn(const GridColumn& column) {
    if (d->configured.empty())
        d->savedOrder.clear();
    d->configured.push_back(column);
    d->rebuildModelColumns();
    return static_cast<int>(d->configured.size()) - 1;
}

bool DataGrid::hasConfiguredColumns() const {
    return !d->configured.empty();
}

int DataGrid::columnCount() const {
    return static_cast<int>(d->columns().size());
}

GridColumn DataGrid::column(int index) const {
    if (!d->validColumn(index))
        return {};
    return d->columns()[static_cast<size_t>(index)];
}

QString DataGrid::columnFieldName(int index) const {
    return column(index).fieldName;
}
QString DataGrid::columnTitle(int index) const {
    return column(index).title;
}
QString DataGrid::columnDisplayFormat(int index) const {
    return column(index).displayFormat;
}
int DataGrid::columnWidth(int index) const {
    return column(index).width;
}
bool DataGrid::columnVisible(int index) const {
    return column(index).visible;
}

void DataGrid::setColumnWidth(int index, int width) {
    if (!d->validColumn(index))
        return;
    d->columns()[static_cast<size_t>(index)].width = width;
    d->restoring = true;
    d->header()->resizeSection(index, width);
    d->restoring = false;
}

std::vector<int> DataGrid::displayOrder() const {
    std::vector<int> order;
    const int count = std::min(d->header()->count(), columnCount());
    for (int visual = 0; visual < count; ++visual)
        order.push_back(d->header()->logicalIndex(visual));
    return order;
}

void DataGrid::moveColumn(int from, int to) {
    const int count = std::min(d->header()->count(), columnCount());
    if (from < 0 || to < 0 || from >= count || to >= count || from == to)
        return;
    d->header()->moveSection(from, to);
}

void DataGrid::setFooter(int index, const GridFooter& footer) {
    if (!d->validColumn(index))
        return;
    d->columns()[static_cast<size_t>(index)].footer = footer;
    d->updateFooterTexts();
}

GridFooter DataGrid::footer(int index) const {
    return column(index).footer;
}

QString DataGrid::footerText(int index) const {
    const GridFooter shown = footer(index);
    switch (shown.kind) {
    case FooterKind::Text:
        return shown.text;
    case FooterKind::RecordCount:
        return dataSetActive() ? QString::number(d->query->RecordCount()) : QString();
    case FooterKind::None:
        break;
    }
    return {};
}

QLabel* DataGrid::footerCell(int index) const {
    if (index < 0 || index >= static_cast<int>(d->footerCells.size()))
        return nullptr;
    return d->footerCells[static_cast<size_t>(index)];
}

QWidget* DataGrid::footerRow() const {
    return d->footerBar;
}

void DataGrid::setRowNumbersVisible(bool visible) {
    d->rowNumbers = visible;
    d->model->setRowNumbers(visible);
    d->updateIndicatorWidth();
}

bool DataGrid::rowNumbersVisible() const {
    return d->rowNumbers;
}

int DataGrid::indicatorWidth() const {
    return d->table->verticalHeader()->width();
}

int DataGrid::rowCount() const {
    return d->model->rowCount();
}

QString DataGrid::cellText(int row, int index) const {
    return d->model->displayText(row, index);
}

QVariant DataGrid::cellValue(int row, int index) const {
    return d->model->rawValue(row, index);
}

std::vector<int> DataGrid::selectedRows() const {
    std::vector<int> rows;
    for (const QModelIndex& index : d->table->selectionModel()->selectedRows())
        rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

void DataGrid::clearRowSelection() {
    d->table->clearSelection();
}

int DataGrid::currentRow() const {
    const QModelIndex current = d->table->currentIndex();
    return current.isValid() ? current.row() : -1;
}

int DataGrid::currentColumn() const {
    const QModelIndex current = d->table->currentIndex();
    return current.isValid() ? current.column() : -1;
}

void DataGrid::setCurrentCell(int row, int index) {
    const QModelIndex target = d->model->index(row, index);
    if (!target.isValid())
        return;
    d->table->setCurrentIndex(target);
    d->table->scrollTo(target);
}

void DataGrid::selectColumn(int index) {
    if (d->validColumn(index) && std::find(d->exportColumns.begin(), d->exportColumns.end(),
                                           index) == d->exportColumns.end())
        d->exportColumns.push_back(index);
}

const std::vector<int>& DataGrid::selectedColumns() const {
    return d->exportColumns;
}

void DataGrid::clearColumnSelection() {
    d->exportColumns.clear();
}

bool DataGrid::exportSelectedColumns(const std::filesystem::path& target,
                                     const platform::XlsProgress& progress) const {
    return ExportGridToXls(*this, d->exportColumns, target, progress);
}

void DataGrid::showFindDialog() {
    if (!d->finder)
        d->finder = new FindDialog(this);
    d->finder->show();
    d->finder->raise();
    d->finder->activateWindow();
    d->finder->textEdit()->setFocus();
    d->finder->textEdit()->selectAll();
}

FindDialog* DataGrid::findDialog() const {
    return d->finder;
}

// Row by row in the grid's order, through the shown columns in display order, starting at the
// cell after the current one.
bool DataGrid::findNext(const QString& text) {
    if (text.isEmpty() || rowCount() == 0)
        return false;
    std::vector<int> shown;
    for (int index : displayOrder()) {
        if (!d->header()->isSectionHidden(index))
            shown.push_back(index);
    }
    if (shown.empty())
        return false;
    int row = std::max(currentRow(), 0);
    const auto at = std::find(shown.begin(), shown.end(), currentColumn());
    size_t position =
        currentRow() < 0 || at == shown.end() ? 0 : static_cast<size_t>(at - shown.begin()) + 1;
    for (; row < rowCount(); ++row, position = 0) {
        for (; position < shown.size(); ++position) {
            if (cellText(row, shown[position]).contains(text, Qt::CaseInsensitive)) {
                setCurrentCell(row, shown[position]);
                return true;
            }
        }
    }
    return false;
}

QTableView* DataGrid::view() const {
    return d->table;
}

QHeaderView* DataGrid::titleRow() const {
    return d->header();
}

GridModel* DataGrid::gridModel() const {
    return d->model;
}

bool DataGrid::eventFilter(QObject* watched, QEvent* event) {
    if (watched == d->header()->viewport() && event->type() == QEvent::MouseButtonRelease &&
        d->widthChangePending) {
        d->widthChangePending = false;
        emit columnWidthsChanged();
    }
    if ((watched == d->table->viewport() || watched == d->footerBar) &&
        (event->type() == QEvent::Resize || event->type() == QEvent::Move))
        d->updateFooterGeometry();
    return QFrame::eventFilter(watched, event);
}

} // namespace ui
