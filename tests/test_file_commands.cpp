// Opening, saving with the header stamp, printing, dropping files, and the recent-files list.

#include "app/HeaderStamp.h"
#include "app/frmMain.h"
#include "document/frmDocument.h"
#include "preferences/PrefRegistry.h"
#include "preferences/RegistryHandler.h"
#include "platform/FilePaths.h"
#include "preferences/frmOptions.h"
#include "ScriptedDialogService.h"
#include "platform/QtDialogService.h"

#include <QLineEdit>

#include <QComboBox>
#include <QMdiArea>
#include <QMimeData>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabBar>
#include <QTemporaryDir>
#include <QtTest>

using platform::MessageAnswer;

class FileCommandsTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void firstSaveStampsSecondRenews();
    void saveAsCancelledKeepsStampAndCaption();
    void failedSaveKeepsDocumentModified();
    void saveAsksBeforeChangingEncoding();
    void saveAsFromClosePromptCancelledKeepsDocument();
    void reopeningAndDroppingActivate();
    void unreadableFileLeavesEmptyDocument();
    void recentFilesMenu();
    void recentFileGoneShowsMessageAndStays();
    void printedPdfHoldsTheText();
    void pathsDifferingInCaseAreDifferentFiles();
    void relativePathsAreFixedWhereTheyEnter();
    void exitSavesTheChangedBackgroundDocument();
    void saveAsRenamesTheSavedDocumentsTab();

private:
    QString write(const QString& name, const QByteArray& bytes);
    static QByteArray read(const QString& path);
    QStringList visibleRecentCaptions(frmMain& window);
    QTemporaryDir dir_;
    int run_ = 0;
};

void FileCommandsTest::init()
{
    qputenv("TESSARY_REGISTRY_FILE", dir_.filePath(QStringLiteral("r%1.reg").arg(++run_)).toLocal8Bit());
    qputenv("USERNAME", "tester");
}

void FileCommandsTest::cleanup()
{
    frmOptions::Unload();
}

QString FileCommandsTest::write(const QString& name, const QByteArray& bytes)
{
    QString path = dir_.filePath(name);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(bytes);
    return path;
}

