#pragma once
// Execute, Debug and the command prompt: make sure the file on disk is current, build the command and
// start it without waiting.

#include "execution/RunCommand.h"

class ExecutionHost;

class ScriptRunner {
public:
    explicit ScriptRunner(ExecutionHost& host);

    // False = do not run. Asks (ExecuteConfirm "1", script changed) or saves silently ("0").
    bool SaveBeforeRun();
    void Execute();
    void Debug();
    void LaunchCommandPrompt();

    // The command interpreters this host offers, as the process launcher sees them.
    static LaunchHost CurrentLaunchHost();

private:
    void run(bool debug);
    void start(const LaunchPlan& plan, const QString& what);

    ExecutionHost& host_;
};
