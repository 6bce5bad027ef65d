// Opening, saving (with the header stamp) and printing scripts.

#include "app/FileDialogFilter.h"
#include "app/HeaderStamp.h"
#include "platform/ProductInfo.h"
#include "app/frmMain.h"
#include "document/frmDocument.h"
#include "platform/DialogService.h"
#include "preferences/frmOptions.h"

#include <Qsci/qsciprinter.h>

#include <QDir>
#include <QFileInfo>
#include <QScopeGuard>
#include <QLineEdit>
#include <QMdiArea>

#include <functional>

namespace {

const QString OpenFilter =
    QStringLiteral("KixTart Files (*.txt, *.kix, *.scr)|*txt;*.kix;*.scr|All Files (*.*)|*.*");
const QString SaveAsFilter = QStringLiteral("KiXtart File (*.kix)|*.kix|All Files (*.*)|*.*");

// The default script folder, when it is set and holds at least one file.
QString defaultScriptFolder()
{
    QString folder = frmOptions::Get()->txtScriptsPath->text();
    if (folder.isEmpty())
        return {};
    QDir dir(folder);
    if (!dir.exists() || dir.entryList(QDir::Files).isEmpty())
        return {};
    return dir.absolutePath();
}

// Text that the file's encoding cannot keep is saved only as the user chooses: in an encoding that
// keeps it (the stamp then renewed in it), or not at all. True when the save may go on.
bool encodingAgreed(QWidget* parent, CodeEditor* editor, const std::function<void()>& restamp)
{
    const ScriptFile::SaveQuestion question = editor->encodingQuestion();
    if (question.text.isEmpty())
        return true;
    if (platform::dialogs().message(parent, question.text, ProductInfo::AppTitle, platform::MessageButtons::OkCancel,
                                    platform::MessageIcon::Exclamation) != platform::MessageAnswer::Ok)
        return false;
    editor->setFileEncoding(question.keepsText);
    restamp();
    return true;
}

} // namespace

void frmMain::mnuFileOpen_Click()
{
    platform::FileDialogRequest request;
    request.title = QStringLiteral("Open");
    request.filter = FileDialogFilter::toQt(OpenFilter);
    // The dialog starts in the script folder; the process's current folder stays as it is.
    request.directory = defaultScriptFolder();
    request.mustExist = true;
    QString fileName = platform::dialogs().openFileName(this, request);
    if (fileName.isEmpty())
        return;
    fileName = enteredPath(fileName);
    // A file that could not be opened does not join the recent files.
    if (!openFileReportingFailure(fileName))
        return;
    CurrentFileName = fileName;
    AddRecentFile(fileName);
    SaveRecentFiles();
    LoadRecentFiles();
    int n = ActiveDocumentIndex();
    if (n >= 1 && n <= MaxDocuments)
        DocTitle[size_t(n - 1)] = QFileInfo(fileName).fileName();
}

void frmMain::OpenFile(const QString& path)
{
    openFileReportingFailure(path);
}

bool frmMain::openFileReportingFailure(const QString& pathAsGiven)
{
    const QString path = enteredPath(pathAsGiven);
    for (frmDocument* document : openDocuments()) {
        if (frmDocument::sameCaption(document->Caption(), path)) {
            mdi_->setActiveSubWindow(document);
            document->rtfText->setFocus();
            return true;
        }
    }

    const OpenChoice choice = askAboutOtherEditors(path);
    if (choice == OpenChoice::Nothing)
        return false;
    SuppressTabAdd = true;
    mnuFileNew_Click();
    SuppressTabAdd = false;
    if (LastSlot == -1)
        return false; // the document limit was reached and has been reported
    frmDocument* document = activeDocument();
    if (!document)
        return false;

    // The load's own change notification must not mark the document changed.
    JustOpened = true;
    FileError error = document->rtfText->LoadFromFile(path);
    JustOpened = false;
    if (!error.ok()) {
        // The empty document stays, with a tab so that it can be reached and closed.
        TabAdd();
        document->Form_Activate();
        platform::dialogs().message(this, error.message, ProductInfo::AppTitle, platform::MessageButtons::Ok,
                                    platform::MessageIcon::Critical);
        return false;
    }
    document->SetCaption(path);
    watchDocumentFile(document);
    DocTitle[size_t(document->slot() - 1)] = QFileInfo(path).fileName();
    TabAdd();
    document->Form_Activate();
    if (choice == OpenChoice::ReadOnly)
        makeReadOnly(document);
    return true;
}

bool frmMain::HasHeaderStamp()
{
    CodeEditor* editor = activeEditor();
    if (!editor || editor->LineTotal() < 2)
        return false;
    return HeaderStamp::isStamp(editor->LineText(0), editor->LineText(1));
}

void frmMain::StampHeader()
{
    CodeEditor* editor = activeEditor();
    if (!editor)
        return;
    bool stamped = HasHeaderStamp();
    Range selection = editor->GetSelectionRange(false);
    editor->beginUndoAction();
    if (!stamped) {
        editor->InsertLineAt(0, QString());
    } else {
        editor->RemoveLine(0);
        editor->RemoveLine(0);
    }
    editor->InsertLineAt(0, HeaderStamp::createdLine());
    // A stamp character the file's encoding cannot hold becomes "?" in the stamp only.
    editor->InsertLineAt(1, editor->fileFormat().fitted(
                                HeaderStamp::modifiedLine(QDateTime::currentDateTime(), HeaderStamp::currentUser())));
    editor->endUndoAction();
    // The caret and selection stay on the same text, below the lines added at the top.
    if (!stamped) {
        selection.StartLine += 3;
        selection.EndLine += 3;
    }
    editor->SetSelectionRange(selection, true);
}