QByteArray FileCommandsTest::read(const QString& path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

// An edit at the end of the script, as typing would make it (append() would clear the undo history).
static void typeAtEnd(CodeEditor* editor, const QString& text)
{
    editor->SendScintilla(QsciScintillaBase::SCI_DOCUMENTEND);
    editor->insert(text);
}

QStringList FileCommandsTest::visibleRecentCaptions(frmMain& window)
{
    QStringList captions;
    for (QAction* action : window.mnuFileMRU)
        if (action->isVisible())
            captions << action->text();
    return captions;
}

void FileCommandsTest::firstSaveStampsSecondRenews()
{
    const QByteArray original = "; logon\r\nIf @INWIN = 1\r\n  ? \"caf\xe9\"\r\nEndIf";
    QString path = write("logon.kix", original);
    ScriptedDialogService dialogs;
    frmMain window;
    window.show();
    dialogs.openAnswers = {path};
    window.mnuFileOpen_Click();
    frmDocument* document = window.activeDocument();
    QCOMPARE(document->Caption(), path);
    QVERIFY(!window.Changed[2]);
    document->rtfText->SetSelectionRange(Range{1, 3, 1, 9}, true);

    QVERIFY(window.mnuFileSave_Click());
    QByteArray saved = read(path);
    QList<QByteArray> lines = saved.split('\n');
    QCOMPARE(lines[0], HeaderStamp::createdLine().toLatin1() + "\r");
    QVERIFY(lines[1].startsWith(";**** Last Modified on "));
    QVERIFY(lines[1].endsWith(" by tester ****\r"));
    QCOMPARE(lines[2], QByteArray("\r"));
    QCOMPARE(saved.mid(saved.indexOf("\r\n\r\n") + 4), original);
    QVERIFY(!document->rtfText->Modified());
    // The selection stays on the same text below the stamp.
    Range selection = document->rtfText->GetSelectionRange(true);
    QCOMPARE(selection.StartLine, 4);
    QCOMPARE(selection.EndLine, 4);

    // A second save changes only the modified line.
    QTest::qWait(1100);
    QVERIFY(window.mnuFileSave_Click());
    QByteArray again = read(path);
    QList<QByteArray> againLines = again.split('\n');
    QCOMPARE(againLines.size(), lines.size());
    QCOMPARE(againLines[0], lines[0]);
    for (int i = 2; i < lines.size(); ++i)
        QCOMPARE(againLines[i], lines[i]);
    QVERIFY(againLines[1].startsWith(";**** Last Modified on "));

    // A stamp whose lines differ only in letter case is renewed, not doubled.
    QByteArray upper = again;
    upper.replace("Created with Tessary Editor", "CREATED WITH TESSARY EDITOR");
    write("logon.kix", upper);
    window.mnuFileClose_Click();
    window.OpenFile(path);
    QVERIFY(window.mnuFileSave_Click());
    QCOMPARE(read(path).count(";****"), 2);
}

void FileCommandsTest::saveAsCancelledKeepsStampAndCaption()
{
    ScriptedDialogService dialogs;
    frmMain window;
    window.show();
    frmDocument* document = window.activeDocument();
    document->rtfText->setText("Beep");
    QVERIFY(!window.mnuFileSaveAs_Click());
    QCOMPARE(dialogs.saveRequests.size(), 1);
    QVERIFY(dialogs.saveRequests[0].fileName.isEmpty());
    QVERIFY(dialogs.saveRequests[0].filter.startsWith("KiXtart File (*.kix) (*.kix)"));
    QCOMPARE(document->Caption(), QString("Untitled 1"));
    QCOMPARE(document->rtfText->LineText(0), HeaderStamp::createdLine());
    QVERIFY(document->rtfText->LineText(1).startsWith(";**** Last Modified on "));
    QCOMPARE(document->rtfText->LineText(2), QString());
    QCOMPARE(document->rtfText->LineText(3), QString("Beep"));
    QVERIFY(document->rtfText->Modified());

    // A file named "untitled": the caption is a path, so Save writes in place without a dialog,
    // while Save As still starts with an empty name.
    QString path = write("untitled.kix", "Beep\r\n");
    window.OpenFile(path);
    QVERIFY(window.mnuFileSave_Click());
    QCOMPARE(dialogs.saveRequests.size(), 1);
    QVERIFY(read(path).endsWith("\r\n\r\nBeep\r\n"));
    window.mnuFileSaveAs_Click();
    QCOMPARE(dialogs.saveRequests.size(), 2);
    QVERIFY(dialogs.saveRequests[1].fileName.isEmpty());
}

void FileCommandsTest::failedSaveKeepsDocumentModified()
{
    QString path = write("keep.kix", "Beep\r\n");
    QString blocker = write("blocker", "a regular file, not a folder");
    ScriptedDialogService dialogs;
    frmMain window;
    window.show();
    frmDocument* document = window.activeDocument();
    document->rtfText->setText("Cls");
    // Save As into a "folder" that is a file: the drive-or-folder message, nothing saved.
    dialogs.saveAnswers = {blocker + "/new.kix"};
    QVERIFY(!window.mnuFileSaveAs_Click());
    QCOMPARE(dialogs.messages.size(), 1);
    QCOMPARE(dialogs.messages[0].text,
             QString("Cannot access the drive or folder.  If saving to a removable drive\r\n"
                     "please ensure that writable media is in the drive."));
    QCOMPARE(document->Caption(), QString("Untitled 1"));
    QVERIFY(document->rtfText->Modified());
    QVERIFY(window.Changed[1]);

    // A failed Save As of an opened file keeps its name: Save still writes the document's own file.
    window.OpenFile(path);
    frmDocument* opened = window.activeDocument();
    typeAtEnd(opened->rtfText, "Cls\r\n");
    dialogs.saveAnswers = {blocker + "/elsewhere.kix"};
    QVERIFY(!window.mnuFileSaveAs_Click());
    QCOMPARE(dialogs.messages.size(), 2);
    QCOMPARE(opened->Caption(), path);
    QCOMPARE(window.CurrentFileName, path);
    window.mnuFileSave->trigger();
    QVERIFY(read(path).endsWith("Beep\r\nCls\r\n"));
    QVERIFY(!opened->rtfText->Modified());

    // Save over a folder: the system's reason, the old content untouched.
    typeAtEnd(opened->rtfText, "Cls\r\n");
    QVERIFY(QFile::remove(path));
    QVERIFY(QDir().mkdir(path));
    QVERIFY(!window.mnuFileSave_Click());
    QCOMPARE(dialogs.messages.size(), 3);
    QVERIFY(!dialogs.messages[2].text.isEmpty());
    QVERIFY(opened->rtfText->Modified());
    QVERIFY(QFileInfo(path).isDir());

    // A close prompt's Yes whose save fails keeps the document, its tab and its count.
    int count = window.OpenCount;
    int tabs = window.tsTabs->count();
    dialogs.messageAnswers = {MessageAnswer::Yes};
    window.mnuFileClose_Click();
    QCOMPARE(window.OpenCount, count);
    QCOMPARE(window.tsTabs->count(), tabs);
    QVERIFY(window.openDocuments().contains(opened));
}

void FileCommandsTest::saveAsksBeforeChangingEncoding()
{
    QString path = write("ansi.kix", "; caf\xe9\r\n");
    qputenv("USERNAME", "J\xc3\xbcrgen \xe7\x8e\x8b"); // "Jürgen 王"
    ScriptedDialogService dialogs;
    frmMain window;
    window.show();
    window.OpenFile(path);
    CodeEditor* editor = window.activeDocument()->rtfText;

    // The name's "王" has no byte in Windows-1252: "?" in the stamp only, nothing asked.
    window.mnuFileSave->trigger();
    QByteArray ansi = read(path);
    QVERIFY2(ansi.contains(" by J\xfcrgen ? ****\r\n\r\n; caf\xe9\r\n"), ansi.constData());
    QVERIFY(dialogs.messages.isEmpty());

    // Typed text that Windows-1252 cannot hold: asked; Cancel saves nothing.
    editor->InsertTextAt(QString::fromUtf8("$x = \"\xe4\xb8\xad\""), {editor->LineTotal() - 1, 0});
    window.mnuFileSave->trigger();
    QCOMPARE(dialogs.messages.size(), 1);
    QCOMPARE(dialogs.messages[0].buttons, platform::MessageButtons::OkCancel);
    QVERIFY2(dialogs.messages[0].text.contains("U+4E2D"), qPrintable(dialogs.messages[0].text));
    QCOMPARE(read(path), ansi);
    QVERIFY(editor->Modified());

    // OK: saved as UTF-8, the stamp now with the whole name; asked once, not on every save.
    dialogs.messageAnswers = {MessageAnswer::Ok};
    window.mnuFileSave->trigger();
    QByteArray utf8 = read(path);
    QVERIFY2(utf8.contains(" by J\xc3\xbcrgen \xe7\x8e\x8b ****\r\n\r\n; caf\xc3\xa9\r\n$x = \"\xe4\xb8\xad\""),
             utf8.constData());
    QVERIFY(!editor->Modified());
    editor->InsertTextAt("Beep", {editor->LineTotal() - 1, 0});
    window.mnuFileSave->trigger();
    QCOMPARE(dialogs.messages.size(), 2);
    QVERIFY(read(path).endsWith("Beep$x = \"\xe4\xb8\xad\""));
}

void FileCommandsTest::saveAsFromClosePromptCancelledKeepsDocument()
{
    QString target = dir_.filePath("saved-from-close.kix");
    ScriptedDialogService dialogs;
    frmMain window;
    window.show();
    window.activeDocument()->rtfText->insert("Beep");
    dialogs.messageAnswers = {MessageAnswer::Yes};
    window.mnuFileClose_Click();
    QCOMPARE(window.OpenCount, 1);
    QCOMPARE(window.tsTabs->count(), 1);

    // Now answer the dialog: the save does the close bookkeeping and the window goes.
    dialogs.messageAnswers = {MessageAnswer::Yes};
    dialogs.saveAnswers = {target};
    window.mnuFileClose_Click();
    QCOMPARE(window.OpenCount, 0);
    QCOMPARE(window.tsTabs->count(), 0);
    QTRY_COMPARE(window.openDocuments().size(), 0);
    QVERIFY(read(target).endsWith("\r\n\r\nBeep"));
}

void FileCommandsTest::reopeningAndDroppingActivate()
{
    QString a = write("a.kix", "A"), b = write("b.kix", "B"), c = write("c.kix", "C"), d = write("d.kix", "D");
    ScriptedDialogService dialogs;
    frmMain window;
    window.show();
    dialogs.openAnswers = {a, b, a};
    window.mnuFileOpen_Click();
    window.mnuFileOpen_Click();
    QCOMPARE(window.openDocuments().size(), 3);
    window.mnuFileOpen_Click();
    QCOMPARE(window.openDocuments().size(), 3);
    QCOMPARE(window.activeDocument()->Caption(), a);
    QCOMPARE(window.RecentFiles.at(0), a);
    QCOMPARE(window.RecentFiles.at(1), b);
    QVERIFY(window.RecentFiles.at(2).isEmpty());

    // Dropped files open in order; an open one among them is only activated.
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(c), QUrl::fromLocalFile(d), QUrl::fromLocalFile(b)});
    window.OpenDroppedFiles(&data);
    QList<frmDocument*> documents = window.openDocuments();
    QCOMPARE(documents.size(), 5);
    QCOMPARE(documents[3]->Caption(), c);
    QCOMPARE(documents[4]->Caption(), d);
    QCOMPARE(window.tsTabs->tabText(4), QString("d.kix"));
    QCOMPARE(window.activeDocument()->Caption(), b);
}

