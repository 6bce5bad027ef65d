#include "document/frmDocument.h"

#include "document/editor/CodeTipsHandler.h"
#include "document/editor/EditorSearch.h"
#include "document/language/modKixLanguage.h"
#include "document/files/RecoveryJournal.h"
#include "platform/DialogService.h"
#include "platform/FilePaths.h"
#include "platform/ProductInfo.h"
#include "preferences/frmOptions.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QKeyEvent>
#include <QMenu>

frmDocument::frmDocument(DocumentHost* host, int slot) : QMdiSubWindow(nullptr), host_(host), slot_(slot)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("frmDocument%1").arg(slot));
    rtfText = new CodeEditor(this);
    rtfText->setObjectName(QStringLiteral("rtfText"));
    setWidget(rtfText);
    rtfText->installEventFilter(this);
    new CodeTipsHandler(*rtfText, host->editMenu()); // owned by the control
    rtfText->ReleaseKeys(host->menuShortcuts());
    // Themes without a plain-text icon show the program's own.
    setWindowIcon(QIcon::fromTheme(QStringLiteral("text-x-generic"), QApplication::windowIcon()));
    // The frame owns the document keys (Ctrl+F4 closes the script in front); the same key on every
    // document's own window menu would make it ambiguous and so do nothing.
    if (QMenu* menu = systemMenu())
        for (QAction* action : menu->actions())
            action->setShortcuts({});
    connect(rtfText, &CodeEditor::Change, this, &frmDocument::rtfText_Change);
    connect(rtfText, &CodeEditor::SelChange, this, &frmDocument::rtfText_SelChange);
    connect(rtfText, &CodeEditor::KeyDown, this, &frmDocument::rtfText_KeyDown);
    journal = new RecoveryJournal(
        rtfText,
        [this] {
            RecoveryJournal::Fields fields;
            fields.modified = rtfText->Modified();
            if (!fields.modified)
                return fields;
            RecoveryRecord& record = fields.record;
            record.title = Caption();
            if (!isUntitledCaption(record.title))
                record.path = record.title;
            record.encoding = rtfText->fileFormat().encoding();
            record.lineBreak = rtfText->fileFormat().lineBreak();
            record.changed = QDateTime::currentDateTimeUtc();
            record.base = diskState;
            record.baseHash = diskHash;
            return fields;
        },
        this);
    // Saved, or undone back to the saved text: nothing to recover.
    connect(rtfText, &QsciScintilla::modificationChanged, journal, [this](bool modified) {
        if (!modified)
            journal->discard();
    });
    Form_Load();
}

bool frmDocument::isUntitledCaption(const QString& caption)
{
    return caption.left(8).compare(QLatin1String("Untitled"), Qt::CaseInsensitive) == 0;
}

