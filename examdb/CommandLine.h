#pragma once

#include <QStringList>
#include <functional>

class QTextStream;

namespace examdb {

// Asks for a password on the terminal without echo; empty when there is no terminal.
using PasswordPrompt = std::function<QString(const QString& prompt)>;
QString ReadPasswordFromTerminal(const QString& prompt);

// Runs `examdb` with its arguments (the program name left out). Exit codes: 0 success, 1 a
// fault (reported on err), 2 bad usage.
int RunCommandLine(const QStringList& arguments, QTextStream& out, QTextStream& err,
                   const PasswordPrompt& askPassword = ReadPasswordFromTerminal);

} // namespace examdb