void FileCommandsTest::unreadableFileLeavesEmptyDocument()
{
    ScriptedDialogService dialogs;
    frmMain window;
    window.show();
    QString missing = dir_.filePath("nowhere/none.kix");
    window.OpenFile(missing);
    QCOMPARE(dialogs.messages.size(), 1);
    QVERIFY(!dialogs.messages[0].text.isEmpty());
    QCOMPARE(window.activeDocument()->Caption(), QString("Untitled 2"));
    QCOMPARE(window.activeDocument()->rtfText->TextLength(), 0);
    QCOMPARE(window.OpenCount, 2);
}

void FileCommandsTest::recentFilesMenu()
{
    QStringList files;
    for (int i = 1; i <= 10; ++i)
        files << write(QStringLiteral("f%1.kix").arg(i), "Beep");
    {
        ScriptedDialogService dialogs;
        frmMain window;
        window.show();
        RegistryHandler mru;
        mru.SetHive(0x80000001u);
        mru.SetSubKey(kRecentFilesKey);
        QCOMPARE(mru.GetRegValue("MRUInit", TaggedValue()), TaggedValue::fromInt32(1));
        QVERIFY(visibleRecentCaptions(window).isEmpty());

        for (int i = 0; i < 3; ++i) {
            dialogs.openAnswers = {files[i]};
            window.mnuFileOpen_Click();
        }
        QCOMPARE(visibleRecentCaptions(window),
                 QStringList({"&1  " + files[2], "&2  " + files[1], "&3  " + files[0]}));
        for (int i = 3; i < 10; ++i) {
            dialogs.openAnswers = {files[i]};
            window.mnuFileOpen_Click();
        }
        QCOMPARE(visibleRecentCaptions(window).size(), 4);
        QCOMPARE(mru.GetRegValue("MRUFile1", TaggedValue()).toString(), files[9]);
        QCOMPARE(mru.GetRegValue("MRUFile9", TaggedValue()).toString(), files[1]);

        // The size list shortens and lengthens the menu at once.
        frmOptions* options = frmOptions::Get();
        options->cboMRU->setCurrentText("2");
        options->cboMRU_Click();
        QCOMPARE(visibleRecentCaptions(window).size(), 2);
        options->cboMRU->setCurrentText("9");
        options->cboMRU_Click();
        QCOMPARE(visibleRecentCaptions(window).size(), 9);

        // Choosing an entry opens it (once) and moves it to the top.
        window.mnuFileMRU_Click(4);
        QCOMPARE(window.activeDocument()->Caption(), files[5]);
        QCOMPARE(window.RecentFiles.at(0), files[5]);
        dialogs.messageAnswers = {MessageAnswer::No, MessageAnswer::No};
        window.close();
    }
    // The list survives a restart.
    ScriptedDialogService dialogs;
    frmMain window;
    QCOMPARE(window.RecentFiles.at(0), files[5]);
}

