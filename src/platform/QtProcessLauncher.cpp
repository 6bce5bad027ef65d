// The real launcher: the system's process start on Windows, a detached QProcess elsewhere.

#include "platform/ProcessLauncher.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>

#ifdef _WIN32
#include "platform/win/WinProcessStart.h"
#endif

namespace platform {
namespace {

class QtProcessLauncher : public ProcessLauncher {
public:
    QString environmentVariable(const QString& name) override { return qEnvironmentVariable(name.toLocal8Bit()); }

    QString findOnSearchPath(const QString& program) override { return QStandardPaths::findExecutable(program); }

    QString start(const ProcessRequest& request) override
    {
#ifdef _WIN32
        // The command line goes to the system exactly as built; it crosses in the ANSI code page.
        return QString::fromLocal8Bit(win::startCommandLine(request.commandLine.toLocal8Bit().toStdString()));
#else
        QProcess process;
        process.setProgram(request.program);
        process.setArguments(request.arguments);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const auto& [name, value] : request.environment)
            environment.insert(name, value);
        process.setProcessEnvironment(environment);
        process.setStandardInputFile(QProcess::nullDevice());
        if (!process.startDetached())
            return process.errorString();
        return QString();
#endif
    }
};

ProcessLauncher* installed = nullptr;

} // namespace

ProcessLauncher& processes()
{
    static QtProcessLauncher real;
    return installed ? *installed : real;
}

void setProcessLauncher(ProcessLauncher* launcher)
{
    installed = launcher;
}

} // namespace platform
