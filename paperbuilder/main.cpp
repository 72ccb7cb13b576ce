#include "paperbuilder/CommandLine.h"

#include <QTextStream>
#include <cstdio>

int main(int argc, char* argv[]) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    QTextStream out(stdout);
    QTextStream err(stderr);
    return paperbuilder::RunCommandLine(arguments, out, err);
}
