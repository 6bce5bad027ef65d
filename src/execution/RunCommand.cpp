#include "execution/RunCommand.h"

#include "execution/CommandPathCheck.h"

#include <QFileInfo>

namespace {

const QString Quote = QStringLiteral("\"");

QString quoted(const QString& text)
{
    return Quote + text + Quote;
}

QString missingInterpreterText(const LaunchHost& host)
{
    if (!host.comspec.isEmpty())
        return QStringLiteral("The command interpreter cannot be started: the environment variable COMSPEC "
                              "names \"%1\", which is not found. Give it by its full path.")
            .arg(host.comspec);
    if (host.windows)
        return QStringLiteral("The command interpreter cannot be started: the environment variable "
                              "COMSPEC is not set.");
    return QStringLiteral("The command interpreter cannot be started: the environment variable COMSPEC "
                          "is not set, and the program \"wine\" (which runs KiXtart and its command "
                          "interpreter) is not on the search path.");
}

// Empty when the command interpreter passes the path on as it stands.
QString unsafePathText(const QString& path, const QString& what)
{
    const std::string character = execution::UnsafeCommandCharacter(path.toStdString());
    if (character.empty())
        return {};
    const QString shown = character.size() == 1 ? QStringLiteral("'%1'").arg(QLatin1Char(character[0]))
                                                : QString::fromStdString(character);
    return QStringLiteral("The path of the %1 contains the character %2, which the command interpreter would "
                          "not pass on as written: it could run something else. Rename the file or folder "
                          "so that the path does without it.\n\n%3")
        .arg(what, shown, path);
}

// The compatibility layer reads paths, its command line and its environment in the character set of
// its locale, and an ASCII one drops the high bit of every byte: a letter could turn into % or a quote.
// Such a locale is given UTF-8 for text (LC_CTYPE), the rest of it kept (LC_ALL, which would override
// that, handed on as LANG).
void useUtf8InCompatibilityLayer(const LaunchHost& host, platform::ProcessRequest& request)
{
    if (host.utf8Locale)
        return;
    if (!host.localeAll.isEmpty()) {
        request.environment.append({QStringLiteral("LC_ALL"), QString()});
        request.environment.append({QStringLiteral("LANG"), host.localeAll});
    }
    request.environment.append({QStringLiteral("LC_CTYPE"), QStringLiteral("C.UTF-8")});
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
    plan.problem = unsafePathText(request.scriptPath, QStringLiteral("script"));
    if (plan.problem.isEmpty())
        plan.problem = unsafePathText(request.kixPath, QStringLiteral("script interpreter (Preferences)"));
    if (!plan.problem.isEmpty())
        return plan;
    plan.request.workingFolder = QFileInfo(request.scriptPath).absolutePath();
    request.comspec = host.comspec;
    if (host.windows || !host.comspec.isEmpty()) {
        if (host.comspecProgram.isEmpty()) {
            plan.problem = missingInterpreterText(host);
            return plan;
        }
        plan.request.program = host.comspecProgram;
    }
    if (host.windows) {
        plan.request.commandLine = BuildRunCommand(request).commandLine;
        return plan;
    }

    if (!host.comspec.isEmpty()) {
        // A program of this system gets its arguments one by one, so no quoting is needed: the
        // switches, then the script interpreter's call with a path with spaces as one argument.
        RunCommand command = BuildRunCommand(request);
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
    request.osVersion5OrLater = false;
    request.osIsNT = false;
    RunCommand command = BuildRunCommand(request);
    plan.request.program = host.wine;
    plan.request.arguments << QLatin1String(WineStartProgram) << QLatin1String(WineCommandInterpreter);
    plan.request.arguments << command.switches.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    plan.request.arguments << QStringLiteral("%") + QLatin1String(RunCommandVariable) + QStringLiteral("%");
    plan.request.environment.append({QLatin1String(RunCommandVariable), command.body});
    useUtf8InCompatibilityLayer(host, plan.request);
    return plan;
}

LaunchPlan PlanCommandPrompt(const LaunchHost& host, const QString& folder)
{
    LaunchPlan plan;
    plan.request.workingFolder = folder;
    if (host.windows || !host.comspec.isEmpty()) {
        if (host.comspecProgram.isEmpty())
            plan.problem = missingInterpreterText(host);
        plan.request.program = host.comspecProgram;
        if (host.windows)
            plan.request.commandLine = host.comspec;
    } else if (!host.wine.isEmpty()) {
        plan.request.program = host.wine;
        plan.request.arguments << QLatin1String(WineStartProgram) << QLatin1String(WineCommandInterpreter);
        useUtf8InCompatibilityLayer(host, plan.request);
    } else {
        plan.problem = missingInterpreterText(host);
    }
    return plan;
}
