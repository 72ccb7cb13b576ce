#include "ui/GridExport.h"

#include "ui/DataGrid.h"
#include "ui/GridModel.h"

namespace ui {

namespace {

std::string Utf8(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

bool IsNumber(const QVariant& value) {
    const platform::FieldKind kind = platform::KindOfType(value.metaType());
    return kind == platform::FieldKind::Integer || kind == platform::FieldKind::Float;
}

// Sets a text cell, reusing the storage the cell already holds.
void SetText(platform::XlsCell& cell, std::string_view utf8) {
    if (auto* held = std::get_if<std::string>(&cell))
        held->assign(utf8);
    else
        cell = std::string(utf8);
}

void SetText(platform::XlsCell& cell, const QString& text) {
    const QByteArray bytes = text.toUtf8();
    SetText(cell, std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
}

// Date-time and text cells straight from the query's storage, since an export reads every row:
// no QVariant, no conversion to local time, no round trip of the text through UTF-16.
void FillCell(const GridModel& model, int row, int column, platform::XlsCell& cell) {
    switch (model.fieldKind(column)) {
    case platform::FieldKind::DateTime:
        if (const auto local = model.dateTimeValue(row, column))
            SetText(cell, model.displayText(column, *local));
        else
            cell = std::monostate();
        return;
    case platform::FieldKind::Text:
        if (const auto text = model.textValue(row, column))
            SetText(cell, *text);
        else
            cell = std::monostate();
        return;
    default:
        break;
    }
    const QVariant value = model.rawValue(row, column);
    if (value.isNull())
        cell = std::monostate();
    else if (IsNumber(value))
        cell = value.toDouble();
    else
        SetText(cell, model.displayText(row, column, value));
}

} // namespace

platform::XlsRow GridExportTitles(const DataGrid& grid, const std::vector<int>& columns) {
    platform::XlsRow titles;
    for (int column : columns)
        titles.emplace_back(Utf8(grid.columnTitle(column)));
    return titles;
}

void FillGridExportRow(const DataGrid& grid, const std::vector<int>& columns, int row,
                       platform::XlsRow& cells) {
    const GridModel& model = *grid.gridModel();
    cells.resize(columns.size());
    for (size_t i = 0; i < columns.size(); ++i)
        FillCell(model, row, columns[i], cells[i]);
}

platform::XlsRow GridExportFooter(const DataGrid& grid, const std::vector<int>& columns) {
    platform::XlsRow footer;
    for (int column : columns) {
        const GridFooter shown = grid.footer(column);
        switch (shown.kind) {
        case FooterKind::RecordCount:
            footer.emplace_back(double(grid.rowCount()));
            break;
        case FooterKind::Text:
            footer.emplace_back(Utf8(shown.text));
            break;
        case FooterKind::None:
            footer.emplace_back(std::string());
            break;
        }
    }
    return footer;
}

bool ExportGridToXls(const DataGrid& grid, const std::vector<int>& columns,
                     const std::filesystem::path& target, const platform::XlsProgress& progress) {
    platform::XlsOptions options;
    for (int column : columns)
        options.columnWidths.push_back(grid.columnWidth(column));
    const auto rows = static_cast<size_t>(grid.rowCount());
    const platform::XlsRow footer = GridExportFooter(grid, columns);
    auto source = [&](size_t index, platform::XlsRow& cells) {
        if (index < rows)
            FillGridExportRow(grid, columns, static_cast<int>(index), cells);
        else
            cells = footer;
    };
    return platform::WriteXlsFile(target, GridExportTitles(grid, columns), rows + 1, source,
                                  options, progress);
}

} // namespace ui
