// The document set: slots, New and Close, the script tabs, menu states and the Window menu.

#include "app/CaptionText.h"
#include "app/frmMain.h"
#include "document/files/RecoveryJournal.h"
#include "document/frmDocument.h"
#include "platform/DialogService.h"
#include "platform/FilePaths.h"
#include "platform/ProductInfo.h"

#include <QDir>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QScopedValueRollback>
#include <QStatusBar>
#include <QTabBar>

QString frmMain::enteredPath(const QString& path)
{
    return QDir::toNativeSeparators(FilePaths::absoluteClean(path));
}

int frmMain::NextFreeSlot()
{
    for (int i = 1; i <= MaxDocuments; ++i) {
        if (!SlotUsed[size_t(i - 1)]) {
            SlotUsed[size_t(i - 1)] = true;
            return i;
        }
    }
    return -1;
}

frmDocument* frmMain::activeDocument() const
{
    // The current child stays current while the application itself is inactive.
    return qobject_cast<frmDocument*>(mdi_->currentSubWindow());
}

QList<frmDocument*> frmMain::openDocuments() const
{
    QList<frmDocument*> documents;
    for (QMdiSubWindow* window : mdi_->subWindowList(QMdiArea::CreationOrder))
        if (auto* document = qobject_cast<frmDocument*>(window))
            documents << document;
    return documents;
}

frmDocument* frmMain::createDocument(int slot)
{
    auto* document = new frmDocument(this, slot);
    Documents[size_t(slot - 1)] = document;
    // Once per spell of failures (a full disk): the user knows a crash now would lose this work.
    connect(document->journal, &RecoveryJournal::keepFailed, this, [this, document](const QString& reason) {
        sbStatusBar->showMessage(QStringLiteral("Unsaved changes to %1 cannot be kept for recovery: %2")
                                     .arg(QDir::toNativeSeparators(document->Caption()), reason),
                                 10000);
    });
    document->SetCaption(QStringLiteral("Untitled ") + QString::number(slot));
    // Scripts open filling the client area, unless the user has arranged the windows otherwise.
    QMdiSubWindow* previous = mdi_->currentSubWindow();
    mdi_->addSubWindow(document);
    if (!previous || previous->isMaximized()) {
        document->showMaximized();
    } else {
        document->resize(mdi_->viewport()->size() * 0.75);
        document->show();
    }
    mdi_->setActiveSubWindow(document);
    return document;
}

int frmMain::ActiveDocumentIndex(const QString& fileToLoadAsGiven)
{
    if (frmDocument* active = activeDocument())
        return active->Tag().toInt();

    int n = NextFreeSlot();
    LastSlot = n;
    if (n == -1) {
        platform::dialogs().message(this, QStringLiteral("You are only allowed 30 Documents opened at one time."),
                                    ProductInfo::AppTitle, platform::MessageButtons::Ok,
                                    platform::MessageIcon::None);
    } else {
        frmDocument* document = createDocument(n);
        // A document made here is as real as one from New: it is counted, so the menus stay true.
        OpenCount += 1;
        bool loaded = true;
        QString loadError;
        // A relative path is taken from the current folder now, once: later saves go to the same file.
        QString fileToLoad = enteredPath(fileToLoadAsGiven);
        const OpenChoice choice = fileToLoad.isEmpty() ? OpenChoice::Editable : askAboutOtherEditors(fileToLoad);
        if (choice == OpenChoice::Nothing)
            fileToLoad.clear(); // the window opens with an empty document instead
        if (!fileToLoad.isEmpty()) {
            JustOpened = true;
            FileError error = document->rtfText->LoadFromFile(fileToLoad);
            JustOpened = false;
            loaded = error.ok();
            loadError = error.message;
            if (loaded) {
                document->SetCaption(fileToLoad);
                watchDocumentFile(document);
            }
        }
        DocTitle[size_t(n - 1)] = loaded && !fileToLoad.isEmpty() ? QFileInfo(fileToLoad).fileName() : QString();
        // A document that could not be loaded still gets its tab, so it can be found and closed.
        TabAdd();
        document->Form_Activate();
        if (loaded && choice == OpenChoice::ReadOnly && !fileToLoad.isEmpty())
            makeReadOnly(document);
        if (!loaded)
            platform::dialogs().message(this, QStringLiteral("%1\r\n%2").arg(fileToLoad, loadError),
                                        ProductInfo::AppTitle, platform::MessageButtons::Ok,
                                        platform::MessageIcon::Critical);
    }
    frmDocument* active = activeDocument();
    return active ? active->Tag().toInt() : 0;
}

