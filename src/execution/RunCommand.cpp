#include "execution/RunCommand.h"

namespace {

const QString Quote = QStringLiteral("\"");

QString quoted(const QString& text)
{
    return Quote + text + Quote;
}

QString missingInterpreterText(const LaunchHost& host)
{
    if (host.windows)
        return QStringLiteral("The command interpreter cannot be started: the environment variable "
                              "COMSPEC is not set.");
    return QStringLiteral("The command interpreter cannot be started: the environment variable COMSPEC "
                          "is not set, and the program \"wine\" (which runs KiXtart and its command "
                          "interpreter) is not on the search path.");
}

} // namespace

RunCommand BuildRunCommand(const RunRequest& request)
{
    RunCommand command;
    command.switches = request.staysOpen ? QStringLiteral(" /k ") : QStringLiteral(" /c ");
    if (request.osVersion5OrLater)
        command.switches = QStringLiteral(" /s") + command.switches;

    // A field holding only blanks names no program either.
    QString exe = request.kixPath.trimmed().isEmpty() ? QStringLiteral("kix32.exe") : request.kixPath;
    QString separator = request.debug ? QStringLiteral(" /d ") : QStringLiteral(" ");
    command.body = quoted(exe) + separator + quoted(request.scriptPath);
    // The /s rule of the command interpreter removes one pair of quotes around the whole command.
    if (request.osVersion5OrLater || request.osIsNT)
        command.body = quoted(command.body);
    command.commandLine = request.comspec + command.switches + command.body;

    command.interpreterCall << exe;
    if (request.debug)
        command.interpreterCall << QStringLiteral("/d");
    command.interpreterCall << request.scriptPath;
    return command;
}

QString CompatibilityLayerPath(const QString& path)
{
    if (!path.startsWith(QLatin1Char('/')))
        return path;
    QString windowsPath = path;
    windowsPath.replace(QLatin1Char('/'), QLatin1Char('\\'));
    return QStringLiteral("Z:") + windowsPath;
}

LaunchPlan PlanScriptRun(const LaunchHost& host, RunRequest request)
{
    LaunchPlan plan;
    request.comspec = host.comspec;
    if (host.windows) {
        if (host.comspec.isEmpty())
            plan.problem = missingInterpreterText(host);
        else
            plan.request.commandLine = BuildRunCommand(request).commandLine;
        return plan;
    }

    if (!host.comspec.isEmpty()) {
        // A program of this system gets its arguments one by one, so no quoting is needed: the
        // switches, then the script interpreter's call with a path with spaces as one argument.
        RunCommand command = BuildRunCommand(request);
        plan.request.program = host.comspec;
        plan.request.arguments = command.switches.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        plan.request.arguments << command.interpreterCall;
        return plan;
    }

    if (host.wine.isEmpty()) {
        plan.problem = missingInterpreterText(host);
        return plan;
    }

    // The compatibility layer re-quotes every argument it passes on, which the command interpreter
    // would take literally; the command text therefore travels in a variable that the interpreter
    // expands after its own handling of quotes, so it must not carry the /s rule's extra quotes.
    request.kixPath = CompatibilityLayerPath(request.kixPath);
    request.scriptPath = CompatibilityLayerPath(request.scriptPath);
    if (request.kixPath.contains(Quote) || request.scriptPath.contains(Quote)) {
        plan.problem = QStringLiteral("The script cannot be run: the command interpreter cannot pass on a "
                                      "path that contains a double quote.\n\n%1")
                           .arg(request.scriptPath.contains(Quote) ? request.scriptPath : request.kixPath);
        return plan;
    }
    request.osVersion5OrLater = false;
    request.osIsNT = false;
    RunCommand command = BuildRunCommand(request);
    plan.request.program = host.wine;
    plan.request.arguments << QStringLiteral("start") << QStringLiteral("cmd");
    plan.request.arguments << command.switches.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    plan.request.arguments << QStringLiteral("%") + QLatin1String(RunCommandVariable) + QStringLiteral("%");
    plan.request.environment.append({QLatin1String(RunCommandVariable), command.body});
    return plan;
}

LaunchPlan PlanCommandPrompt(const LaunchHost& host)
{
    LaunchPlan plan;
    if (host.windows) {
        if (host.comspec.isEmpty())
            plan.problem = missingInterpreterText(host);
        else
            plan.request.commandLine = host.comspec;
    } else if (!host.comspec.isEmpty()) {
        plan.request.program = host.comspec;
    } else if (!host.wine.isEmpty()) {
        plan.request.program = host.wine;
        plan.request.arguments << QStringLiteral("start") << QStringLiteral("cmd");
    } else {
        plan.problem = missingInterpreterText(host);
    }
    return plan;
}
