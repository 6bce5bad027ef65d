#include "RecordingProcessLauncher.h"

RecordingProcessLauncher::RecordingProcessLauncher() : previous_(platform::processes())
{
    platform::setProcessLauncher(this);
}

RecordingProcessLauncher::~RecordingProcessLauncher()
{
    platform::setProcessLauncher(nullptr);
}

QString RecordingProcessLauncher::environmentVariable(const QString& name)
{
    if (forward)
        return previous_.environmentVariable(name);
    return name == QLatin1String("COMSPEC") ? comspec : QString();
}

QString RecordingProcessLauncher::findOnSearchPath(const QString& program)
{
    if (forward)
        return previous_.findOnSearchPath(program);
    return program == QLatin1String("wine") ? wine : QString();
}

bool RecordingProcessLauncher::childrenReadUtf8()
{
    return forward ? previous_.childrenReadUtf8() : utf8;
}

QString RecordingProcessLauncher::start(const platform::ProcessRequest& request)
{
    started << request;
    if (events)
        *events << QStringLiteral("start");
    return forward ? previous_.start(request) : failure;
}
