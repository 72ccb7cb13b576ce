#include "exam/Startup.h"
#include "ui/Application.h"
#include "ui/ErrorBox.h"

int main(int argc, char** argv) {
    ui::Application app(argc, argv);
    QGuiApplication::setDesktopFileName(QStringLiteral("org.examsuite.Exam"));
    try {
        return RunExam();
    } catch (const ConfigFileUnreadable& error) {
        ui::ShowException(error);
        return 1;
    }
}
