#pragma once
// A process launcher for tests: answers COMSPEC and the search path from its fields and records what
// it was asked to start instead of starting it; or, forwarding, answers and starts through the
// launcher that was in use before, still recording. Installs itself while it exists.

#include "platform/ProcessLauncher.h"

#include <QStringList>

class RecordingProcessLauncher : public platform::ProcessLauncher {
public:
    RecordingProcessLauncher();
    ~RecordingProcessLauncher() override;

    bool forward = false;
    QString comspec = QStringLiteral("/bin/cmd");
    QString wine;
    bool utf8 = true;
    QString failure; // returned by start
    QList<platform::ProcessRequest> started;
    // Appended to on each start (shared with a test's own event list when set).
    QStringList* events = nullptr;

    QString environmentVariable(const QString& name) override;
    QString findOnSearchPath(const QString& program) override;
    bool childrenReadUtf8() override;
    QString start(const platform::ProcessRequest& request) override;

private:
    platform::ProcessLauncher& previous_;
};
