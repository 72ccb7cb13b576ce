#pragma once

#include <QString>
#include <functional>
#include <vector>

class QWidget;

namespace ui {

// What a save-file dialog is asked: the proposed file name, the filter in the classic form
// "description|patterns|description|patterns" and the default extension (".xls").
struct SaveFileRequest {
    QString fileName;
    QString filter;
    QString defaultExtension;
};

// Asks for a file to save to, with the proposed name in the current directory. Returns the
// chosen path, with the default extension added when the name has none, or an empty text when
// the user cancels. The dialog does not warn about an existing file.
QString GetSaveFileName(QWidget* owner, const SaveFileRequest& request);

// The name with the extension added when its file name has none.
QString WithDefaultExtension(const QString& path, const QString& extension);

// Tests answer save dialogs through a responder instead of a modal dialog: it returns the
// chosen path, or an empty text to cancel.
using SaveDialogResponder = std::function<QString(const SaveFileRequest&)>;
void SetSaveDialogResponder(SaveDialogResponder responder);

// Scripted answers for tests, taken in order; when they run out, the dialog is cancelled. Every
// request is kept in shown().
class ScriptedSaveDialogs final {
public:
    ScriptedSaveDialogs();
    ~ScriptedSaveDialogs();
    ScriptedSaveDialogs(const ScriptedSaveDialogs&) = delete;
    ScriptedSaveDialogs& operator=(const ScriptedSaveDialogs&) = delete;

    void answer(const QString& path) { replies.push_back(path); }
    void cancel() { replies.push_back({}); }
    const std::vector<SaveFileRequest>& shown() const { return requests; }

private:
    std::vector<QString> replies;
    size_t nextReply = 0;
    std::vector<SaveFileRequest> requests;
};

} // namespace ui
