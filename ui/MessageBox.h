#pragma once

#include <QString>
#include <functional>
#include <vector>

class QWidget;

namespace ui {

// Flags and answers with the values of the Windows message-box interface, which the programs'
// messages are written against.
enum MessageBoxFlags : unsigned {
    MB_OK = 0x00,
    MB_OKCANCEL = 0x01,
    MB_YESNOCANCEL = 0x03,
    MB_YESNO = 0x04,
    MB_ICONERROR = 0x10,
    MB_ICONQUESTION = 0x20,
    MB_ICONWARNING = 0x30,
    MB_ICONINFORMATION = 0x40,
};
enum MessageBoxAnswer : int { IDOK = 1, IDCANCEL = 2, IDYES = 6, IDNO = 7 };

struct ShownMessageBox {
    QString text;
    QString caption;
    unsigned flags = 0;
    bool owned = false; // shown over a window rather than on its own
};

// Shows a modal message box with Chinese buttons (确定, 是(&Y), 否(&N), 取消) and returns the
// answer. A box runs a nested event loop, so timers keep firing while it is open.
int MessageBox(QWidget* owner, const QString& text, const QString& caption, unsigned flags);

// Tests answer message boxes through a responder instead of a modal dialog. While one is
// installed every box is recorded and answered by it; none is shown on screen.
using MessageBoxResponder = std::function<int(const ShownMessageBox&)>;
void SetMessageBoxResponder(MessageBoxResponder responder);

// Scripted answers for tests: answers are taken in order; when they run out, a box is answered
// with its default (OK, or Yes for a yes/no box). Every box shown is kept in shown().
class ScriptedMessageBoxes final {
public:
    ScriptedMessageBoxes();
    ~ScriptedMessageBoxes();
    ScriptedMessageBoxes(const ScriptedMessageBoxes&) = delete;
    ScriptedMessageBoxes& operator=(const ScriptedMessageBoxes&) = delete;

    void answer(int reply) { replies.push_back(reply); }
    // Runs when a box appears, before it is answered; lets a test act while a box is open
    // (a clock tick, for example).
    void onShow(std::function<void(const ShownMessageBox&)> hook) { showHook = std::move(hook); }
    const std::vector<ShownMessageBox>& shown() const { return boxes; }
    void clear() { boxes.clear(); }

private:
    std::vector<int> replies;
    size_t nextReply = 0;
    std::vector<ShownMessageBox> boxes;
    std::function<void(const ShownMessageBox&)> showHook;
};

} // namespace ui
