#include "tallyboard/Unit4.h"
#include "ui/Application.h"

#include <QPointer>

int main(int argc, char** argv) {
    ui::Application app(argc, argv);
    QPointer<TfrmBasicMid1> window = new TfrmBasicMid1;
    window->showMaximized();
    const int result = app.exec();
    delete window;
    return result;
}
