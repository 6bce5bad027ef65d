#pragma once
// A process launcher for tests: answers COMSPEC and the search path from its fields and records what
// it was asked to start instead of starting it; or, forwarding, answers and starts through the
// launcher that was in use before, still recording. Installs itself while it exists.

#include "platform/ProcessLauncher.h"

#include <QStringList>

class RecordingProcessLauncher : public platform::ProcessLauncher {
public:
    RecordingProcessLauncher() { platform::setProcessLauncher(this); }
    ~RecordingProcessLauncher() override { platform::setProcessLauncher(nullptr); }

    bool forward = false;
    QString comspec = QStringLiteral("/bin/cmd");
    QString wine;
    bool utf8 = true;
    QString failure; // returned by start
    QList<platform::ProcessRequest> started;
    // Appended to on each start (shared with a test's own event list when set).
    QStringList* events = nullptr;

    QString environmentVariable(const QString& name) override
    {
        return forward ? previous_.environmentVariable(name) : name == QLatin1String("COMSPEC") ? comspec : QString();
    }
    QString findOnSearchPath(const QString& program) override
    {
        return forward ? previous_.findOnSearchPath(program) : program == QLatin1String("wine") ? wine : QString();
    }
    bool childrenReadUtf8() override { return forward ? previous_.childrenReadUtf8() : utf8; }
    QString start(const platform::ProcessRequest& request) override
    {
        started << request;
        if (events)
            *events << QStringLiteral("start");
        return forward ? previous_.start(request) : failure;
    }

private:
    platform::ProcessLauncher& previous_ = platform::processes();
};
