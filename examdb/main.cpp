#include "examdb/CommandLine.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    return examdb::RunCommandLine(app.arguments().mid(1), out, err);
}