bool frmDocument::sameCaption(const QString& a, const QString& b)
{
    // A document's caption is an absolute path once it has a file; anything else is a name.
    const bool aIsPath = QDir::isAbsolutePath(a), bIsPath = QDir::isAbsolutePath(b);
    if (aIsPath != bIsPath)
        return false;
    if (aIsPath)
        return FilePaths::samePath(a, b);
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

void frmDocument::Form_Load()
{
    RegisterKixLanguage();
    rtfText->SetLanguageName(QStringLiteral("KixTart"));
    rtfText->SetElementColor(27, 0x9F9F9F);
}

void frmDocument::Form_Activate()
{
    DocumentSet& set = host_->documentSet();
    if (set.AppClosing)
        return;
    frmOptions::Get()->ApplyChanges();
    host_->setMenu();
    host_->documentActivated(this);
    set.SavingFromClose = false;
    // The find window acts on the script in front, never on one the user cannot see.
    EditorSearch::follow(rtfText);
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
    // Leaving the editor (another window, another program) may precede a crash: keep the text now.
    if (watched == rtfText && event->type() == QEvent::FocusOut)
        journal->flushNow();
#ifndef Q_OS_MACOS
    // Alt with a letter belongs to the menus' access keys: one that no menu uses types nothing.
    // (Ctrl+Alt is AltGr on Windows keyboards and does type.)
    if (watched == rtfText && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        const Qt::KeyboardModifiers modifiers = key->modifiers();
        if ((modifiers & Qt::AltModifier) && !(modifiers & Qt::ControlModifier) && !key->text().isEmpty()
            && key->text().at(0).isPrint())
            return true;
    }
#endif
    return QMdiSubWindow::eventFilter(watched, event);
}

void frmDocument::rtfText_Change()
{
    DocumentSet& set = host_->documentSet();
    if (!set.JustOpened && !set.Changed[size_t(slot_)])
        set.Changed[size_t(slot_)] = true;
    set.JustOpened = false;
    // Cut and Copy follow whether there is any text at all, Undo and Redo the undo history. An undo
    // of a bulk edit reports each of its many changes: the menus are told only when one of these moves.
    const std::array<bool, 3> state{rtfText->HasText(), rtfText->CanUndo(), rtfText->CanRedo()};
    if (state == menuState_)
        return;
    menuState_ = state;
    host_->enableUndoButton();
    host_->setMenu();
}

void frmDocument::rtfText_SelChange()
{
    host_->setMenu();
}

void frmDocument::rtfText_KeyDown()
{
    if (rtfText->HighlightedLine() != -1)
        rtfText->SetHighlightedLine(-1);
}

void frmDocument::releaseSlot()
{
    DocumentSet& set = host_->documentSet();
    set.Documents[size_t(slot_ - 1)] = nullptr;
    set.SlotUsed[size_t(slot_ - 1)] = false;
}

bool frmDocument::Form_QueryUnload(UnloadMode mode)
{
    DocumentSet& set = host_->documentSet();
    const QString prompt = Caption() + QStringLiteral(" has been changed. Do you wish to save?");
    if (mode == UnloadFromParent) {
        if (!rtfText->Modified())
            return true;
        // In front, so that the save below acts on this document and the user sees which one it is.
        host_->activateDocument(this);
        host_->documentActivated(this);
        switch (platform::dialogs().message(host_->hostWindow(), prompt, ProductInfo::AppTitle,
                                            platform::MessageButtons::YesNoCancel,
                                            platform::MessageIcon::Exclamation)) {
        case platform::MessageAnswer::Yes:
            // A save that wrote nothing keeps the program running: the edits are not lost.
            return host_->activeDocument() == this && host_->mnuFileSave_Click();
        case platform::MessageAnswer::No:
            return true;
        default:
            return false;
        }
    }

    Form_Activate();
    host_->activateDocument(this);
    bool mayClose = false;
    if (!rtfText->Modified()) {
        host_->DestroyTab();
        releaseSlot();
        set.OpenCount -= 1;
        mayClose = true;
    } else {
        switch (platform::dialogs().message(host_->hostWindow(), prompt, ProductInfo::AppTitle,
                                            platform::MessageButtons::YesNoCancel,
                                            platform::MessageIcon::Question)) {
        case platform::MessageAnswer::Yes: {
            set.SavingFromClose = true;
            bool saved = (!isUntitledCaption(Caption()) || set.DocTitle[size_t(slot_ - 1)].isEmpty())
                             ? host_->mnuFileSave_Click()
                             : host_->mnuFileSaveAs_Click();
            set.SavingFromClose = false;
            // The save did the tab and count bookkeeping; one that wrote nothing keeps the window.
            if (saved) {
                releaseSlot();
                mayClose = true;
            }
            break;
        }
        case platform::MessageAnswer::No:
            host_->DestroyTab();
            releaseSlot();
            set.Changed[size_t(slot_)] = false;
            set.OpenCount -= 1;
            mayClose = true;
            break;
        default:
            break;
        }
    }
    if (mayClose)
        closeDecided_ = true;
    host_->setMenu();
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

void frmDocument::ownWriteFailed(const DiskState& before)
{
    const DiskState after = DiskState::of(Caption());
    if (before == diskState)
        diskState = after;
    if (before == diskAsked)
        diskAsked = after;
}