void FileCommandsTest::recentFileGoneShowsMessageAndStays()
{
    QString path = write("gone.kix", "Beep");
    ScriptedDialogService dialogs;
    frmMain window;
    window.show();
    window.OpenFile(path);
    window.AddRecentFile(path);
    window.SaveRecentFiles();
    window.LoadRecentFiles();
    window.mnuFileClose_Click();
    QFile::remove(path);
    window.mnuFileMRU_Click(0);
    QCOMPARE(dialogs.messages.size(), 1);
    QCOMPARE(dialogs.messages[0].text,
             path + " cannot be found.\r\nMake sure the file you are trying to access exists in the specified "
                    "path and try opening the file again.");
    QCOMPARE(dialogs.messages[0].icon, platform::MessageIcon::Critical);
    QCOMPARE(window.RecentFiles.at(0), path);
    QVERIFY(window.mnuFileMRU[0]->isVisible());
}

void FileCommandsTest::printedPdfHoldsTheText()
{
    if (QStandardPaths::findExecutable("pdftotext").isEmpty())
        QSKIP("pdftotext (poppler-utils) is not installed");
    auto pdfText = [](const QString& pdf) {
        QProcess pdftotext;
        pdftotext.start("pdftotext", {pdf, "-"});
        pdftotext.waitForFinished(30000);
        return QString::fromUtf8(pdftotext.readAllStandardOutput());
    };
    ScriptedDialogService dialogs;
    frmMain window;
    window.show();
    CodeEditor* editor = window.activeDocument()->rtfText;
    editor->setText("MessageBox(\"Printed text\", \"Title\", 0)\r\n; second line\r\n");
    QString pdf = dir_.filePath("out.pdf");
    dialogs.printAnswers = {pdf};
    window.mnuFilePrint_Click();
    QCOMPARE(dialogs.printRequests.size(), 1);
    QCOMPARE(dialogs.printRequests[0].title, QString("Print"));
    QVERIFY(!dialogs.printRequests[0].selectionAvailable);
    QString text = pdfText(pdf);
    QVERIFY2(text.contains("Printed text"), qPrintable(text));
    QVERIFY(text.contains("second line"));

    editor->SetSelectionRange(Range{0, 0, 0, 5}, true);
    window.mnuFilePrint_Click(); // cancelled
    QVERIFY(dialogs.printRequests[1].selectionAvailable);

    // A selection prints exactly the selected text, not the whole lines it touches.
    editor->SetSelectionRange(Range{0, 12, 1, 8}, true);
    const QString selectionPdf = dir_.filePath("selection.pdf");
    dialogs.printAnswers = {selectionPdf};
    window.mnuFilePrint_Click();
    QCOMPARE(pdfText(selectionPdf).simplified(), QString("Printed text\", \"Title\", 0) ; second"));

    // The page range the print dialog offers is the one printed.
    QString lines;
    for (int i = 1; i <= 400; ++i)
        lines += QString("? \"row %1\"\r\n").arg(i);
    editor->setText(lines);
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    {
        const auto dialog = platform::newPrintDialog(&window, printer, platform::PrintRequest{"Print", false});
        auto* pagesFrom = dialog->findChild<QRadioButton*>("printRange");
        QVERIFY(pagesFrom && pagesFrom->isEnabled());
        pagesFrom->click();
        dialog->findChild<QSpinBox*>("from")->setValue(2);
        dialog->findChild<QSpinBox*>("to")->setValue(3);
        dialog->accept();
    }
    printer.setOutputFileName(dir_.filePath("range.pdf")); // the dialog's file field starts empty offscreen
    QVERIFY(editor->PrintText(printer, 13));
    const QStringList pages = pdfText(dir_.filePath("range.pdf")).split(QChar('\f'), Qt::SkipEmptyParts);
    QCOMPARE(pages.size(), 2);
    // Pages 2 and 3 of n rows each: rows n + 1 to 3n.
    auto row = [](const QString& page, bool last) {
        const QStringList printed = page.split('\n', Qt::SkipEmptyParts);
        return (last ? printed.constLast() : printed.constFirst()).section('"', 1, 1).section(' ', 1).toInt();
    };
    const int perPage = row(pages[0], false) - 1;
    QVERIFY2(perPage > 10, qPrintable(pages[0].left(40)));
    QCOMPARE(row(pages[0], true), 2 * perPage);
    QCOMPARE(row(pages[1], true), 3 * perPage);
}

