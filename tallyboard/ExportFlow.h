#pragma once

#include "platform/XlsWriter.h"

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QVariant>
#include <filesystem>

class QPixmap;
class QWidget;

namespace ui {
class DataGrid;
}

// The export flow of the browse windows, shared by every export of tallyboard: the proposed
// name, the save dialog, the overwrite question and the closing messages.
namespace tallyboard {

// A path from a file name as the dialogs give it.
std::filesystem::path PathOf(const QString& file);

// The name an export proposes: the title followed by the day as "yyyymmdd".
QString ProposedExportName(const QString& title, QDate day);

// Asks where to write an export titled `title` on `day`, as an .xls workbook, a .png picture or
// a .pdf document;
// an empty text when the user cancels. The dialog does not warn about an existing file.
QString AskExcelFile(QWidget* owner, const QString& title, QDate day);
QString AskPictureFile(QWidget* owner, const QString& title, QDate day);
QString AskPdfFile(QWidget* owner, const QString& title, QDate day);

// True when the file does not exist or the user agrees to replace it.
bool MayReplaceExportFile(QWidget* owner, const QString& file);

// A text as the UTF-8 an export writes.
std::string Utf8(const QString& text);
// A figure as an export cell: texts as texts, numbers as numbers, nothing as an empty cell.
platform::XlsCell XlsCellOf(const QVariant& value);

// The picture as PNG file bytes; throws when it cannot be encoded, so that a failed picture
// never ends in an empty file and a success message.
QByteArray PngBytes(const QPixmap& picture);

// "没有要导出的数据！" and "数据导出成功！", owned by the application window.
void ShowNothingToExport();
void ShowExportDone();

// Exports the grid's rows to an .xls file the user chooses, leaving out mark columns and columns
// narrower than 6 pixels; true when the file exists afterwards. The grid's selection and footer
// are as before the export once it ends, and before the closing message shows.
bool ExportGridToExcel(ui::DataGrid& grid, QWidget* owner, const QString& title);

} // namespace tallyboard
