#pragma once
// The command that runs a script: the command interpreter, its switches and the body that names the
// script interpreter and the script; and how that command reaches the system on this host.

#include "platform/ProcessLauncher.h"

#include <QString>
#include <QStringList>

struct RunRequest {
    QString comspec;          // the command interpreter
    bool staysOpen = false;   // the console stays open after the script
    bool osVersion5OrLater = false;
    bool osIsNT = false;
    QString kixPath;          // the script interpreter; blank = kix32.exe on the search path
    QString scriptPath;
    bool debug = false;
};

struct RunCommand {
    QString switches;             // " /c ", " /k ", " /s /c " or " /s /k "
    QString body;                 // everything after the switches
    QString commandLine;          // comspec, switches and body
    QStringList interpreterCall;  // the script interpreter, "/d" when debugging, the script
};

RunCommand BuildRunCommand(const RunRequest& request);

// What the host offers for starting the command interpreter.
struct LaunchHost {
    bool windows = false;
    QString comspec;          // value of COMSPEC, empty when not set
    QString comspecProgram;   // the program COMSPEC names, by its full path; empty when not found
    QString wine;             // full path of the compatibility layer's starter, empty when not found
    QString localeAll;        // value of LC_ALL
    bool utf8Locale = true;   // started programs read text in UTF-8
};

struct LaunchPlan {
    QString problem;   // non-empty: nothing can be started, and this says why
    platform::ProcessRequest request;
};

// The variable through which the command text reaches the compatibility layer's command interpreter.
inline constexpr char RunCommandVariable[] = "TESSARY_RUN_COMMAND";
// The compatibility layer's console starter and command interpreter, by their full paths: a bare name
// would be looked for in the folder the program starts in first.
inline constexpr char WineStartProgram[] = "C:\\windows\\system32\\start.exe";
inline constexpr char WineCommandInterpreter[] = "C:\\windows\\system32\\cmd.exe";

// Execute and Debug, in the script's folder. request.comspec is ignored: the host's is used. A script
// or interpreter path that the command interpreter would not pass on as written is refused.
LaunchPlan PlanScriptRun(const LaunchHost& host, RunRequest request);
// The bare command prompt, in the given folder.
LaunchPlan PlanCommandPrompt(const LaunchHost& host, const QString& folder);

// A path as the compatibility layer's programs see it: an absolute path of this system is taken
// through the drive that maps the root folder (Z:); other paths are left alone.
QString CompatibilityLayerPath(const QString& path);
