#include "ui/MessageBox.h"

#include "ui/Skin.h"

#include <QMessageBox>
#include <QPushButton>

namespace ui {
namespace {

MessageBoxResponder& responder() {
    static MessageBoxResponder installed;
    return installed;
}

QMessageBox::Icon iconOf(unsigned flags) {
    switch (flags & 0xF0) {
    case MB_ICONERROR:
        return QMessageBox::Critical;
    case MB_ICONQUESTION:
        return QMessageBox::Question;
    case MB_ICONWARNING:
        return QMessageBox::Warning;
    case MB_ICONINFORMATION:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

int defaultAnswer(unsigned flags) {
    switch (flags & 0x0F) {
    case MB_YESNO:
    case MB_YESNOCANCEL:
        return IDYES;
    default:
        return IDOK;
    }
}

// A message box draws its own caption, so that the window system adds no minimise or maximise
// button and no text to it. It has a close button at most: a yes/no box has none, since closing
// it would answer neither.
void GiveOwnCaption(QMessageBox& box, unsigned flags) {
    constexpr int TitleHeight = 24;
    constexpr int Border = 1;
    box.setContentsMargins(Border, TitleHeight, Border, Border);
    new OwnCaption(&box, TitleHeight, Border, (flags & 0x0F) != MB_YESNO);
}

int showOnScreen(QWidget* owner, const QString& text, const QString& caption, unsigned flags) {
    QMessageBox box(iconOf(flags), caption, text, QMessageBox::NoButton, owner,
                    Qt::Dialog | Qt::FramelessWindowHint);
    GiveOwnCaption(box, flags);
    box.setTextFormat(Qt::PlainText);
    struct Choice {
        const char* label;
        int answer;
        QMessageBox::ButtonRole role;
    };
    std::vector<Choice> choices;
    switch (flags & 0x0F) {
    case MB_OKCANCEL:
        choices = {{"确定", IDOK, QMessageBox::AcceptRole},
                   {"取消", IDCANCEL, QMessageBox::RejectRole}};
        break;
    case MB_YESNO:
        choices = {{"是(&Y)", IDYES, QMessageBox::YesRole}, {"否(&N)", IDNO, QMessageBox::NoRole}};
        break;
    case MB_YESNOCANCEL:
        choices = {{"是(&Y)", IDYES, QMessageBox::YesRole},
                   {"否(&N)", IDNO, QMessageBox::NoRole},
                   {"取消", IDCANCEL, QMessageBox::RejectRole}};
        break;
    default:
        choices = {{"确定", IDOK, QMessageBox::AcceptRole}};
        break;
    }
    std::vector<std::pair<QPushButton*, int>> buttons;
    for (const Choice& choice : choices)
        buttons.emplace_back(box.addButton(QString::fromUtf8(choice.label), choice.role),
                             choice.answer);
    box.setDefaultButton(buttons.front().first);
    box.exec();
    for (const auto& [button, answer] : buttons)
        if (box.clickedButton() == button)
            return answer;
    // Closed by Escape or the window system: the answer a Windows box gives then.
    return (flags & 0x0F) == MB_OK ? IDOK : (flags & 0x0F) == MB_YESNO ? IDNO : IDCANCEL;
}

} // namespace

int MessageBox(QWidget* owner, const QString& text, const QString& caption, unsigned flags) {
    if (responder())
        return responder()(ShownMessageBox{text, caption, flags, owner != nullptr});
    return showOnScreen(owner, text, caption, flags);
}

void SetMessageBoxResponder(MessageBoxResponder installed) {
    responder() = std::move(installed);
}

ScriptedMessageBoxes::ScriptedMessageBoxes() {
    SetMessageBoxResponder([this](const ShownMessageBox& box) {
        boxes.push_back(box);
        if (showHook)
            showHook(box);
        if (nextReply < replies.size())
            return replies[nextReply++];
        return defaultAnswer(box.flags);
    });
}

ScriptedMessageBoxes::~ScriptedMessageBoxes() {
    SetMessageBoxResponder({});
}

} // namespace ui
