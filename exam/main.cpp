#include "exam/uMainform.h"
#include "ui/Application.h"

int main(int argc, char** argv) {
    ui::Application app(argc, argv);
    QApplication::setApplicationDisplayName(QStringLiteral("Quillon测试系统"));
    TMainForm MainForm;
    MainForm.show();
    return app.exec();
}
