// Files changed, replaced or removed on disk by other programs while open: an untouched document
// follows the file, an edited one asks, and a save never overwrites the other program's version
// without asking.

#include "app/frmMain.h"
#include "document/files/RecoveryRecord.h"
#include "document/frmDocument.h"
#include "platform/DialogService.h"
#include "platform/ProductInfo.h"

#include <QApplication>
#include <QDir>
#include <QFileSystemWatcher>
#include <QStatusBar>

namespace {

constexpr int NoteMs = 10000;

} // namespace

void frmMain::watchDocumentFile(frmDocument* document)
{
    auto* watcher = findChild<QFileSystemWatcher*>(QStringLiteral("diskWatcher"));
    if (!watcher) {
        watcher = new QFileSystemWatcher(this);
        watcher->setObjectName(QStringLiteral("diskWatcher"));
        connect(watcher, &QFileSystemWatcher::fileChanged, this, [this](const QString& path) {
            for (frmDocument* open : openDocuments())
                if (frmDocument::sameCaption(open->Caption(), path))
                    checkDiskChanges(open);
        });
        // Coming back to the editor: a change the watcher could not see (a network folder) shows now.
        connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
            if (state == Qt::ApplicationActive)
                checkAllDiskChanges();
        });
    }
    const QString path = document->Caption();
    document->diskState = DiskState::of(path);
    document->diskHash.clear();
    document->diskAsked = DiskState();
    if (document->diskState.exists && !watcher->files().contains(path))
        watcher->addPath(path);
}

void frmMain::checkAllDiskChanges()
{
    for (frmDocument* document : openDocuments())
        checkDiskChanges(document);
}

void frmMain::checkDiskChanges(frmDocument* document)
{
    const QString path = document->Caption();
    if (frmDocument::isUntitledCaption(path) || !document->diskState.known || AppClosing)
        return;
    const DiskState now = DiskState::of(path);
    // A file replaced by rename leaves the watch: watch the new one.
    auto* watcher = findChild<QFileSystemWatcher*>(QStringLiteral("diskWatcher"));
    if (watcher && now.exists && !watcher->files().contains(path))
        watcher->addPath(path);
    if (now == document->diskState || now == document->diskAsked)
        return;
    CodeEditor* editor = document->rtfText;
    const QString shown = QDir::toNativeSeparators(path);

    if (!now.exists) {
        // The text is all that is left: it stays, and closing asks about it.
        document->diskState = now;
        if (!editor->Modified()) {
            editor->beginUndoAction();
            editor->SendScintilla(QsciScintillaBase::SCI_INSERTTEXT, uintptr_t(0), static_cast<const char*>(" "));
            editor->SendScintilla(QsciScintillaBase::SCI_DELETERANGE, uintptr_t(0), long(1));
            editor->endUndoAction();
        }
        sbStatusBar->showMessage(
            QStringLiteral("%1 has been deleted or moved by another program; Save writes it back.").arg(shown), NoteMs);
        return;
    }

    if (editor->Modified()) {
        document->diskAsked = now; // asked once for this version of the file
        if (platform::dialogs().message(
                this, QStringLiteral("%1 has been changed by another program. Reload it and lose your changes?").arg(shown),
                ProductInfo::AppTitle, platform::MessageButtons::YesNoDefaultNo, platform::MessageIcon::Exclamation)
            != platform::MessageAnswer::Yes)
            return;
    }

    int line = 0, index = 0;
    editor->getCursorPosition(&line, &index);
    const int firstVisible = editor->firstVisibleLine();
    // A read-only copy follows the file too.
    const bool readOnly = editor->isReadOnly();
    editor->setReadOnly(false);
    JustOpened = true;
    const FileError error = editor->LoadFromFile(path);
    JustOpened = false;
    editor->setReadOnly(readOnly);
    if (!error.ok()) {
        document->diskAsked = now;
        sbStatusBar->showMessage(error.message, NoteMs);
        return;
    }
    Changed[size_t(document->slot())] = false;
    editor->setCursorPosition(qMin(line, editor->lines() - 1), 0);
    editor->setFirstVisibleLine(firstVisible);
    document->diskState = DiskState::of(path);
    document->diskHash.clear();
    document->diskAsked = DiskState();
    sbStatusBar->showMessage(QStringLiteral("%1 was changed by another program and has been reloaded.").arg(shown),
                             NoteMs);
}

bool frmMain::mayOverwrite(frmDocument* document)
{
    const QString path = document->Caption();
    const DiskState now = DiskState::of(path);
    if (!document->diskState.known || !now.exists || now == document->diskState)
        return true;
    return platform::dialogs().message(
               this,
               QStringLiteral("%1 has been changed by another program since it was opened or saved. Overwrite it?")
                   .arg(QDir::toNativeSeparators(path)),
               ProductInfo::AppTitle, platform::MessageButtons::YesNoDefaultNo, platform::MessageIcon::Exclamation)
           == platform::MessageAnswer::Yes;
}

void frmMain::compareWithRecordBase(frmDocument* document, const RecoveryRecord& record)
{
    watchDocumentFile(document);
    const DiskState now = document->diskState;
    if (record.baseUnchanged(now)) {
        document->diskHash = record.baseHash;
        return;
    }
    // Changed since the work was kept: that version is another program's, and a Save asks before
    // it overwrites it. The restored text is what the user chose, so no reload is offered for it.
    DiskState base = record.base;
    if (!base.known)
        base = {true, true, -1, 0, 0}; // nothing known: never taken for the file as it is
    document->diskState = base;
    document->diskHash = record.baseHash;
    document->diskAsked = now;
    sbStatusBar->showMessage(
        QStringLiteral("%1 has been changed by another program since this work was kept; Save asks before "
                       "overwriting it.")
            .arg(QDir::toNativeSeparators(record.path)),
        NoteMs);
}
