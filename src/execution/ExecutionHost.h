#pragma once
// What the run commands need from the main window.

#include <QString>

class QWidget;

class ExecutionHost {
public:
    virtual ~ExecutionHost() = default;

    // The active script's file path; empty when the active document has no file.
    virtual QString ActiveScriptPath() = 0;
    // Whether the active script changed since it was last saved.
    virtual bool ActiveScriptModified() = 0;
    // The Save command on the active script.
    virtual void SaveActiveScript() = 0;
    // The script interpreter set in the preferences; empty = kix32.exe on the search path.
    virtual QString InterpreterPath() = 0;
    // The default script folder set in the preferences; may be empty.
    virtual QString ScriptsFolder() = 0;
    virtual bool ScriptWindowStaysOpen() = 0;
    virtual bool OsVersion5OrLaterFlag() = 0;
    virtual bool OsIsNTFlag() = 0;
    // Parent and title of the dialogs and messages of the run commands.
    virtual QWidget* HostWindow() = 0;
    virtual QString HostTitle() = 0;
};
