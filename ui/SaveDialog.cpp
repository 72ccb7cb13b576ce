#include "ui/SaveDialog.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QStringList>

namespace ui {

namespace {

SaveDialogResponder& Responder() {
    static SaveDialogResponder responder;
    return responder;
}

// "Excel 文件(*.xls)|*.XLS" becomes "Excel 文件(*.xls) (*.XLS *.xls)": Qt takes the patterns
// from the last parentheses and matches them case-sensitively, so both cases are listed.
QStringList QtNameFilters(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns;
        for (const QString& pattern : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            patterns << pattern.trimmed();
            if (pattern.trimmed().toLower() != pattern.trimmed())
                patterns << pattern.trimmed().toLower();
        }
        filters << parts[i] + u" ("_qs + patterns.join(QLatin1Char(' ')) + u")"_qs;
    }
    return filters;
}

QString RunDialog(QWidget* owner, const SaveFileRequest& request) {
    QFileDialog dialog(owner);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setDirectory(QDir::currentPath());
    dialog.setNameFilters(QtNameFilters(request.filter));
    dialog.selectFile(request.fileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

} // namespace

QString WithDefaultExtension(const QString& path, const QString& extension) {
    if (path.isEmpty() || extension.isEmpty() || !QFileInfo(path).suffix().isEmpty())
        return path;
    return extension.startsWith(QLatin1Char('.')) ? path + extension
                                                  : path + QLatin1Char('.') + extension;
}

QString GetSaveFileName(QWidget* owner, const SaveFileRequest& request) {
    const QString chosen = Responder() ? Responder()(request) : RunDialog(owner, request);
    return WithDefaultExtension(chosen, request.defaultExtension);
}

void SetSaveDialogResponder(SaveDialogResponder responder) {
    Responder() = std::move(responder);
}

ScriptedSaveDialogs::ScriptedSaveDialogs() {
    SetSaveDialogResponder([this](const SaveFileRequest& request) {
        requests.push_back(request);
        return nextReply < replies.size() ? replies[nextReply++] : QString();
    });
}

ScriptedSaveDialogs::~ScriptedSaveDialogs() {
    SetSaveDialogResponder({});
}

} // namespace ui
