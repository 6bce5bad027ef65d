#include "document/frmDocument.h"

#include "app/ProductInfo.h"
#include "app/frmMain.h"
#include "document/modKixLanguage.h"
#include "platform/DialogService.h"
#include "preferences/frmOptions.h"

#include <QCloseEvent>
#include <QMdiArea>
#include <QTabBar>

frmDocument::frmDocument(frmMain* owner, int slot) : QMdiSubWindow(nullptr), owner_(owner), slot_(slot)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("frmDocument%1").arg(slot));
    rtfText = new CodeEditor(this);
    rtfText->setObjectName(QStringLiteral("rtfText"));
    setWidget(rtfText);
    rtfText->installEventFilter(this);
    rtfText->setEventHandler(this);
    rtfText->ReleaseKeys(owner->menuShortcuts());
    setWindowIcon(QIcon::fromTheme(QStringLiteral("text-x-generic")));
    connect(rtfText, &CodeEditor::Change, this, &frmDocument::rtfText_Change);
    connect(rtfText, &CodeEditor::SelChange, this, &frmDocument::rtfText_SelChange);
    connect(rtfText, &CodeEditor::KeyDown, this, &frmDocument::rtfText_KeyDown);
    Form_Load();
}

bool frmDocument::isUntitledCaption(const QString& caption)
{
    return caption.left(8).compare(QLatin1String("Untitled"), Qt::CaseInsensitive) == 0;
}

void frmDocument::Form_Load()
{
    RegisterKixLanguage();
    rtfText->SetLanguageName(QStringLiteral("KixTart"));
    rtfText->SetElementColor(27, 0x9F9F9F);
}

void frmDocument::selectOwnTab()
{
    QTabBar* tabs = owner_->tsTabs;
    for (int i = 0; i < tabs->count(); ++i) {
        if (tabs->tabData(i).toString().compare(Caption(), Qt::CaseInsensitive) == 0) {
            tabs->setCurrentIndex(i);
            return;
        }
    }
}

void frmDocument::Form_Activate()
{
    if (owner_->AppClosing)
        return;
    frmOptions::Get()->ApplyChanges();
    owner_->setMenu();
    if (owner_->mnuTabs->isChecked())
        owner_->picTabs->setVisible(true);
    selectOwnTab();
    owner_->SavingFromClose = false;
    bool titled = !isUntitledCaption(Caption());
    if (titled)
        owner_->CurrentFileName = Caption();
    owner_->mnuExecute->setEnabled(titled);
    owner_->mnuDebug->setEnabled(titled);
    rtfText->setFocus();
}

void frmDocument::Form_Resize()
{
    // The control fills the window; the right-margin guide sits a little inside its right edge.
    double dpi = logicalDpiX() > 0 ? logicalDpiX() : 96;
    rtfText->SetRightMargin(qMax(0.0, rtfText->width() * 1440.0 / dpi - 400));
}

void frmDocument::resizeEvent(QResizeEvent* event)
{
    QMdiSubWindow::resizeEvent(event);
}

bool frmDocument::eventFilter(QObject* watched, QEvent* event)
{
    // The control is laid out after the window has resized: follow the control's own size (already
    // set when its resize event is delivered).
    if (watched == rtfText && event->type() == QEvent::Resize)
        Form_Resize();
    return QMdiSubWindow::eventFilter(watched, event);
}

void frmDocument::rtfText_Change()
{
    if (QAction* undo = owner_->toolbarButton(QStringLiteral("Undo")); undo && !undo->isEnabled())
        undo->setEnabled(true);
    if (!owner_->JustOpened && !owner_->Changed[size_t(slot_)])
        owner_->Changed[size_t(slot_)] = true;
    owner_->JustOpened = false;
    // Cut and Copy follow whether there is any text at all.
    owner_->setMenu();
}

void frmDocument::rtfText_SelChange()
{
    owner_->setMenu();
}

void frmDocument::rtfText_KeyDown()
{
    if (rtfText->HighlightedLine() != -1)
        rtfText->SetHighlightedLine(-1);
}

void frmDocument::releaseSlot()
{
    owner_->Documents[size_t(slot_ - 1)] = nullptr;
    owner_->SlotUsed[size_t(slot_ - 1)] = false;
}

bool frmDocument::Form_QueryUnload(UnloadMode mode)
{
    const QString prompt = Caption() + QStringLiteral(" has been changed. Do you wish to save?");
    if (mode == UnloadFromParent) {
        if (!rtfText->Modified())
            return true;
        owner_->mdiArea()->setActiveSubWindow(this);
        selectOwnTab();
        switch (platform::dialogs().message(owner_, prompt, ProductInfo::AppTitle,
                                            platform::MessageButtons::YesNoCancel,
                                            platform::MessageIcon::Exclamation)) {
        case platform::MessageAnswer::Yes:
            // A save that wrote nothing keeps the program running: the edits are not lost.
            return owner_->mnuFileSave_Click();
        case platform::MessageAnswer::No:
            return true;
        default:
            return false;
        }
    }

    Form_Activate();
    owner_->mdiArea()->setActiveSubWindow(this);
    bool mayClose = false;
    if (!rtfText->Modified()) {
        owner_->DestroyTab();
        releaseSlot();
        owner_->OpenCount -= 1;
        mayClose = true;
    } else {
        switch (platform::dialogs().message(owner_, prompt, ProductInfo::AppTitle,
                                            platform::MessageButtons::YesNoCancel,
                                            platform::MessageIcon::Question)) {
        case platform::MessageAnswer::Yes: {
            owner_->SavingFromClose = true;
            bool saved = (!isUntitledCaption(Caption()) || owner_->DocTitle[size_t(slot_ - 1)].isEmpty())
                             ? owner_->mnuFileSave_Click()
                             : owner_->mnuFileSaveAs_Click();
            owner_->SavingFromClose = false;
            // The save did the tab and count bookkeeping; one that wrote nothing keeps the window.
            if (saved) {
                releaseSlot();
                mayClose = true;
            }
            break;
        }
        case platform::MessageAnswer::No:
            owner_->DestroyTab();
            releaseSlot();
            owner_->Changed[size_t(slot_)] = false;
            owner_->OpenCount -= 1;
            mayClose = true;
            break;
        default:
            break;
        }
    }
    if (mayClose)
        closeDecided_ = true;
    owner_->setMenu();
    return mayClose;
}

void frmDocument::closeEvent(QCloseEvent* event)
{
    if (closeDecided_ || Form_QueryUnload(UnloadFromUser)) {
        event->accept();
        QMdiSubWindow::closeEvent(event);
        return;
    }
    event->ignore();
}

void frmDocument::closeWithoutAsking()
{
    closeDecided_ = true;
    releaseSlot();
    close();
}
