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
    // The program to start, by its full path: on Windows the file that runs the command line (never
    // looked for elsewhere); otherwise the program that gets the arguments, one string each.
    QString program;
    QStringList arguments;
    // Variables set in the program's environment (off Windows); a null value removes one.
    QList<QPair<QString, QString>> environment;
    // The folder the program starts in.
    QString workingFolder;
};

class ProcessLauncher {
public:
    virtual ~ProcessLauncher() = default;

    // Empty when the variable is not set.
    virtual QString environmentVariable(const QString& name) = 0;
    // Full path of a program found in a folder of the search path given by its full path; empty when
    // there is none. Relative entries are skipped: the current folder must not decide what runs.
    virtual QString findOnSearchPath(const QString& program) = 0;
    // Whether a program started from here reads text in UTF-8: the character set of the locale that
    // its environment selects (LC_ALL, LC_CTYPE, LANG) as installed on this system. Always so on Windows.
    virtual bool childrenReadUtf8() = 0;
    // Starts the request in a normal window with the focus and returns at once. Empty when the
    // program started; otherwise the reason it did not.
    virtual QString start(const ProcessRequest& request) = 0;
};

// The launcher in use: the real one unless a test has installed another.
ProcessLauncher& processes();
// Installs a launcher (not owned); nullptr restores the real one.
void setProcessLauncher(ProcessLauncher* launcher);

} // namespace platform