void FileCommandsTest::pathsDifferingInCaseAreDifferentFiles()
{
    if (FilePaths::caseSensitivity() == Qt::CaseInsensitive)
        QSKIP("letter case does not tell files apart on this system");
    QString lower = write("work/case.kix", "lower\r\n");
    QString upper = write("work/CASE.kix", "UPPER\r\n");
    ScriptedDialogService dialogs;
    frmMain window;
    window.show();
    window.OpenFile(lower);
    window.OpenFile(upper);
    QCOMPARE(window.openDocuments().size(), 3);
    QCOMPARE(window.activeDocument()->Caption(), upper);
    QCOMPARE(window.tsTabs->tabData(2).toString(), upper);

    typeAtEnd(window.activeDocument()->rtfText, "Beep\r\n");
    QVERIFY(window.mnuFileSave_Click());
    QVERIFY(read(upper).endsWith("UPPER\r\nBeep\r\n"));
    QCOMPARE(read(lower), QByteArray("lower\r\n"));

    // Opening again only activates the document of exactly that path.
    window.OpenFile(lower);
    QCOMPARE(window.openDocuments().size(), 3);
    QCOMPARE(window.activeDocument()->Caption(), lower);
}

void FileCommandsTest::relativePathsAreFixedWhereTheyEnter()
{
    QString scripts = write("scripts/other.kix", "other").section('/', 0, -2);
    QString rel = write("start/rel.kix", "rel\r\n");
    const QString startFolder = QFileInfo(rel).absolutePath();
    const QString previous = QDir::currentPath();
    QDir::setCurrent(startFolder);
    ScriptedDialogService dialogs;
    {
        frmMain window("rel.kix");
        window.show();
        frmDocument* document = window.activeDocument();
        QCOMPARE(document->Caption(), rel);
        // The Open dialog starts in the script folder without moving the current folder there.
        frmOptions::Get()->txtScriptsPath->setText(scripts);
        window.mnuFileOpen_Click(); // cancelled
        QCOMPARE(dialogs.openRequests.last().directory, scripts);
        QCOMPARE(QDir::currentPath(), startFolder);
        // A relative path handed to OpenFile (a drop, a recent file) is taken from where it was given.
        QDir::setCurrent(scripts);
        window.OpenFile("other.kix");
        QCOMPARE(window.activeDocument()->Caption(), scripts + "/other.kix");
        window.OpenFile("./other.kix");
        QCOMPARE(window.openDocuments().size(), 2);

        // Wherever the current folder is now, Save writes the file the document came from.
        window.mdiArea()->setActiveSubWindow(document);
        typeAtEnd(document->rtfText, "Beep\r\n");
        window.mnuFileSave->trigger();
        QVERIFY(read(rel).endsWith("rel\r\nBeep\r\n"));
        QVERIFY(!QFile::exists(scripts + "/rel.kix"));
        dialogs.messageAnswers = {MessageAnswer::No, MessageAnswer::No, MessageAnswer::No};
        window.close();
    }
    QDir::setCurrent(previous);
    QVERIFY(dialogs.messages.isEmpty());
}

