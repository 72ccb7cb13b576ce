#include "exam/Startup.h"
#include "ui/Application.h"

int main(int argc, char** argv) {
    ui::Application app(argc, argv);
    QGuiApplication::setDesktopFileName(QStringLiteral("org.examsuite.Exam"));
    return RunExam();
}
