// Unsaved work of an editor that ended without saving (a crash, a kill, a power cut) comes back at
// the next start, if the user wants it. A file another running editor holds with unsaved changes is
// opened here only after a warning.

#include "app/frmMain.h"
#include "document/RecoveryJournal.h"
#include "document/frmDocument.h"
#include "platform/DialogService.h"
#include "platform/ProductInfo.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QScopeGuard>
#include <QStatusBar>

namespace {

QString shownName(const RecoveryRecord& record)
{
    return record.path.isEmpty() ? record.title : QDir::toNativeSeparators(record.path);
}

} // namespace

void frmMain::showBeforeAsking()
{
    if (!isVisible())
        show();
}

void frmMain::offerRecovery()
{
    QStringList skipped;
    const QList<RecoveryJournal::Orphan> orphans = RecoveryJournal::findOrphans(&skipped);
    // Whatever is decided, lock files of ended editors with nothing left to offer go.
    const auto tidy = qScopeGuard([] { RecoveryJournal::removeStaleLocks(); });
    if (!skipped.isEmpty() || !orphans.isEmpty())
        showBeforeAsking();
    if (!skipped.isEmpty())
        platform::dialogs().message(
            this,
            QStringLiteral("These recovery files are damaged or not the editor's, and were set aside:\r\n\r\n")
                + skipped.join(QStringLiteral("\r\n")),
            ProductInfo::AppTitle, platform::MessageButtons::Ok, platform::MessageIcon::Exclamation);
    if (orphans.isEmpty())
        return;

    QStringList lines;
    for (const RecoveryJournal::Orphan& orphan : orphans)
        lines << QStringLiteral("%1  (last changed %2)")
                     .arg(shownName(orphan.record),
                          QLocale().toString(orphan.record.changed.toLocalTime(), QLocale::ShortFormat));
    const QString text = QStringLiteral("Unsaved changes were kept when the editor ended without saving them:"
                                        "\r\n\r\n%1\r\n\r\nRestore them?")
                             .arg(lines.join(QStringLiteral("\r\n")));
    const platform::MessageAnswer answer = platform::dialogs().restoreRecovered(this, text, ProductInfo::AppTitle);
    if (answer == platform::MessageAnswer::Cancel)
        return;
    if (answer == platform::MessageAnswer::No) {
        for (const RecoveryJournal::Orphan& orphan : orphans)
            QFile::remove(orphan.file);
        return;
    }

    // The empty document of the start makes way for the restored ones.
    const QList<frmDocument*> open = openDocuments();
    if (open.size() == 1 && frmDocument::isUntitledCaption(open.first()->Caption())
        && !open.first()->rtfText->Modified() && open.first()->rtfText->length() == 0)
        open.first()->close();

    QStringList restored;
    for (const RecoveryJournal::Orphan& orphan : orphans) {
        const RecoveryRecord& record = orphan.record;
        frmDocument* document = nullptr;
        for (frmDocument* candidate : openDocuments())
            if (!record.path.isEmpty() && frmDocument::sameCaption(candidate->Caption(), record.path)
                && !candidate->rtfText->Modified())
                document = candidate;
        if (!document) {
            SuppressTabAdd = !record.path.isEmpty();
            mnuFileNew_Click();
            SuppressTabAdd = false;
            if (LastSlot == -1)
                break; // the document limit was reached and reported: the rest stays for next time
            document = activeDocument();
            if (!document)
                break;
            if (!record.path.isEmpty()) {
                document->SetCaption(record.path);
                DocTitle[size_t(document->slot() - 1)] = QFileInfo(record.path).fileName();
                TabAdd();
                document->Form_Activate();
            }
        }
        ScriptFile format;
        format.setEncoding(record.encoding);
        format.setLineBreak(record.lineBreak);
        document->rtfText->restoreText(record.text, format);
        if (!record.path.isEmpty())
            watchDocumentFile(document);
        // Kept again under this process before the old file goes.
        document->journal->flushNow();
        restored << orphan.file;
    }
    RecoveryJournal::waitForWrites();
    for (const QString& file : restored)
        QFile::remove(file);
    setMenu();
}

frmMain::OpenChoice frmMain::askAboutOtherEditors(const QString& path)
{
    const QList<qint64> editors = RecoveryJournal::editorsWithUnsavedChanges(path);
    if (editors.isEmpty())
        return OpenChoice::Editable;
    showBeforeAsking();
    QStringList numbers;
    for (qint64 pid : editors)
        numbers << QString::number(pid);
    const QString text =
        QStringLiteral("%1 has unsaved changes in another %2 window (process %3).\r\n\r\n"
                       "If both are saved, one overwrites the other. Open it anyway, or read-only?")
            .arg(QDir::toNativeSeparators(path), ProductInfo::AppTitle, numbers.join(QStringLiteral(", ")));
    switch (platform::dialogs().openHeldElsewhere(this, text, ProductInfo::AppTitle)) {
    case platform::MessageAnswer::Yes:
    case platform::MessageAnswer::Ok:
        return OpenChoice::Editable;
    case platform::MessageAnswer::No:
        return OpenChoice::ReadOnly;
    default:
        return OpenChoice::Nothing;
    }
}

void frmMain::makeReadOnly(frmDocument* document)
{
    CodeEditor* editor = document->rtfText;
    editor->setReadOnly(true);
    // Short enough for the status bar; the title names the file.
    const QString note =
        QStringLiteral("Read-only: another %1 window has unsaved changes to this file.").arg(ProductInfo::AppTitle);
    sbStatusBar->showMessage(note, 10000);
    // Typing into it says why nothing happens.
    connect(editor, &QsciScintillaBase::SCN_MODIFYATTEMPTRO, this, [this, editor, note] {
        if (editor->isReadOnly())
            sbStatusBar->showMessage(note, 10000);
    });
}