CodeEditor* frmMain::activeEditor()
{
    int n = ActiveDocumentIndex();
    if (n < 1 || n > MaxDocuments || !Documents[size_t(n - 1)])
        return nullptr;
    return Documents[size_t(n - 1)]->rtfText;
}

void frmMain::activateDocument(frmDocument* document)
{
    mdi_->setActiveSubWindow(document);
}

void frmMain::documentActivated(frmDocument* document)
{
    if (mnuTabs->isChecked())
        picTabs->setVisible(true);
    int index = tabIndexOf(document->Caption());
    if (index >= 0) {
        QScopedValueRollback<bool> quiet(selectingTab_, true);
        tsTabs->setCurrentIndex(index);
    }
    bool titled = !frmDocument::isUntitledCaption(document->Caption());
    if (titled)
        CurrentFileName = document->Caption();
    mnuExecute->setEnabled(titled);
    mnuDebug->setEnabled(titled);
    refreshFrameTitle();
}

void frmMain::enableUndoButton()
{
    if (QAction* undo = toolbarButton(QStringLiteral("Undo")); undo && !undo->isEnabled())
        undo->setEnabled(true);
}

void frmMain::mnuFileNew_Click()
{
    int n = NextFreeSlot();
    LastSlot = n;
    if (n == -1) {
        platform::dialogs().message(this, QStringLiteral("You are only allowed 30 documents opened at one time."),
                                    ProductInfo::AppTitle, platform::MessageButtons::Ok,
                                    platform::MessageIcon::None);
        return;
    }
    createDocument(n);
    DocTitle[size_t(ActiveDocumentIndex() - 1)] = QString();
    OpenCount += 1;
    if (!SuppressTabAdd) {
        TabAdd();
        if (frmDocument* document = activeDocument())
            document->Form_Activate(); // now that its tab exists, select it
    }
}

void frmMain::mnuFileClose_Click()
{
    int n = ActiveDocumentIndex();
    if (n < 1 || n > MaxDocuments)
        return;
    if (frmDocument* document = Documents[size_t(n - 1)])
        document->close();
}

static QString tabLabel(const QString& caption)
{
    int slash = qMax(caption.lastIndexOf(QLatin1Char('\\')), caption.lastIndexOf(QLatin1Char('/')));
    return literalCaption(slash >= 0 ? caption.mid(slash + 1) : caption);
}

int frmMain::tabIndexOf(const QString& caption) const
{
    for (int i = 0; i < tsTabs->count(); ++i)
        if (frmDocument::sameCaption(tsTabs->tabData(i).toString(), caption))
            return i;
    return -1;
}

void frmMain::TabAdd()
{
    frmDocument* document = activeDocument();
    if (!document)
        return;
    QString caption = document->Caption();
    QScopedValueRollback<bool> quiet(selectingTab_, true);
    int index = tsTabs->addTab(tabLabel(caption));
    tsTabs->setTabData(index, caption);
    tsTabs->setTabToolTip(index, caption);
    tsTabs->setCurrentIndex(tsTabs->count() - 1);
}

