// The Script menu, the command prompt and the operating-system flags that shape the run command.

#include "platform/ProductInfo.h"
#include "app/frmMain.h"
#include "document/editor/CodeEditor.h"
#include "document/frmDocument.h"
#include "execution/ScriptRunner.h"
#include "platform/OsVersionSource.h"
#include "preferences/Options.h"
#include "preferences/PrefRegistry.h"
#include "preferences/frmOptions.h"
#include "tools/OperatingSystem.h"

#include <QAction>
#include <QLineEdit>

void frmMain::connectScriptMenu()
{
    connect(mnuExecute, &QAction::triggered, this, &frmMain::mnuExecute_Click);
    connect(mnuDebug, &QAction::triggered, this, &frmMain::mnuDebug_Click);
    // Check items: Qt flips the mark before the handler writes the new state.
    connect(mnuStaysOpen, &QAction::triggered, this, &frmMain::mnuStaysOpen_Click);
    connect(mnuAutosave, &QAction::triggered, this, &frmMain::mnuAutosave_Click);
    connect(mnuCommandPrompt, &QAction::triggered, this, &frmMain::mnuCommandPrompt_Click);
}

void frmMain::DetectOsFlags()
{
    std::unique_ptr<platform::OsVersionSource> source = platform::liveOsVersionSource();
    OperatingSystem system(*source);
    OsVersion5OrLater = system.CompareVersion(5, 0, 0, 0, 0, 3, true);
    OsIsNT = system.IsNT();
}

void frmMain::mnuExecute_Click()
{
    ScriptRunner(*this).Execute();
}

void frmMain::mnuDebug_Click()
{
    ScriptRunner(*this).Debug();
}

void frmMain::mnuCommandPrompt_Click()
{
    ScriptRunner(*this).LaunchCommandPrompt();
}

void frmMain::mnuStaysOpen_Click()
{
    if (RegistryHandler* registry = PrefRegistry())
        registry->WriteRegValue(QStringLiteral("ScriptWindowPersist"),
                                TaggedValue::fromString(mnuStaysOpen->isChecked() ? "True" : "False"));
}

void frmMain::mnuAutosave_Click()
{
    RegistryHandler* registry = PrefRegistry();
    if (!registry)
        return;
    registry->WriteRegValue(QStringLiteral("ExecuteConfirm"),
                            TaggedValue::fromString(mnuAutosave->isChecked() ? "0" : "1"));
    // The next run follows the stored setting at once, without reloading the preferences.
    Options::ExecuteConfirm = registry->GetRegValue(QStringLiteral("ExecuteConfirm"),
                                                    TaggedValue::fromString(QString())).toString();
}

// ---- What the run commands see of the main window ---------------------------------------------

QString frmMain::ActiveScriptPath()
{
    frmDocument* document = activeDocument();
    if (!document || frmDocument::isUntitledCaption(document->Caption()))
        return QString();
    return document->Caption();
}

bool frmMain::ActiveScriptModified()
{
    frmDocument* document = activeDocument();
    return document && document->rtfText->Modified();
}

void frmMain::SaveActiveScript()
{
    mnuFileSave_Click();
}

QString frmMain::InterpreterPath()
{
    return frmOptions::Get()->txtKixPath->text();
}

QString frmMain::ScriptsFolder()
{
    return frmOptions::Get()->txtScriptsPath->text();
}

bool frmMain::ScriptWindowStaysOpen()
{
    return mnuStaysOpen->isChecked();
}

bool frmMain::OsVersion5OrLaterFlag()
{
    return OsVersion5OrLater;
}

bool frmMain::OsIsNTFlag()
{
    return OsIsNT;
}

QWidget* frmMain::HostWindow()
{
    return this;
}

QString frmMain::HostTitle()
{
    return ProductInfo::AppTitle;
}