void FileCommandsTest::exitSavesTheChangedBackgroundDocument()
{
    QString a = write("exit-a.kix", "A\r\n"), b = write("exit-b.kix", "B\r\n");
    ScriptedDialogService dialogs;
    frmMain window;
    window.show();
    window.OpenFile(a);
    frmDocument* changed = window.activeDocument();
    typeAtEnd(changed->rtfText, "Beep\r\n");
    window.OpenFile(b); // in front, unchanged; remembered name is b's
    QCOMPARE(window.CurrentFileName, b);

    dialogs.messageAnswers = {MessageAnswer::Yes};
    dialogs.onMessage = [&](const RecordedMessage&) {
        // The user sees the document asked about, and its tab.
        QCOMPARE(window.activeDocument(), changed);
        QCOMPARE(window.tsTabs->tabData(window.tsTabs->currentIndex()).toString(), a);
    };
    QVERIFY(window.close());
    QCOMPARE(dialogs.messages.size(), 1);
    QCOMPARE(dialogs.messages[0].text, a + " has been changed. Do you wish to save?");
    QVERIFY(read(a).endsWith("A\r\nBeep\r\n"));
    QCOMPARE(read(b), QByteArray("B\r\n"));
}

void FileCommandsTest::saveAsRenamesTheSavedDocumentsTab()
{
    QString target = dir_.filePath("renamed.kix");
    ScriptedDialogService dialogs;
    frmMain window;
    window.show();
    frmDocument* first = window.activeDocument();
    window.mnuFileNew_Click();
    // The row shows another tab than the document saved (no activation follows a blocked signal).
    window.tsTabs->blockSignals(true);
    window.tsTabs->setCurrentIndex(0);
    window.tsTabs->blockSignals(false);
    dialogs.saveAnswers = {target};
    QVERIFY(window.mnuFileSaveAs_Click());
    QCOMPARE(window.tsTabs->tabText(0), QString("Untitled 1"));
    QCOMPARE(window.tsTabs->tabText(1), QString("renamed.kix"));
    QCOMPARE(window.tsTabs->tabData(1).toString(), target);
    emit window.tsTabs->tabBarClicked(0);
    QCOMPARE(window.activeDocument(), first);
    window.tsTabs->setCurrentIndex(1);
    QCOMPARE(window.activeDocument()->Caption(), target);
}

QTEST_MAIN(FileCommandsTest)
#include "test_file_commands.moc"
