#include "execution/frmExecuteWarning.h"

#include "execution/ExecutionHost.h"

#include <QApplication>
#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

frmExecuteWarning* frmExecuteWarning::Get(ExecutionHost& host)
{
    if (!loaded_)
        loaded_ = new frmExecuteWarning(host, host.HostWindow());
    loaded_->host_ = &host;
    return loaded_;
}

frmExecuteWarning* frmExecuteWarning::IfLoaded()
{
    return loaded_;
}

void frmExecuteWarning::Unload()
{
    delete loaded_;
    loaded_ = nullptr;
}

frmExecuteWarning::~frmExecuteWarning()
{
    // Also when the main window deletes it as one of its children.
    if (loaded_ == this)
        loaded_ = nullptr;
}

frmExecuteWarning::frmExecuteWarning(ExecutionHost& host, QWidget* parent) : QDialog(parent), host_(&host)
{
    setObjectName(QStringLiteral("frmExecuteWarning"));
    setWindowTitle(QStringLiteral("Script Execute Warning"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setModal(true);

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(32, 32));
    Image1->setAlignment(Qt::AlignTop);
    lblExecuteWarning = new QLabel(
        QStringLiteral("This script has changed since the last save.  Do you wish to save it now before "
                       "executing the script?"),
        this);
    lblExecuteWarning->setObjectName(QStringLiteral("lblExecuteWarning"));
    lblExecuteWarning->setWordWrap(true);
    lblExecuteWarning->setMinimumWidth(300);

    cmdYes = new QPushButton(QStringLiteral("&Yes"), this);
    cmdYes->setObjectName(QStringLiteral("cmdYes"));
    cmdNo = new QPushButton(QStringLiteral("&No"), this);
    cmdNo->setObjectName(QStringLiteral("cmdNo"));
    cmdCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdYes->setDefault(true);
    connect(cmdYes, &QPushButton::clicked, this, &frmExecuteWarning::cmdYes_Click);
    connect(cmdNo, &QPushButton::clicked, this, &frmExecuteWarning::cmdNo_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmExecuteWarning::cmdCancel_Click);

    auto* text = new QHBoxLayout;
    text->addWidget(Image1);
    text->addWidget(lblExecuteWarning, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdYes);
    buttons->addWidget(cmdNo);
    buttons->addWidget(cmdCancel);
    buttons->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(text);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void frmExecuteWarning::ShowModal()
{
    // A modal show activates the form: an answer left from an earlier show never counts.
    Form_Activate();
    if (ModalRunner)
        ModalRunner(*this);
    else
        exec();
}

bool frmExecuteWarning::event(QEvent* event)
{
    if (event->type() == QEvent::WindowActivate && !isHidden())
        Form_Activate();
    return QDialog::event(event);
}

void frmExecuteWarning::Form_Activate()
{
    cancelAction_ = false;
}

void frmExecuteWarning::keyPressEvent(QKeyEvent* event)
{
    // Escape is the Cancel button: it must not run the script as the frame's close does.
    if (event->key() == Qt::Key_Escape) {
        cmdCancel->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

void frmExecuteWarning::cmdYes_Click()
{
    cancelAction_ = false;
    host_->SaveActiveScript();
    hide();
}

void frmExecuteWarning::cmdNo_Click()
{
    cancelAction_ = false;
    hide();
}

void frmExecuteWarning::cmdCancel_Click()
{
    cancelAction_ = true;
    hide();
}
