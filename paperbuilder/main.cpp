#include "paperbuilder/BuilderWindow.h"
#include "paperbuilder/CommandLine.h"
#include "ui/Application.h"

#include <QFileInfo>
#include <QTextStream>

// With no arguments, or with the name of an existing file, paperbuilder opens its window;
// otherwise it runs its command line.
int main(int argc, char* argv[]) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    if (arguments.size() > 1 || (arguments.size() == 1 && !QFileInfo(arguments[0]).isFile())) {
        QTextStream out(stdout);
        QTextStream err(stderr);
        return paperbuilder::RunCommandLine(arguments, out, err);
    }
    ui::Application app(argc, argv);
    QGuiApplication::setDesktopFileName(QStringLiteral("org.examsuite.Paperbuilder"));
    paperbuilder::BuilderWindow window;
    window.show();
    if (!arguments.isEmpty())
        window.OpenFile(arguments[0]);
    return app.exec();
}
