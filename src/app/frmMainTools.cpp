// The View menu's tool windows: the error lookup and the variable list. Each is created at first
// use, shown without blocking the main window, and closed with it.

#include "app/frmMain.h"
#include "document/frmVarList.h"
#include "tools/frmWin32Errors.h"

#include <QAction>
#include <QPointer>

namespace {
QPointer<frmWin32Errors> errorCodesWindow;
QPointer<frmVarList> varListWindow;
} // namespace

void frmMain::connectToolWindows()
{
    connect(mnuErrorCodes, &QAction::triggered, this, &frmMain::mnuErrorCodes_Click);
    connect(mnuVarList, &QAction::triggered, this, &frmMain::mnuVarList_Click);
}

void frmMain::mnuErrorCodes_Click()
{
    // Windows of their own, owned by the main window so that they end with it.
    if (!errorCodesWindow)
        errorCodesWindow = new frmWin32Errors(this);
    errorCodesWindow->show();
    errorCodesWindow->raise();
    errorCodesWindow->activateWindow();
}

void frmMain::mnuVarList_Click()
{
    if (!varListWindow)
        varListWindow = new frmVarList(this, this);
    varListWindow->show();
    varListWindow->raise();
    varListWindow->activateWindow();
}

CodeEditor* frmMain::VarListEditor()
{
    return activeEditor();
}

void frmMain::unloadToolWindows()
{
    delete errorCodesWindow;
    delete varListWindow;
}
