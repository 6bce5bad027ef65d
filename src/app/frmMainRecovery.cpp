// Unsaved work of an editor that ended without saving (a crash, a kill, a power cut) comes back at
// the next start, if the user wants it. A file another running editor holds with unsaved changes is
// opened here only after a warning.

#include "app/frmMain.h"
#include "document/files/RecoveryJournal.h"
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
    const std::shared_ptr<RecoveryFolder> folder = RecoveryFolder::current();
    if (!folder->usable()) {
        // Said once, at the start: the editor works on, without recovery.
        showBeforeAsking();
        platform::dialogs().message(
            this,
            QStringLiteral("The recovery folder %1 %2.\r\n\r\nUnsaved changes are not kept for recovery in this run: "
                           "save your work often.")
                .arg(QDir::toNativeSeparators(folder->path()), folder->refusal()),
            ProductInfo::AppTitle, platform::MessageButtons::Ok, platform::MessageIcon::Exclamation);
        return;
    }
    QStringList skipped;
    QList<RecoveryFolder::Claim> claims = folder->claimOrphans(&skipped);
    // Whatever is decided, locks and temporary files of ended editors go.
    const auto tidy = qScopeGuard([folder] { folder->removeStaleFiles(); });
    const auto reportSkipped = [&] {
        if (skipped.isEmpty())
            return;
        showBeforeAsking();
        platform::dialogs().message(
            this,
            QStringLiteral("These recovery files are damaged or not the editor's, and were set aside:\r\n\r\n")
                + skipped.join(QStringLiteral("\r\n")),
            ProductInfo::AppTitle, platform::MessageButtons::Ok, platform::MessageIcon::Exclamation);
        skipped.clear();
    };
    reportSkipped();
    if (claims.isEmpty())
        return;

    showBeforeAsking();
    QStringList lines;
    for (const RecoveryFolder::Claim& claim : claims)
        lines << QStringLiteral("%1  (last changed %2)")
                     .arg(shownName(claim.head.record),
                          QLocale().toString(claim.head.record.changed.toLocalTime(), QLocale::ShortFormat));
    const QString text = QStringLiteral("Unsaved changes were kept when the editor ended without saving them:"
                                        "\r\n\r\n%1\r\n\r\nRestore them?")
                             .arg(lines.join(QStringLiteral("\r\n")));
    const platform::MessageAnswer answer = platform::dialogs().restoreRecovered(this, text, ProductInfo::AppTitle);
    if (answer == platform::MessageAnswer::Cancel) {
        for (const RecoveryFolder::Claim& claim : claims)
            folder->release(claim);
        return;
    }
    if (answer == platform::MessageAnswer::No) {
        for (const RecoveryFolder::Claim& claim : claims)
            folder->remove(claim.name);
        return;
    }

    // The empty document of the start makes way for the restored ones.
    const QList<frmDocument*> open = openDocuments();
    if (open.size() == 1 && frmDocument::isUntitledCaption(open.first()->Caption())
        && !open.first()->rtfText->Modified() && open.first()->rtfText->length() == 0)
        open.first()->close();

    while (!claims.isEmpty()) {
        const RecoveryFolder::Claim claim = claims.takeFirst();
        const RecoveryRecord& record = claim.head.record;
        // Read only now, one at a time; a file changed since its header was read is set aside.
        const std::optional<QByteArray> restored = folder->readText(claim.name, claim.head);
        if (!restored) {
            const QString aside = folder->setAside(claim.name, claim.original);
            skipped << QDir::toNativeSeparators(folder->filePath(aside.isEmpty() ? claim.name : aside));
            continue;
        }
        frmDocument* document = nullptr;
        for (frmDocument* candidate : openDocuments())
            if (!record.path.isEmpty() && frmDocument::sameCaption(candidate->Caption(), record.path)
                && !candidate->rtfText->Modified())
                document = candidate;
        if (!document) {
            SuppressTabAdd = !record.path.isEmpty();
            mnuFileNew_Click();
            SuppressTabAdd = false;
            document = LastSlot == -1 ? nullptr : activeDocument();
            if (!document) {
                // The document limit was reached and reported: the rest waits for the next start.
                folder->release(claim);
                for (const RecoveryFolder::Claim& left : claims)
                    folder->release(left);
                break;
            }
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
        document->rtfText->restoreText(*restored, format);
        // The record holds this text already: it stays until a newer one replaces it.
        document->journal->adopt(folder, claim.name);
        if (!record.path.isEmpty())
            compareWithRecordBase(document, record);
    }
    reportSkipped();
    setMenu();
}

frmMain::OpenChoice frmMain::askAboutOtherEditors(const QString& path)
{
    const QList<qint64> editors = RecoveryFolder::current()->editorsWithUnsavedChanges(path);
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
