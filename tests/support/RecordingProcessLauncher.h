#pragma once
// A process launcher for tests: answers COMSPEC and the search path from its fields and records what
// it was asked to start instead of starting it. Installs itself while it exists.

#include "platform/ProcessLauncher.h"

#include <QStringList>

class RecordingProcessLauncher : public platform::ProcessLauncher {
public:
    RecordingProcessLauncher();
    ~RecordingProcessLauncher() override;

    QString comspec = QStringLiteral("/bin/cmd");
    QString wine;
    QString failure; // returned by start
    QList<platform::ProcessRequest> started;
    // Appended to on each start (shared with a test's own event list when set).
    QStringList* events = nullptr;

    QString environmentVariable(const QString& name) override;
    QString findOnSearchPath(const QString& program) override;
    QString start(const platform::ProcessRequest& request) override;
};
