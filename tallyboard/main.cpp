#include "tallyboard/Unit4.h"
#include "ui/Application.h"
#include "ui/ErrorBox.h"

#include <QPointer>
#include <QScreen>

int main(int argc, char** argv) {
    ui::Application app(argc, argv);
    QGuiApplication::setDesktopFileName(QStringLiteral("org.examsuite.Tallyboard"));
    QPointer<TfrmBasicMid1> window;
    try {
        window = new TfrmBasicMid1;
    } catch (const ConfigFileUnreadable& error) {
        ui::ShowException(error);
        return 1;
    }
    // Without a window manager nobody honours the maximise request; the window then covers the
    // screen's free area all the same.
    window->setGeometry(window->screen()->availableGeometry());
    window->showMaximized();
    const int result = app.exec();
    delete window;
    return result;
}
