#include "tallyboard/Unit4.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    TfrmBasicMid1 window;
    window.showMaximized();
    return app.exec();
}
