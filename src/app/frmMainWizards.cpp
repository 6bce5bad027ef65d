// The code wizards as the main window opens them: the MessageBox wizard and the Insert wizard on the
// page each menu item names. Both insert into the control that WizardEditor gives them.

#include "app/frmMain.h"
#include "document/frmDocument.h"
#include "wizards/frmChr.h"
#include "wizards/frmMessageBox.h"

#include <QAction>
#include <QTabWidget>

CodeEditor* frmMain::WizardEditor()
{
    return activeEditor();
}

void frmMain::connectWizardMenus()
{
    connect(mnuMessagebox, &QAction::triggered, this, &frmMain::mnuMessagebox_Click);
    connect(mnuInsertCharacter, &QAction::triggered, this, [this] { ShowInsertWizard(0); });
    connect(mnuColor, &QAction::triggered, this, [this] { ShowInsertWizard(2); });
    connect(mnuIni, &QAction::triggered, this, [this] { ShowInsertWizard(3); });
    connect(mnuEnviron, &QAction::triggered, this, [this] { ShowInsertWizard(4); });
}

static void bringBack(QWidget* window)
{
    window->show();
    window->raise();
    window->activateWindow();
}

void frmMain::mnuMessagebox_Click()
{
    if (!MessageBoxWizard)
        MessageBoxWizard = new frmMessageBox(this, this);
    bringBack(MessageBoxWizard);
}

void frmMain::ShowInsertWizard(int tab)
{
    if (!InsertWizard)
        InsertWizard = new frmChr(this, this);
    if (tab >= 1 && tab <= 4)
        InsertWizard->tabWizard->setCurrentIndex(tab - 1);
    bringBack(InsertWizard);
}

void frmMain::unloadWizards()
{
    delete MessageBoxWizard;
    delete InsertWizard;
}
