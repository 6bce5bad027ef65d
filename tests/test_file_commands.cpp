// Opening, saving with the header stamp, printing, dropping files, and the recent-files list; the
// edit, label, help and about commands: Comment and Uncomment, the jump to a label, help through the
// URL service, Undo and Redo following the history, commands with no document open.

#include "EditorText.h"
#include "MainWindowFixture.h"
#include "RecordingUrlService.h"
#include "app/HeaderStamp.h"
#include "platform/FilePaths.h"
#include "platform/ProductInfo.h"
#include "platform/QtDialogService.h"
#include "preferences/frmOptions.h"
#include "tools/frmAbout.h"

#include <QtPrintSupport>
#include <QtTest>
#include <QtWidgets>

using platform::MessageAnswer;

class FileCommandsTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    std::optional<Shown> shown_;

    QString write(const QString& name, const QByteArray& bytes) { return writeFileIn(dir_, name, bytes); }

private slots:
    void init()
    {
        useFreshSettings(dir_);
        qputenv("USERNAME", "tester");
        shown_.emplace();
    }
    void cleanup()
    {
        shown_.reset();
        frmOptions::Unload();
    }

    void firstSaveStampsSecondRenews()
    {
        const QByteArray original = "; logon\r\nIf @INWIN = 1\r\n  ? \"caf\xe9\"\r\nEndIf";
        const QString path = write("logon.kix", original);
        auto& [dialogs, window] = *shown_;
        dialogs.openAnswers = {path};
        window.mnuFileOpen_Click();
        frmDocument* document = window.activeDocument();
        document->rtfText->SetSelectionRange(Range{1, 3, 1, 9}, true);

        QVERIFY(window.mnuFileSave_Click());
        const QByteArray saved = readFile(path);
        const QList<QByteArray> lines = saved.split('\n');
        QCOMPARE(lines[0], HeaderStamp::createdLine().toLatin1() + "\r");
        QVERIFY(lines[1].startsWith(";**** Last Modified on ") && lines[1].endsWith(" by tester ****\r"));
        QVERIFY(saved.mid(saved.indexOf("\r\n\r\n") + 4) == original && !document->rtfText->Modified());
        // The selection stays on the same text below the stamp.
        QCOMPARE(document->rtfText->GetSelectionRange(true).StartLine, 4);

        // A second save changes only the modified line.
        QTest::qWait(1100);
        QVERIFY(window.mnuFileSave_Click());
        QList<QByteArray> again = readFile(path).split('\n');
        QVERIFY(again[1].startsWith(";**** Last Modified on ") && again[1] != lines[1]);
        again[1] = lines[1];
        QCOMPARE(again, lines);
    }

    void saveAsCancelledKeepsStampAndCaption()
    {
        auto& [dialogs, window] = *shown_;
        CodeEditor* editor = window.activeDocument()->rtfText;
        editor->setText("Beep");
        QVERIFY(!window.mnuFileSaveAs_Click());
        const platform::FileDialogRequest& asked = dialogs.saveRequests.value(0);
        QVERIFY(dialogs.saveRequests.size() == 1 && asked.fileName.isEmpty() && asked.directory.isEmpty() &&
                asked.filter.startsWith("KiXtart File (*.kix) (*.kix)") && editor->Modified());
        QCOMPARE(window.activeDocument()->Caption() + editor->LineText(0) + editor->LineText(3),
                 "Untitled 1" + HeaderStamp::createdLine() + "Beep");

        // A file named "untitled": Save writes in place without a dialog; Save As still starts unnamed.
        const QString path = write("untitled.kix", "Beep\r\n");
        window.OpenFile(path);
        QVERIFY(window.mnuFileSave_Click() && dialogs.saveRequests.size() == 1 && readFile(path).endsWith("\r\n\r\nBeep\r\n"));
        window.mnuFileSaveAs->trigger();
        QVERIFY(dialogs.saveRequests.size() == 2 && dialogs.saveRequests[1].fileName.isEmpty());
    }

    void failedSaveKeepsDocumentModified()
    {
        const QString path = write("keep.kix", "Beep\r\n"), blocker = write("blocker", "a regular file, not a folder");
        auto& [dialogs, window] = shown_.emplace(path);
        frmDocument* opened = window.activeDocument();
        // Save As into a "folder" that is a file: the drive-or-folder message, and the document keeps
        // its name: Save still writes the document's own file.
        typeAtEnd(opened->rtfText, "Cls\r\n");
        dialogs.saveAnswers = {blocker + "/elsewhere.kix"};
        QVERIFY(!window.mnuFileSaveAs_Click());
        QCOMPARE(QDir::toNativeSeparators(dialogs.saveRequests[0].directory + "/" + dialogs.saveRequests[0].fileName), path); // offered as it is
        QCOMPARE(dialogs.messages.value(0).text,
                 QString("Cannot access the drive or folder.  If saving to a removable drive\r\n"
                         "please ensure that writable media is in the drive."));
        QVERIFY(opened->rtfText->Modified() && window.Changed[1] && opened->Caption() == path && window.CurrentFileName == path);
        window.mnuFileSave->trigger();
        QVERIFY(readFile(path).endsWith("Beep\r\nCls\r\n") && !opened->rtfText->Modified());

        // Save over a folder: the system's reason, the document still modified.
        typeAtEnd(opened->rtfText, "Cls\r\n");
        QVERIFY(QFile::remove(path) && QDir().mkdir(path));
        QVERIFY(!window.mnuFileSave_Click() && opened->rtfText->Modified());
        QVERIFY(dialogs.messages.size() == 2 && !dialogs.messages[1].text.isEmpty());

        // A close prompt's Yes whose save fails keeps the document, its tab and its count.
        dialogs.messageAnswers = {MessageAnswer::Yes};
        window.mnuFileClose_Click();
        QCOMPARE(documentsShown(window), "1/1 keep.kix* > " + path);
    }

    void saveAsksBeforeChangingEncoding()
    {
        QString path = write("ansi.kix", "; caf\xe9\r\n");
#ifdef Q_OS_WIN
        _wputenv_s(L"USERNAME", L"J\u00fcrgen \u738b"); // beyond the ANSI code page of the environment
#else
        qputenv("USERNAME", "J\xc3\xbcrgen \xe7\x8e\x8b"); // "Jürgen 王"
#endif
        auto& [dialogs, window] = shown_.emplace(path);
        CodeEditor* editor = window.activeDocument()->rtfText;

        // The name's "王" has no byte in Windows-1252: "?" in the stamp only, nothing asked.
        window.mnuFileSave->trigger();
        const QByteArray ansi = readFile(path);
        QVERIFY2(ansi.contains(" by J\xfcrgen ? ****\r\n\r\n; caf\xe9\r\n") && dialogs.messages.isEmpty(), ansi.constData());

        // Typed text that Windows-1252 cannot hold: asked; Cancel saves nothing.
        editor->InsertTextAt(QString::fromUtf8("$x = \"\xe4\xb8\xad\""), {editor->LineTotal() - 1, 0});
        window.mnuFileSave->trigger();
        QVERIFY(dialogs.messages.size() == 1 && dialogs.messages[0].buttons == platform::MessageButtons::OkCancel);
        QVERIFY2(dialogs.messages[0].text.contains("U+4E2D"), qPrintable(dialogs.messages[0].text));
        QVERIFY(readFile(path) == ansi && editor->Modified());

        // OK: saved as UTF-8, the stamp now with the whole name; asked once, not on every save.
        dialogs.messageAnswers = {MessageAnswer::Ok};
        window.mnuFileSave->trigger();
        QByteArray utf8 = readFile(path);
        QVERIFY2(utf8.contains(" by J\xc3\xbcrgen \xe7\x8e\x8b ****\r\n\r\n; caf\xc3\xa9\r\n$x = \"\xe4\xb8\xad\""),
                 utf8.constData());
        editor->InsertTextAt("Beep", {editor->LineTotal() - 1, 0});
        window.mnuFileSave->trigger();
        QVERIFY(dialogs.messages.size() == 2 && readFile(path).endsWith("Beep$x = \"\xe4\xb8\xad\""));
    }

    void reopeningAndDroppingActivate()
    {
        const QString a = write("a.kix", "A"), b = write("b.kix", "B"), c = write("c.kix", "C"), d = write("d.kix", "D");
        auto& [dialogs, window] = *shown_;
        dialogs.openAnswers = {a, b, a};
        for (int i = 0; i < 3; ++i)
            window.mnuFileOpen_Click();
        QCOMPARE(documentsShown(window), "3/3 Untitled 1|a.kix*|b.kix > " + a);
        QCOMPARE(window.RecentFiles.at(0) + "|" + window.RecentFiles.at(1) + "|" + window.RecentFiles.at(2), a + "|" + b + "|");

        // Dropped files open in order; an open one among them is only activated.
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(c), QUrl::fromLocalFile(d), QUrl::fromLocalFile(b)});
        window.OpenDroppedFiles(&data);
        QCOMPARE(documentsShown(window), "5/5 Untitled 1|a.kix|b.kix*|c.kix|d.kix > " + b);

        // A file that cannot be read: reported, and an empty document is left for it.
        window.OpenFile(dir_.filePath("nowhere/none.kix"));
        QVERIFY(dialogs.messages.size() == 1 && window.activeDocument()->rtfText->TextLength() == 0);
        QCOMPARE(documentsShown(window), QString("6/6 Untitled 1|a.kix|b.kix|c.kix|d.kix|Untitled 6* > Untitled 6"));
    }

    void recentFilesMenu()
    {
        QStringList files;
        for (int i = 1; i <= 10; ++i)
            files << write(QString(i == 1 ? "f&%1.kix" : "f%1.kix").arg(i), "Beep");
        auto& [dialogs, window] = *shown_;
        auto visible = [&window] {
            QStringList captions;
            for (QAction* action : window.mnuFileMRU)
                if (action->isVisible())
                    captions << action->text();
            return captions;
        };
        RegistryHandler mru = userKey(kRecentFilesKey);
        QVERIFY(mru.GetRegValue("MRUInit", TaggedValue()) == TaggedValue::fromInt32(1) && visible().isEmpty());
        for (int i = 0; i < 10; ++i) {
            dialogs.openAnswers = {files[i]};
            window.mnuFileOpen_Click();
            if (i == 2)
                QCOMPARE(visible(), QStringList({"&1  " + files[2], "&2  " + files[1],
                                                 "&3  " + QString(files[0]).replace("&", "&&")})); // no access key
        }
        QCOMPARE(visible().size(), 4);
        QCOMPARE(mru.GetRegValue("MRUFile1", TaggedValue()).toString() + "|" + mru.GetRegValue("MRUFile9", TaggedValue()).toString(),
                 files[9] + "|" + files[1]);
        // As many entries as the preference asks for, up to all nine; fewer hides the rest.
        for (int count : {9, 2, 4}) {
            frmOptions::Get()->cboMRU->setCurrentText(QString::number(count));
            window.LoadRecentFiles();
            QCOMPARE(visible().size(), count);
        }

        // Choosing an entry opens it (once) and moves it to the top.
        window.mnuFileMRU_Click(3);
        QVERIFY(window.activeDocument()->Caption() == files[6] && window.RecentFiles.at(0) == files[6]);

        // An entry whose file has gone (a folder in its place): said so, and the entry stays.
        window.mnuFileClose_Click(); // an open file's entry only brings its document forward
        QVERIFY(QFile::remove(files[6]) && QDir().mkdir(files[6]));
        window.mnuFileMRU_Click(0);
        QVERIFY(dialogs.messages.size() == 1 && dialogs.messages[0].icon == platform::MessageIcon::Critical);
        QCOMPARE(dialogs.messages[0].text,
                 files[6] + " cannot be found.\r\nMake sure the file you are trying to access exists in the "
                            "specified path and try opening the file again.");
        QVERIFY(window.RecentFiles.at(0) == files[6] && window.mnuFileMRU[0]->isVisible());
    }

    void printedPdfHoldsTheText()
    {
        if (QStandardPaths::findExecutable("pdftotext").isEmpty())
            QSKIP("pdftotext (poppler-utils) is not installed");
        auto pdfText = [this](const QString& name) {
            QProcess pdftotext;
            pdftotext.start("pdftotext", {dir_.filePath(name), "-"});
            pdftotext.waitForFinished(30000);
            return QString::fromUtf8(pdftotext.readAllStandardOutput());
        };
        auto& [dialogs, window] = *shown_;
        CodeEditor* editor = window.activeDocument()->rtfText;
        editor->setText("MessageBox(\"Printed text\", \"Title\", 0)\r\n; second line\r\n");
        window.mnuFilePrint->trigger(); // cancelled
        QVERIFY(dialogs.printRequests.size() == 1 && !dialogs.printRequests[0].selectionAvailable);

        // A selection prints exactly the selected text, not the whole lines it touches.
        editor->SetSelectionRange(Range{0, 12, 1, 8}, true);
        dialogs.printAnswers = {dir_.filePath("selection.pdf")};
        window.mnuFilePrint_Click();
        QVERIFY(dialogs.printRequests[1].selectionAvailable);
        QCOMPARE(pdfText("selection.pdf").simplified(), QString("Printed text\", \"Title\", 0) ; second"));

        // The page range the print dialog offers is the one printed: pages 2 and 3 of n rows each hold
        // rows n + 1 to 3n.
        QString rows;
        for (int i = 1; i <= 400; ++i)
            rows += QString("? \"row %1\"\r\n").arg(i);
        editor->setText(rows);
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        const auto dialog = platform::newPrintDialog(&window, printer, platform::PrintRequest{"Print", false});
        auto* pagesFrom = dialog->findChild<QRadioButton*>("printRange");
        QVERIFY(pagesFrom && pagesFrom->isEnabled());
        pagesFrom->click();
        dialog->findChild<QSpinBox*>("from")->setValue(2);
        dialog->findChild<QSpinBox*>("to")->setValue(3);
        dialog->accept();
        printer.setOutputFileName(dir_.filePath("range.pdf")); // the dialog's file field starts empty offscreen
        QVERIFY(editor->PrintText(printer, 13));
        QStringList printed; // the first and last row of each page
        for (const QString& page : pdfText("range.pdf").split(QChar('\f'), Qt::SkipEmptyParts))
            for (const QString& line : {page.trimmed().section('\n', 0, 0), page.trimmed().section('\n', -1)})
                printed << line.section('"', 1, 1).section(' ', 1);
        const int perPage = printed.value(0).toInt() - 1;
        QVERIFY2(perPage > 10, qPrintable(printed.join(' ')));
        QCOMPARE(printed, QString("%1 %2 %3 %4").arg(perPage + 1).arg(2 * perPage).arg(2 * perPage + 1).arg(3 * perPage).split(' '));
    }

    void pathsDifferingInCaseAreDifferentFiles()
    {
        if (FilePaths::caseSensitivity() == Qt::CaseInsensitive)
            QSKIP("letter case does not tell files apart on this system");
        const QString lower = write("work/case.kix", "lower\r\n"), upper = write("work/CASE.kix", "UPPER\r\n");
        auto& [dialogs, window] = *shown_;
        window.OpenFile(lower);
        window.OpenFile(upper);
        QCOMPARE(documentsShown(window), "3/3 Untitled 1|case.kix|CASE.kix* > " + upper);
        typeAtEnd(window.activeDocument()->rtfText, "Beep\r\n");
        QVERIFY(window.mnuFileSave_Click() && readFile(upper).endsWith("UPPER\r\nBeep\r\n"));
        QCOMPARE(readFile(lower), QByteArray("lower\r\n"));
        // Opening again only activates the document of exactly that path.
        window.OpenFile(lower);
        QCOMPARE(documentsShown(window), "3/3 Untitled 1|case.kix*|CASE.kix > " + lower);
    }

    void relativePathsAreFixedWhereTheyEnter()
    {
        const QString scripts = write("scripts/other.kix", "other").section(QDir::separator(), 0, -2), rel = write("start/rel.kix", "rel\r\n");
        const QString startFolder = QFileInfo(rel).absolutePath(), previous = QDir::currentPath();
        QDir::setCurrent(startFolder);
        auto& [dialogs, window] = shown_.emplace("rel.kix");
        frmDocument* document = window.activeDocument();
        // The Open dialog starts in the script folder without moving the current folder there.
        frmOptions::Get()->txtScriptsPath->setText(scripts);
        window.mnuFileOpen_Click(); // cancelled
        QCOMPARE(QDir::toNativeSeparators(dialogs.openRequests.last().directory), scripts);
        // A folder without files is not offered.
        QVERIFY(QDir(scripts).mkdir("empty"));
        frmOptions::Get()->txtScriptsPath->setText(scripts + "/empty");
        window.mnuFileOpen_Click();
        QVERIFY(dialogs.openRequests.last().directory.isEmpty() && QDir::currentPath() == startFolder);
        // A relative path handed to OpenFile (a drop, a recent file) is taken from where it was given.
        QDir::setCurrent(scripts);
        window.OpenFile("other.kix");
        window.OpenFile("./other.kix");
        QCOMPARE(documentsShown(window), "2/2 rel.kix|other.kix* > " + scripts + QDir::separator() + "other.kix");

        // Wherever the current folder is now, Save writes the file the document came from.
        window.mdiArea()->setActiveSubWindow(document);
        typeAtEnd(document->rtfText, "Beep\r\n");
        window.mnuFileSave->trigger();
        QDir::setCurrent(previous);
        QVERIFY(readFile(rel).endsWith("rel\r\nBeep\r\n") && !QFile::exists(scripts + "/rel.kix") && dialogs.messages.isEmpty());
    }

    void saveAsRenamesTheSavedDocumentsTab()
    {
        QString target = QDir::toNativeSeparators(dir_.filePath("renamed.kix"));
        auto& [dialogs, window] = *shown_;
        frmDocument* first = window.activeDocument();
        window.mnuFileNew_Click();
        // The row shows another tab than the document saved (no activation follows a blocked signal).
        window.tsTabs->blockSignals(true);
        window.tsTabs->setCurrentIndex(0);
        window.tsTabs->blockSignals(false);
        dialogs.saveAnswers = {target};
        QVERIFY(window.mnuFileSaveAs_Click() && window.mnuExecute->isEnabled()); // now it has a file to run
        QCOMPARE(documentsShown(window), "2/2 Untitled 1*|renamed.kix > " + target);
        QVERIFY(window.tsTabs->tabData(1).toString() == target && !window.Changed[2]);
        emit window.tsTabs->tabBarClicked(0);
        QCOMPARE(window.activeDocument(), first);
    }

    // ---- Edit, label, help and about commands ------------------------------------------------

    void commentAndUncomment()
    {
        frmMain& window = shown_->window;
        CodeEditor& editor = *window.activeDocument()->rtfText;
        // Line breaks of both kinds stay as they are; so does the highlighted line; the selection moves
        // with the text after its column 0.
        setMarked(editor, QStringLiteral("a^\r\n; b\nc|\r\nd"));
        editor.SetHighlightedLine(1);
        window.tb_ButtonClick(QStringLiteral("comment"));
        window.CommentSelection();
        QCOMPARE(marked(editor) + QString::number(editor.HighlightedLine()), QStringLiteral(";;a^\r\n;;; b\n;;c|\r\nd1"));
        editor.SetSelectionRange({2, 0, 1, 0});
        window.CommentSelection();
        QCOMPARE(marked(editor), QStringLiteral(";;a\r\n|;;;; b\n^;;;c\r\nd"));
        window.mnuEditUndo_Click();
        editor.SetSelectionRange({0, 1, 2, 1});
        window.tb_ButtonClick(QStringLiteral("Uncomment"));
        QCOMPARE(editor.Text(), QStringLiteral(";a\r\n;; b\n;c\r\nd"));
        // One step each for the undo history.
        window.mnuEditUndo_Click();
        QCOMPARE(editor.Text(), QStringLiteral(";;a\r\n;;; b\n;;c\r\nd"));

        // Nothing to uncomment: text, selection (put in order) and saved state as they were.
        setMarked(editor, QStringLiteral("o^ne\r\n  ;two\r\nthr|ee"));
        editor.setModified(false);
        editor.SetSelectionRange({2, 3, 0, 1});
        window.UncommentSelection();
        QCOMPARE(marked(editor) + QString::number(editor.Modified()), QStringLiteral("o^ne\r\n  ;two\r\nthr|ee0"));
    }

    void rightClickJumpsToALabel()
    {
        frmMain& window = shown_->window;
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        CodeEditor* editor = window.activeDocument()->rtfText;
        QStringList script(60, QStringLiteral("? \"x\""));
        script[41] = QStringLiteral(":Finish");
        script[7] = QStringLiteral(":Begin");
        editor->setText(script.join(QStringLiteral("\r\n")));

        // Choose the second label while the menu is open.
        QStringList seen;
        QTimer::singleShot(100, this, [&] {
            for (QAction* marker : {window.mnuLabelMarker[0], window.mnuLabelMarker[1]})
                seen << marker->text() + QLatin1Char('=') + marker->data().toString();
            seen << (window.mnuJumpNone->isVisible() ? QStringLiteral("none") : QStringLiteral("labels"));
            window.mnuLabelMarker[1]->trigger();
            if (QWidget* popup = QApplication::activePopupWidget())
                popup->close();
        });
        QTest::mouseClick(editor->viewport(), Qt::RightButton, {}, QPoint(5, 5));
        QCOMPARE(seen, (QStringList{"Begin=7", "Finish=41", "labels"}));
        QVERIFY(editor->HighlightedLine() == 41 && editor->GetSelectionRange(true).EndLine == 41);
        QVERIFY(!window.mnuJumpToLabel->menuAction()->isVisible());
        // The next key press ends the highlight.
        QTest::keyClick(editor, Qt::Key_Right);
        QCOMPARE(editor->HighlightedLine(), -1);
    }

    void contextAndOnlineHelpAddresses()
    {
        RecordingUrlService urls;
        const QString define = ProductInfo::WebSite + QStringLiteral("/define.asp?name=");
        for (const char* caption : {"AddKey Help...", "@DATE Help...", "? Help...", "a&b=c#d Help..."}) {
            shown_->window.mnuCsHelp->setText(QString::fromLatin1(caption));
            shown_->window.mnuCsHelp->trigger();
        }
        shown_->window.mnuOnlineHelp->trigger();
        QCOMPARE(urls.files, (QStringList{define + "AddKey", define + "@DATE", define + "%3F", define + "a%26b%3Dc%23d",
                                             ProductInfo::WebSite + "/help"}));
    }

    void undoAndRedoFollowTheHistory()
    {
        frmMain& window = shown_->window;
        CodeEditor* editor = window.activeDocument()->rtfText;
        QAction* undoButton = window.toolbarButton(QStringLiteral("Undo"));
        QAction* redoButton = window.toolbarButton(QStringLiteral("Redo"));
        auto state = [&] {
            return QString::number(window.mnuEditUndo->isEnabled()) + QString::number(undoButton->isEnabled()) +
                   QString::number(window.mnuEditRedo->isEnabled()) + QString::number(redoButton->isEnabled());
        };
        QCOMPARE(state(), QStringLiteral("0000"));
        editor->setFocus();
        QTest::keyClicks(editor, QStringLiteral("ab"));
        QCOMPARE(state(), QStringLiteral("1100"));
        window.CommentSelection(); // a second undo step
        QTest::mouseClick(window.tb->widgetForAction(undoButton), Qt::LeftButton);
        QCOMPARE(state(), QStringLiteral("1111"));
        for (int step = 0; step < 9 && editor->CanUndo(); ++step)
            window.mnuEditUndo->trigger();
        QCOMPARE(editor->Text() + state(), QStringLiteral("0011"));
        QTest::keyClick(editor, Qt::Key_Y, Qt::ControlModifier); // the control's own redo key
        QCOMPARE(state(), QStringLiteral("1111"));
        while (editor->CanRedo())
            window.mnuEditRedo->trigger();
        QCOMPARE(editor->Text() + state(), QStringLiteral(";ab1100"));
    }

    void commandsWithoutDocumentDoNothing()
    {
        frmMain& window = shown_->window;
        window.mnuFileClose_Click();
        window.mnuEditFind_Click();
        QVERIFY(!window.mnuEditFindNext->isEnabled());
        for (const char* key : {"Cut", "Copy", "Paste", "Undo", "Redo", "Find", "Indent", "Outdent", "Comment", "Uncomment"})
            window.tb_ButtonClick(QString::fromLatin1(key));
        for (QAction* item : {window.mnuEditCut, window.mnuEditCopy, window.mnuEditPaste, window.mnuEditSelectAll,
                              window.mnuEditFindNext, window.mnuEditReplace, window.mnuEditGoTo}) {
            item->setEnabled(true);
            item->trigger();
        }
        window.mnuLabelMarker[0]->setData(QStringLiteral("3"));
        window.mnuLabelMarker_Click(0);
        QCOMPARE(documentsShown(window), QString("0/0  > none"));
        QVERIFY(shown_->dialogs.messages.isEmpty() && shown_->dialogs.lineRequests == 0);

        // With a script open, the first Find enables Find Next for good.
        window.mnuFileNew_Click();
        window.mnuEditFindNext->setEnabled(false);
        window.mnuEditFind->trigger();
        window.setMenu();
        QVERIFY(window.mnuEditFindNext->isEnabled());
    }

    void aboutBox()
    {
        RecordingUrlService urls;
        QTemporaryDir folder;
        const frmAbout::Links links{QStringLiteral("https://product.example"), QStringLiteral("https://maker.example")};
        // Without its file the licence box names the file it looked for.
        QVERIFY(frmAbout(links, folder.path()).txtLicense->toPlainText().contains(QStringLiteral("license.txt")));

#ifndef Q_OS_WIN // where it is installed beside the program, as below
        // Installed, the text lives in the program's data folder.
        QVERIFY(QDir(folder.path()).mkpath(QStringLiteral("bin")));
        writeFileIn(folder, QStringLiteral("share/tessary-editor/license.txt"), "Installed licence\n");
        QCOMPARE(frmAbout(links, folder.filePath(QStringLiteral("bin"))).txtLicense->toPlainText(), QString("Installed licence\n"));
#endif

        writeFile(folder.filePath(QStringLiteral("license.txt")), "Licence \xC3\xA9\r\nsecond line\r\n");
        frmAbout box(links, folder.path());
        QCOMPARE(box.txtLicense->toPlainText(), QString::fromUtf8("Licence \xC3\xA9\nsecond line\n"));
        box.show();
        QTest::mouseClick(box.txtLicenseLink, Qt::LeftButton);
        QTest::mouseClick(box.picIcon, Qt::LeftButton);
        QCOMPARE(urls.files, (QStringList{"https://product.example", "https://maker.example"}));

        // From the Help menu: loaded once, shown modeless, unloaded with the main window.
        shown_->window.mnuAbout->trigger();
        frmAbout* shown = frmAbout::IfLoaded();
        QVERIFY(shown && shown->isVisible() && !shown->isModal());
        shown->cmdOK->click();
        shown_->window.mnuAbout->trigger();
        QCOMPARE(frmAbout::IfLoaded(), shown);
        QVERIFY(shown_->window.close());
        shown_.reset();
        QVERIFY(!frmAbout::IfLoaded());
    }
};

QTEST_MAIN(FileCommandsTest)
#include "test_file_commands.moc"
