#include "execution/ScriptRunner.h"

#include "execution/ExecutionHost.h"
#include "execution/frmExecuteWarning.h"
#include "platform/DialogService.h"
#include "preferences/Options.h"

#include <QDir>
#include <QFileInfo>

ScriptRunner::ScriptRunner(ExecutionHost& host) : host_(host) {}

LaunchHost ScriptRunner::CurrentLaunchHost()
{
    LaunchHost host;
#ifdef _WIN32
    host.windows = true;
#endif
    platform::ProcessLauncher& processes = platform::processes();
    host.comspec = processes.environmentVariable(QStringLiteral("COMSPEC"));
    // Named by its full path when started: a bare name is looked for on the search path only, never
    // in the editor's or the script's folder.
    if (QDir::isAbsolutePath(QDir::fromNativeSeparators(host.comspec)))
        host.comspecProgram = host.comspec;
    else if (!host.comspec.isEmpty())
        host.comspecProgram = processes.findOnSearchPath(host.comspec);
    if (!host.windows && host.comspec.isEmpty())
        host.wine = processes.findOnSearchPath(QStringLiteral("wine"));
    host.localeAll = processes.environmentVariable(QStringLiteral("LC_ALL"));
    host.utf8Locale = processes.childrenReadUtf8();
    return host;
}

bool ScriptRunner::SaveBeforeRun()
{
    bool result = true;
    bool modified = host_.ActiveScriptModified();
    if (modified && Options::ExecuteConfirm.compare(QLatin1String("1"), Qt::CaseInsensitive) == 0) {
        frmExecuteWarning* warning = frmExecuteWarning::Get(host_);
        warning->ShowModal();
        if (warning->CancelAction())
            result = false;
    } else if (Options::ExecuteConfirm == QLatin1String("0")) {
        // Saved before every run, changed or not: the stamp shows when it last ran.
        host_.SaveActiveScript();
    }
    return result;
}

void ScriptRunner::Execute()
{
    run(false);
}

void ScriptRunner::Debug()
{
    run(true);
}

void ScriptRunner::run(bool debug)
{
    // Only a script with a file can be run (the menu items are disabled otherwise).
    if (host_.ActiveScriptPath().isEmpty())
        return;
    if (!SaveBeforeRun())
        return;
    RunRequest request;
    request.staysOpen = host_.ScriptWindowStaysOpen();
    request.osVersion5OrLater = host_.OsVersion5OrLaterFlag();
    request.osIsNT = host_.OsIsNTFlag();
    request.kixPath = host_.InterpreterPath();
    // Read after the save: Save may have given the script its file.
    request.scriptPath = host_.ActiveScriptPath();
    request.debug = debug;
    start(PlanScriptRun(CurrentLaunchHost(), request), QStringLiteral("The script cannot be run."));
}

void ScriptRunner::LaunchCommandPrompt()
{
    // The active script's folder; without one the default script folder, else the home folder: never
    // the folder the editor happened to be started in.
    QString folder = host_.ActiveScriptPath(), scripts = host_.ScriptsFolder();
    if (!folder.isEmpty())
        folder = QFileInfo(folder).absolutePath();
    else if (QDir::isAbsolutePath(scripts) && QFileInfo(scripts).isDir())
        folder = scripts;
    else
        folder = QDir::homePath();
    start(PlanCommandPrompt(CurrentLaunchHost(), folder), QStringLiteral("The command prompt cannot be opened."));
}

void ScriptRunner::start(const LaunchPlan& plan, const QString& what)
{
    QString problem = plan.problem;
    if (problem.isEmpty()) {
        QString reason = platform::processes().start(plan.request);
        if (!reason.isEmpty()) {
            QString program = plan.request.commandLine.isEmpty() ? plan.request.program : plan.request.commandLine;
            problem = QStringLiteral("%1\n\n%2\n\n%3").arg(what, program, reason);
        }
    } else {
        problem = what + QStringLiteral("\n\n") + problem;
    }
    if (!problem.isEmpty())
        platform::dialogs().message(host_.HostWindow(), problem, host_.HostTitle(), platform::MessageButtons::Ok,
                                    platform::MessageIcon::Exclamation);
}
