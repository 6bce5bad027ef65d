#pragma once
// Starting other programs: the command interpreter and, through it, the script interpreter. The
// editor never waits for them. Tests install a recording launcher instead of starting anything.

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

namespace platform {

struct ProcessRequest {
    // On Windows: the complete command line, handed to the system as it stands.
    QString commandLine;
    // Elsewhere: the program and its arguments, one string each, plus variables added to the
    // program's environment.
    QString program;
    QStringList arguments;
    QList<QPair<QString, QString>> environment;
};

class ProcessLauncher {
public:
    virtual ~ProcessLauncher() = default;

    // Empty when the variable is not set.
    virtual QString environmentVariable(const QString& name) = 0;
    // Full path of a program found on the search path; empty when there is none.
    virtual QString findOnSearchPath(const QString& program) = 0;
    // Starts the request in a normal window with the focus and returns at once. Empty when the
    // program started; otherwise the reason it did not.
    virtual QString start(const ProcessRequest& request) = 0;
};

// The launcher in use: the real one unless a test has installed another.
ProcessLauncher& processes();
// Installs a launcher (not owned); nullptr restores the real one.
void setProcessLauncher(ProcessLauncher* launcher);

} // namespace platform