bool frmMain::reportSaveError(const FileError& error)
{
    if (error.ok())
        return false;
    QString text = error.kind == FileError::PathInaccessible
                       ? QStringLiteral("Cannot access the drive or folder.  If saving to a removable drive\r\n"
                                        "please ensure that writable media is in the drive.")
                       : error.message;
    platform::dialogs().message(this, text, ProductInfo::AppTitle, platform::MessageButtons::Ok,
                                platform::MessageIcon::Critical);
    return true;
}

FileError frmMain::saveDocument(frmDocument* document, const QString& path)
{
    const DiskState before = DiskState::of(path);
    const FileError error = document->rtfText->SaveToFile(path, false);
    if (!error.ok()) {
        // A failed save may have put the old content back with a new time: that is no other
        // program's change, and must not turn into a question to reload (and so lose) the text.
        for (frmDocument* open : openDocuments())
            if (frmDocument::sameCaption(open->Caption(), path))
                open->ownWriteFailed(before);
    }
    return error;
}

void frmMain::closeBookkeeping()
{
    OpenCount -= 1;
    DestroyTab();
    setMenu();
}

bool frmMain::mnuFileSave_Click()
{
    int n = ActiveDocumentIndex();
    if (n < 1 || n > MaxDocuments || !Documents[size_t(n - 1)])
        return false;
    frmDocument* document = Documents[size_t(n - 1)];
    if (frmDocument::isUntitledCaption(document->Caption()))
        return mnuFileSaveAs_Click();
    // The document's own path: a name remembered from another document or dialog never counts.
    const QString path = document->Caption();
    if (document->rtfText->isReadOnly()) {
        platform::dialogs().message(
            this,
            QStringLiteral("%1 was opened read-only: another %2 window has unsaved changes to it.\r\n"
                           "Use Save As to keep this text under another name.")
                .arg(QDir::toNativeSeparators(path), ProductInfo::AppTitle),
            ProductInfo::AppTitle, platform::MessageButtons::Ok, platform::MessageIcon::Exclamation);
        return false;
    }
    StampHeader();
    if (!encodingAgreed(this, document->rtfText, [this] { StampHeader(); }))
        return false;
    if (!mayOverwrite(document))
        return false;
    // A failed save leaves the document modified and is never treated as saved.
    if (reportSaveError(saveDocument(document, path)))
        return false;
    watchDocumentFile(document);
    CurrentFileName = path;
    Changed[size_t(n)] = false;
    if (SavingFromClose)
        closeBookkeeping();
    return true;
}

bool frmMain::mnuFileSaveAs_Click()
{
    int n = ActiveDocumentIndex();
    if (n < 1 || n > MaxDocuments || !Documents[size_t(n - 1)])
        return false;
    frmDocument* document = Documents[size_t(n - 1)];
    // A read-only copy becomes the new file's document: it takes the stamp and can be edited. Until
    // that save succeeds it stays as it was.
    CodeEditor* editor = document->rtfText;
    const bool readOnly = editor->isReadOnly();
    bool saved = false;
    const auto stayReadOnly = qScopeGuard([&] {
        if (!readOnly || saved)
            return;
        while (editor->Modified() && editor->CanUndo())
            editor->Undo();
        editor->setReadOnly(true);
    });
    editor->setReadOnly(false);
    StampHeader();

    platform::FileDialogRequest request;
    request.title = QStringLiteral("Save As");
    request.filter = FileDialogFilter::toQt(SaveAsFilter);
    request.confirmOverwrite = true;
    if (document->Caption().contains(QLatin1String("Untitled"), Qt::CaseInsensitive)) {
        request.directory = defaultScriptFolder();
    } else {
        QFileInfo current(document->Caption());
        request.directory = current.absolutePath();
        request.fileName = current.fileName();
    }
    QString fileName = platform::dialogs().saveFileName(this, request);
    if (fileName.isEmpty())
        return false;
    fileName = enteredPath(fileName);
    if (!encodingAgreed(this, document->rtfText, [this] { StampHeader(); }))
        return false;
    if (reportSaveError(saveDocument(document, fileName)))
        return false;
    saved = true;
    CurrentFileName = fileName;

    AddRecentFile(fileName);
    SaveRecentFiles();
    LoadRecentFiles();
    Changed[size_t(n)] = false;
    const QString oldKey = document->Caption();
    document->SetCaption(fileName);
    watchDocumentFile(document);
    DocTitle[size_t(n - 1)] = QFileInfo(fileName).fileName();
    TabRename(oldKey);
    if (SavingFromClose)
        closeBookkeeping();
    mnuExecute->setEnabled(true);
    mnuDebug->setEnabled(true);
    return true;
}

void frmMain::mnuFilePrint_Click()
{
    frmDocument* document = activeDocument();
    if (!document)
        return;
    QsciPrinter printer(QPrinter::HighResolution);
    platform::PrintRequest request;
    request.title = QStringLiteral("Print");
    request.selectionAvailable = document->rtfText->SelLength() != 0;
    if (!platform::dialogs().print(this, printer, request))
        return;
    document->rtfText->PrintText(printer, 13);
}
