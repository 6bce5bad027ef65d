#include "RecordingProcessLauncher.h"

RecordingProcessLauncher::RecordingProcessLauncher()
{
    platform::setProcessLauncher(this);
}

RecordingProcessLauncher::~RecordingProcessLauncher()
{
    platform::setProcessLauncher(nullptr);
}

QString RecordingProcessLauncher::environmentVariable(const QString& name)
{
    return name == QLatin1String("COMSPEC") ? comspec : QString();
}

QString RecordingProcessLauncher::findOnSearchPath(const QString& program)
{
    return program == QLatin1String("wine") ? wine : QString();
}

QString RecordingProcessLauncher::start(const platform::ProcessRequest& request)
{
    started << request;
    if (events)
        *events << QStringLiteral("start");
    return failure;
}
