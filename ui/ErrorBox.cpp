#include "ui/ErrorBox.h"

#include "ui/MessageBox.h"

#include <QApplication>

namespace ui {

QString WithFullStop(const QString& message) {
    if (message.isEmpty() || message.back() <= QLatin1Char('.'))
        return message;
    return message + QLatin1Char('.');
}

namespace {
QString& Title() {
    static QString title;
    return title;
}
} // namespace

void SetApplicationTitle(const QString& title) {
    Title() = title;
}

QString ApplicationTitle() {
    return Title();
}

void ShowErrorMessage(const QString& message) {
    MessageBox(QApplication::activeWindow(), WithFullStop(message), ApplicationTitle(),
               MB_OK | MB_ICONERROR);
}

void ShowException(const std::exception& error) {
    ShowErrorMessage(QString::fromUtf8(error.what()));
}

void ShowUnknownException() {
    ShowErrorMessage(QStringLiteral("发生了未知错误"));
}

} // namespace ui
