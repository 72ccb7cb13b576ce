#include "tallyboard/ExportFlow.h"

#include "platform/DatabaseQuery.h"
#include "platform/RuntimeErrors.h"
#include "tallyboard/BrowseWidgets.h"
#include "tallyboard/ConstUnit.h"
#include "ui/DataGrid.h"
#include "ui/MessageBox.h"
#include "ui/SaveDialog.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFileInfo>
#include <QPixmap>
#include <QProgressDialog>
#include <optional>

namespace tallyboard {
namespace {

constexpr int NarrowestExportedWidth = 6;

// Puts the export's column selection and the count column's footer back as they were: before
// the closing message, and on every other way out of the export.
class ExportRestorer final {
public:
    explicit ExportRestorer(ui::DataGrid& grid) : grid(grid) {}
    ~ExportRestorer() { Restore(); }
    ExportRestorer(const ExportRestorer&) = delete;
    ExportRestorer& operator=(const ExportRestorer&) = delete;

    void FixCount(int column, const QString& text) {
        countColumn = column;
        savedFooter = grid.footer(column);
        ui::GridFooter fixed = savedFooter;
        fixed.kind = ui::FooterKind::Text;
        fixed.text = text;
        grid.setFooter(column, fixed);
    }

    void Restore() {
        grid.clearRowSelection();
        grid.clearColumnSelection();
        if (countColumn)
            grid.setFooter(*countColumn, savedFooter);
        countColumn.reset();
    }

private:
    ui::DataGrid& grid;
    std::optional<int> countColumn;
    ui::GridFooter savedFooter;
};

QString AskExportFile(QWidget* owner, const QString& title, QDate day, const QString& filter,
                      const QString& extension) {
    return ui::GetSaveFileName(owner, {ProposedExportName(title, day), filter, extension});
}

// Selects the columns an export writes; a mark column or one narrower than 6 pixels is left
// out, and when one is, the count column shows the fixed count for the file's footer row.
void SelectExportedColumns(ui::DataGrid& grid, ExportRestorer& restorer, int records) {
    bool leftOut = false;
    std::optional<int> countColumn;
    for (int index : grid.displayOrder()) {
        if (grid.columnTitle(index) == MarkColumnTitle ||
            grid.columnWidth(index) < NarrowestExportedWidth) {
            leftOut = true;
            continue;
        }
        grid.selectColumn(index);
        if (grid.footer(index).kind == ui::FooterKind::RecordCount)
            countColumn = index;
    }
    if (leftOut && countColumn)
        restorer.FixCount(*countColumn, RecordCountLabel + QString::number(records));
}

// Writes the selected columns with a progress dialog that shows when the export takes long.
bool WriteSelectedColumns(const ui::DataGrid& grid, QWidget* owner, const QString& title,
                          const QString& file) {
    QProgressDialog progress(u"正在导出数据..."_qs, u"取消"_qs, 0, grid.rowCount(), owner);
    progress.setWindowTitle(title);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(500);
    bool written = false;
    {
        TBusyCursor busy;
        written = grid.exportSelectedColumns(PathOf(file), [&progress](std::size_t done) {
            progress.setValue(static_cast<int>(done));
            // The user's clicks and keys wait until the dialog is up and keeps them from the
            // window: a sort, a search or another export now would change the rows being written.
            QCoreApplication::processEvents(
                progress.isVisible() ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents);
            return !progress.wasCanceled();
        });
    }
    progress.reset();
    return written;
}

} // namespace

std::filesystem::path PathOf(const QString& file) {
    return std::filesystem::path(file.toStdU16String());
}

QString ProposedExportName(const QString& title, QDate day) {
    return title + day.toString(u"yyyyMMdd"_qs);
}

QString AskExcelFile(QWidget* owner, const QString& title, QDate day) {
    return AskExportFile(owner, title, day, u"Excel 文件(*.xls)|*.XLS"_qs, u".xls"_qs);
}

QString AskPictureFile(QWidget* owner, const QString& title, QDate day) {
    return AskExportFile(owner, title, day, u"PNG 图片(*.png)|*.PNG"_qs, u".png"_qs);
}

QString AskPdfFile(QWidget* owner, const QString& title, QDate day) {
    return AskExportFile(owner, title, day, u"PDF 文件(*.pdf)|*.PDF"_qs, u".pdf"_qs);
}

bool MayReplaceExportFile(QWidget* owner, const QString& file) {
    return !QFileInfo::exists(file) ||
           ui::MessageBox(owner, u"文件已存在,是否要覆盖?"_qs, NoticeCaption,
                          ui::MB_YESNO | ui::MB_ICONQUESTION) == ui::IDYES;
}

std::string Utf8(const QString& text) {
    return text.toUtf8().toStdString();
}

platform::XlsCell XlsCellOf(const QVariant& value) {
    if (!value.isValid())
        return std::monostate();
    if (value.typeId() == QMetaType::QString)
        return Utf8(value.toString());
    return value.toDouble();
}

QByteArray PngBytes(const QPixmap& picture) {
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!picture.save(&buffer, "PNG") || png.isEmpty())
        throw platform::Exception("图表无法保存为PNG图片。");
    return png;
}

void ShowNothingToExport() {
    ui::MessageBox(nullptr, u"没有要导出的数据！"_qs, ErrorCaption, ui::MB_OK | ui::MB_ICONERROR);
}

void ShowExportDone() {
    ui::MessageBox(nullptr, u"数据导出成功！"_qs, NoticeCaption,
                   ui::MB_OK | ui::MB_ICONINFORMATION);
}

bool ExportGridToExcel(ui::DataGrid& grid, QWidget* owner, const QString& title) {
    platform::TADOQuery* query = grid.dataSet();
    if (!query) {
        ShowNothingToExport();
        return false;
    }
    if (!query->Active())
        return false;
    if (query->IsEmpty()) {
        ShowNothingToExport();
        return false;
    }
    const QString file = AskExcelFile(owner, title, QDate::currentDate());
    if (file.isEmpty())
        return false;

    ExportRestorer restorer(grid);
    SelectExportedColumns(grid, restorer, query->RecordCount());
    if (!MayReplaceExportFile(owner, file))
        return false;
    if (!WriteSelectedColumns(grid, owner, title, file) || !QFileInfo::exists(file))
        return false;
    restorer.Restore();
    ShowExportDone();
    return true;
}

} // namespace tallyboard
