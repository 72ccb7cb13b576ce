#pragma once

#include <QStringList>

class QTextStream;

namespace paperbuilder {

// Exit codes of the command line.
enum ExitCode : int { Success = 0, Faults = 1, BadUsage = 2 };

// Runs "build", "dump" or "--help" with the arguments that follow the program name. Reports go
// to out, faults and usage errors to err, one line each.
int RunCommandLine(const QStringList& arguments, QTextStream& out, QTextStream& err);

} // namespace paperbuilder
