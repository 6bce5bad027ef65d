#include "document/frmVarList.h"

#include "document/editor/CodeEditor.h"
#include "document/VarListHost.h"
#include "document/language/VariableScan.h"
#include "platform/EventYield.h"
#include "wizards/basFunctions.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QListView>
#include <QPointer>
#include <QPushButton>
#include <QShortcut>
#include <QStringListModel>
#include <QTimer>
#include <QVBoxLayout>

frmVarList::frmVarList(VarListHost* host, QWidget* parent) : QWidget(parent, Qt::Window), host_(host)
{
    setObjectName(QStringLiteral("frmVarList"));
    setWindowTitle(QStringLiteral("Variable List"));
    setAttribute(Qt::WA_DeleteOnClose);

    lblVarList = new QLabel(
        QStringLiteral("To find variable in script, double-click an item from the list below:"), this);
    lblVarList->setObjectName(QStringLiteral("lblVarList"));
    lblVarList->setWordWrap(true);
    names_ = new QStringListModel(QStringList{QStringLiteral("Generating List.  Please Wait...")}, this);
    lstVarList = new QListView(this);
    lstVarList->setObjectName(QStringLiteral("lstVarList"));
    lstVarList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // One line each, measured once: laying out many names then costs next to nothing per name.
    lstVarList->setUniformItemSizes(true);
    lstVarList->setModel(names_);
    cmdClose = new QPushButton(QStringLiteral("&Close"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblVarList);
    layout->addWidget(lstVarList, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdClose);
    layout->addLayout(buttons);
    resize(300, 380);

    connect(cmdClose, &QPushButton::clicked, this, &QWidget::close);
    connect(lstVarList, &QListView::doubleClicked, this, &frmVarList::lstVarList_DblClick);
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &QWidget::close);

    basFunctions::SetTopMost(this, true);
    Timer = new QTimer(this);
    Timer->setObjectName(QStringLiteral("Timer"));
    Timer->setSingleShot(true);
    Timer->setInterval(100);
    connect(Timer, &QTimer::timeout, this, &frmVarList::ScanVariables);
    Timer->start();
}

void frmVarList::ScanVariables()
{
    CodeEditor* editor = host_ ? host_->VarListEditor() : nullptr;
    const QString text = editor ? editor->Text() : QString();
    // The window may close while pending events run between names: the scan then ends.
    QPointer<frmVarList> self(this);
    platform::EventYield yield;
    auto keepGoing = [&] {
        yield();
        return self && !self->closed_;
    };
    const QStringList found = VariableScan::ScanVariables(text, keepGoing);
    if (!keepGoing())
        return;
    // All at once: the view lays the list out once, however many names there are.
    names_->setStringList(found);
}

void frmVarList::closeEvent(QCloseEvent* event)
{
    closed_ = true;
    Timer->stop();
    QWidget::closeEvent(event);
}

void frmVarList::lstVarList_DblClick(const QModelIndex& index)
{
    if (!index.isValid())
        return;
    const QString name = index.data().toString();
    hide();
    if (CodeEditor* editor = host_ ? host_->VarListEditor() : nullptr) {
        // The name as listed: not a pattern, and not another spelling of it.
        editor->SetExactSearchText(name);
        editor->RunCommand(CodeEditor::CmdFindNext);
        editor->RunCommand(CodeEditor::CmdFindReplace);
    }
    close();
}
