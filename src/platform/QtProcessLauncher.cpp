// The real launcher: the system's process start on Windows, a detached QProcess elsewhere.

#include "platform/ProcessLauncher.h"

#include <QDir>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>

#ifdef _WIN32
#include "platform/win/WinProcessStart.h"
#else
#include <clocale>
#include <cstring>
#include <langinfo.h>
#endif

namespace platform {
namespace {

class QtProcessLauncher : public ProcessLauncher {
public:
    QString environmentVariable(const QString& name) override { return qEnvironmentVariable(name.toLocal8Bit()); }

    QString findOnSearchPath(const QString& program) override
    {
        QStringList folders;
        for (const QString& folder : qEnvironmentVariable("PATH").split(QDir::listSeparator(), Qt::SkipEmptyParts)) {
            if (QDir::isAbsolutePath(folder))
                folders << folder;
        }
        return folders.isEmpty() ? QString() : QStandardPaths::findExecutable(program, folders);
    }

    bool childrenReadUtf8() override
    {
#ifdef _WIN32
        return true;
#else
        QByteArray name;
        for (const char* variable : {"LC_ALL", "LC_CTYPE", "LANG"}) {
            name = qgetenv(variable);
            if (!name.isEmpty())
                break;
        }
        // A locale that is not installed leaves the program in "C", which is ASCII.
        locale_t locale = name.isEmpty() ? locale_t(0) : newlocale(LC_CTYPE_MASK, name.constData(), locale_t(0));
        if (!locale)
            return false;
        const bool utf8 = std::strcmp(nl_langinfo_l(CODESET, locale), "UTF-8") == 0;
        freelocale(locale);
        return utf8;
#endif
    }

    QString start(const ProcessRequest& request) override
    {
#ifdef _WIN32
        // Handed over in UTF-8 and passed on to the system as UTF-16: no code page loses a letter.
        return QString::fromStdString(win::startProcess(QDir::toNativeSeparators(request.program).toStdString(),
                                                        request.commandLine.toStdString(),
                                                        QDir::toNativeSeparators(request.workingFolder).toStdString()));
#else
        QProcess process;
        process.setProgram(request.program);
        process.setArguments(request.arguments);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const auto& [name, value] : request.environment) {
            if (value.isNull())
                environment.remove(name);
            else
                environment.insert(name, value);
        }
        process.setProcessEnvironment(environment);
        process.setWorkingDirectory(request.workingFolder);
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
