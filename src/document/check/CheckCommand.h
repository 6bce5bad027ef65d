#pragma once
// The command-line structure check: reads each named script in any encoding the editor reads,
// prints "file:line:column: message" for each problem (line and column from 1, the column in
// characters) and answers the exit code: 0 no problems, 1 problems found, 2 a file could not be
// read or the arguments were wrong.

#include <QStringList>

class QTextStream;

namespace CheckCommand {

enum ExitCode { Clean = 0, ProblemsFound = 1, Failure = 2 };

// arguments: the file names and options, without the program name.
int run(const QStringList& arguments, QTextStream& out, QTextStream& err);

QString usage();

} // namespace CheckCommand