void frmMain::DestroyTab()
{
    frmDocument* document = activeDocument();
    if (!document)
        return;
    int index = tabIndexOf(document->Caption());
    if (index >= 0) {
        // The window that comes to the front when this document closes selects its own tab.
        QScopedValueRollback<bool> quiet(selectingTab_, true);
        tsTabs->removeTab(index);
        if (index < tsTabs->count())
            tsTabs->setCurrentIndex(index);
    }
    if (tsTabs->count() == 0)
        picTabs->setVisible(false);
}

void frmMain::TabRename(const QString& oldKey)
{
    frmDocument* document = activeDocument();
    if (!document)
        return;
    int index = oldKey.isEmpty() ? tsTabs->currentIndex() : tabIndexOf(oldKey);
    if (index < 0 && !oldKey.isEmpty()) {
        // A document without a tab gets one; another document's tab is never relabelled.
        TabAdd();
        return;
    }
    if (index < 0)
        return;
    QString caption = document->Caption();
    tsTabs->setTabData(index, caption);
    tsTabs->setTabText(index, tabLabel(caption));
    tsTabs->setTabToolTip(index, caption);
}

void frmMain::tsTabs_Click(int index)
{
    if (index < 0 || selectingTab_)
        return;
    QString key = tsTabs->tabData(index).toString();
    for (frmDocument* document : openDocuments()) {
        if (frmDocument::sameCaption(document->Caption(), key)) {
            mdi_->setActiveSubWindow(document);
            document->rtfText->setFocus();
            return;
        }
    }
}

void frmMain::setMenu()
{
    bool docsOpen = OpenCount >= 1;
    frmDocument* document = activeDocument();
    bool hasText = document && document->rtfText->HasText();
    for (QAction* action : {mnuEditCopy, mnuEditCut, tbButtons[7], tbButtons[8]})
        action->setEnabled(hasText);
    for (QAction* action : {mnuFileSave, mnuFileSaveAs, mnuFileClose, mnuFilePrint, mnuEditSelectAll,
                            mnuEditFind, mnuEditUndo, mnuEditRedo, mnuEditGoTo, mnuEditPaste,
                            mnuEditReplace, mnuEditPreferences, mnuWindowTileHorizontal,
                            mnuWindowTileVertical, mnuWindowCascade, mnuWindowArrangeIcons, mnuVarList,
                            mnuWizards->menuAction()})
        action->setEnabled(docsOpen);
    for (int position : {4, 6, 10, 15, 16, 17, 18, 19, 20})
        tbButtons[size_t(position - 1)]->setEnabled(docsOpen);
    if (!docsOpen) {
        for (QAction* action : {mnuEditCut, mnuEditCopy, tbButtons[7], tbButtons[8], tbButtons[9]})
            action->setEnabled(false);
    }
    refreshUndoButtons();
}

void frmMain::refreshWindowList()
{
    for (QAction* action : windowListActions_) {
        mnuWindow->removeAction(action);
        delete action;
    }
    windowListActions_.clear();
    const QList<frmDocument*> documents = openDocuments();
    if (documents.isEmpty())
        return;
    windowListActions_ << mnuWindow->addSeparator();
    int number = 1;
    for (frmDocument* document : documents) {
        const QString shown = literalCaption(document->Caption());
        QString caption = number <= 9 ? QStringLiteral("&%1 %2").arg(number).arg(shown)
                                      : QStringLiteral("%1 %2").arg(number).arg(shown);
        QAction* action = mnuWindow->addAction(caption);
        action->setCheckable(true);
        action->setChecked(document == activeDocument());
        connect(action, &QAction::triggered, this, [this, document] { mdi_->setActiveSubWindow(document); });
        windowListActions_ << action;
        ++number;
    }
}

void frmMain::refreshFrameTitle()
{
    // A maximised script names itself in the frame's title, as multi-document frames do.
    frmDocument* document = activeDocument();
    if (document && document->isMaximized())
        setWindowTitle(QStringLiteral("%1 - [%2]").arg(ProductInfo::AppTitle, document->Caption()));
    else
        setWindowTitle(ProductInfo::AppTitle);
}
